#pragma once
// Where the fields of the switcher's configuration tables stand, by position from the
// command byte, and the modes and sizes that choose a layout. The panel's handlers, the
// trace describer and the simulator all read them from here.

#include <cstddef>

namespace orl::wire {

namespace fc { // 0xFC name table
constexpr std::size_t Table = 1;
constexpr std::size_t NameLength = 2;
constexpr std::size_t Count = 3;
constexpr std::size_t First = 5;
constexpr std::size_t FirstRecord = 7;
constexpr std::size_t RecordValueSize = 2; // the 14-bit value after each name
} // namespace fc

namespace f6 { // 0xF6 crosspoint map
constexpr std::size_t Format = 1;
constexpr std::size_t Count = 2;
constexpr std::size_t First = 4;
constexpr std::size_t FirstBusRecord = 6;
constexpr std::size_t SmallestBusRecord = 3; // entry count and bus byte
// The format byte: its low four bits are the kind of entry (kind 10 carries a third
// value), bit 0x40 puts a marker byte before each entry (10: a linked entry).
constexpr int KindMask = 0x0F;
constexpr int KindWithValue3 = 10;
constexpr int LinkMarkerFormat = 0x40;
constexpr int LinkedMarker = 10;
} // namespace f6

namespace d9 { // 0xD9 device ID information
constexpr std::size_t Mode = 2;
constexpr std::size_t Count = 3;
constexpr std::size_t First = 5;                 // mode 0
constexpr std::size_t Sizes = 5;                 // W and B, modes other than 0
constexpr std::size_t SizesAfterFirst = 7;       // W and B, mode 0
constexpr std::size_t ListCount = 5;             // modes 10 and 3
constexpr std::size_t FirstListEntry = 7;        // modes 10 and 3
constexpr std::size_t ListEntrySize = 2;         // mode 10
constexpr std::size_t ListEntryWithByteSize = 3; // mode 3
constexpr std::size_t DeviceIDSize = 2;          // before each entry in modes 1 and 2
constexpr std::size_t WordSize = 2;              // each of the W words
// Modes: data of devices S to S + N - 1; data with each device's ID first (1 and 2);
// lists of device IDs (10), each followed by one more byte (3).
constexpr int DeviceRangeMode = 0;
constexpr int IDPerEntryMode1 = 1;
constexpr int IDPerEntryMode2 = 2;
constexpr int DeviceListMode = 10;
constexpr int DeviceListWithByteMode = 3;
// The words and bytes of one device's data: source, a spare word, gain, ...; the status
// byte is the second of the bytes.
constexpr int SourceWord = 0;
constexpr int GainWord = 2;
constexpr int SmallestWords = 3;
constexpr int StatusByte = 1;
constexpr int SmallestBytes = 2;
} // namespace d9

namespace d0 { // 0xD0 information reply
constexpr std::size_t SubType = 1;
constexpr std::size_t Count = 3;
constexpr std::size_t First = 5;
constexpr std::size_t FirstEntry = 7;
constexpr std::size_t SmallestEntry = 2; // no words, no extra bytes
} // namespace d0

namespace e5 { // 0xE5 switcher type
constexpr std::size_t Format = 1;
constexpr int AcceptedFormat = 1;
constexpr std::size_t SwitcherType = 4;
constexpr std::size_t Length = 10;
} // namespace e5

} // namespace orl::wire
