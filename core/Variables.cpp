#include "Variables.h"

#include "Values.h"

namespace orl {

void RecreateFaderArrays(Variables& v, std::size_t count) {
    v.FaderDeviceID.Recreate(count, 0);
    v.FaderSource.Recreate(count, 0);
    v.FaderGain.Recreate(count, 0);
    v.FaderOnState.Recreate(count, 0);
    v.FaderOnProgram.Recreate(count, false);
    v.FaderOnOffline.Recreate(count, false);
    v.FaderOnCue.Recreate(count, false);
    v.FaderOnStateBeforePress.Recreate(count, NoPressPending);
    v.FaderIFBHeld.Recreate(count, None);
}

void ResizeFaderArrays(Variables& v, std::size_t count) {
    v.FaderDeviceID.Resize(count, 0);
    v.FaderSource.Resize(count, 0);
    v.FaderGain.Resize(count, 0);
    v.FaderOnState.Resize(count, 0);
    v.FaderOnProgram.Resize(count, false);
    v.FaderOnOffline.Resize(count, false);
    v.FaderOnCue.Resize(count, false);
    v.FaderOnStateBeforePress.Resize(count, NoPressPending);
    v.FaderIFBHeld.Resize(count, None);
}

void ProgramSetup(Variables& v, const std::string& appPath) {
    v.AppPath = appPath;
    if (v.AppPath.empty() || v.AppPath.back() != '/')
        v.AppPath += '/';
    v.StartupStep = 0;
    v.ConfigurationUnread = false;
    v.ConfigurationFailedItem.clear();
    v.Configured = false;
    v.InchanRequestPending = false;
    v.StayOnTopMode = StayOnTop;
    v.ConsoleNumber = 0;
    v.FaderCount = 1;
    v.LoadedFaderCount = 1;
    v.EnableSourceSelect = true;
    // Every per-fader array exists before any fader is touched, not only FaderDeviceID.
    RecreateFaderArrays(v, 1);
    v.UserName.clear();
    v.Password.clear();
    v.CrosspointMap.Recreate(1);
    v.InputCount = 256;
    v.RelayCount = 256;
    v.InputNames.Recreate(256);
    v.InputChannels.Recreate(static_cast<std::size_t>(v.InputCount));
    v.ConsoleNames.Recreate(256);
    v.RelayStates.Recreate(static_cast<std::size_t>(v.RelayCount), 0);
    v.OptoStates.Recreate(static_cast<std::size_t>(v.InputCount), 0);
    for (int n = 1; n <= v.InputCount; ++n) {
        v.InputNames[n - 1] = "Inpt" + FormatDigits(n, 4);
        // Until the switcher describes an input, its IFB button takes nowhere.
        v.InputChannels[n - 1].IFBOutput = None;
        v.InputChannels[n - 1].OnOpto = None;
        v.InputChannels[n - 1].OffOpto = None;
    }
    for (int n = 1; n <= 256; ++n)
        v.ConsoleNames[n - 1] = "Console " + FormatDigits(n, 3);
    for (auto& button : v.UserButtons) {
        button.ButtonType = TypeCode(UserButtonType::Undefined);
        button.Label = "Inactive";
        button.Channel1 = None;
        button.Channel2 = None;
    }
    v.RefreshRate = 1;
    v.TimeOut = 200;
    v.IPPort = 1250;
}

void InitDeviceIDs(Variables& v) {
    for (long long i = 0; i < v.FaderCount && v.FaderDeviceID.Contains(i); ++i) {
        const long long id = v.FaderDeviceID[i];
        if (!v.DeviceIDs.Contains(id))
            return;
        v.DeviceIDs[id].RequestPending = true;
    }
}

void NoteOnOffPress(Variables& v, long long strip) {
    if (v.FaderOnStateBeforePress[strip] == NoPressPending)
        v.FaderOnStateBeforePress[strip] = v.FaderOnState[strip];
}

void ConfirmOnOffPress(Variables& v, long long strip) {
    if (v.FaderOnStateBeforePress.Contains(strip))
        v.FaderOnStateBeforePress[strip] = NoPressPending;
}

void ConfirmOnOffPresses(Variables& v) {
    for (long long i = 0; v.FaderOnStateBeforePress.Contains(i); ++i)
        v.FaderOnStateBeforePress[i] = NoPressPending;
}

std::vector<int> RevertUnconfirmedOnOffPresses(Variables& v) {
    std::vector<int> reverted;
    for (long long i = 0; i < v.FaderCount && v.FaderOnStateBeforePress.Contains(i); ++i) {
        const std::int16_t before = v.FaderOnStateBeforePress[i];
        if (before == NoPressPending)
            continue;
        v.FaderOnStateBeforePress[i] = NoPressPending;
        v.FaderOnState[i] = before;
        if (v.DeviceIDs.Contains(v.FaderDeviceID[i]))
            v.DeviceIDs[v.FaderDeviceID[i]].ChannelStatus = before == 1 ? wire::ChannelOnStatus : 0;
        reverted.push_back(static_cast<int>(i));
    }
    return reverted;
}

} // namespace orl
