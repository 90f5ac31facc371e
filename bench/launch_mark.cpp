// Loaded into the launched program with LD_PRELOAD by launch_drive. It writes two marks to the
// descriptor LAUNCH_MARK_FD, each the mark's number and the monotonic clock's nanoseconds:
//   0  the first read() of the book named in LAUNCH_MARK_BOOK: an item read for display (the
//      index build maps the book and reads it no other way);
//   1  the first file created whose path holds LAUNCH_MARK_WHOLE: the window's state written
//      as a book's whole index is in place.
// Nothing is stopped or traced, so the launch runs at its own speed.
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The book's descriptors now open: a number is reused once closed.
constexpr int kMostFds = 4096;
bool g_book[kMostFds];
bool g_marked[2];

void Mark(int which) {
    if (__atomic_exchange_n(&g_marked[which], true, __ATOMIC_SEQ_CST))
        return;
    const char* fd = std::getenv("LAUNCH_MARK_FD");
    if (!fd)
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long mark[2] = {which, now.tv_sec * 1000000000LL + now.tv_nsec};
    if (write(std::atoi(fd), mark, sizeof mark) != sizeof mark)
        return;
}

int Noted(const char* path, int flags, int fd) {
    if (!path || fd < 0)
        return fd;
    const char* book = std::getenv("LAUNCH_MARK_BOOK");
    if (book && fd < kMostFds && std::strcmp(path, book) == 0)
        __atomic_store_n(&g_book[fd], true, __ATOMIC_SEQ_CST);
    const char* whole = std::getenv("LAUNCH_MARK_WHOLE");
    if (whole && *whole && (flags & O_CREAT) && std::strstr(path, whole))
        Mark(1);
    return fd;
}

mode_t ModeOf(int flags, va_list args) {
    return (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

template <class F> F Next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto next = Next<int (*)(const char*, int, ...)>("open");
    return Noted(path, flags, next(path, flags, mode));
}

int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto next = Next<int (*)(const char*, int, ...)>("open64");
    return Noted(path, flags, next(path, flags, mode));
}

int openat(int dir, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto next = Next<int (*)(int, const char*, int, ...)>("openat");
    return Noted(path, flags, next(dir, path, flags, mode));
}

int openat64(int dir, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto next = Next<int (*)(int, const char*, int, ...)>("openat64");
    return Noted(path, flags, next(dir, path, flags, mode));
}

ssize_t read(int fd, void* buffer, size_t count) {
    if (fd >= 0 && fd < kMostFds && __atomic_load_n(&g_book[fd], __ATOMIC_SEQ_CST))
        Mark(0);
    static const auto next = Next<ssize_t (*)(int, void*, size_t)>("read");
    return next(fd, buffer, count);
}

int close(int fd) {
    if (fd >= 0 && fd < kMostFds)
        __atomic_store_n(&g_book[fd], false, __ATOMIC_SEQ_CST);
    static const auto next = Next<int (*)(int)>("close");
    return next(fd);
}

} // extern "C"
