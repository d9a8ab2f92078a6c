#pragma once
// What a message of the wire says, in a few words, for a person reading a trace: the
// panel's --trace and the simulator's trace read frames with the same words. Any bytes
// are described without throwing; a frame cut short says so.

#include "Bytes.h"

#include <string>

namespace orl::wire {

// "channel on/off: input 2 console 1 on": the meaning, without the command byte. A frame
// whose checksum does not match gets " (checksum wrong)".
std::string DescribeFrame(const Bytes& frame);

// The bytes in hex; a long frame shows its first bytes and its length:
// "FC 0A 08 ... (265 bytes)".
std::string HexExcerpt(const Bytes& bytes);

} // namespace orl::wire
