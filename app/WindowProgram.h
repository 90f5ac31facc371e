#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// `tomlet` itself links no Qt, so that the command-line actions start in a few milliseconds;
// the window is a program of its own, started in place of `tomlet` when it is asked for.

// The file name of the window program.
inline constexpr const char kWindowProgram[] = "tomlet-window";

// Where the window program may be for a `tomlet` at selfPath, in the order tried: the
// installed layout's private folder, relative to the folder `tomlet` is in (libexecFromBin,
// e.g. "../libexec"), then beside `tomlet`, as in the build tree.
std::vector<std::string> WindowProgramCandidates(const std::string& selfPath,
                                                 const std::string& libexecFromBin);

// Runs the window program in place of this process, with argv unchanged (argv[0] included), so
// that book names pass byte for byte. The program is looked for from /proc/self/exe, never from
// PATH or the working folder. Returns only when it could not be run: the message is written to
// err and the exit status returned.
int RunWindowProgram(char** argv, std::ostream& err);
