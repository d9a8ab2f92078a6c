// Handlers of the configuration tables the switcher sends in answer to the panel's
// information requests: name tables, crosspoint map, device data, input channel
// attributes and the switcher type.
#include "IncomingHandlers.h"

#include "FrameReader.h"
#include "HandlerSupport.h"
#include "Protocol.h"
#include "Values.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace orl {

using handler_support::ChecksumMatches;
using handler_support::RequireData;

namespace {

void ClearBits(std::int32_t& mask, std::int32_t bits) {
    mask &= ~bits;
}

constexpr std::int16_t LargestSource = 8192;
constexpr std::int16_t LargestGain = 2048;
constexpr std::int16_t UnityGain = 1024;
constexpr std::int32_t MaxBusEntries = 64;
constexpr std::int32_t MaxLinkedEntries = 32;
constexpr std::uint8_t LinkedMarker = 10;
constexpr std::uint8_t LinkMarkerFormat = 0x40;
constexpr std::uint8_t KindMask = 0x0F;
constexpr int KindWithValue3 = 10;
constexpr long long LastMappedBus = 8191;
constexpr int DeviceListMode = 10;
constexpr int DeviceListWithByteMode = 3;

} // namespace

void IncomingHandlers::ProcessAlphaTable(const Bytes& message) {
    try {
        if (!ChecksumMatches(message))
            return;
        FrameReader frame(message);
        const int table = frame.Byte();
        const std::size_t length = frame.Byte();
        const std::int32_t count = frame.Value14();
        const std::int32_t first = frame.Value14();
        if (message.size() != (length + 2) * static_cast<std::size_t>(count) + 9)
            return;

        // Names before the first record index stay empty: the frame's record h becomes name h.
        Table<std::string> names(static_cast<std::size_t>(count));
        for (std::int32_t h = first; h < count; ++h) {
            frame.SetPosition(7 + (length + 2) * static_cast<std::size_t>(h));
            std::string name;
            name.reserve(length);
            for (std::size_t c = 0; c < length; ++c)
                name.push_back(static_cast<char>(frame.Byte()));
            names[h] = std::move(name);
        }

        if (table == wire::InputNameTable) {
            v_.InputCount = ToInteger(static_cast<long long>(count));
            v_.InputNames = std::move(names);
            v_.InputChannels.Resize(static_cast<std::size_t>(count), InputChannelRecord{});
            ClearBits(v_.PendingRequestMask1, wire::RequestInputNames);
        } else if (table == wire::ConsoleNameTable) {
            v_.ConsoleNames = std::move(names);
            ClearBits(v_.PendingRequestMask2, wire::RequestConsoleNames);
        }
    } catch (...) {
        log_.ReportError("Error Processing Alpha Table", "Message Error");
    }
}

void IncomingHandlers::ProcessCrosspointMap(const Bytes& message) {
    try {
        if (!ChecksumMatches(message))
            return;
        FrameReader frame(message);
        const std::uint8_t format = frame.Byte();
        const std::int32_t count = frame.Value14();
        const std::int32_t first = frame.Value14();
        if (first > MaxDeviceID && first != None)
            return;
        const bool linkMarkers = (format & LinkMarkerFormat) != 0;
        const int kind = linkMarkers ? (format & KindMask) : format;

        // The switcher answers a whole-map request with every bus, so a map too small for
        // this answer is started afresh (at most 16383 + 16383 records).
        const std::size_t needed =
            static_cast<std::size_t>(first) + static_cast<std::size_t>(count);
        if (v_.CrosspointMap.size() < needed)
            v_.CrosspointMap.Recreate(needed);

        // Records are built as they are parsed; a bus record takes at least 3 bytes, so the
        // frame's own length bounds what is allocated, not its count.
        std::vector<CrosspointRecord> buses;
        buses.reserve(
            std::min<std::size_t>(static_cast<std::size_t>(count), frame.Remaining() / 3));
        for (std::int32_t b = 0; b < count; ++b) {
            const std::int32_t entries = frame.Value14();
            if (entries > MaxBusEntries)
                return;
            CrosspointRecord bus;
            auto& words = bus.Words;
            const std::uint8_t busByte = frame.Byte();
            words[CrosspointRecord::BusInfoWord] =
                ToInteger(static_cast<long long>(busByte | (entries << 8)));
            std::size_t plain = 0;
            std::size_t linked = 0;
            for (std::int32_t e = 0; e < entries; ++e) {
                const bool isLinked = linkMarkers && frame.Byte() == LinkedMarker;
                if (isLinked && linked == MaxLinkedEntries)
                    return;
                const std::int16_t value1 = ToInteger(static_cast<long long>(frame.Value14()));
                const std::int16_t value2 = ToInteger(static_cast<long long>(frame.Value14()));
                const bool hasValue3 = kind == KindWithValue3;
                const std::int16_t value3 = hasValue3
                                                ? ToInteger(static_cast<long long>(frame.Value14()))
                                                : std::int16_t{0};
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

void IncomingHandlers::ReceiveDeviceIDInfo(const Bytes& message) {
    try {
        if (!ChecksumMatches(message))
            return;
        FrameReader frame(message, 2);
        const int mode = frame.Byte();
        std::int32_t count = 0;
        std::int32_t first = 0;

        if (mode == DeviceListMode || mode == DeviceListWithByteMode) {
            frame.Value14(); // not used by the panel
            count = frame.Value14();
            const std::size_t entrySize = mode == DeviceListMode ? 2 : 3;
            for (std::int32_t e = 0; e < count; ++e)
                frame.Skip(entrySize);
        } else {
            count = frame.Value14();
            if (mode == 0)
                first = frame.Value14();
            const std::size_t words = frame.Byte();
            const std::size_t bytes = frame.Byte();
            const bool idPerEntry = mode == 1 || mode == 2;
            const std::size_t entrySize = (idPerEntry ? 2 : 0) + 2 * words + bytes;
            long long deviceID = 0;
            for (std::int32_t e = first; e < first + count; ++e) {
                RequireData(frame, entrySize);
                deviceID = idPerEntry ? frame.Value14() : e;
                DeviceIDRecord& device = v_.DeviceIDs[deviceID];
                for (std::size_t w = 1; w <= words; ++w) {
                    const std::int32_t value = frame.Value14();
                    if (w == 1)
                        device.Source = value > LargestSource && value != None
                                            ? None
                                            : ToInteger(static_cast<long long>(value));
                    else if (w == 3)
                        device.Gain = value > LargestGain
                                          ? UnityGain
                                          : ToInteger(static_cast<long long>(value));
                }
                for (std::size_t b = 1; b <= bytes; ++b) {
                    const std::uint8_t value = frame.Byte();
                    if (b == 2)
                        device.ChannelStatus = value;
                }
                device.RequestPending = false;
            }
            if (count == 1) {
                for (long long j = 0; j < v_.FaderCount; ++j)
                    if (v_.FaderDeviceID[j] == deviceID)
                        window_.UpdateActiveSource(static_cast<int>(j));
            }
        }

        if (!frame.ConsumedAllButChecksum())
            return;
        log_.WriteErrorLog("Received " + std::to_string(count) + " Device IDs Starting with " +
                               std::to_string(first),
                           "Switcher Message");
        v_.RequestRepeatCountdown = 60;
        if (first + count >= MaxDeviceID)
            ClearBits(v_.PendingRequestMask2, wire::RequestDeviceData);
        bool waiting = false;
        for (long long j = 0; j < v_.FaderCount && !waiting; ++j)
            waiting = v_.DeviceIDs[v_.FaderDeviceID[j]].RequestPending;
        if (!waiting)
            ClearBits(v_.PendingRequestMask2, wire::RequestDeviceData);
    } catch (...) {
        v_.UpdatingControls = false;
        log_.WriteErrorLog("Error Receiving Device ID Info", "Switcher Message Error");
    }
}

void IncomingHandlers::ProcessInfoReply(const Bytes& message) {
    FrameReader frame(message);
    if (frame.Value14() == wire::InputChannelAttributes)
        ReceiveInputChannelAttributes(message);
}

void IncomingHandlers::ReceiveInputChannelAttributes(const Bytes& message) {
    try {
        if (!ChecksumMatches(message)) {
            log_.WriteErrorLog("Check Sum Error", "Input Channel Attributes");
            return;
        }
        FrameReader frame(message, 3);
        const std::int32_t count = frame.Value14();
        const std::int32_t first = frame.Value14();

        // Built as parsed: an entry takes at least 2 bytes, so the frame bounds the records.
        std::vector<InputChannelRecord> channels;
        channels.reserve(
            std::min<std::size_t>(static_cast<std::size_t>(count), frame.Remaining() / 2));
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
        for (long long l = 0; l < v_.FaderCount; ++l)
            if (v_.InputChannels[static_cast<long long>(v_.FaderSource[l]) - 1].AttributesWanted)
                return;
        ClearBits(v_.PendingRequestMask2, wire::RequestChannelAttributes);
        v_.InchanRequestPending = false;
        v_.RequestRepeatCountdown = 60;
    } catch (...) {
        log_.ReportError("Error Receiving Input Channel Attributes", "Switcher Message Error");
        ClearBits(v_.PendingRequestMask2, wire::RequestChannelAttributes);
    }
}

void IncomingHandlers::ProcessSwitcherType(const Bytes& message) {
    try {
        if (message.empty() || !ChecksumMatches(message))
            return;
        FrameReader frame(message);
        if (frame.Byte() != 1 || message.size() != 10)
            return;
        frame.SetPosition(4);
        switcherType_ = frame.Value14();
    } catch (...) {
        log_.ReportError("Error Processing Switcher Type", "Message Error");
    }
}

} // namespace orl
