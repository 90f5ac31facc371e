#include "UnmapAside.h"

#include <sys/mman.h>
#include <system_error>
#include <thread>

namespace {

// A thread costs tens of microseconds, the page entries of 4 MiB about a third of a millisecond.
constexpr std::size_t kAside = 4 << 20;

} // namespace

void UnmapAside(void* area, std::size_t size, std::size_t held) {
    if (size >= kAside && held >= kAside) {
        try {
            std::thread([area, size] { ::munmap(area, size); }).detach();
            return;
        } catch (const std::system_error&) {
            // no thread to be had: unmapped here
        }
    }
    ::munmap(area, size);
}
