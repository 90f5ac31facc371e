#include "CommandLine.h"

#include <iostream>

int main(int argc, char** argv) {
    const SCommandLine command = ParseCommandLine({argv + 1, argv + argc});
    if (command.action == SCommandLine::EAction::Window) {
        std::cerr << "tomlet: the reader window is not built yet; use --list or --show\n";
        return kExitUsage;
    }
    return RunCommandLine(command, std::cout, std::cerr);
}
