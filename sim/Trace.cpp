#include "Trace.h"

#include "Describe.h"
#include "LineWriter.h"

#include <cstdio>
#include <unistd.h>

namespace orl::sim {

namespace {

LineWriter& Stdout() {
    static LineWriter writer(STDOUT_FILENO);
    return writer;
}

} // namespace

std::string DescribeFrame(const Bytes& frame) {
    if (frame.empty())
        return "nothing";
    return BytesToHex(Bytes{frame[0]}) + " " + wire::DescribeFrame(frame) + " [" +
           wire::HexExcerpt(frame) + "]";
}

void Trace::Line(const std::string& text) {
    if (!quiet_)
        Event(text);
}

void Trace::Event(const std::string& text) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%9.3f ", seconds);
    Stdout().Write(stamp + text);
}

void Trace::Always(const std::string& text) {
    Stdout().Write(text);
}

} // namespace orl::sim
