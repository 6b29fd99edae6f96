#pragma once

#include <QStringList>

namespace sonquill::cli {

// Exit codes of sonquill-cli.
enum ExitCode : int {
    ExitSuccess = 0, // everything asked for was done
    ExitFailed = 1,  // the work ran, but a sound, a file or the catalogue save failed
    ExitUsage = 2,   // bad usage or argument; nothing was changed
};

// Parses the command line (arguments[0] is the program) and runs the command.
int RunCommandLine(const QStringList &arguments);

} // namespace sonquill::cli
