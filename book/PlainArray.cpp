#include "PlainArray.h"

#include "UnmapAside.h"

#include <algorithm>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

bool ResizePlainBlock(SPlainBlock& block, std::size_t bytes, std::size_t used) {
    if (bytes == 0) {
        ReleasePlainBlock(block);
        return true;
    }
    void* data = nullptr;
    if (bytes >= kPlainMapBytes && block.mapped) {
        data = ::mremap(block.data, block.bytes, bytes, MREMAP_MAYMOVE);
    } else if (bytes >= kPlainMapBytes) {
        data = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (data != MAP_FAILED && used)
            std::memcpy(data, block.data, used);
        if (data != MAP_FAILED)
            std::free(block.data);
    } else if (block.mapped) {
        data = std::malloc(bytes);
        if (data) {
            std::memcpy(data, block.data, std::min(used, bytes));
            ::munmap(block.data, block.bytes);
        }
    } else {
        data = std::realloc(block.data, bytes);
    }
    if (!data || data == MAP_FAILED)
        return false;
    block = {data, bytes, bytes >= kPlainMapBytes};
    return true;
}

void ReleasePlainBlock(SPlainBlock& block) {
    // A new book's index is often made just before the old one goes.
    if (block.mapped)
        UnmapAside(block.data, block.bytes);
    else
        std::free(block.data);
    block = {};
}

void DropPlainBlockFront(SPlainBlock& block, std::size_t bytes) {
    if (!block.mapped)
        return;
    static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t whole = std::min(bytes, block.bytes) / page * page;
    if (whole)
        ::madvise(block.data, whole, MADV_DONTNEED);
}
