// ON / OFF, the bus buttons PGM / OFFLN / CUE, the press-and-hold IFB button and the bus
// tallies of every strip.

#include "frmMain.h"

#include "OrlError.h"
#include "PanelStateRules.h"
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

void frmMain::ShowChannelState(int strip) {
    // A strip that does not exist yet shows its state from InitSlider when it is created.
    if (strip < 0 || strip >= StripCount())
        return;
    const FaderStrip& s = Strip(strip);
    s.ShowOnState(v_.FaderOnState[strip] == 1);
    s.ShowBus(StripButton::Btn1, v_.FaderOnProgram[strip]);
    s.ShowBus(StripButton::Btn2, v_.FaderOnOffline[strip]);
    s.ShowBus(StripButton::Btn3, v_.FaderOnCue[strip]);
    emit stateShown();
}

void frmMain::ShowLinkState(LinkState state) {
    for (const std::unique_ptr<FaderStrip>& s : strips_)
        s->ShowLink(state);
    // The user buttons cannot act either; their column is dimmed with the strips.
    column_->Frame()->setEnabled(state == LinkState::Live);
    emit stateShown();
}

namespace {
constexpr int ChannelFlags = 127;
} // namespace

void frmMain::cmdOn_Click(int index) {
    SwitchChannel(index, true);
}

void frmMain::cmdOff_Click(int index) {
    SwitchChannel(index, false);
}

// ON turns the source's on-opto on and its off-opto off; OFF does the reverse. The strip
// shows the new state at once; the switcher's report confirms it.
void frmMain::SwitchChannel(int index, bool on) {
    if (PressesRefused())
        return;
    const std::int16_t source = v_.FaderSource[index];
    if (source < 1 || source == None)
        return; // no source: there is no channel to switch and no opto to drive
    link_.SendChannelOnOff(source, on ? 1 : 0, ChannelFlags, v_.ConsoleNumber);
    // Until the switcher confirms it, the press can go back (the switcher falls silent).
    NoteOnOffPress(v_, index);
    v_.FaderOnState[index] = on ? 1 : 0;
    if (const InputChannelRecord* rec = InputChannelOf(v_, source)) {
        const std::int16_t onOpto = rec->OnOpto;
        const std::int16_t offOpto = rec->OffOpto;
        const wire::OptoChange lit = on ? wire::OptoChange::OptoOn : wire::OptoChange::OptoOff;
        const wire::OptoChange dark = on ? wire::OptoChange::OptoOff : wire::OptoChange::OptoOn;
        if (onOpto != None)
            link_.SendOptoChange(None, onOpto, lit);
        if (offOpto != None)
            link_.SendOptoChange(None, offOpto, dark);
    }
    if (v_.DeviceIDs.Contains(v_.FaderDeviceID[index]))
        v_.DeviceIDs[v_.FaderDeviceID[index]].ChannelStatus = on ? wire::ChannelOnStatus : 0;
    ShowChannelState(index);
}

namespace {

// One press of PGM, OFFLN or CUE: toggles the strip's assignment locally (the flag first,
// the switcher's crosspoint map corrects it later) and sends the change.
void ToggleBus(Variables& v, TCPComm& link, int index, std::int16_t bus, Table<bool>& assigned,
               std::int32_t extraWord) {
    CrosspointChange change;
    change.DeviceID = v.FaderDeviceID[index];
    change.Source = v.FaderSource[index];
    change.Bus = bus;
    change.Gain = v.FaderGain[index];
    change.OnFlag = v.FaderOnState[index] == 1 ? wire::ChannelOnStatus : 0;
    change.ExtraWord = extraWord;
    change.Mode = assigned[index] ? wire::CrosspointRemove : wire::CrosspointAssign;
    assigned[index] = !assigned[index];
    link.SendCrosspointChange(change, true);
}

} // namespace

void frmMain::cmdBtn1_Click(int index) {
    if (!BusInUse(v_.ProgramBus) || PressesRefused())
        return;
    ToggleBus(v_, link_, index, v_.ProgramBus, v_.FaderOnProgram, 0);
    ShowChannelState(index);
}

void frmMain::cmdBtn2_Click(int index) {
    if (!BusInUse(v_.OfflineBus) || PressesRefused())
        return;
    ToggleBus(v_, link_, index, v_.OfflineBus, v_.FaderOnOffline, wire::OffBusExtraWord);
    ShowChannelState(index);
}

void frmMain::cmdBtn3_Click(int index) {
    if (!BusInUse(v_.CueBus) || PressesRefused())
        return;
    ToggleBus(v_, link_, index, v_.CueBus, v_.FaderOnCue, wire::OffBusExtraWord);
    ShowChannelState(index);
}

// IFB: 37 while held, 33 on release, to the IFB output of the strip's source; a strip
// without a known output takes nothing and does not light. The release lets go of the
// output the press took, even when the strip's source changed while it was held; a
// press that took nothing lets go of nothing.
void frmMain::cmdBtn4_MouseDown(int index) {
    if (PressesRefused() || v_.FaderIFBHeld[index] != None)
        return;
    const InputChannelRecord* rec = InputChannelOf(v_, v_.FaderSource[index]);
    if (rec == nullptr || rec->IFBOutput == None)
        return;
    link_.SendSimpleTake(ToInteger(static_cast<long long>(v_.IFBSource) - 1), rec->IFBOutput,
                         wire::IFBPress);
    v_.FaderIFBHeld[index] = rec->IFBOutput;
    Strip(index).ShowIFBHeld(true);
}

void frmMain::cmdBtn4_MouseUp(int index) {
    const std::int16_t taken = v_.FaderIFBHeld[index];
    if (taken == None)
        return;
    v_.FaderIFBHeld[index] = None;
    link_.SendSimpleTake(ToInteger(static_cast<long long>(v_.IFBSource) - 1), taken,
                         wire::IFBRelease);
    Strip(index).ShowIFBHeld(false);
}

// The link works out which buses carry each strip's device; the strip shows it.
void frmMain::UpdateBussButtonTally() {
    try {
        for (int i = 0; i < v_.FaderCount; ++i) {
            const FaderStrip& strip = Strip(i);
            AssignBusFlags(v_, i);
            strip.ShowBus(StripButton::Btn1, v_.FaderOnProgram[i]);
            strip.ShowBus(StripButton::Btn2, v_.FaderOnOffline[i]);
            strip.ShowBus(StripButton::Btn3, v_.FaderOnCue[i]);
        }
        emit stateShown();
    } catch (...) {
        log_.WriteErrorLog("Error updating buttons", "Display Error");
    }
}

} // namespace orl
