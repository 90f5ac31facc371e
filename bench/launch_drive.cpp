// Times one launch without tracing it: starts TOMLET BOOK with launch_mark preloaded, waits for
// the book's first read (the first item read for display) and prints the milliseconds from just
// before the fork, then ends the program. With WHOLE=1 it also waits for the window's state to
// be written, which follows the book's whole index, and prints those milliseconds second. The
// program's output is dropped.
//
//   launch_drive MARK_SO TOMLET BOOK
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: launch_drive MARK_SO TOMLET BOOK\n");
        return 64;
    }
    const char* wholeSet = std::getenv("WHOLE");
    const bool whole = wholeSet && std::strcmp(wholeSet, "1") == 0;
    int marks[2];
    if (pipe(marks) != 0)
        return 1;
    setenv("LAUNCH_MARK_FD", std::to_string(marks[1]).c_str(), 1);
    setenv("LAUNCH_MARK_BOOK", argv[3], 1);
    setenv("LAUNCH_MARK_WHOLE", whole ? "window.ini" : "", 1);
    setenv("LD_PRELOAD", argv[1], 1);
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child == 0) {
        // The program's own output (Qt's warnings among it) is not the driver's.
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        char* args[] = {argv[2], argv[3], nullptr};
        execv(argv[2], args);
        _exit(127);
    }
    close(marks[1]);
    long long at[2] = {-1, -1};
    for (int seen = 0; seen < (whole ? 2 : 1);) {
        pollfd mark{marks[0], POLLIN, 0};
        long long got[2];
        if (poll(&mark, 1, 30000) != 1 || read(marks[0], got, sizeof got) != sizeof got ||
            got[0] < 0 || got[0] > 1)
            break;
        if (at[got[0]] < 0 && (got[0] == 0 || whole)) {
            at[got[0]] = got[1];
            ++seen;
        }
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    if (at[0] < 0 || (whole && at[1] < 0)) {
        std::fprintf(stderr, "launch_drive: the book was not read for display within 30 s\n");
        return 1;
    }
    const long long from = start.tv_sec * 1000000000LL + start.tv_nsec;
    std::printf("%.1f", (at[0] - from) / 1e6);
    if (whole)
        std::printf(" %.1f", (at[1] - from) / 1e6);
    std::printf("\n");
    return 0;
}
