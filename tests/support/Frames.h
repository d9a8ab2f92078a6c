#pragma once
// Frames as the switcher or a panel puts them on the wire, for tests to send and to
// expect. The checksum is computed here from the frame's own bytes, apart from the code
// under test: the 7-bit sum of every byte after the command byte, then the end byte 0xFF.

#include "Bytes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace orl {

// "D6 7F 00" -> {0xD6, 0x7F, 0x00} for a test to write bytes as text; blanks between
// pairs are optional. Anything that is not a hex pair throws std::invalid_argument.
Bytes HexToBytes(std::string_view hex);

} // namespace orl

namespace orl::test {

// The 7-bit sum of the bytes after the command byte of `frame` (no checksum on it yet).
std::uint8_t Checksum(const Bytes& frame);

// True when `frame` ends in the checksum of what stands before it and the end byte.
bool ChecksumOK(const Bytes& frame);

// Appends the checksum and the end byte to a frame built byte by byte.
Bytes Finish(Bytes frame);

// The hex text of a frame without checksum and end byte; both are appended.
Bytes Framed(std::string_view hex);

// The frames of `bytes` (each ended by 0xFF) as hex, joined by " | ".
std::string FramesHex(const Bytes& bytes);

// Appends a 14-bit value, low group first.
void Append14(Bytes& frame, int value);

// A frame built field by field from its command byte; Finish() adds checksum and end byte.
// Values are written as given, so a test can build what the other side must refuse.
class Frame {
public:
    explicit Frame(std::uint8_t command) : bytes_{command} {}
    Frame& Byte(int value);
    Frame& Value14(int value);
    Frame& Value28(long value); // four 7-bit groups, low group first
    Frame& Text(std::string_view text);
    Frame& Hex(std::string_view hex);
    Bytes Finish() const { return test::Finish(bytes_); }

private:
    Bytes bytes_;
};

} // namespace orl::test
