#include "PlainArray.h"

#include "UnmapAside.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

std::size_t Page() {
    static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return page;
}

std::size_t WholePages(std::size_t bytes) {
    return (bytes + Page() - 1) / Page() * Page();
}

// Whether address room beyond the bytes costs nothing: not where the process's address space is
// limited, nor where the system counts every mapping against its memory whatever the flags say.
// There the room would be taken from the book's own mapping and everything else.
bool RoomIsFree() {
    static const bool free = [] {
        rlimit limit{};
        if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur != RLIM_INFINITY)
            return false;
        char mode = '0';
        if (const int fd = ::open("/proc/sys/vm/overcommit_memory", O_RDONLY | O_CLOEXEC);
            fd >= 0) {
            if (::read(fd, &mode, 1) != 1)
                mode = '0';
            ::close(fd);
        }
        return mode != '2';
    }();
    return free;
}

std::size_t RoomFor(std::size_t bytes) {
    if (!RoomIsFree() || bytes > SIZE_MAX / 8)
        return WholePages(bytes);
    return WholePages(std::max<std::size_t>(bytes * 8, 16 << 20));
}

// Address room for a mapped block of bytes, without the memory held for it: the room is
// written to only as far as the array grows. Where the system counts the room all the same and
// refuses it, the block takes bytes alone.
void* MapRoom(std::size_t bytes, std::size_t& room) {
    room = RoomFor(bytes);
    void* data = ::mmap(nullptr, room, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (data == MAP_FAILED)
        data = ::mmap(nullptr, room = WholePages(bytes), PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return data;
}

void* RemapRoom(const SPlainBlock& block, std::size_t bytes, std::size_t& room) {
    room = RoomFor(bytes);
    void* data = ::mremap(block.data, block.room, room, MREMAP_MAYMOVE);
    if (data == MAP_FAILED)
        data = ::mremap(block.data, block.room, room = WholePages(bytes), MREMAP_MAYMOVE);
    return data;
}

} // namespace

bool ResizePlainBlock(SPlainBlock& block, std::size_t bytes, std::size_t used) {
    if (bytes == 0) {
        ReleasePlainBlock(block);
        return true;
    }
    if (bytes >= kPlainMapBytes && bytes <= block.room) {
        // Inside the room: a shrink gives back the whole pages after the bytes kept.
        if (const std::size_t keep = WholePages(bytes); bytes < block.bytes && keep < block.room) {
            ::munmap(static_cast<char*>(block.data) + keep, block.room - keep);
            block.room = keep;
        }
        block.bytes = bytes;
        return true;
    }
    void* data = nullptr;
    std::size_t room = 0;
    if (bytes >= kPlainMapBytes && block.Mapped()) {
        data = RemapRoom(block, bytes, room);
    } else if (bytes >= kPlainMapBytes) {
        data = MapRoom(bytes, room);
        if (data != MAP_FAILED && used)
            std::memcpy(data, block.data, used);
        if (data != MAP_FAILED)
            std::free(block.data);
    } else if (block.Mapped()) {
        data = std::malloc(bytes);
        if (data) {
            std::memcpy(data, block.data, std::min(used, bytes));
            ::munmap(block.data, block.room);
        }
    } else {
        data = std::realloc(block.data, bytes);
    }
    if (!data || data == MAP_FAILED)
        return false;
    block = {data, bytes, room};
    return true;
}

void ReleasePlainBlock(SPlainBlock& block) {
    // A new book's index is often made just before the old one goes.
    if (block.Mapped())
        UnmapAside(block.data, block.room, block.bytes);
    else
        std::free(block.data);
    block = {};
}

void DropPlainBlockFront(SPlainBlock& block, std::size_t bytes) {
    if (!block.Mapped())
        return;
    const std::size_t whole = std::min(bytes, block.bytes) / Page() * Page();
    if (whole)
        ::madvise(block.data, whole, MADV_DONTNEED);
}
