#pragma once
// The framing rule of the wire, for both ends of the link: a command byte starts a
// message; 0xF1, 0xF3, 0xF4 and 0xF5 are messages of one byte; any other command byte
// starts a frame that the end byte 0xFF closes, and a lone 0xFF is a message of its own.
// Data bytes before a command byte are stray; a frame that a command byte breaks off
// before its end byte is dropped with them.

#include "Bytes.h"
#include "ReceiveBuffer.h"

#include <cstddef>
#include <cstdint>

namespace orl::wire {

bool IsSingleByteCommand(std::uint8_t b);

// True when the byte before the end byte is the 7-bit sum of the bytes between the
// command byte and it. A frame shorter than command, checksum and end byte has no
// checksum and never matches. The end byte itself is not looked at.
bool ChecksumMatches(const Bytes& frame);

// What lies at the front of a receive buffer.
struct MessageFront {
    std::size_t stray = 0;  // stray data bytes before the first command byte
    std::size_t junk = 0;   // stray bytes and broken-off frames before the message
    std::size_t length = 0; // the message after the junk; 0 when none or unfinished
};

// One pass over the buffer in which each byte is looked at once, however many broken
// frames lie in front; an unfinished frame is looked through only from where the last
// look stopped (the buffer's Examined count).
MessageFront ExamineFront(const ReceiveBuffer& buffer);

// Keeps the unfinished frame at the front for the next look and remembers that it has
// been looked through. One longer than `limit` never ends: it is dropped, and the count of
// bytes dropped is returned.
std::size_t HoldUnfinished(ReceiveBuffer& buffer, std::size_t limit);

} // namespace orl::wire
