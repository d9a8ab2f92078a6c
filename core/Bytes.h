#pragma once
// Byte strings: protocol messages, received or composed. No character set ever
// touches them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orl {

using Bytes = std::vector<std::uint8_t>;

// "D6 7F 00" -> {0xD6, 0x7F, 0x00}; blanks between pairs are optional. Throws
// OrlError 13 (Type mismatch) on anything that is not a hex pair.
Bytes HexToBytes(std::string_view hex);
// {0xD6, 0x7F} -> "D6 7F"
std::string BytesToHex(const Bytes& bytes);

} // namespace orl
