// Handlers of the state reports the switcher sends: channels switched on or off and the
// states of relays and optos.
#include "IncomingHandlers.h"

#include "Colours.h"
#include "FrameReader.h"
#include "HandlerSupport.h"
#include "Protocol.h"

#include <cstddef>

namespace orl {

using handler_support::ChecksumMatches;
using handler_support::RequireData;

namespace {

constexpr std::int32_t ResizingCount = 32;

enum ChannelState : std::uint8_t { StateOff = 0, StateOn = 1, CueOff = 2, CueOn = 3 };

} // namespace

void IncomingHandlers::ReceiveChannelOnOff(const Bytes& message) {
    try {
        if (!ChecksumMatches(message))
            return;
        FrameReader frame(message, 3);
        const int entries = frame.Byte();
        for (int r = 0; r < entries; ++r) {
            RequireData(frame, 5);
            const std::int32_t channel = frame.Value14();
            const std::int32_t console = frame.Value14();
            const std::uint8_t state = frame.Byte();
            const bool everyConsole = console == None || console == wire::EveryConsole;
            if (!everyConsole && console + 1 != v_.ConsoleNumber)
                continue;
            for (long long i = 0; i < v_.FaderCount; ++i) {
                if (channel + 1 != v_.FaderSource[i])
                    continue;
                const int strip = static_cast<int>(i);
                switch (state) {
                case StateOff:
                    window_.SetStripButtonColour(strip, StripButton::Off, ActiveColour);
                    window_.SetStripButtonColour(strip, StripButton::On, IdleColour);
                    v_.FaderOnState[i] = 0;
                    v_.DeviceIDs[v_.FaderDeviceID[i]].ChannelStatus = 0;
                    break;
                case StateOn:
                    window_.SetStripButtonColour(strip, StripButton::On, OnColour);
                    window_.SetStripButtonColour(strip, StripButton::Off, IdleColour);
                    v_.FaderOnState[i] = 1;
                    v_.DeviceIDs[v_.FaderDeviceID[i]].ChannelStatus = wire::ChannelOnStatus;
                    break;
                // A cue report: the CUE button and its flag follow it, so that the button's
                // next click assigns or removes as the switcher now has it.
                case CueOff:
                    v_.FaderOnCue[i] = false;
                    window_.SetStripButtonColour(strip, StripButton::Btn3, IdleColour);
                    break;
                case CueOn:
                    v_.FaderOnCue[i] = true;
                    window_.SetStripButtonColour(strip, StripButton::Btn3, ActiveColour);
                    break;
                default:
                    break;
                }
            }
        }
    } catch (...) {
        log_.ReportError("Error Receiving Channel On Off", "Switcher Message Error");
    }
}

void IncomingHandlers::ReceiveOptoRelayStates(const Bytes& message) {
    try {
        if (!ChecksumMatches(message))
            return;
        FrameReader frame(message);
        const int table = frame.Byte();
        const std::int32_t count = frame.Value14();

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
        for (std::int32_t r = 0; r < count; ++r) {
            RequireData(frame, 3);
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
