// Times one launch without tracing it: starts TOMLET BOOK with launch_mark preloaded, waits for
// the book's first read (the first item read for display) and prints the milliseconds from
// just before the fork, then ends the program. The program's output is dropped.
//
//   launch_drive MARK_SO TOMLET BOOK
#include <cstdio>
#include <cstdlib>
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
    int marks[2];
    if (pipe(marks) != 0)
        return 1;
    setenv("LAUNCH_MARK_FD", std::to_string(marks[1]).c_str(), 1);
    setenv("LAUNCH_MARK_BOOK", argv[3], 1);
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
    pollfd mark{marks[0], POLLIN, 0};
    long long ns = 0;
    const bool seen = poll(&mark, 1, 30000) == 1 && read(marks[0], &ns, sizeof ns) == sizeof ns;
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    if (!seen) {
        std::fprintf(stderr, "launch_drive: the book was not read for display within 30 s\n");
        return 1;
    }
    std::printf("%.1f\n", (ns - (start.tv_sec * 1000000000LL + start.tv_nsec)) / 1e6);
    return 0;
}
