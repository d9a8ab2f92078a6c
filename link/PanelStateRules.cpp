#include "PanelStateRules.h"

#include "OrlError.h"

namespace orl {

bool BusCarriesDevice(const CrosspointRecord& bus, std::int16_t deviceID) {
    const auto info = static_cast<std::uint16_t>(bus.Words[CrosspointRecord::BusInfoWord]);
    const int count = info >> 8;
    const long long linked = static_cast<long long>(deviceID) + 8192;
    for (int k = 0; k < count; ++k) {
        // Plain entries occupy the words before the bus information word.
        if (k >= CrosspointRecord::BusInfoWord)
            ThrowSubscript();
        const std::int16_t entry = bus.Words[static_cast<std::size_t>(k)];
        if (entry == deviceID || entry == linked)
            return true;
    }
    return false;
}

void AssignBusFlags(Variables& v, int strip) {
    struct Bus {
        std::int16_t number;
        Table<bool>& flag;
    };
    const Bus buses[] = {{v.ProgramBus, v.FaderOnProgram},
                         {v.OfflineBus, v.FaderOnOffline},
                         {v.CueBus, v.FaderOnCue}};
    for (const Bus& b : buses) {
        b.flag[strip] = false;
        if (b.number >= 1 && b.number - 1 <= v.CrosspointMap.UBound() &&
            BusCarriesDevice(v.CrosspointMap[b.number - 1], v.FaderDeviceID[strip]))
            b.flag[strip] = true;
    }
}

namespace {

// A tally channel counts only when it names an element of the state table: channel n is
// read at index n - 1, so the last relay or opto of a table shows its tally too.
bool Counts(const Table<std::int16_t>& states, std::int16_t channel) {
    return channel >= 1 && states.Contains(channel - 1);
}

bool IsOn(const Table<std::int16_t>& states, std::int16_t channel) {
    return states[channel - 1] == 1;
}

} // namespace

std::optional<bool> TakeReportedState(Variables& v, int k) {
    if (k < 0 || k >= static_cast<int>(v.UserButtons.size()))
        ThrowSubscript();
    UserButtonRecord& b = v.UserButtons[static_cast<std::size_t>(k)];
    switch (static_cast<UserButtonType>(b.ButtonType)) {
    case UserButtonType::RelayToggle:
    case UserButtonType::RelayFollows:
    case UserButtonType::RelayMomentary:
        if (!Counts(v.RelayStates, b.Channel1))
            return std::nullopt;
        b.RelayState = IsOn(v.RelayStates, b.Channel1) ? 1 : 0;
        return b.RelayState == 1;
    case UserButtonType::RelayToggleOptoTally:
    case UserButtonType::RelayFollowsOptoTally:
    case UserButtonType::RelayMomentaryOptoTally:
        if (!Counts(v.OptoStates, b.Channel2))
            return std::nullopt;
        return IsOn(v.OptoStates, b.Channel2);
    case UserButtonType::OptoToggle:
    case UserButtonType::OptoFollows:
        if (!Counts(v.OptoStates, b.Channel1))
            return std::nullopt;
        b.OptoState = IsOn(v.OptoStates, b.Channel1) ? 1 : 0;
        return b.OptoState == 1;
    case UserButtonType::OptoToggleOptoTally:
    case UserButtonType::OptoFollowsOptoTally: {
        // The tally from the second channel, the toggle's state from the first.
        if (Counts(v.OptoStates, b.Channel1))
            b.OptoState = IsOn(v.OptoStates, b.Channel1) ? 1 : 0;
        if (!Counts(v.OptoStates, b.Channel2))
            return std::nullopt;
        return IsOn(v.OptoStates, b.Channel2);
    }
    default:
        return false;
    }
}

} // namespace orl
