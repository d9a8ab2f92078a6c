// ON / OFF, the bus buttons PGM / OFFLN / CUE, the press-and-hold IFB button and the bus
// tallies of every strip.

#include "frmMain.h"

#include "OrlError.h"
#include "Protocol.h"
#include "Values.h"

namespace orl {

namespace {

// The input channel record of a strip's source, or nullptr when the source is none or
// has no record.
const InputChannelRecord* InputChannelOf(const Variables& v, std::int16_t source) {
    if (source < 1 || source - 1 > v.InputChannels.UBound())
        return nullptr;
    return &v.InputChannels[source - 1];
}

bool BusInUse(std::int16_t bus) {
    return bus != 0 && bus != None;
}

} // namespace

void frmMain::SetStripButtonColour(int strip, StripButton button, Colour colour) {
    // A strip that does not exist yet takes its colours from InitSlider when it is created.
    if (strip < 0 || strip >= StripCount())
        return;
    if (ColourButton* b = Strip(strip).Button(button))
        b->SetBackgroundColour(colour);
}

namespace {
constexpr int ChannelFlags = 127;
constexpr std::uint8_t StatusOff = 0;
} // namespace

void frmMain::cmdOn_Click(int index) {
    link_.SendChannelOnOff(v_.FaderSource[index], 1, ChannelFlags, v_.ConsoleNumber);
    v_.FaderOnState[index] = 1;
    if (const InputChannelRecord* rec = InputChannelOf(v_, v_.FaderSource[index])) {
        const std::int16_t onOpto = rec->OnOpto;
        const std::int16_t offOpto = rec->OffOpto;
        if (onOpto != None)
            link_.SendOptoChange(None, onOpto, wire::OptoChange::OptoOn);
        if (offOpto != None)
            link_.SendOptoChange(None, offOpto, wire::OptoChange::OptoOff);
    }
    const FaderStrip& strip = Strip(index);
    strip.cmdOn->SetBackgroundColour(OnColour);
    strip.cmdOff->SetBackgroundColour(IdleColour);
    v_.DeviceIDs[v_.FaderDeviceID[index]].ChannelStatus = wire::ChannelOnStatus;
}

void frmMain::cmdOff_Click(int index) {
    link_.SendChannelOnOff(v_.FaderSource[index], 0, ChannelFlags, v_.ConsoleNumber);
    v_.FaderOnState[index] = 0;
    if (const InputChannelRecord* rec = InputChannelOf(v_, v_.FaderSource[index])) {
        const std::int16_t onOpto = rec->OnOpto;
        const std::int16_t offOpto = rec->OffOpto;
        if (onOpto != None)
            link_.SendOptoChange(None, onOpto, wire::OptoChange::OptoOff);
        if (offOpto != None)
            link_.SendOptoChange(None, offOpto, wire::OptoChange::OptoOn);
    }
    const FaderStrip& strip = Strip(index);
    strip.cmdOff->SetBackgroundColour(ActiveColour);
    strip.cmdOn->SetBackgroundColour(IdleColour);
    v_.DeviceIDs[v_.FaderDeviceID[index]].ChannelStatus = StatusOff;
}

namespace {

// One press of PGM, OFFLN or CUE: toggles the strip's assignment locally (flag and
// colour first, the switcher's crosspoint map corrects it later) and sends the change.
void ToggleBus(Variables& v, TCPComm& link, int index, std::int16_t bus, Table<bool>& assigned,
               ColourButton* button, std::int32_t extraWord) {
    CrosspointChange change;
    change.DeviceID = v.FaderDeviceID[index];
    change.Source = v.FaderSource[index];
    change.Bus = bus;
    change.Gain = v.FaderGain[index];
    change.OnFlag = v.FaderOnState[index] == 1 ? wire::ChannelOnStatus : 0;
    change.ExtraWord = extraWord;
    if (!assigned[index]) {
        change.Mode = wire::CrosspointAssign;
        assigned[index] = true;
        button->SetBackgroundColour(ActiveColour);
    } else {
        change.Mode = wire::CrosspointRemove;
        assigned[index] = false;
        button->SetBackgroundColour(IdleColour);
    }
    link.SendCrosspointChange(change, true);
}

} // namespace

void frmMain::cmdBtn1_Click(int index) {
    if (!BusInUse(v_.ProgramBus))
        return;
    ToggleBus(v_, link_, index, v_.ProgramBus, v_.FaderOnProgram, Strip(index).cmdBtn1, 0);
}

void frmMain::cmdBtn2_Click(int index) {
    if (!BusInUse(v_.OfflineBus))
        return;
    ToggleBus(v_, link_, index, v_.OfflineBus, v_.FaderOnOffline, Strip(index).cmdBtn2,
              wire::OffBusExtraWord);
}

void frmMain::cmdBtn3_Click(int index) {
    if (!BusInUse(v_.CueBus))
        return;
    ToggleBus(v_, link_, index, v_.CueBus, v_.FaderOnCue, Strip(index).cmdBtn3,
              wire::OffBusExtraWord);
}

void frmMain::cmdBtn4_MouseDown(int index) {
    const InputChannelRecord* rec = InputChannelOf(v_, v_.FaderSource[index]);
    if (rec == nullptr || rec->IFBOutput == None)
        return;
    link_.SendSimpleTake(ToInteger(static_cast<long long>(v_.IFBSource) - 1), rec->IFBOutput,
                         wire::IFBPress);
    Strip(index).cmdBtn4->SetBackgroundColour(ActiveColour);
}

void frmMain::cmdBtn4_MouseUp(int index) {
    const InputChannelRecord* rec = InputChannelOf(v_, v_.FaderSource[index]);
    if (rec == nullptr || rec->IFBOutput == None)
        return;
    link_.SendSimpleTake(ToInteger(static_cast<long long>(v_.IFBSource) - 1), rec->IFBOutput,
                         wire::IFBRelease);
    Strip(index).cmdBtn4->SetBackgroundColour(IdleColour);
}

namespace {

// True when the bus's entries (up to its entry count) name the device, plainly or with
// 8192 added.
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

} // namespace

void frmMain::UpdateBussButtonTally() {
    try {
        for (int i = 0; i < v_.FaderCount; ++i) {
            const FaderStrip& strip = Strip(i);
            struct BusButton {
                ColourButton* button;
                std::int16_t bus;
                Table<bool>& flag;
            };
            const BusButton buttons[] = {{strip.cmdBtn1, v_.ProgramBus, v_.FaderOnProgram},
                                         {strip.cmdBtn2, v_.OfflineBus, v_.FaderOnOffline},
                                         {strip.cmdBtn3, v_.CueBus, v_.FaderOnCue}};
            for (const BusButton& b : buttons) {
                b.button->SetBackgroundColour(IdleColour);
                b.flag[i] = false;
                if (b.bus >= 1 && b.bus - 1 <= v_.CrosspointMap.UBound() &&
                    BusCarriesDevice(v_.CrosspointMap[b.bus - 1], v_.FaderDeviceID[i])) {
                    b.button->SetBackgroundColour(ActiveColour);
                    b.flag[i] = true;
                }
            }
        }
    } catch (...) {
        log_.WriteErrorLog("Error updating buttons", "Display Error");
    }
}

} // namespace orl
