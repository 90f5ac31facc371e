// The window program: `tomlet` runs it, with its own arguments, when no command-line action is
// asked for. Run alone it does the command-line actions too.
#include "CommandLine.h"
#include "TomletApp.h"

#include <QApplication>

#include <iostream>

int main(int argc, char** argv) {
    const SCommandLine command = ParseCommandLine({argv + 1, argv + argc});
    if (command.action != SCommandLine::EAction::Window)
        return RunCommandLine(command, std::cout, std::cerr);
    // The book is read while Qt loads its libraries and fonts and the window is made.
    std::unique_ptr<CBackgroundOpen> early = CTomletApp::ReadBookEarly(command);
    // The arguments are Tomlet's alone: Qt is given none, so a book named like one of Qt's
    // options is still a book. Qt takes its settings from the environment instead.
    int qtArgc = 1;
    QApplication qt(qtArgc, argv);
    CTomletApp app(command, std::move(early));
    if (!app.InitInstance())
        return 1;
    return QApplication::exec();
}
