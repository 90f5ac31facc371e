// Loaded into the launched program with LD_PRELOAD by launch_drive: when the book named in
// LAUNCH_MARK_BOOK is opened the second time (the first item read for display, after the index
// build), writes the monotonic clock's nanoseconds to the descriptor LAUNCH_MARK_FD. Nothing is
// stopped or traced, so the launch runs at its own speed.
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_opens = 0;

void Note(const char* path) {
    const char* book = std::getenv("LAUNCH_MARK_BOOK");
    const char* fd = std::getenv("LAUNCH_MARK_FD");
    if (!book || !fd || !path || std::strcmp(path, book) != 0)
        return;
    if (__atomic_add_fetch(&g_opens, 1, __ATOMIC_SEQ_CST) != 2)
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long ns = now.tv_sec * 1000000000LL + now.tv_nsec;
    if (write(std::atoi(fd), &ns, sizeof ns) != sizeof ns)
        return;
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
    Note(path);
    static const auto next = Next<int (*)(const char*, int, ...)>("open");
    return next(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    Note(path);
    static const auto next = Next<int (*)(const char*, int, ...)>("open64");
    return next(path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    Note(path);
    static const auto next = Next<int (*)(int, const char*, int, ...)>("openat");
    return next(dir, path, flags, mode);
}

int openat64(int dir, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    Note(path);
    static const auto next = Next<int (*)(int, const char*, int, ...)>("openat64");
    return next(dir, path, flags, mode);
}

} // extern "C"
