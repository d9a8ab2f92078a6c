#pragma once
// Byte strings: protocol messages, received or composed. No character set ever
// touches them.

#include <cstdint>
#include <string>
#include <vector>

namespace orl {

using Bytes = std::vector<std::uint8_t>;

// {0xD6, 0x7F} -> "D6 7F"
std::string BytesToHex(const Bytes& bytes);

} // namespace orl
