#pragma once
// Where the fields of the switcher's state reports stand, by position from the command
// byte. The panel's own channel on/off command is the report's layout with one entry.

#include <cstddef>

namespace orl::wire {

namespace d6 { // 0xD6 channel on/off
constexpr std::size_t EntryCount = 3;
constexpr std::size_t FirstEntry = 4;
constexpr std::size_t EntrySize = 5; // input and console (14-bit each), state
constexpr int Fixed2 = 0x00;         // as the panel sends it
constexpr std::size_t Length(std::size_t entries) {
    return FirstEntry + EntrySize * entries + 2; // checksum and FF
}
} // namespace d6

namespace f7 { // 0xF7 relay and opto states
constexpr std::size_t Table = 1;
constexpr std::size_t Count = 2;
constexpr std::size_t FirstEntry = 4;
constexpr std::size_t EntrySize = 3; // channel (14-bit), state
} // namespace f7

} // namespace orl::wire
