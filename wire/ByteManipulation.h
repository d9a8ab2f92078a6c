#pragma once
// Codec helpers of the wire format.

#include "Bytes.h"
#include "ReceiveBuffer.h"

#include <cstdint>

namespace orl {

// 7-bit sum of positions 1 .. (last position - excluded); an empty range gives 0.
std::uint8_t CheckSum(const Bytes& message, int excluded);

// Removes the first `count` bytes of the buffer and returns them; a count at or beyond
// the buffer's length takes everything.
Bytes TrimBuffer(ReceiveBuffer& buffer, long count);

} // namespace orl
