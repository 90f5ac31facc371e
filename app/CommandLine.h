#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

// What the command line asks of Tomlet.
struct SCommandLine {
    enum class EAction { Window, List, Show, Find, Grep, Help, Version, Error };
    EAction action = EAction::Window;
    std::string book;     // the book named, if any (file system bytes)
    std::string codePage; // forced code page, empty to choose per book
    std::int64_t item = -1;
    std::string term;  // what --find or --grep looks for, as typed (UTF-8)
    std::string error; // what was wrong, for EAction::Error
};

SCommandLine ParseCommandLine(const std::vector<std::string>& args);

// Exit statuses of command-line mode.
inline constexpr int kExitOk = 0;
inline constexpr int kExitCannotOpen = 1; // the book can't be opened or read
inline constexpr int kExitNoItem = 2;     // no such item, or it can't be shown
inline constexpr int kExitUsage = 64;     // the command line is wrong
inline constexpr int kExitNoWindow = 69;  // the window program is missing or can't be run
inline constexpr int kExitOutput = 74;    // standard output could not be written

// Runs the command-line actions (everything but Window) and returns the exit status. Output is
// UTF-8; messages go to err in Korean, as the window would show them.
int RunCommandLine(const SCommandLine& command, std::ostream& out, std::ostream& err);
