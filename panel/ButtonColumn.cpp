#include "ButtonColumn.h"

#include "Look.h"
#include "OrlError.h"
#include "Twips.h"
#include "Variables.h"

namespace orl {

namespace {

constexpr int DesignLeft = 2160;
constexpr int FrameTop = 120;
constexpr int FrameWidth = 1695;
constexpr int FrameHeight = 9375;
constexpr int ButtonLeft = 420;
constexpr int FirstButtonTop = 480;
constexpr int ButtonSpacing = 1100;
constexpr int ButtonWidth = 860;
constexpr int ButtonHeight = 720;

} // namespace

ButtonColumn::ButtonColumn(QWidget* panel) {
    frBtns_ = new QFrame(panel);
    frBtns_->setObjectName(QStringLiteral("frBtns"));
    PaintBackground(frBtns_, PanelColour);
    Place(frBtns_, DesignLeft, FrameTop, FrameWidth, FrameHeight);
    frBtns_->hide();

    const QFont font = Font(QStringLiteral("Liberation Serif"), 9.75);
    for (int k = 0; k < ButtonCount; ++k) {
        auto* button = new ColourButton(QStringLiteral("Inactive"), frBtns_);
        button->setObjectName(QStringLiteral("cmdUserButton%1").arg(k));
        Place(button, ButtonLeft, FirstButtonTop + ButtonSpacing * k, ButtonWidth, ButtonHeight);
        button->setFont(font);
        button->SetBackgroundColour(IdleColour);
        button->show();
        cmdUserButton_[static_cast<std::size_t>(k)] = button;
        ShowLabel(k, button->text(), TypeCode(UserButtonType::Undefined));
    }
}

ColourButton* ButtonColumn::Button(int index) const {
    if (index < 0 || index >= ButtonCount)
        ThrowSubscript();
    return cmdUserButton_[static_cast<std::size_t>(index)];
}

namespace {

QString KindOf(std::int16_t buttonType) {
    switch (static_cast<UserButtonType>(buttonType)) {
    case UserButtonType::RelayToggle:
    case UserButtonType::RelayToggleOptoTally:
    case UserButtonType::OptoToggle:
    case UserButtonType::OptoToggleOptoTally:
        return QStringLiteral("toggle");
    case UserButtonType::RelayFollows:
    case UserButtonType::RelayFollowsOptoTally:
    case UserButtonType::OptoFollows:
    case UserButtonType::OptoFollowsOptoTally:
        return QStringLiteral("follows: on while held");
    case UserButtonType::RelayMomentary:
    case UserButtonType::RelayMomentaryOptoTally:
        return QStringLiteral("momentary");
    default:
        return QStringLiteral("not in use");
    }
}

} // namespace

void ButtonColumn::ShowLabel(int index, const QString& label, std::int16_t buttonType) const {
    ColourButton* button = Button(index);
    button->setText(label);
    const QString name = QStringLiteral("User button %1, %2").arg(index + 1).arg(label);
    if (button->accessibleName() != name)
        button->setAccessibleName(name);
    const QString kind = KindOf(buttonType);
    if (button->accessibleDescription() != kind)
        button->setAccessibleDescription(kind);
}

void ButtonColumn::ShowTally(int index, bool lit) const {
    Button(index)->SetBackgroundColour(lit ? ActiveColour : IdleColour);
}

std::optional<int> ButtonColumn::Follow(int lastStripLeft, bool display) {
    if (!display) {
        frBtns_->hide();
        return std::nullopt;
    }
    frBtns_->show();
    // The column stands one strip spacing after the last strip.
    SetLeftTwips(frBtns_, lastStripLeft + FaderStrip::Spacing);
    return LeftTwips(frBtns_) + RightEdgeAllowance;
}

} // namespace orl
