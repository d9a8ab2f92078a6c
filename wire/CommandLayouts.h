#pragma once
// The fixed bytes and lengths of the commands a panel sends, as the panel composes them
// and the simulator reads them. A fixed byte whose meaning is the switcher's is named
// FixedN after its position N.

#include "Protocol.h"

#include <cstddef>

namespace orl::wire {

constexpr std::size_t TypeReplyLength = 5; // 81 type value checksum FF

namespace f2 { // 0xF2 information request
constexpr std::size_t Length = 13;
} // namespace f2

namespace e3 { // 0xE3 gain
constexpr int Fixed1 = 0x02;
constexpr int Fixed3 = 1; // 14-bit
constexpr std::size_t Length = 11;
constexpr std::size_t LengthWithExtra = 13;
} // namespace e3

namespace d3 { // 0xD3 source change
constexpr int Fixed1 = 0x01;
constexpr int Fixed2 = 1; // 14-bit
constexpr std::size_t Fixed4Position = 4;
constexpr int Fixed4 = 0x05;
constexpr std::size_t DeviceID = 5;
constexpr int Fixed9 = 0x00;
constexpr std::size_t Length = 12;
} // namespace d3

namespace crosspoint {        // 0xFE crosspoint change
constexpr int Fixed11 = None; // 14-bit
constexpr int Fixed13 = 0x7F;
constexpr int Fixed14 = 0x7F;
constexpr int Fixed15 = 0x7F;
constexpr int Fixed16 = 0x04;
// 14-bit: the three level words around the gain, always unity. Level 1 goes before the
// gain, then level 3 and level 2 in that order.
constexpr int Level1 = 1024;
constexpr int Level3 = 1024;
constexpr int Level2 = 1024;
constexpr std::size_t Length = 33;
} // namespace crosspoint

namespace take {             // 0xFE simple take and opto change, the two short forms
constexpr int Fixed6 = 0x00; // simple take
constexpr std::size_t Length = 9;
} // namespace take

} // namespace orl::wire
