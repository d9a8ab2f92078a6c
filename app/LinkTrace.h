#pragma once
// orl-console --trace: every message the panel sends and receives, one line each, for the
// engineer who connects it to a server module:
//     12.345 <- D6 7F 00 01 01 00 00 00 01 02 FF  channel on/off: input 2 console 1 on
// the seconds since the start (to the millisecond), the direction (-> sent, <- received),
// the bytes in hex and what they say. Lines go to a file descriptor without ever holding
// up the window (LineWriter), and to the logging category orl.link when it is enabled.

#include "ILinkTrace.h"
#include "LineWriter.h"

#include <QLoggingCategory>

#include <chrono>
#include <memory>
#include <string>

Q_DECLARE_LOGGING_CATEGORY(orlLink)

namespace orl {

class LinkTrace : public ILinkTrace {
public:
    using Clock = std::chrono::steady_clock;
    // `fd` -1: the logging category alone.
    LinkTrace(int fd, Clock::time_point start);

    void Sent(const Bytes& message) override;
    void Received(const std::uint8_t* message, std::size_t length) override;
    void Dropped(const std::uint8_t* bytes, std::size_t stray, std::size_t brokenOff) override;
    // "12.345 -- connected": a connection event between the messages.
    void Event(const std::string& text) override;
    // A control surface's message: "<- OSC  /strip/2/on i 1 from 127.0.0.1:9000", or the
    // panel's state told to it ("->").
    void Surface(bool received, const std::string& text);

private:
    void Line(const char* direction, const std::string& hex, const std::string& meaning) noexcept;

    std::unique_ptr<LineWriter> writer_;
    Clock::time_point start_;
};

} // namespace orl
