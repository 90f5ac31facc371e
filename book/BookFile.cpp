#include "BookFile.h"

#include "BinaryFile.h"
#include "OffsetTable.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace {

// Reading a large book into fresh memory costs a page fault per 4 KiB page; memory aligned to
// and advised for 2 MiB pages takes one per 2 MiB where the kernel allows it.
constexpr std::size_t kHugePage = 2 << 20;

BookBuffer AllocateBook(std::size_t bytes) {
    if (bytes < kHugePage)
        return BookBuffer(static_cast<std::uint8_t*>(std::malloc(bytes)));
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    auto* memory = static_cast<std::uint8_t*>(std::aligned_alloc(kHugePage, rounded));
    if (memory)
        ::madvise(memory, rounded, MADV_HUGEPAGE);
    return BookBuffer(memory);
}

} // namespace

void SFreeBytes::operator()(std::uint8_t* bytes) const {
    std::free(bytes);
}

EReadBook ReadWholeBook(const std::string& path, SBookBytes& out) {
    CBinaryFile file;
    if (!file.Open(path, CBinaryFile::Mode::Read))
        return EReadBook::CannotOpen;
    const std::int64_t length = file.GetLength();
    if (length < 0 || length > kMaxBookBytes)
        return EReadBook::TooLarge;
    BookBuffer data = AllocateBook(static_cast<std::size_t>(length) + 10);
    if (!data)
        return EReadBook::TooLarge;
    const std::int64_t read = file.Read(data.get(), length);
    std::memset(data.get() + read, 0, 10);
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
