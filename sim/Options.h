#pragma once
// The simulator's command line.

#include "SwitcherModel.h"

#include <QStringList>

#include <string>

namespace orl::sim {

struct Options {
    std::string bindAddress = "127.0.0.1";
    int port = 1250; // 0 picks a free port
    SwitcherSize size;
    bool quiet = false;
    int burstCount = 0; // channel reports sent to each panel after its handshake
    int burstAfterMs = 1000;
};

// Parses the arguments (program name first). On a bad argument returns false with a
// message in `error`; --help and --version print and exit.
bool ParseOptions(const QStringList& arguments, Options& options, std::string& error);

} // namespace orl::sim
