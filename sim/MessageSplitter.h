#pragma once
// Cuts the bytes a panel sends into messages: the single-byte link commands 0xF1, 0xF3,
// 0xF4 and 0xF5, and framed messages from a command byte to the end byte 0xFF. Stray
// data bytes, and a frame broken off by a command byte inside it, are dropped and
// counted. An unfinished frame waits for more bytes, but never grows without bound.

#include "Bytes.h"
#include "ReceiveBuffer.h"

#include <cstddef>
#include <optional>

namespace orl::sim {

class MessageSplitter {
public:
    // Longest unfinished frame kept; a panel's longest command is 33 bytes.
    static constexpr std::size_t MaxPendingFrame = 4096;

    void Append(const char* data, std::size_t count);
    // The next complete message, or nothing until more bytes arrive.
    std::optional<Bytes> Next();
    // Bytes dropped since the last call.
    std::size_t TakeDropped();

private:
    void Drop(std::size_t count);
    ReceiveBuffer buffer_;
    std::size_t dropped_ = 0;
};

} // namespace orl::sim
