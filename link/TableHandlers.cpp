// Handlers of the configuration tables the switcher sends in answer to the panel's
// information requests: name tables, crosspoint map, device data, input channel
// attributes and the switcher type.
//
// The table above each handler lists its frame by position. A 14-bit field takes two
// bytes, low 7-bit group first; "0-based" marks a number that is one less than the
// panel's own (input n is 0-based n - 1).
#include "IncomingHandlers.h"

#include "FrameReader.h"
#include "HandlerSupport.h"
#include "Protocol.h"
#include "TCPComm.h"
#include "TableLayouts.h"
#include "Values.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace orl {

using handler_support::ByteAt;
using handler_support::ChecksumMatches;
using handler_support::FrameTrailer;
using handler_support::RequireData;
using handler_support::Value14At;

namespace {

void ClearBits(std::int32_t& mask, std::int32_t bits) {
    mask &= ~bits;
}

constexpr std::int16_t LargestSource = 8192;
constexpr std::int16_t LargestGain = 2048;
constexpr std::int16_t UnityGain = wire::ZeroDbPosition;
constexpr std::int32_t MaxBusEntries = 64;
constexpr std::int32_t MaxLinkedEntries = 32;
constexpr long long LastMappedBus = 8191;

namespace fc = wire::fc;
namespace f6 = wire::f6;
namespace d9 = wire::d9;
namespace d0 = wire::d0;
namespace e5 = wire::e5;

// One bus record of a crosspoint map, read at the frame's cursor into `bus`. False when
// the record drops the whole frame (more than 64 entries, more than 32 linked).
bool ReadBusRecord(FrameReader& frame, bool linkMarkers, int kind, CrosspointRecord& bus) {
    const std::int32_t entries = frame.Value14();
    if (entries > MaxBusEntries)
        return false;
    auto& words = bus.Words;
    const std::uint8_t busByte = frame.Byte();
    words[CrosspointRecord::BusInfoWord] =
        ToInteger(static_cast<long long>(busByte | (entries << 8)));
    std::size_t plain = 0;
    std::size_t linked = 0;
    for (std::int32_t e = 0; e < entries; ++e) {
        const bool isLinked = linkMarkers && frame.Byte() == f6::LinkedMarker;
        if (isLinked && linked == MaxLinkedEntries)
            return false;
        const std::int16_t value1 = ToInteger(static_cast<long long>(frame.Value14()));
        const std::int16_t value2 = ToInteger(static_cast<long long>(frame.Value14()));
        const bool hasValue3 = kind == f6::KindWithValue3;
        const std::int16_t value3 =
            hasValue3 ? ToInteger(static_cast<long long>(frame.Value14())) : std::int16_t{0};
        const std::size_t slot = isLinked ? linked++ : plain++;
        const std::size_t base1 = isLinked ? CrosspointRecord::LinkedValue1 : 0;
        const std::size_t base2 =
            isLinked ? CrosspointRecord::LinkedValue2 : CrosspointRecord::PlainValue2;
        const std::size_t base3 =
            isLinked ? CrosspointRecord::LinkedValue3 : CrosspointRecord::PlainValue3;
        words.at(base1 + slot) = value1;
        words.at(base2 + slot) = value2;
        if (hasValue3)
            words.at(base3 + slot) = value3;
    }
    words[CrosspointRecord::LinkedCountWord] = static_cast<std::int16_t>(linked);
    return true;
}

// The device entries of an 0xD9 frame in modes other than the lists, read at the frame's
// cursor (W and B first) and stored device by device. Returns the last device ID read.
long long ReadDeviceData(FrameReader& frame, int mode, std::int32_t first, std::int32_t count,
                         Table<DeviceIDRecord>& devices) {
    const std::size_t words = frame.Byte();
    const std::size_t bytes = frame.Byte();
    const bool idPerEntry = mode == d9::IDPerEntryMode1 || mode == d9::IDPerEntryMode2;
    const std::size_t entrySize =
        (idPerEntry ? d9::DeviceIDSize : 0) + d9::WordSize * words + bytes;
    long long deviceID = 0;
    for (std::int32_t e = first; e < first + count; ++e) {
        RequireData(frame, entrySize);
        deviceID = idPerEntry ? frame.Value14() : e;
        DeviceIDRecord& device = devices[deviceID];
        for (std::size_t w = 0; w < words; ++w) {
            const std::int32_t value = frame.Value14();
            if (w == d9::SourceWord)
                device.Source = value > LargestSource && value != None
                                    ? None
                                    : ToInteger(static_cast<long long>(value));
            else if (w == d9::GainWord)
                device.Gain =
                    value > LargestGain ? UnityGain : ToInteger(static_cast<long long>(value));
        }
        for (std::size_t b = 0; b < bytes; ++b) {
            const std::uint8_t value = frame.Byte();
            if (b == d9::StatusByte)
                device.ChannelStatus = value;
        }
        device.RequestPending = false;
    }
    return deviceID;
}

} // namespace

// FC name table (input names: table 10, console names: table 70):
//   0                FC
//   1                table
//   2                L, the length of every name
//   3-4              N, the number of records, 14-bit
//   5-6              S, the first record index, 14-bit, 0-based
//   7 + (L + 2) x h  record h: L bytes of name, one 8-bit character each, then a 14-bit
//                    value the panel does not use
//   7 + (L + 2) x N  checksum
//   last             FF
// A frame of any length other than (L + 2) x N + 9 is dropped.
void IncomingHandlers::ProcessAlphaTable(const Bytes& message) {
    try {
        if (!ChecksumMatches(message))
            return;
        const int table = ByteAt(message, fc::Table);
        const std::size_t length = ByteAt(message, fc::NameLength);
        const std::int32_t count = Value14At(message, fc::Count);
        const std::int32_t first = Value14At(message, fc::First);
        const std::size_t recordSize = length + fc::RecordValueSize;
        if (message.size() !=
            fc::FirstRecord + recordSize * static_cast<std::size_t>(count) + FrameTrailer)
            return;

        // Names before the first record index stay empty: the frame's record h becomes name h.
        Table<std::string> names(static_cast<std::size_t>(count));
        for (std::int32_t h = first; h < count; ++h) {
            FrameReader frame(message, fc::FirstRecord + recordSize * static_cast<std::size_t>(h));
            std::string name;
            name.reserve(length);
            for (std::size_t c = 0; c < length; ++c)
                name.push_back(static_cast<char>(frame.Byte()));
            names[h] = std::move(name);
        }

        if (table == wire::InputNameTable) {
            v_.InputCount = ToInteger(static_cast<long long>(count));
            v_.InputNames = std::move(names);
            // An input the switcher has not described yet drives no opto and no IFB output.
            v_.InputChannels.Resize(static_cast<std::size_t>(count),
                                    InputChannelRecord{None, None, None, false});
            ClearBits(v_.PendingRequestMask1, wire::RequestInputNames);
        } else if (table == wire::ConsoleNameTable) {
            v_.ConsoleNames = std::move(names);
            ClearBits(v_.PendingRequestMask2, wire::RequestConsoleNames);
        }
    } catch (...) {
        log_.ReportError("Error Processing Alpha Table", "Message Error");
    }
}

// F6 crosspoint map, one record per bus:
//   0            F6
//   1            format F: with the bit 40 set every entry starts with a link marker and
//                the kind is F AND 0F; otherwise the kind is F
//   2-3          N, the number of bus records, 14-bit
//   4-5          S, the first bus, 14-bit, 0-based: 0 to 8192, or 16383
//   6            the N bus records, one after the other
//   length - 2   checksum
//   last         FF
// Bus record: t, the number of entries (14-bit, at most 64); the bus byte; then t entries
// of: a link marker byte (only with the format bit 40; 10 marks a linked entry, at most
// 32 of them), value 1 (14-bit), value 2 (14-bit), value 3 (14-bit, kind 10 only).
void IncomingHandlers::ProcessCrosspointMap(const Bytes& message) {
    try {
        if (!ChecksumMatches(message))
            return;
        const std::uint8_t format = ByteAt(message, f6::Format);
        const std::int32_t count = Value14At(message, f6::Count);
        const std::int32_t first = Value14At(message, f6::First);
        if (first > MaxDeviceID && first != None)
            return;
        const bool linkMarkers = (format & f6::LinkMarkerFormat) != 0;
        const int kind = linkMarkers ? (format & f6::KindMask) : format;

        // The switcher answers a whole-map request with every bus, so a map too small for
        // this answer is started afresh (at most 16383 + 16383 records).
        const std::size_t needed =
            static_cast<std::size_t>(first) + static_cast<std::size_t>(count);
        if (v_.CrosspointMap.size() < needed)
            v_.CrosspointMap.Recreate(needed);

        // Records are built as they are parsed; the smallest bus record bounds what is
        // allocated by the frame's own length, not by its count.
        FrameReader frame(message, f6::FirstBusRecord);
        std::vector<CrosspointRecord> buses;
        buses.reserve(std::min<std::size_t>(static_cast<std::size_t>(count),
                                            frame.Remaining() / f6::SmallestBusRecord));
        for (std::int32_t b = 0; b < count; ++b) {
            CrosspointRecord bus;
            if (!ReadBusRecord(frame, linkMarkers, kind, bus))
                return;
            buses.push_back(bus);
        }
        if (!frame.ConsumedAllButChecksum())
            return;

        for (std::size_t b = 0; b < buses.size(); ++b) {
            const long long index = first + static_cast<long long>(b);
            if (index > LastMappedBus)
                break;
            v_.CrosspointMap[index] = buses[b];
        }
        window_.UpdateBussButtonTally();
        ClearBits(v_.PendingRequestMask1, wire::RequestCrosspointMap);
    } catch (...) {
        log_.ReportError("Error Processing Crosspoint map", "Message Error");
    }
}

// D9 device ID information; the mode m at position 2 says which layout follows.
// Device data (modes 0, 1, 2, and any mode but the lists):
//   0            D9
//   1            not examined
//   2            m
//   3-4          N, the number of devices, 14-bit
//   5-6          mode 0 only: S, the first device ID, 14-bit (devices S to S + N - 1;
//                other modes count S as 0)
//   5 (7)        W, the number of 14-bit words per device (at 7 in mode 0)
//   6 (8)        B, the number of bytes per device (at 8 in mode 0)
//   then         N entries: in modes 1 and 2 the device ID (14-bit) first; then W words
//                (word 1 the source, 0-based; word 3 the gain), then B bytes (byte 2 the
//                channel status, 64 on)
//   length - 2   checksum
//   last         FF
// Device lists, modes 10 and 3 (nothing of them is kept):
//   3-4          not used, 14-bit
//   5-6          n, the number of entries, 14-bit
//   7            n entries: a device ID (14-bit), in mode 3 followed by one more byte
//   7 + 2n (3n)  checksum, then FF
void IncomingHandlers::ReceiveDeviceIDInfo(const Bytes& message) {
    try {
        if (!ChecksumMatches(message))
            return;
        const int mode = ByteAt(message, d9::Mode);
        // Only the answer to the panel's own request is logged line by line.
        const bool requested = (v_.PendingRequestMask2 & wire::RequestDeviceData) != 0;
        std::int32_t count = 0;
        std::int32_t first = 0;
        FrameReader frame(message);

        if (mode == d9::DeviceListMode || mode == d9::DeviceListWithByteMode) {
            count = Value14At(message, d9::ListCount);
            frame.SetPosition(d9::FirstListEntry);
            const std::size_t entrySize =
                mode == d9::DeviceListMode ? d9::ListEntrySize : d9::ListEntryWithByteSize;
            for (std::int32_t e = 0; e < count; ++e)
                frame.Skip(entrySize);
        } else {
            count = Value14At(message, d9::Count);
            if (mode == d9::DeviceRangeMode)
                first = Value14At(message, d9::First);
            frame.SetPosition(mode == d9::DeviceRangeMode ? d9::SizesAfterFirst : d9::Sizes);
            const long long deviceID = ReadDeviceData(frame, mode, first, count, v_.DeviceIDs);
            // A single device's data refreshes every strip on that device: its source, then
            // its gain and ON/OFF as the start-up sets them.
            if (count == 1) {
                for (long long j = 0; j < v_.FaderCount; ++j)
                    if (v_.FaderDeviceID[j] == deviceID) {
                        // The switcher's word on the channel replaces a press's.
                        ConfirmOnOffPress(v_, j);
                        window_.UpdateActiveSource(static_cast<int>(j));
                        window_.InitSlider(static_cast<int>(j));
                    }
            }
        }

        if (!frame.ConsumedAllButChecksum())
            return;
        if (requested)
            log_.WriteErrorLog("Received " + std::to_string(count) + " Device IDs Starting with " +
                                   std::to_string(first),
                               "Switcher Message");
        else
            NoteUnrequestedDeviceData();
        v_.RequestRepeatCountdown = TCPComm::RequestRepeatReload;
        if (first + count >= MaxDeviceID)
            ClearBits(v_.PendingRequestMask2, wire::RequestDeviceData);
        // A strip on a device ID the switcher cannot have was never asked for.
        bool waiting = false;
        for (long long j = 0; j < v_.FaderCount && !waiting; ++j)
            waiting = v_.DeviceIDs.Contains(v_.FaderDeviceID[j]) &&
                      v_.DeviceIDs[v_.FaderDeviceID[j]].RequestPending;
        if (!waiting)
            ClearBits(v_.PendingRequestMask2, wire::RequestDeviceData);
    } catch (...) {
        v_.UpdatingControls = false;
        log_.WriteErrorLog("Error Receiving Device ID Info", "Switcher Message Error");
    }
}

void IncomingHandlers::NoteUnrequestedDeviceData() {
    ++unrequestedDeviceData_;
    const auto now = clock_();
    if (summarised_ && now - lastSummary_ < SummaryInterval)
        return;
    log_.WriteErrorLog(std::to_string(unrequestedDeviceData_) + " device data messages received",
                       "Switcher Message");
    unrequestedDeviceData_ = 0;
    lastSummary_ = now;
    summarised_ = true;
}

// D0 information reply: positions 1-2 hold a 14-bit sub-type; only 10 is handled.
void IncomingHandlers::ProcessInfoReply(const Bytes& message) {
    if (Value14At(message, d0::SubType) == wire::InputChannelAttributes)
        ReceiveInputChannelAttributes(message);
}

// D0 input channel attributes:
//   0            D0
//   1-2          10, 14-bit (0A 00)
//   3-4          N, the number of input channels, 14-bit
//   5-6          S, the first input channel, 14-bit, 0-based
//   7            N entries, one after the other: a (one byte), a words (14-bit; words 4,
//                5 and 6 are the IFB output, the on opto and the off opto), k (one byte),
//                k extra bytes
//   length - 2   checksum
//   last         FF
void IncomingHandlers::ReceiveInputChannelAttributes(const Bytes& message) {
    try {
        if (!ChecksumMatches(message)) {
            log_.WriteErrorLog("Check Sum Error", "Input Channel Attributes");
            return;
        }
        const std::int32_t count = Value14At(message, d0::Count);
        const std::int32_t first = Value14At(message, d0::First);
        FrameReader frame(message, d0::FirstEntry);

        // Built as parsed: the smallest entry bounds the records by the frame's length.
        std::vector<InputChannelRecord> channels;
        channels.reserve(std::min<std::size_t>(static_cast<std::size_t>(count),
                                               frame.Remaining() / d0::SmallestEntry));
        for (std::int32_t c = 0; c < count; ++c) {
            InputChannelRecord record;
            const std::size_t words = frame.Byte();
            for (std::size_t w = 1; w <= words; ++w) {
                const std::int32_t value = frame.Value14();
                if (w == 4)
                    record.IFBOutput = ToInteger(static_cast<long long>(value));
                else if (w == 5)
                    record.OnOpto = ToInteger(static_cast<long long>(value));
                else if (w == 6)
                    record.OffOpto = ToInteger(static_cast<long long>(value));
            }
            frame.Skip(frame.Byte());
            channels.push_back(record);
        }
        if (!frame.ConsumedAllButChecksum()) {
            ClearBits(v_.PendingRequestMask2, wire::RequestChannelAttributes);
            return;
        }

        for (std::size_t c = 0; c < channels.size(); ++c)
            v_.InputChannels[first + static_cast<long long>(c)] = channels[c];
        log_.WriteErrorLog("Received " + std::to_string(count) + " InChan Starting with " +
                               std::to_string(first),
                           "Switcher Message");
        if (first + count >= v_.InputCount)
            ClearBits(v_.PendingRequestMask2, wire::RequestChannelAttributes);
        // A strip without a source waits for no attributes.
        for (long long l = 0; l < v_.FaderCount; ++l) {
            const std::int16_t source = v_.FaderSource[l];
            if (source != None && v_.InputChannels[source - 1LL].AttributesWanted)
                return;
        }
        ClearBits(v_.PendingRequestMask2, wire::RequestChannelAttributes);
        v_.InchanRequestPending = false;
        v_.RequestRepeatCountdown = TCPComm::RequestRepeatReload;
    } catch (...) {
        log_.ReportError("Error Receiving Input Channel Attributes", "Switcher Message Error");
        ClearBits(v_.PendingRequestMask2, wire::RequestChannelAttributes);
    }
}

// E5 switcher type, 10 bytes:
//   0            E5
//   1            01
//   2-3          not examined
//   4-5          the switcher type, 14-bit
//   6-7          not examined
//   8            checksum
//   9            FF
void IncomingHandlers::ProcessSwitcherType(const Bytes& message) {
    try {
        if (message.empty() || !ChecksumMatches(message))
            return;
        if (ByteAt(message, e5::Format) != e5::AcceptedFormat || message.size() != e5::Length)
            return;
        switcherType_ = Value14At(message, e5::SwitcherType);
    } catch (...) {
        log_.ReportError("Error Processing Switcher Type", "Message Error");
    }
}

} // namespace orl
