#include "FileMapping.h"

#include "BinaryFile.h"
#include "UnmapAside.h"

#include <atomic>
#include <csignal>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The areas of the views held now; a slot's start is 0 while it is free.
constexpr int kGuardSlots = 8;
std::atomic<std::uintptr_t> g_guardStart[kGuardSlots];
std::atomic<std::uintptr_t> g_guardEnd[kGuardSlots];
std::uintptr_t g_nPageSize = 4096;
struct sigaction g_previousBusAction;

void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    // A page gone from under a mapping is BUS_ADRERR; a SIGBUS sent by a program has no address.
    for (int i = 0; i < kGuardSlots && info->si_code == BUS_ADRERR; ++i) {
        const std::uintptr_t start = g_guardStart[i].load(std::memory_order_acquire);
        if (start == 0 || address < start || address >= g_guardEnd[i].load())
            continue;
        void* page = reinterpret_cast<void*>(address & ~(g_nPageSize - 1));
        if (::mmap(page, g_nPageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
            MAP_FAILED)
            return; // the access is made again and reads zeros
    }
    if (g_previousBusAction.sa_flags & SA_SIGINFO) {
        g_previousBusAction.sa_sigaction(signal, info, context);
        return;
    }
    if (g_previousBusAction.sa_handler != SIG_DFL && g_previousBusAction.sa_handler != SIG_IGN) {
        g_previousBusAction.sa_handler(signal);
        return;
    }
    // The default ends the process, for a fault and for a SIGBUS sent by another program alike.
    ::signal(SIGBUS, SIG_DFL);
    ::raise(SIGBUS);
}

bool InstallBusGuard() {
    static const bool installed = [] {
        g_nPageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGBUS, &action, &g_previousBusAction) == 0;
    }();
    return installed;
}

// The page cache may hold a file in folios of up to 2 MiB, which the kernel maps with one entry
// each where the address is aligned as the file's offset is: mapping in a 1 GiB book then takes
// milliseconds instead of the tens that a quarter million 4 KiB entries cost.
constexpr std::size_t kLargeFolio = 2 << 20;

// An area of size bytes of zero pages starting at a multiple of align; null when there's none.
void* ReserveAligned(std::size_t size, std::size_t align) {
    const std::size_t slack = align - g_nPageSize;
    void* area = ::mmap(nullptr, size + slack, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED)
        return nullptr;
    const auto first = reinterpret_cast<std::uintptr_t>(area);
    const std::uintptr_t start = (first + align - 1) / align * align;
    if (start > first)
        ::munmap(area, start - first);
    if (const std::uintptr_t tail = first + slack - start; tail > 0)
        ::munmap(reinterpret_cast<void*>(start + size), tail);
    return reinterpret_cast<void*>(start);
}

bool Guard(std::uintptr_t start, std::uintptr_t end) {
    for (int i = 0; i < kGuardSlots; ++i) {
        std::uintptr_t expected = 0;
        // A slot is claimed with an address no mapping has, then given its range.
        if (!g_guardStart[i].compare_exchange_strong(expected, 1))
            continue;
        g_guardEnd[i].store(end);
        g_guardStart[i].store(start, std::memory_order_release);
        return true;
    }
    return false;
}

void Unguard(std::uintptr_t start) {
    for (int i = 0; i < kGuardSlots; ++i) {
        std::uintptr_t expected = start;
        if (g_guardStart[i].compare_exchange_strong(expected, 0))
            return;
    }
}

} // namespace

bool CFileMapping::Map(const CBinaryFile& file, std::size_t length, std::size_t zeroTail) {
    Unmap();
    if (!file.IsOpen() || !InstallBusGuard())
        return false;
    // Anonymous zero pages first, the file over their start. The zeros go at least a page
    // beyond the file's last page: the bytes after the end within that page are the file's
    // own, zero only while the file does not grow.
    const std::size_t pages = (length + g_nPageSize - 1) / g_nPageSize;
    const std::size_t tailPages = (zeroTail + g_nPageSize - 1) / g_nPageSize + 1;
    const std::size_t total = (pages + tailPages) * g_nPageSize;
    void* area = ReserveAligned(total, length >= kLargeFolio ? kLargeFolio : g_nPageSize);
    if (!area)
        return false;
    const auto start = reinterpret_cast<std::uintptr_t>(area);
    if (!Guard(start, start + total)) {
        ::munmap(area, total);
        return false;
    }
    m_pData = static_cast<std::uint8_t*>(area);
    m_nMapped = total;
    // Not populated here: pages are mapped in as readers reach them, so that threads reading
    // parts of the file at once share that work too.
    if (length > 0 && ::mmap(area, length, PROT_READ, MAP_PRIVATE | MAP_FIXED, file.Descriptor(),
                             0) == MAP_FAILED) {
        Unmap();
        return false;
    }
    ::madvise(area, total, MADV_SEQUENTIAL);
    // A book not yet in the page cache is then read into it in 2 MiB folios, which this and
    // every later mapping of it maps with one entry each. Read in 4 KiB pages, as sequential
    // reading alone leaves it, the book costs the kernel a page entry per 4 KiB at every open.
    // Folios already cached stay as they are.
    if (length >= kLargeFolio)
        ::madvise(area, length, MADV_HUGEPAGE);
    return true;
}

void CFileMapping::Unmap() {
    if (!m_pData)
        return;
    Unguard(reinterpret_cast<std::uintptr_t>(m_pData));
    void* area = m_pData;
    const std::size_t size = m_nMapped;
    m_pData = nullptr;
    m_nMapped = 0;
    UnmapAside(area, size);
}
