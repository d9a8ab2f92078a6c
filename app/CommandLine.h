#pragma once
// The panel's command line: --help, --version, --folder DIR, --trace[=FILE], --osc PORT,
// --osc-bind ADDRESS and --locked. Read before any window exists, so the first two work
// without a display.

#include <string>
#include <vector>

namespace orl {

struct ConsoleOptions {
    std::string folder;    // --folder DIR made absolute, its bytes as given; empty when not given
    bool trace = false;    // --trace or --trace=FILE
    std::string traceFile; // FILE of --trace=FILE; empty: standard error
    int oscPort = 0;       // --osc PORT; 0: no control surface
    std::string oscBind = "127.0.0.1"; // --osc-bind ADDRESS, a numeric IPv4 or IPv6 address
    bool locked = false;               // --locked: the panel starts locked
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
