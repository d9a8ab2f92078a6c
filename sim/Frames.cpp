#include "Frames.h"

#include "ByteManipulation.h"
#include "CommandLayouts.h"
#include "FrameReader.h"
#include "FrameWriter.h"
#include "Framing.h"
#include "Protocol.h"
#include "ReportLayouts.h"
#include "TableLayouts.h"

#include <algorithm>

namespace orl::sim {

namespace {

constexpr int MinimumWholeStateTable = 32; // the panel resizes its table only from 32 up
constexpr int DeviceWords = 4;
constexpr int DeviceBytes = 2;
constexpr int ChannelAttributeWords = 6;
constexpr int CrosspointFormat = 0; // kind 0: value 1 and value 2, no link markers

// The items first .. first + count - 1 that exist in a table of `size` (count 16383 = all).
int ItemsFrom(int first, int count, int size) {
    if (first < 0 || first >= size)
        return 0;
    return count == None ? size - first : std::clamp(count, 0, size - first);
}

void AppendDevice(FrameWriter& writer, const Device& device) {
    writer.Value14(device.source).Value14(0).Value14(device.gain).Value14(0);
    writer.Byte(0).Byte(device.status);
}

} // namespace

Bytes TypeRequestFrame() {
    return FrameWriter(wire::TypeRequest).Byte(wire::TypeRequestCode).Finish();
}

Bytes NameTableFrame(int table, const std::vector<std::string>& names, int first, int count) {
    const int size = static_cast<int>(names.size());
    const int records = count == None ? size : std::clamp(first + count, 0, size);
    FrameWriter writer(wire::AlphaTable);
    writer.Byte(table).Byte(NameLength).Value14(records).Value14(std::clamp(first, 0, records));
    for (int h = 0; h < records; ++h) {
        const std::string& name = names[static_cast<std::size_t>(h)];
        for (int c = 0; c < NameLength; ++c)
            writer.Byte(c < static_cast<int>(name.size())
                            ? static_cast<unsigned char>(name[static_cast<std::size_t>(c)])
                            : ' ');
        writer.Value14(h);
    }
    return writer.Finish();
}

Bytes CrosspointMapFrame(const SwitcherModel& model, int firstBus, int count) {
    const auto& buses = model.Buses();
    const int records = ItemsFrom(firstBus, count, static_cast<int>(buses.size()));
    FrameWriter writer(wire::CrosspointMap);
    writer.Byte(CrosspointFormat).Value14(records).Value14(std::clamp<int>(firstBus, 0, None));
    for (int b = firstBus; b < firstBus + records; ++b) {
        const auto& entries = buses[static_cast<std::size_t>(b)];
        writer.Value14(static_cast<long long>(entries.size())).Byte(b & wire::DataMask);
        for (const CrosspointEntry& entry : entries)
            writer.Value14(entry.deviceID).Value14(entry.companion);
    }
    return writer.Finish();
}

Bytes StateTableFrame(int table, const std::vector<std::uint8_t>& states, int first, int count) {
    const int size = static_cast<int>(states.size());
    const int reported =
        count == None ? std::max(size, MinimumWholeStateTable) : std::min<int>(size, None);
    const int entries = ItemsFrom(first, count, reported);
    FrameWriter writer(wire::OptoRelayStates);
    writer.Byte(table).Value14(entries);
    for (int c = first; c < first + entries; ++c)
        writer.Value14(c).Byte(c < size ? states[static_cast<std::size_t>(c)] : 0);
    return writer.Finish();
}

Bytes StateChangeFrame(int table, int channel, bool on) {
    return FrameWriter(wire::OptoRelayStates)
        .Byte(table)
        .Value14(1)
        .Value14(channel)
        .Byte(on ? 1 : 0)
        .Finish();
}

Bytes DeviceRangeFrame(const SwitcherModel& model, int first, int count) {
    const int devices = ItemsFrom(first, count, HighestDeviceID + 1);
    FrameWriter writer(wire::DeviceIDInfo);
    writer.Byte(0)
        .Byte(wire::d9::DeviceRangeMode)
        .Value14(devices)
        .Value14(std::clamp<int>(first, 0, None));
    writer.Byte(DeviceWords).Byte(DeviceBytes);
    for (int id = first; id < first + devices; ++id)
        AppendDevice(writer, model.DeviceAt(id));
    return writer.Finish();
}

Bytes SingleDeviceFrame(const SwitcherModel& model, int deviceID) {
    FrameWriter writer(wire::DeviceIDInfo);
    writer.Byte(0).Byte(wire::d9::IDPerEntryMode1).Value14(1).Byte(DeviceWords).Byte(DeviceBytes);
    writer.Value14(deviceID);
    AppendDevice(writer, model.DeviceAt(deviceID));
    return writer.Finish();
}

Bytes InputChannelAttributesFrame(const SwitcherModel& model, int first, int count) {
    const auto& channels = model.InputChannels();
    const int records = ItemsFrom(first, count, static_cast<int>(channels.size()));
    FrameWriter writer(wire::InformationReply);
    writer.Value14(wire::InputChannelAttributes)
        .Value14(records)
        .Value14(std::clamp<int>(first, 0, None));
    for (int i = first; i < first + records; ++i) {
        const InputChannel& channel = channels[static_cast<std::size_t>(i)];
        writer.Byte(ChannelAttributeWords);
        writer.Value14(i).Value14(0).Value14(0);
        writer.Value14(channel.ifbOutput).Value14(channel.onOpto).Value14(channel.offOpto);
        writer.Byte(0);
    }
    return writer.Finish();
}

Bytes ChannelReportFrame(const std::vector<ChannelState>& entries) {
    FrameWriter writer(wire::ChannelOnOff);
    writer.Byte(0x7F).Byte(0).Byte(static_cast<long long>(entries.size()));
    for (const ChannelState& entry : entries)
        writer.Value14(entry.input).Value14(entry.console).Byte(entry.state);
    return writer.Finish();
}

namespace {

// A frame whose length (and marker byte, where it has one) `fits` and whose checksum
// matches: `fill` reads its fields from `position` on. Any other frame gives nullopt.
template <typename Result, typename Fill>
std::optional<Result> ReadChecked(const Bytes& frame, bool fits, std::size_t position, Fill fill) {
    if (!fits || !wire::ChecksumMatches(frame))
        return std::nullopt;
    FrameReader reader(frame, position);
    Result result;
    fill(reader, result);
    return result;
}

} // namespace

std::optional<TypeReply> ReadTypeReply(const Bytes& frame) {
    return ReadChecked<TypeReply>(frame, frame.size() == wire::TypeReplyLength, 1,
                                  [](auto& reader, auto& reply) {
                                      reply.type = reader.Byte();
                                      reply.value = reader.Byte();
                                  });
}

std::optional<InfoRequest> ReadInfoRequest(const Bytes& frame) {
    return ReadChecked<InfoRequest>(frame, frame.size() == wire::f2::Length, 1,
                                    [](auto& reader, auto& request) {
                                        request.word1 = reader.Value28();
                                        request.word2 = reader.Value14();
                                        request.count = reader.Value14();
                                        request.first = reader.Value14();
                                    });
}

std::optional<std::vector<ChannelState>> ReadChannelOnOff(const Bytes& frame) {
    if (!wire::ChecksumMatches(frame))
        return std::nullopt;
    FrameReader reader(frame, wire::d6::EntryCount);
    const int count = reader.Byte();
    if (frame.size() != wire::d6::Length(static_cast<std::size_t>(count)))
        return std::nullopt;
    std::vector<ChannelState> entries;
    for (int r = 0; r < count; ++r) {
        ChannelState entry;
        entry.input = reader.Value14();
        entry.console = reader.Value14();
        entry.state = reader.Byte();
        entries.push_back(entry);
    }
    return entries;
}

std::optional<GainCommand> ReadGainChange(const Bytes& frame) {
    const bool fits =
        (frame.size() == wire::e3::Length || frame.size() == wire::e3::LengthWithExtra) &&
        frame[1] == wire::e3::Fixed1;
    return ReadChecked<GainCommand>(frame, fits, 2, [&](auto& reader, auto& command) {
        command.parameter = reader.Byte();
        reader.Value14(); // always 1
        command.deviceID = reader.Value14();
        command.value = reader.Value14();
        if (frame.size() == wire::e3::LengthWithExtra)
            command.extra = reader.Value14();
    });
}

std::optional<SourceCommand> ReadSourceChange(const Bytes& frame) {
    const bool fits =
        frame.size() == wire::d3::Length && frame[wire::d3::Fixed4Position] == wire::d3::Fixed4;
    return ReadChecked<SourceCommand>(frame, fits, wire::d3::DeviceID,
                                      [](auto& reader, auto& command) {
                                          command.deviceID = reader.Value14();
                                          command.source = reader.Value14();
                                      });
}

std::optional<CrosspointCommand> ReadCrosspointChange(const Bytes& frame) {
    return ReadChecked<CrosspointCommand>(
        frame, frame.size() == wire::crosspoint::Length, 1, [](auto& reader, auto& command) {
            command.mode = reader.Value14();
            command.source = reader.Value14();
            command.bus = reader.Value14();
            command.deviceID = reader.Value14();
            reader.Skip(2 + 2 + 4); // spare value, 16383, 7F 7F 7F 04
            command.onFlag = reader.Byte();
            reader.Skip(1);
            command.extraWord = reader.Value28();
            reader.Skip(2); // 1024 in place of level 1
            command.gain = reader.Value14();
        });
}

std::optional<ShortTake> ReadOptoChange(const Bytes& frame) {
    return ReadChecked<ShortTake>(frame, frame.size() == wire::take::Length, 1,
                                  [](auto& reader, auto& take) {
                                      take.code = reader.Value14();
                                      take.field1 = reader.Value14();
                                      take.field2 = reader.Value14();
                                  });
}

std::optional<ShortTake> ReadSimpleTake(const Bytes& frame) {
    return ReadChecked<ShortTake>(frame, frame.size() == wire::take::Length, 1,
                                  [](auto& reader, auto& take) {
                                      take.code = reader.Value14();
                                      take.field1 = reader.Value14();
                                      take.field2 = reader.Byte();
                                  });
}

} // namespace orl::sim
