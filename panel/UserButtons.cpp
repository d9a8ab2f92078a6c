// The column of eight user buttons: relays and optos of the switcher driven by click,
// press and release, and their tallies from the reported relay and opto states.

#include "frmMain.h"

#include "Look.h"
#include "OrlError.h"
#include "PanelStateRules.h"
#include "Protocol.h"
#include "Values.h"

namespace orl {

namespace {

constexpr int UserButtonCount = ButtonColumn::ButtonCount;

UserButtonRecord& ButtonRecord(Variables& v, int index) {
    if (index < 0 || index >= UserButtonCount)
        ThrowSubscript();
    return v.UserButtons[static_cast<std::size_t>(index)];
}

// Relays and optos are numbered from 1 by the operator and from 0 on the wire.
std::int16_t WireChannel(std::int16_t channel) {
    return ToInteger(static_cast<long long>(channel) - 1);
}

} // namespace

// Every handler is guarded here, where it is connected.
void frmMain::ConnectUserButtons() {
    for (int k = 0; k < UserButtonCount; ++k) {
        ColourButton* button = column_->Button(k);
        ConnectGuarded(button, &QPushButton::clicked, [this, k] { cmdUserButton_Click(k); });
        ConnectGuarded(button, &ColourButton::mouseDown, [this, k] { cmdUserButton_MouseDown(k); });
        ConnectGuarded(button, &ColourButton::mouseUp, [this, k] { cmdUserButton_MouseUp(k); });
        if (k > 0)
            QWidget::setTabOrder(column_->Button(k - 1), button);
    }
}

void frmMain::SetupButtons() {
    try {
        for (int k = 0; k < UserButtonCount; ++k) {
            const UserButtonRecord& b = ButtonRecord(v_, k);
            column_->ShowLabel(k, FromText(b.Label), b.ButtonType);
        }
    } catch (...) {
        log_.WriteErrorLog("Error updating buttons", "Display Error");
    }
}

void frmMain::cmdUserButton_Click(int index) {
    if (PressesRefused())
        return; // a press that cannot reach the switcher changes nothing
    try {
        UserButtonRecord& b = ButtonRecord(v_, index);
        switch (static_cast<UserButtonType>(b.ButtonType)) {
        case UserButtonType::RelayToggle:
        case UserButtonType::RelayToggleOptoTally: {
            wire::OptoChange code = wire::OptoChange::RelayOn;
            if (b.RelayState == 1) {
                code = wire::OptoChange::RelayOff;
                b.RelayState = 0;
            } else {
                b.RelayState = 1;
            }
            link_.SendOptoChange(WireChannel(b.Channel1), 0, code);
            break;
        }
        case UserButtonType::RelayMomentary:
        case UserButtonType::RelayMomentaryOptoTally:
            link_.SendOptoChange(WireChannel(b.Channel1), 0, wire::OptoChange::RelayPulse);
            break;
        case UserButtonType::OptoToggle:
        case UserButtonType::OptoToggleOptoTally: {
            wire::OptoChange code = wire::OptoChange::OptoOn;
            if (b.OptoState == 1) {
                code = wire::OptoChange::OptoOff;
                b.OptoState = 0;
            } else {
                b.OptoState = 1;
            }
            link_.SendOptoChange(0, WireChannel(b.Channel1), code);
            break;
        }
        default:
            break;
        }
    } catch (...) {
        log_.ReportError("Error Processing User Button", "Button Error");
    }
}

// A "follows button" type drives its relay or opto while held. The release lets go of
// what the press drove, whatever was configured meanwhile; a press that sent nothing
// (no link, another type) lets go of nothing.
void frmMain::cmdUserButton_MouseDown(int index) {
    if (PressesRefused())
        return;
    try {
        UserButtonRecord& b = ButtonRecord(v_, index);
        if (b.HeldRelease != 0)
            return;
        std::int16_t value = 0;
        std::int16_t channel = 0;
        wire::OptoChange press = wire::OptoChange::RelayOn;
        wire::OptoChange release = wire::OptoChange::RelayOff;
        switch (static_cast<UserButtonType>(b.ButtonType)) {
        case UserButtonType::RelayFollows:
        case UserButtonType::RelayFollowsOptoTally:
            value = WireChannel(b.Channel1);
            break;
        case UserButtonType::OptoFollows:
        case UserButtonType::OptoFollowsOptoTally:
            channel = WireChannel(b.Channel1);
            press = wire::OptoChange::OptoOn;
            release = wire::OptoChange::OptoOff;
            break;
        default:
            return;
        }
        link_.SendOptoChange(value, channel, press);
        b.HeldValue = value;
        b.HeldChannel = channel;
        b.HeldRelease = static_cast<std::int16_t>(release);
    } catch (...) {
        log_.ReportError("Error Processing User Button", "Button Error");
    }
}

void frmMain::cmdUserButton_MouseUp(int index) {
    try {
        UserButtonRecord& b = ButtonRecord(v_, index);
        if (b.HeldRelease == 0)
            return;
        const auto release = static_cast<wire::OptoChange>(b.HeldRelease);
        b.HeldRelease = 0;
        link_.SendOptoChange(b.HeldValue, b.HeldChannel, release);
    } catch (...) {
        log_.ReportError("Error Processing User Button", "Button Error");
    }
}

bool frmMain::UserButtonLit(int index) const {
    return column_->Button(index)->BackgroundColour() == ActiveColour;
}

// The link works out what each button's relay or opto says; the column shows it.
void frmMain::UpdateUserButtonTally() {
    try {
        for (int k = 0; k < UserButtonCount; ++k)
            if (const std::optional<bool> lit = TakeReportedState(v_, k))
                column_->ShowTally(k, *lit);
        emit stateShown();
    } catch (...) {
        log_.WriteErrorLog("Error updating buttons", "Display Error");
    }
}

} // namespace orl
