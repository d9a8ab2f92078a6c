#pragma once
// The simulator's readable trace: one line per message in either direction, with the
// time since start. Lines go to stdout at once, so a reader of the pipe sees them live;
// a reader that falls behind loses lines, never holds the simulator up (LineWriter).

#include "Bytes.h"

#include <chrono>
#include <string>

namespace orl::sim {

// "D6 channel on/off: input 1 console 1 on [D6 7F 00 ...]": the command byte, what the
// frame says in the words the panel's trace uses, and its bytes.
std::string DescribeFrame(const Bytes& frame);

class Trace {
public:
    explicit Trace(bool quiet) : quiet_(quiet) {}
    bool Quiet() const { return quiet_; }
    void Line(const std::string& text);
    // A line about the simulator itself (a panel cut off); printed even when quiet.
    void Event(const std::string& text);
    // Lines that answer the simulator's operator; printed even when quiet.
    static void Always(const std::string& text);

private:
    bool quiet_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

} // namespace orl::sim
