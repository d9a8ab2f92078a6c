// The column of eight user buttons: relays and optos of the switcher driven by click,
// press and release, and their tallies from the reported relay and opto states.

#include "frmMain.h"

#include "Look.h"
#include "OrlError.h"
#include "Protocol.h"
#include "Twips.h"
#include "Values.h"

namespace orl {

namespace {

constexpr int UserButtonCount = 8;

// Type codes: 1000 + 100 x (drives an opto) + 10 x (tally from Channel2) + behaviour.
constexpr std::int16_t RelayToggle = 1000;
constexpr std::int16_t RelayFollows = 1001;
constexpr std::int16_t RelayMomentary = 1002;
constexpr std::int16_t RelayToggleOptoTally = 1010;
constexpr std::int16_t RelayFollowsOptoTally = 1011;
constexpr std::int16_t RelayMomentaryOptoTally = 1012;
constexpr std::int16_t OptoToggle = 1100;
constexpr std::int16_t OptoFollows = 1101;
constexpr std::int16_t OptoToggleOptoTally = 1110;
constexpr std::int16_t OptoFollowsOptoTally = 1111;

UserButtonRecord& ButtonRecord(Variables& v, int index) {
    if (index < 0 || index >= UserButtonCount)
        ThrowSubscript();
    return v.UserButtons[static_cast<std::size_t>(index)];
}

// Relays and optos are numbered from 1 by the operator and from 0 on the wire.
std::int16_t WireChannel(std::int16_t channel) {
    return ToInteger(static_cast<long long>(channel) - 1);
}

// A tally channel counts only when it names an element of the state table: channel n is
// read at index n - 1, so the last relay or opto of a table shows its tally too.
bool Counts(const Table<std::int16_t>& states, std::int16_t channel) {
    return channel >= 1 && states.Contains(channel - 1);
}

bool IsOn(const Table<std::int16_t>& states, std::int16_t channel) {
    return states[channel - 1] == 1;
}

} // namespace

void frmMain::CreateUserButtons() {
    const QFont font = Font(QStringLiteral("Liberation Serif"), 9.75);
    for (int k = 0; k < UserButtonCount; ++k) {
        auto* button = new ColourButton(QStringLiteral("Inactive"), frBtns_);
        button->setObjectName(QStringLiteral("cmdUserButton%1").arg(k));
        Place(button, 420, 480 + 1100 * k, 860, 720);
        button->setFont(font);
        button->SetBackgroundColour(IdleColour);
        connect(button, &QPushButton::clicked, this, [this, k] { cmdUserButton_Click(k); });
        connect(button, &ColourButton::mouseDown, this, [this, k] { cmdUserButton_MouseDown(k); });
        connect(button, &ColourButton::mouseUp, this, [this, k] { cmdUserButton_MouseUp(k); });
        if (k > 0)
            QWidget::setTabOrder(cmdUserButton_[static_cast<std::size_t>(k - 1)], button);
        button->show();
        cmdUserButton_[static_cast<std::size_t>(k)] = button;
    }
}

void frmMain::SetupButtons() {
    try {
        for (int k = 0; k < UserButtonCount; ++k) {
            const std::string& label = ButtonRecord(v_, k).Label;
            cmdUserButton_[static_cast<std::size_t>(k)]->setText(FromText(label));
        }
    } catch (...) {
        log_.WriteErrorLog("Error updating buttons", "Display Error");
    }
}

void frmMain::cmdUserButton_Click(int index) {
    try {
        UserButtonRecord& b = ButtonRecord(v_, index);
        switch (b.ButtonType) {
        case RelayToggle:
        case RelayToggleOptoTally: {
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
        case RelayMomentary:
        case RelayMomentaryOptoTally:
            link_.SendOptoChange(WireChannel(b.Channel1), 0, wire::OptoChange::RelayPulse);
            break;
        case OptoToggle:
        case OptoToggleOptoTally: {
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

void frmMain::cmdUserButton_MouseDown(int index) {
    try {
        const UserButtonRecord& b = ButtonRecord(v_, index);
        switch (b.ButtonType) {
        case RelayFollows:
        case RelayFollowsOptoTally:
            link_.SendOptoChange(WireChannel(b.Channel1), 0, wire::OptoChange::RelayOn);
            break;
        case OptoFollows:
        case OptoFollowsOptoTally:
            link_.SendOptoChange(0, WireChannel(b.Channel1), wire::OptoChange::OptoOn);
            break;
        default:
            break;
        }
    } catch (...) {
        log_.ReportError("Error Processing User Button", "Button Error");
    }
}

void frmMain::cmdUserButton_MouseUp(int index) {
    try {
        const UserButtonRecord& b = ButtonRecord(v_, index);
        switch (b.ButtonType) {
        case RelayFollows:
        case RelayFollowsOptoTally:
            link_.SendOptoChange(WireChannel(b.Channel1), 0, wire::OptoChange::RelayOff);
            break;
        case OptoFollows:
        case OptoFollowsOptoTally:
            link_.SendOptoChange(0, WireChannel(b.Channel1), wire::OptoChange::OptoOff);
            break;
        default:
            break;
        }
    } catch (...) {
        log_.ReportError("Error Processing User Button", "Button Error");
    }
}

void frmMain::UpdateUserButtonTally() {
    try {
        for (int k = 0; k < UserButtonCount; ++k) {
            UserButtonRecord& b = ButtonRecord(v_, k);
            ColourButton* button = cmdUserButton_[static_cast<std::size_t>(k)];
            const auto show = [button](bool lit) {
                button->SetBackgroundColour(lit ? ActiveColour : IdleColour);
            };
            switch (b.ButtonType) {
            case RelayToggle:
            case RelayFollows:
            case RelayMomentary:
                if (Counts(v_.RelayStates, b.Channel1)) {
                    const bool lit = IsOn(v_.RelayStates, b.Channel1);
                    show(lit);
                    b.RelayState = lit ? 1 : 0;
                }
                break;
            case RelayToggleOptoTally:
            case RelayFollowsOptoTally:
            case RelayMomentaryOptoTally:
                if (Counts(v_.OptoStates, b.Channel2))
                    show(IsOn(v_.OptoStates, b.Channel2));
                break;
            case OptoToggle:
            case OptoFollows:
                if (Counts(v_.OptoStates, b.Channel1)) {
                    const bool lit = IsOn(v_.OptoStates, b.Channel1);
                    show(lit);
                    b.OptoState = lit ? 1 : 0;
                }
                break;
            case OptoToggleOptoTally:
            case OptoFollowsOptoTally:
                if (Counts(v_.OptoStates, b.Channel2))
                    show(IsOn(v_.OptoStates, b.Channel2));
                if (Counts(v_.OptoStates, b.Channel1))
                    b.OptoState = IsOn(v_.OptoStates, b.Channel1) ? 1 : 0;
                break;
            default:
                show(false);
                break;
            }
        }
    } catch (...) {
        log_.WriteErrorLog("Error updating buttons", "Display Error");
    }
}

} // namespace orl
