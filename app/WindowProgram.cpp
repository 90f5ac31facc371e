#include "WindowProgram.h"

#include "CommandLine.h"

#include <cerrno>
#include <cstring>
#include <ostream>
#include <string>
#include <unistd.h>
#include <vector>

#ifndef TOMLET_LIBEXEC_FROM_BIN
#define TOMLET_LIBEXEC_FROM_BIN "../libexec"
#endif

namespace {

// The running program's own file, symbolic links resolved; empty when /proc can't tell.
std::string SelfPath() {
    std::string path(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || static_cast<std::size_t>(n) == path.size())
        return {};
    path.resize(static_cast<std::size_t>(n));
    return path;
}

// Where the window program may be for a `tomlet` at selfPath, in the order tried.
std::vector<std::string> WindowProgramCandidates(const std::string& selfPath,
                                                 const std::string& libexecFromBin) {
    const std::size_t slash = selfPath.rfind('/');
    if (slash == std::string::npos)
        return {};
    const std::string folder = selfPath.substr(0, slash + 1);
    return {folder + libexecFromBin + "/tomlet/" + kWindowProgram, folder + kWindowProgram};
}

} // namespace

int RunWindowProgram(char** argv, std::ostream& err) {
    const std::string self = SelfPath();
    if (self.empty()) {
        err << "tomlet: can't find the window program: /proc/self/exe does not say where "
               "tomlet is\n";
        return kExitNoWindow;
    }
    const std::vector<std::string> candidates =
        WindowProgramCandidates(self, TOMLET_LIBEXEC_FROM_BIN);
    for (const std::string& candidate : candidates) {
        if (::access(candidate.c_str(), F_OK) != 0)
            continue;
        ::execv(candidate.c_str(), argv);
        err << "tomlet: can't run the window program " << candidate << ": " << std::strerror(errno)
            << '\n';
        return kExitNoWindow;
    }
    err << "tomlet: the window program is missing; looked for";
    for (const std::string& candidate : candidates)
        err << "\n  " << candidate;
    err << "\nReinstall Tomlet; --list, --show, --find and --grep work without it.\n";
    return kExitNoWindow;
}
