#pragma once
// The switcher's wire vocabulary, in one place. Data bytes are 7-bit; command bytes
// have the high bit set; a framed message ends with 0xFF.

#include <cstdint>

namespace orl {

// The largest 14-bit value, both groups 0x7F: none, undefined or all (a source, a
// console, a count of records).
constexpr std::int16_t None = 16383;

} // namespace orl

namespace orl::wire {

constexpr std::uint8_t EndOfMessage = 0xFF;
constexpr std::uint8_t CommandBit = 0x80;
constexpr std::uint8_t DataMask = 0x7F;

// Single-byte link commands
constexpr std::uint8_t SwitcherOffline = 0xF1;
constexpr std::uint8_t LinkNoOp = 0xF3;
constexpr std::uint8_t PollAnswer = 0xF4; // switcher online
constexpr std::uint8_t Poll = 0xF5;

// Framed commands
constexpr std::uint8_t TypeRequest = 0x81; // also the type reply
constexpr std::uint8_t TypeRequestCode = 0x64;
constexpr std::uint8_t PanelType = 0x09;
constexpr std::uint8_t InformationReply = 0xD0;
constexpr std::uint8_t SourceChange = 0xD3;
constexpr std::uint8_t ChannelOnOff = 0xD6;
constexpr std::uint8_t DeviceIDInfo = 0xD9;
constexpr std::uint8_t GainChange = 0xE3;
constexpr std::uint8_t SwitcherType = 0xE5;
constexpr std::uint8_t InfoRequest = 0xF2;
constexpr std::uint8_t CrosspointMap = 0xF6;
constexpr std::uint8_t OptoRelayStates = 0xF7;
constexpr std::uint8_t AlphaTable = 0xFC;
constexpr std::uint8_t Take = 0xFE; // crosspoint change, simple take, opto change

// Tables and sub-types
constexpr int InputNameTable = 10;
constexpr int ConsoleNameTable = 70;
constexpr int InputChannelAttributes = 10; // sub-type of 0xD0
constexpr int OptoTable = 30;
constexpr int RelayTable = 40;

// Bits of the information request words
constexpr std::int32_t RequestCrosspointMap = 128;   // word 1
constexpr std::int32_t RequestInputNames = 256;      // word 1
constexpr std::int32_t RequestRelayStates = 65536;   // word 1
constexpr std::int32_t RequestOptoStates = 131072;   // word 1
constexpr std::int32_t RequestConsoleNames = 1;      // word 2
constexpr std::int32_t RequestChannelAttributes = 4; // word 2
constexpr std::int32_t RequestDeviceData = 256;      // word 2

// A console number that means every console, as None does in a channel report.
constexpr std::int16_t EveryConsole = 999;
// The channel status of an input switched on (0 is off).
constexpr std::uint8_t ChannelOnStatus = 64;

// Codes of the 0xFE opto change
enum class OptoChange : std::uint8_t {
    RelayOff = 64,
    RelayOn = 68,
    RelayPulse = 72,
    OptoOff = 96,
    OptoOn = 100,
};
constexpr int Code(OptoChange code) {
    return static_cast<int>(code);
}

// Gain positions: one position is 0.1 dB.
constexpr int ZeroDbPosition = 1024;

// Codes of the 0xFE simple take
constexpr int IFBPress = 37;
constexpr int IFBRelease = 33;

// Crosspoint change
constexpr int CrosspointAssign = 36;
constexpr int CrosspointRemove = 32;
constexpr int CrosspointModeBit = 2048;
constexpr int CrosspointAssignFlag = 1024;
constexpr std::int32_t OffBusExtraWord = 1179648; // 18 x 65536, OFFLN and CUE

constexpr bool IsCommand(std::uint8_t b) {
    return (b & CommandBit) != 0;
}

} // namespace orl::wire
