#include "CommandLine.h"
#include "WindowProgram.h"

#include <iostream>

int main(int argc, char** argv) {
    const SCommandLine command = ParseCommandLine({argv + 1, argv + argc});
    if (command.action != SCommandLine::EAction::Window)
        return RunCommandLine(command, std::cout, std::cerr);
    return RunWindowProgram(argv, std::cerr);
}
