#pragma once
// The frames the simulated switcher composes, in the layouts the panel decodes, and the
// commands it reads from a panel. Every frame is built with FrameWriter and read with
// FrameReader; a reader returns nothing for a frame whose checksum, length or fixed
// bytes are wrong.

#include "Bytes.h"
#include "SwitcherModel.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace orl::sim {

// ---- composed by the switcher ----

Bytes TypeRequestFrame(); // 81 64 64 FF

// 0xFC: N = the records up to first + count (count 16383 = all), S = first.
Bytes NameTableFrame(int table, const std::vector<std::string>& names, int first, int count);
// 0xF6: one record per bus from `firstBus` (0-based), `count` of them (16383 = all).
Bytes CrosspointMapFrame(const SwitcherModel& model, int firstBus, int count);
// 0xF7 table 30 or 40. A whole table (count 16383) carries at least 32 entries, the
// channels beyond the switcher's reported off.
Bytes StateTableFrame(int table, const std::vector<std::uint8_t>& states, int first, int count);
Bytes StateChangeFrame(int table, int channel, bool on);
// 0xD9 mode 0: devices first .. first + count - 1 (16383 = up to device 8192), W 4, B 2.
Bytes DeviceRangeFrame(const SwitcherModel& model, int first, int count);
// 0xD9 mode 1: one device with its ID, W 4, B 2.
Bytes SingleDeviceFrame(const SwitcherModel& model, int deviceID);
// 0xD0 sub-type 10: input channels first .. first + count - 1, six words each.
Bytes InputChannelAttributesFrame(const SwitcherModel& model, int first, int count);

struct ChannelState {
    int input = 0;   // 0-based
    int console = 0; // 0-based; 16383 or 999 = every console
    int state = 0;   // 0 off, 1 on
};
// 0xD6 with one entry per state (at most 127).
Bytes ChannelReportFrame(const std::vector<ChannelState>& entries);

// ---- sent by a panel ----

struct TypeReply {
    int type = 0;
    int value = 0;
};
std::optional<TypeReply> ReadTypeReply(const Bytes& frame);

struct InfoRequest {
    std::int32_t word1 = 0;
    std::int32_t word2 = 0;
    int count = 0;
    int first = 0;
};
std::optional<InfoRequest> ReadInfoRequest(const Bytes& frame);

std::optional<std::vector<ChannelState>> ReadChannelOnOff(const Bytes& frame);

struct GainCommand {
    int parameter = 0;
    int deviceID = 0;
    int value = 0;
    int extra = None;
};
std::optional<GainCommand> ReadGainChange(const Bytes& frame);

struct SourceCommand {
    int deviceID = 0;
    int source = 0; // as sent: source - 1, 16383 for none
};
std::optional<SourceCommand> ReadSourceChange(const Bytes& frame);

struct CrosspointCommand {
    int mode = 0; // 3108 assign, 3104 remove
    int source = 0;
    int bus = 0;
    int deviceID = 0;
    int onFlag = 0;
    std::int32_t extraWord = 0;
    int gain = 0;
};
std::optional<CrosspointCommand> ReadCrosspointChange(const Bytes& frame); // 33 bytes

// The two 9-byte forms of 0xFE: opto change (code, channel, value) and simple take
// (code, first argument, second argument as one byte, 0).
struct ShortTake {
    int code = 0;
    int field1 = 0; // opto change: channel; simple take: first argument
    int field2 = 0; // opto change: value (14-bit); simple take: second argument
};
std::optional<ShortTake> ReadOptoChange(const Bytes& frame);
std::optional<ShortTake> ReadSimpleTake(const Bytes& frame);

} // namespace orl::sim
