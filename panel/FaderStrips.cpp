// The fader strips: finding one by index, adding and removing them as the fader count
// changes, the window width that follows, the gain slider with its label and the "0db" button.

#include "frmMain.h"

#include "OrlError.h"
#include "Protocol.h"
#include "Twips.h"
#include "Values.h"

#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>

namespace orl {

namespace {

constexpr int FirstStripLeft = 120;  // after LoadFaders
constexpr int SingleStripLeft = 240; // as designed, and after UnloadFaders to one strip
constexpr int SingleStripWidth = 2325;

constexpr int OffPosition = 24;
constexpr int LowestSentPosition = 225;

} // namespace

// ---- Finding, adding and wiring strips ----------------------------------------------------

const FaderStrip& frmMain::Strip(int index) const {
    if (index < 0 || index >= StripCount())
        ThrowSubscript();
    return *strips_[static_cast<std::size_t>(index)];
}

FaderStrip& frmMain::MutableStrip(int index) {
    if (index < 0 || index >= StripCount())
        ThrowSubscript();
    return *strips_[static_cast<std::size_t>(index)];
}

void frmMain::AddStrip() {
    strips_.push_back(std::make_unique<FaderStrip>(panel_, StripCount() + 1));
    const int index = StripCount() - 1;
    ConnectStripSignals(index);
    FaderStrip& strip = MutableStrip(index);
    strip.takeGain = [this, index](int gain) {
        Guarded([this, index, gain] { TakeSwitcherGain(index, gain); });
    };
    strip.ShowLink(link_.CurrentLinkState());
    strip.ShowLocked(Locked());
}

void frmMain::RemoveStrip(int index) {
    // The strip the window is designed with stays; others go from the right-hand end only.
    if (index < 1 || index != StripCount() - 1)
        ThrowInvalidCall();
    strips_.pop_back();
}

// Every handler is guarded here, where it is connected.
void frmMain::ConnectStripSignals(int index) {
    const FaderStrip& s = Strip(index);
    const int i = index;
    ConnectGuarded(s.cmdOn, &QPushButton::clicked, [this, i] { cmdOn_Click(i); });
    ConnectGuarded(s.cmdOff, &QPushButton::clicked, [this, i] { cmdOff_Click(i); });
    ConnectGuarded(s.cmdBtn1, &QPushButton::clicked, [this, i] { cmdBtn1_Click(i); });
    ConnectGuarded(s.cmdBtn2, &QPushButton::clicked, [this, i] { cmdBtn2_Click(i); });
    ConnectGuarded(s.cmdBtn3, &QPushButton::clicked, [this, i] { cmdBtn3_Click(i); });
    ConnectGuarded(s.cmdBtn4, &ColourButton::mouseDown, [this, i] { cmdBtn4_MouseDown(i); });
    ConnectGuarded(s.cmdBtn4, &ColourButton::mouseUp, [this, i] { cmdBtn4_MouseUp(i); });
    ConnectGuarded(s.cmbSource, &QComboBox::activated, [this, i] { cmbSource_Click(i); });
    // Every position change reaches the move handler except those the program makes
    // itself (signals blocked, or UpdatingControls) and Home/End, sent on key release.
    ConnectGuarded(s.sliGain, &QSlider::valueChanged, [this, i] {
        if (!keyMoveInProgress_)
            sliGain_Scroll(i);
    });
    ConnectGuarded(s.cmdZerodb, &QPushButton::clicked, [this, i] { cmdZerodb_Click(i); });
    s.sliGain->installEventFilter(this);
    s.cmbSource->installEventFilter(this);
}

void frmMain::ChainTabOrder() {
    QWidget* previous = nullptr;
    const auto next = [&previous](QWidget* w) {
        if (w == nullptr)
            return;
        if (previous != nullptr)
            QWidget::setTabOrder(previous, w);
        previous = w;
    };
    for (const std::unique_ptr<FaderStrip>& s : strips_)
        for (QWidget* w : s->TabOrder())
            next(w);
    for (ColourButton* b : column_->Buttons())
        next(b);
}

// ---- Adding and removing strips ---------------------------------------------------------

int frmMain::LastStripLeft() const {
    return LeftTwips(Strip(v_.FaderCount - 1).frSlider);
}

// Step 2 of the window layout: the button column, when shown, follows the last strip and
// the window's right edge follows the column; hidden, it leaves the width as it is.
void frmMain::FollowWithButtonColumn() {
    if (const std::optional<int> width = column_->Follow(LastStripLeft(), v_.DisplayButtonPanel))
        SetWindowWidthTwips(*width);
}

void frmMain::LoadFaders() {
    try {
        SetLeftTwips(Strip(0).frSlider, FirstStripLeft);
        for (int i = v_.LoadedFaderCount; i <= v_.FaderCount - 1; ++i) {
            const QFrame* previous = Strip(i - 1).frSlider;
            if (i == StripCount())
                AddStrip();
            QFrame* frame = Strip(i).frSlider;
            frame->move(frame->x(), previous->y());
            SetLeftTwips(frame, LeftTwips(previous) + FaderStrip::Spacing);
            frame->show();
            if (v_.PendingRequestMask1 == 0 && v_.PendingRequestMask2 == 0) {
                LoadInputCombo(i);
                InitSlider(i);
            }
        }
        ChainTabOrder();
        v_.LoadedFaderCount = v_.FaderCount;
        SetWindowWidthTwips(LastStripLeft() + RightEdgeAllowance);
        FollowWithButtonColumn();
        emit stateShown();
    } catch (...) {
        log_.WriteErrorLog("Error Loading Faders", "Display Error");
    }
}

void frmMain::UnloadFaders() {
    try {
        // Refuse a count that would take the designed strip away before removing anything.
        static_cast<void>(Strip(v_.FaderCount - 1));
        for (int i = v_.LoadedFaderCount - 1; i >= v_.FaderCount; --i)
            RemoveStrip(i);
        v_.LoadedFaderCount = v_.FaderCount;
        SetWindowWidthTwips(LastStripLeft() + RightEdgeAllowance);
        if (v_.FaderCount == 1) {
            SetLeftTwips(Strip(0).frSlider, SingleStripLeft);
            SetWindowWidthTwips(SingleStripWidth);
        }
        FollowWithButtonColumn();
        emit stateShown();
    } catch (...) {
        log_.WriteErrorLog("Error Loading Faders", "Display Error");
    }
}

// ---- Gain --------------------------------------------------------------------------------

void frmMain::InitSlider(int index) {
    // Only a strip that exists can be set; a strip created by LoadFaders is set before
    // LoadedFaderCount is raised to include it.
    if (index > StripCount() - 1)
        return;
    v_.UpdatingControls = true;
    try {
        FaderStrip& s = MutableStrip(index);
        const DeviceIDRecord& r = v_.DeviceIDs[v_.FaderDeviceID[index]];
        const bool on =
            RoundHalfEven(r.ChannelStatus / static_cast<double>(wire::ChannelOnStatus)) != 0;
        v_.FaderOnState[index] = on ? 1 : 0;
        s.ShowOnState(on);
        // A slider in the operator's hand takes the switcher's gain once let go.
        if (s.GainHeld())
            s.HoldSwitcherGain(r.Gain);
        else
            TakeSwitcherGain(index, r.Gain);
    } catch (...) {
        v_.UpdatingControls = false;
        log_.WriteErrorLog("Error initializing Faders", "Display Error");
        return;
    }
    v_.UpdatingControls = false;
}

void frmMain::TakeSwitcherGain(int index, int gainPosition) {
    const std::int16_t gain = ToInteger(static_cast<long long>(gainPosition));
    v_.FaderGain[index] = gain;
    Strip(index).ShowSwitcherGain(gain);
    emit stateShown();
}

void frmMain::InitAllSliders() {
    try {
        for (int i = 0; i <= v_.FaderCount - 1; ++i) {
            LoadInputCombo(i);
            UpdateActiveSource(i);
            InitSlider(i);
        }
    } catch (...) {
        log_.WriteErrorLog("Error initializing Faders", "Display Error");
    }
}

void frmMain::sliGain_Scroll(int index) {
    if (v_.UpdatingControls)
        return;
    try {
        FaderStrip& s = MutableStrip(index);
        if (PressesRefused()) {
            // Nothing can be sent (or the panel is locked): the slider goes back to the
            // gain it showed.
            s.ShowGain(v_.FaderGain[index]);
            return;
        }
        s.NoteOperatorMove();
        int gain = std::abs(s.sliGain->value());
        if (gain < LowestSentPosition)
            gain = OffPosition;
        v_.FaderGain[index] = ToInteger(static_cast<long long>(gain));
        s.ShowMovedGain(gain);
        link_.SendGainChange(TCPComm::FaderGainParameter, gain, v_.FaderDeviceID[index], None);
        emit stateShown();
    } catch (...) {
        log_.WriteErrorLog("Error Sending gain change", "Connection Error");
    }
}

void frmMain::sliGain_KeyUp(int index, int keyCode) {
    if (keyCode == KeyEnd || keyCode == KeyHome)
        sliGain_Scroll(index);
}

void frmMain::MoveGain(int index, int gainPosition) {
    if (PressesRefused())
        return;
    Strip(index).ShowGain(gainPosition);
    sliGain_Scroll(index);
}

void frmMain::cmdZerodb_Click(int index) {
    if (PressesRefused())
        return; // nothing can be sent, so the thumb stays where the switcher has it
    const FaderStrip& strip = Strip(index);
    strip.ShowGain(wire::ZeroDbPosition);
    sliGain_Scroll(index);
    strip.sliGain->setFocus();
}

} // namespace orl
