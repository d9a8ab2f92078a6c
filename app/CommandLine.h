#pragma once
// The panel's command line: --help, --version and --folder DIR. Read before any window
// exists, so the first two work without a display.

#include <QStringList>

#include <string>

namespace orl {

struct ConsoleOptions {
    std::string folder; // --folder DIR made absolute; empty when not given
};

struct CommandLineOutcome {
    bool run = true;    // false: print `output` / `error` and exit with `exitCode`
    int exitCode = 0;   // 0 after --help and --version, 2 after a bad argument
    std::string output; // for stdout
    std::string error;  // for stderr
};

// `arguments` starts with the program name.
CommandLineOutcome ParseCommandLine(const QStringList& arguments, ConsoleOptions& options);

} // namespace orl
