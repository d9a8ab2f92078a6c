#pragma once
// Where the link tells every message it sends and receives, for a person reading a trace
// (orl-console --trace). The link holds a pointer that is null unless a trace is wanted,
// so a panel without one pays a test of that pointer per message and nothing more.

#include "Bytes.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace orl {

class ILinkTrace {
public:
    virtual ~ILinkTrace() = default;
    // A message about to be written to the socket.
    virtual void Sent(const Bytes& message) = 0;
    // A message the decoder cut off the receive buffer, before it is handled.
    virtual void Received(const std::uint8_t* message, std::size_t length) = 0;
    // Received bytes the decoder threw away: `stray` data bytes before any command byte,
    // then `brokenOff` bytes of frames that a command byte broke off (or that never
    // ended). `bytes` holds the whole `stray + brokenOff`, or is null when they are gone.
    virtual void Dropped(const std::uint8_t* bytes, std::size_t stray, std::size_t brokenOff) = 0;
    // What happened to the connection: "connecting to 127.0.0.1:1250", "connected",
    // "closed: the server closed the connection", "switcher silent: 3 polls unanswered",
    // "switcher answering again".
    virtual void Event(const std::string& text) = 0;
};

} // namespace orl
