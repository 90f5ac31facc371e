#include "BookFile.h"

#include "BinaryFile.h"
#include "FileMapping.h"
#include "OffsetTable.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <new>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

// Where a book can't be mapped it is read into fresh memory, at a page fault per 4 KiB page;
// memory aligned to and advised for 2 MiB pages takes one per 2 MiB where the kernel allows it.
constexpr std::size_t kHugePage = 2 << 20;

std::unique_ptr<std::uint8_t[], SFreeBytes> AllocateBook(std::size_t bytes) {
    if (bytes < kHugePage)
        return std::unique_ptr<std::uint8_t[], SFreeBytes>(
            static_cast<std::uint8_t*>(std::malloc(bytes)));
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    auto* memory = static_cast<std::uint8_t*>(std::aligned_alloc(kHugePage, rounded));
    if (memory)
        ::madvise(memory, rounded, MADV_HUGEPAGE);
    return std::unique_ptr<std::uint8_t[], SFreeBytes>(memory);
}

} // namespace

void SFreeBytes::operator()(std::uint8_t* bytes) const {
    std::free(bytes);
}

// Gives back the ranges it is handed, in order, on a thread of its own: taking a large book's
// pages out of the process costs the kernel about a tenth of the build, which a core the build
// leaves idle can spend. Ranges still waiting when it stops are left to the unmapping.
struct BookBuffer::SReleaser {
    explicit SReleaser(std::uint8_t* base) : thread([this, base] { Run(base); }) {}
    ~SReleaser() {
        {
            const std::lock_guard hold(lock);
            stop = true;
        }
        wake.notify_one();
        thread.join();
    }
    void Add(std::size_t from, std::size_t to) {
        {
            const std::lock_guard hold(lock);
            ranges.emplace_back(from, to);
        }
        wake.notify_one();
    }
    void Run(std::uint8_t* base) {
        std::unique_lock hold(lock);
        for (;;) {
            wake.wait(hold, [this] { return stop || !ranges.empty(); });
            if (stop)
                return;
            const auto [from, to] = ranges.front();
            ranges.pop_front();
            hold.unlock();
            ::madvise(base + from, to - from, MADV_DONTNEED);
            hold.lock();
        }
    }

    std::mutex lock;
    std::condition_variable wake;
    std::deque<std::pair<std::size_t, std::size_t>> ranges;
    bool stop = false;
    std::thread thread; // last: it starts once the rest is made
};

BookBuffer::BookBuffer() = default;
BookBuffer::~BookBuffer() {
    reset();
}
BookBuffer::BookBuffer(BookBuffer&& other) noexcept {
    *this = std::move(other);
}
BookBuffer& BookBuffer::operator=(BookBuffer&& other) noexcept {
    if (&other == this)
        return *this;
    reset();
    other.m_pReleaser.reset(); // its thread would outlive the mapping it works on
    m_pMapping = std::move(other.m_pMapping);
    m_pRead = std::move(other.m_pRead);
    return *this;
}

const std::uint8_t* BookBuffer::get() const {
    return m_pMapping ? m_pMapping->Data() : m_pRead.get();
}

void BookBuffer::reset() {
    m_pReleaser.reset();
    m_pMapping.reset();
    m_pRead.reset();
}

void BookBuffer::Release(std::size_t from, std::size_t to, EReleaseOn on) {
    if (!m_pMapping)
        return;
    static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    from = (from + page - 1) / page * page;
    to = to / page * page;
    if (from >= to)
        return;
    auto* base = const_cast<std::uint8_t*>(m_pMapping->Data());
    if (on == EReleaseOn::OwnThread) {
        const std::lock_guard hold(m_releaseLock);
        try {
            if (!m_pReleaser)
                m_pReleaser = std::make_unique<SReleaser>(base);
            m_pReleaser->Add(from, to);
            return;
        } catch (const std::exception&) {
            // no thread or no memory to be had: given back here
        }
    }
    ::madvise(base + from, to - from, MADV_DONTNEED);
}

// Mapping shows the cached pages in place; reading into fresh memory costs the kernel a zeroed
// page and a copy for every page, three quarters of the build of a large book.
EReadBook ReadWholeBook(const std::string& path, SBookBytes& out) {
    CBinaryFile file;
    if (!file.Open(path, CBinaryFile::Mode::Read))
        return EReadBook::CannotOpen;
    const std::int64_t length = file.GetLength();
    if (length < 0 || length > kMaxBookBytes)
        return EReadBook::TooLarge;
    BookBuffer data;
    auto mapping = std::make_unique<CFileMapping>();
    if (mapping->Map(file, static_cast<std::size_t>(length), 10)) {
        data.m_pMapping = std::move(mapping);
        out.data = std::move(data);
        out.size = static_cast<std::uint32_t>(length);
        return EReadBook::Ok;
    }
    data.m_pRead = AllocateBook(static_cast<std::size_t>(length) + 10);
    if (!data.m_pRead)
        return EReadBook::TooLarge;
    const std::int64_t read = file.Read(data.m_pRead.get(), length);
    std::memset(data.m_pRead.get() + read, 0, 10);
    out.data = std::move(data);
    out.size = static_cast<std::uint32_t>(read);
    return EReadBook::Ok;
}

SItemRange ItemRange(const COffsetTable& table, std::int32_t s, std::int32_t last,
                     std::int64_t fileLength) {
    SItemRange range;
    range.start = table[s];
    const std::int64_t end = s < last ? table[s + 1] : fileLength;
    range.length = std::max<std::int64_t>(0, end - range.start);
    return range;
}

std::unique_ptr<std::uint8_t[]> ReadItemBytes(CBinaryFile& file, std::int64_t count,
                                              std::int64_t& read) {
    read = 0;
    if (count < 0 || count > kMaxBookBytes)
        return nullptr;
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow)
                                               std::uint8_t[static_cast<std::size_t>(count) + 10]);
    if (!buffer)
        return nullptr;
    read = file.Read(buffer.get(), count);
    std::memset(buffer.get() + read, 0, 10);
    return buffer;
}
