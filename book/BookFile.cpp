#include "BookFile.h"

#include "BinaryFile.h"
#include "FileMapping.h"
#include "OffsetTable.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

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

BookBuffer::BookBuffer() = default;
BookBuffer::~BookBuffer() = default;
BookBuffer::BookBuffer(BookBuffer&&) noexcept = default;
BookBuffer& BookBuffer::operator=(BookBuffer&&) noexcept = default;

const std::uint8_t* BookBuffer::get() const {
    return m_pMapping ? m_pMapping->Data() : m_pRead.get();
}

void BookBuffer::reset() {
    m_pMapping.reset();
    m_pRead.reset();
}

void BookBuffer::Release(std::size_t from, std::size_t to) {
    if (!m_pMapping)
        return;
    static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    from = (from + page - 1) / page * page;
    to = to / page * page;
    if (from < to)
        ::madvise(const_cast<std::uint8_t*>(m_pMapping->Data()) + from, to - from, MADV_DONTNEED);
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
