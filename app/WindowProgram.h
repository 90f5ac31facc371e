#pragma once

#include <iosfwd>

// `tomlet` itself links no Qt, so that the command-line actions start in a few milliseconds;
// the window is a program of its own, started in place of `tomlet` when it is asked for.

// The file name of the window program.
inline constexpr const char kWindowProgram[] = "tomlet-window";

// Runs the window program in place of this process, with argv unchanged (argv[0] included), so
// that book names pass byte for byte. The program is looked for from /proc/self/exe, never from
// PATH or the working folder: first in the installed layout's libexec/tomlet, relative to the
// folder `tomlet` is in, then beside `tomlet`, as in the build tree. Returns only when it could
// not be run: the message is written to err and the exit status returned.
int RunWindowProgram(char** argv, std::ostream& err);
