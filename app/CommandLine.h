#pragma once
// The panel's command line: --help, --version, --folder DIR and --trace[=FILE]. Read
// before any window exists, so the first two work without a display.

#include <string>
#include <vector>

namespace orl {

struct ConsoleOptions {
    std::string folder;    // --folder DIR made absolute, its bytes as given; empty when not given
    bool trace = false;    // --trace or --trace=FILE
    std::string traceFile; // FILE of --trace=FILE; empty: standard error
};

struct CommandLineOutcome {
    bool run = true;    // false: print `output` / `error` and exit with `exitCode`
    int exitCode = 0;   // 0 after --help and --version, 2 after a bad argument
    std::string output; // for stdout
    std::string error;  // for stderr
};

// `arguments` starts with the program name; each is taken byte for byte as the system
// handed it over, so a folder whose name is not UTF-8 names that same folder.
CommandLineOutcome ParseCommandLine(const std::vector<std::string>& arguments,
                                    ConsoleOptions& options);

} // namespace orl
