#pragma once
// Codec helpers of the wire format.

#include "Bytes.h"
#include "ReceiveBuffer.h"

#include <cstdint>

namespace orl {

// low + 128 x high; a result above 32767 throws OrlError 6.
std::int16_t BytesToValue(std::uint8_t low, std::uint8_t high);

// 7-bit sum of positions 1 .. (last position - excluded); an empty range gives 0.
std::uint8_t CheckSum(const Bytes& message, int excluded);

// 1-based position of the first 0xFF (the length of the first message); 0 when none.
long FindEOM(const ReceiveBuffer& buffer);

// Removes the first `count` bytes of the buffer and returns them; a count at or beyond
// the buffer's length takes everything.
Bytes TrimBuffer(ReceiveBuffer& buffer, long count);

} // namespace orl
