// Handlers of the state reports the switcher sends: channels switched on or off and the
// states of relays and optos.
//
// The table above each handler lists its frame by position; a 14-bit field takes two
// bytes, low 7-bit group first.
#include "IncomingHandlers.h"

#include "FrameReader.h"
#include "HandlerSupport.h"
#include "Protocol.h"
#include "ReportLayouts.h"

#include <cstddef>

namespace orl {

using handler_support::ByteAt;
using handler_support::ChecksumMatches;
using handler_support::RequireData;
using handler_support::Value14At;

namespace {

constexpr std::int32_t ResizingCount = 32;

enum ChannelState : std::uint8_t { StateOff = 0, StateOn = 1, CueOff = 2, CueOn = 3 };

namespace d6 = wire::d6;
namespace f7 = wire::f7;

} // namespace

// D6 channel on/off report, n entries (the panel's own command is the same with one):
//   0            D6
//   1-2          not examined
//   3            n, the number of entries
//   4 + 5r       entry r: input channel, 14-bit, 0-based
//   6 + 5r       entry r: console, 14-bit, 0-based; 16383 and 999 mean every console
//   8 + 5r       entry r: state: 0 off, 1 on, 2 cue off, 3 cue on
//   4 + 5n       checksum
//   5 + 5n       FF
void IncomingHandlers::ReceiveChannelOnOff(const Bytes& message) {
    try {
        if (!ChecksumMatches(message))
            return;
        const int entries = ByteAt(message, d6::EntryCount);
        FrameReader frame(message, d6::FirstEntry);
        for (int r = 0; r < entries; ++r) {
            RequireData(frame, d6::EntrySize);
            const std::int32_t channel = frame.Value14();
            const std::int32_t console = frame.Value14();
            const std::uint8_t state = frame.Byte();
            const bool everyConsole = console == None || console == wire::EveryConsole;
            if (!everyConsole && console + 1 != v_.ConsoleNumber)
                continue;
            for (long long i = 0; i < v_.FaderCount; ++i) {
                if (channel + 1 != v_.FaderSource[i])
                    continue;
                switch (state) {
                case StateOff:
                case StateOn:
                    v_.FaderOnState[i] = state == StateOn ? 1 : 0;
                    ConfirmOnOffPress(v_, i);
                    // A strip on a device ID the switcher does not have still shows it.
                    if (v_.DeviceIDs.Contains(v_.FaderDeviceID[i]))
                        v_.DeviceIDs[v_.FaderDeviceID[i]].ChannelStatus =
                            state == StateOn ? wire::ChannelOnStatus : 0;
                    break;
                // A cue report: the CUE flag follows it, so that the button's next click
                // assigns or removes as the switcher now has it.
                case CueOff:
                case CueOn:
                    v_.FaderOnCue[i] = state == CueOn;
                    break;
                default:
                    continue;
                }
                window_.ShowChannelState(static_cast<int>(i));
            }
        }
    } catch (...) {
        log_.ReportError("Error Receiving Channel On Off", "Switcher Message Error");
    }
}

// F7 relay or opto states, n entries:
//   0            F7
//   1            table: 30 optos, 40 relays
//   2-3          n, the number of entries, 14-bit
//   4 + 3r       entry r: channel, 14-bit, 0-based (the index into the table)
//   6 + 3r       entry r: state (1 on)
//   4 + 3n       checksum
//   5 + 3n       FF
void IncomingHandlers::ReceiveOptoRelayStates(const Bytes& message) {
    try {
        if (!ChecksumMatches(message))
            return;
        const int table = ByteAt(message, f7::Table);
        const std::int32_t count = Value14At(message, f7::Count);

        // A report of 32 or more entries is a whole table: it sizes the table and answers the
        // request for it. Smaller reports are changes.
        std::int32_t answered = 0;
        if (count >= ResizingCount) {
            if (table == wire::OptoTable) {
                v_.OptoStates.Resize(static_cast<std::size_t>(count), 0);
                answered = wire::RequestOptoStates;
            } else if (table == wire::RelayTable) {
                v_.RelayStates.Resize(static_cast<std::size_t>(count), 0);
                answered = wire::RequestRelayStates;
            }
        }

        Table<std::int16_t>* states = table == wire::OptoTable    ? &v_.OptoStates
                                      : table == wire::RelayTable ? &v_.RelayStates
                                                                  : nullptr;
        FrameReader frame(message, f7::FirstEntry);
        for (std::int32_t r = 0; r < count; ++r) {
            RequireData(frame, f7::EntrySize);
            const std::int32_t channel = frame.Value14();
            const std::uint8_t value = frame.Byte();
            if (states != nullptr && states->Contains(channel))
                (*states)[channel] = value;
        }

        // Any report other than a whole opto or relay table leaves no request pending.
        if (answered == 0)
            v_.PendingRequestMask1 = 0;
        else
            v_.PendingRequestMask1 &= ~answered;
        window_.UpdateUserButtonTally();
    } catch (...) {
        log_.ReportError("Error Receiving Opto Relay States", "Switcher Message Error");
    }
}

} // namespace orl
