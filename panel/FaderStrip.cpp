#include "FaderStrip.h"

#include "Controls.h"
#include "Look.h"
#include "Protocol.h"
#include "SourceSelector.h"
#include "Twips.h"

#include <QAccessible>
#include <QSignalBlocker>

#include <algorithm>

#include <cmath>
#include <cstdlib>
#include <initializer_list>

namespace orl {

namespace {

constexpr int StripLeft = 240;
constexpr int StripTop = 120;
constexpr int StripWidth = 1695;
constexpr int StripHeight = 9375;
using wire::ZeroDbPosition;

ColourButton* StripButtonControl(QWidget* parent, const char* name, const QString& caption,
                                 int left, int top, int width, int height, double points) {
    auto* button = new ColourButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    Place(button, left, top, width, height);
    button->setFont(Font(QStringLiteral("Liberation Serif"), points));
    return button;
}

} // namespace

FaderStrip::FaderStrip(QWidget* panel, int number) : number_(number) {
    frSlider = new QFrame(panel);
    frSlider->setObjectName(QStringLiteral("frSlider"));
    Place(frSlider, StripLeft, StripTop, StripWidth, StripHeight);
    PaintBackground(frSlider, PanelColour);
    QWidget* f = frSlider;

    cmbSource = new SourceSelector(f);
    cmbSource->setObjectName(QStringLiteral("cmbSource"));
    cmbSource->setInsertPolicy(QComboBox::NoInsert);
    // No completion: it would turn a typed number or part of a name into a chosen entry
    // (and send it) when the field is left.
    cmbSource->setCompleter(nullptr);
    Place(cmbSource, 10, 240, 1700, 315);
    cmbSource->setFont(Font(QStringLiteral("Liberation Sans"), 8.25, true));
    PaintOnPanel(cmbSource);

    lblGain =
        MakeLabel(f, QStringLiteral("lblGain"), QStringLiteral("Gain (0db)"), 600, 5580, 1080, 255);
    lblGain->setFont(Font(QStringLiteral("Liberation Sans"), 8.25, true));
    PaintOnPanel(lblGain);

    sliGain = new GainSlider(f);
    sliGain->setObjectName(QStringLiteral("sliGain"));
    Place(sliGain, 520, 1475, 630, 3975);
    sliGain->setRange(SliderTop, SliderBottom);
    sliGain->setInvertedAppearance(true); // the minimum (highest gain) at the top
    sliGain->setInvertedControls(true);   // so that Up and Page Up raise the gain
    sliGain->setSingleStep(1);
    sliGain->setPageStep(5);
    sliGain->setTickInterval(50);
    sliGain->setTickPosition(QSlider::TicksRight);
    sliGain->setValue(SliderBottom);
    sliGain->setFocusPolicy(Qt::StrongFocus);

    cmdZerodb =
        MakeButton(f, QStringLiteral("cmdZerodb"), QStringLiteral("0db"), 120, 5580, 480, 200);
    cmdZerodb->setToolTip(QStringLiteral("Clear Command History"));

    cmdBtn1 = StripButtonControl(f, "cmdBtn1", QStringLiteral("PGM"), 120, 720, 735, 615, 9.75);
    cmdBtn2 = StripButtonControl(f, "cmdBtn2", QStringLiteral("OFFLN"), 900, 720, 735, 615, 9.75);
    cmdBtn3 = StripButtonControl(f, "cmdBtn3", QStringLiteral("CUE"), 120, 6000, 735, 615, 9.75);
    cmdBtn4 = StripButtonControl(f, "cmdBtn4", QStringLiteral("IFB"), 900, 6000, 735, 615, 9.75);
    cmdOn = StripButtonControl(f, "cmdOn", QStringLiteral("ON"), 240, 6840, 1215, 1095, 24);
    cmdOff = StripButtonControl(f, "cmdOff", QStringLiteral("OFF"), 240, 8160, 1215, 1095, 24);

    // Over the slider, where an operator looks first; shown only while presses cannot
    // reach the switcher. Its own colours hold while the strip under it is disabled.
    lblLink = MakeLabel(f, QStringLiteral("lblLink"), QString(), 45, 2300, 1605, 2000);
    lblLink->setFont(Font(QStringLiteral("Liberation Sans"), 12, true));
    lblLink->setAlignment(Qt::AlignCenter);
    lblLink->setWordWrap(true);
    lblLink->setStyleSheet(QStringLiteral(
        "QLabel { color: white; background-color: rgb(176, 0, 0); border: 2px solid white; }"));

    // Below the link's line, over the lower part of the slider's travel.
    lblLocked =
        MakeLabel(f, QStringLiteral("lblLocked"), QStringLiteral("Locked"), 45, 4420, 1605, 900);
    lblLocked->setFont(Font(QStringLiteral("Liberation Sans"), 20, true));
    lblLocked->setAlignment(Qt::AlignCenter);
    lblLocked->setAccessibleName(QStringLiteral("Panel locked"));
    lblLocked->setStyleSheet(QStringLiteral(
        "QLabel { color: black; background-color: rgb(255, 176, 0); border: 3px solid black; }"));

    cmdBtn1->setAccessibleDescription(QStringLiteral("program bus"));
    cmdBtn2->setAccessibleDescription(QStringLiteral("off-line bus"));
    cmdBtn3->setAccessibleDescription(QStringLiteral("cue bus"));
    cmdBtn4->setAccessibleDescription(QStringLiteral("talkback while held"));
    cmdZerodb->setAccessibleDescription(QStringLiteral("sets the gain to 0 dB"));
    NameControls();

    gainFrame_.setSingleShot(true);
    QObject::connect(&gainFrame_, &QTimer::timeout, frSlider, [this] {
        if (!pendingGain_)
            return;
        // Taken up by the operator meanwhile: the hold shows it once the slider is free.
        if (GainHeld()) {
            const int gain = *pendingGain_;
            pendingGain_.reset();
            HoldSwitcherGain(gain);
            return;
        }
        ApplyGain(*pendingGain_);
    });
    holdTimer_.setSingleShot(true);
    // A coarse timer may end up to 5 % early; the hold lasts its full time.
    holdTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&holdTimer_, &QTimer::timeout, frSlider, [this] { ReleaseHeldGain(); });
    // Let go, the thumb stays where the operator left it until GainHoldMs after the last
    // move: the switcher's answer to that move is then in.
    QObject::connect(sliGain, &QSlider::sliderReleased, frSlider, [this] { StartHoldTimer(); });

    frSlider->show();
    for (QWidget* w :
         std::initializer_list<QWidget*>{cmbSource, lblGain, sliGain, cmdZerodb, cmdBtn1, cmdBtn2,
                                         cmdBtn3, cmdBtn4, cmdOn, cmdOff})
        w->show();
    lblLink->hide();
    lblLocked->hide();
}

FaderStrip::~FaderStrip() {
    for (QWidget* w : std::initializer_list<QWidget*>{lblLocked, lblLink, cmbSource, lblGain,
                                                      sliGain, cmdZerodb, cmdBtn1, cmdBtn2, cmdBtn3,
                                                      cmdBtn4, cmdOn, cmdOff, frSlider})
        delete w;
}

ColourButton* FaderStrip::Button(StripButton button) const {
    switch (button) {
    case StripButton::On:
        return cmdOn;
    case StripButton::Off:
        return cmdOff;
    case StripButton::Btn1:
        return cmdBtn1;
    case StripButton::Btn2:
        return cmdBtn2;
    case StripButton::Btn3:
        return cmdBtn3;
    case StripButton::Btn4:
        return cmdBtn4;
    }
    return nullptr;
}

std::array<QWidget*, 9> FaderStrip::TabOrder() const {
    return {cmdZerodb, sliGain, cmdBtn1, cmdOn, cmdOff, cmbSource, cmdBtn2, cmdBtn3, cmdBtn4};
}

// ---- Display rules --------------------------------------------------------------------

void FaderStrip::ShowOnState(bool on) const {
    cmdOn->SetBackgroundColour(on ? OnColour : IdleColour);
    cmdOff->SetBackgroundColour(on ? IdleColour : ActiveColour);
}

void FaderStrip::ShowBus(StripButton bus, bool assigned) const {
    if (bus != StripButton::Btn1 && bus != StripButton::Btn2 && bus != StripButton::Btn3)
        return;
    Button(bus)->SetBackgroundColour(assigned ? ActiveColour : IdleColour);
}

void FaderStrip::ShowIFBHeld(bool held) const {
    cmdBtn4->SetBackgroundColour(held ? ActiveColour : IdleColour);
}

QString FaderStrip::GainLabelText(int gainPosition, double offThreshold) {
    // The dB figure is held in single precision and compared in it, so that -79.9 at the
    // bottom of the slider is not taken for "below -79.9".
    const float d = static_cast<float>(gainPosition - ZeroDbPosition) / 10.0f;
    if (d < static_cast<float>(offThreshold))
        return QStringLiteral("  Off");
    // Tenths of a dB are whole units of the position, so the figure is exact in decimal.
    const int tenths = gainPosition - ZeroDbPosition;
    QString number = QString::number(std::abs(tenths) / 10);
    if (std::abs(tenths) % 10 != 0)
        number += QLatin1Char('.') + QString::number(std::abs(tenths) % 10);
    if (tenths < 0)
        number.prepend(QLatin1Char('-'));
    return (d > 0 ? QStringLiteral("  +") : QStringLiteral("  ")) + number + QStringLiteral("db");
}

void FaderStrip::ShowGain(int gainPosition) const {
    ApplyGain(gainPosition);
}

// Every panel hears of every gain move: thousands a second can reach one strip. The
// first of them shows at once; those within the same frame of the display are kept, and
// the last of them shows when the frame is over.
void FaderStrip::ShowSwitcherGain(int gainPosition) const {
    if (gainFrame_.isActive() ||
        (lastGainShown_.isValid() && !lastGainShown_.hasExpired(GainFrameMs))) {
        pendingGain_ = gainPosition;
        if (!gainFrame_.isActive())
            gainFrame_.start(static_cast<int>(
                std::clamp<qint64>(GainFrameMs - lastGainShown_.elapsed(), 0, GainFrameMs)));
        return;
    }
    ApplyGain(gainPosition);
}

void FaderStrip::ApplyGain(int gainPosition) const {
    lastGainShown_.start();
    pendingGain_.reset();
    {
        // Set by the program, not moved by the operator: no move handler runs. A gain
        // outside 224 .. 1144 puts the thumb at the nearer end.
        const QSignalBlocker quiet(sliGain);
        sliGain->setValue(-gainPosition);
    }
    ShowGainLabel(gainPosition, SwitcherOffThreshold);
}

void FaderStrip::ShowMovedGain(int gainPosition) const {
    ShowGainLabel(gainPosition, MoveOffThreshold);
}

// The label, and the same gain for a screen reader: "-12.5 dB", "+12 dB", "Off".
void FaderStrip::ShowGainLabel(int gainPosition, double offThreshold) const {
    const QString text = GainLabelText(gainPosition, offThreshold);
    lblGain->setText(text);
    QString spoken = text.trimmed();
    double decibels = -100;
    if (spoken.endsWith(QStringLiteral("db"))) {
        spoken = spoken.chopped(2) + QStringLiteral(" dB");
        decibels = (gainPosition - ZeroDbPosition) / 10.0;
    }
    sliGain->ShowGainText(spoken, decibels);
}

// ---- Names --------------------------------------------------------------------------------

void FaderStrip::ShowSource(int entry, const QString& sourceName) {
    if (entry < cmbSource->count())
        cmbSource->setCurrentIndex(entry);
    NameAfterSource(sourceName);
}

void FaderStrip::NameAfterSource(const QString& sourceName) {
    if (sourceName == sourceName_)
        return;
    sourceName_ = sourceName;
    NameControls();
}

// Setting a name tells a screen reader that it changed.
void FaderStrip::NameControls() {
    const QString strip = QStringLiteral("Strip %1, ").arg(number_);
    const QString prefix =
        sourceName_.isEmpty() ? strip : strip + sourceName_ + QStringLiteral(", ");
    const auto name = [](QWidget* w, const QString& text) {
        if (w->accessibleName() != text)
            w->setAccessibleName(text);
    };
    // On this desktop a selector's name is the source it shows; what it is for is said
    // by its description (and by the strip around it, "Strip 2").
    name(cmbSource, strip + QStringLiteral("source"));
    if (cmbSource->accessibleDescription().isEmpty())
        cmbSource->setAccessibleDescription(strip + QStringLiteral("source"));
    name(sliGain, prefix + QStringLiteral("gain"));
    name(cmdZerodb, prefix + QStringLiteral("0 dB"));
    for (ColourButton* b : {cmdBtn1, cmdBtn2, cmdBtn3, cmdBtn4, cmdOn, cmdOff})
        name(b, prefix + b->text());
}

void FaderStrip::ShowLink(LinkState state) const {
    const bool live = state == LinkState::Live;
    // Disabling the frame disables every control in it and keeps each control's own
    // enabled setting (the source selector's) for when it is enabled again.
    frSlider->setEnabled(live);
    lblLink->setText(state == LinkState::Silent ? QStringLiteral("The switcher is not answering")
                                                : QStringLiteral("No connection to the switcher"));
    const bool appears = !live && lblLink->isHidden();
    lblLink->setVisible(!live);
    // A screen reader hears the line when it appears and the strip's name when it goes.
    const QString frameName = QStringLiteral("Strip %1").arg(number_);
    frSlider->setAccessibleName(live ? frameName
                                     : frameName + QStringLiteral(": ") + lblLink->text());
    if (!live)
        lblLink->raise();
    if (appears) {
        QAccessibleEvent alert(lblLink, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
}

void FaderStrip::ShowLocked(bool locked) const {
    lblLocked->setVisible(locked);
    if (locked)
        lblLocked->raise();
}

// ---- The operator's hold on the slider ------------------------------------------------

void FaderStrip::NoteOperatorMove() {
    lastMove_.start();
    if (heldGain_)
        holdTimer_.start(GainHoldMs);
}

bool FaderStrip::GainHeld() const {
    return sliGain->isSliderDown() || (lastMove_.isValid() && !lastMove_.hasExpired(GainHoldMs));
}

void FaderStrip::HoldSwitcherGain(int gainPosition) {
    heldGain_ = gainPosition; // the latest report is the switcher's gain
    if (!sliGain->isSliderDown() && !holdTimer_.isActive())
        StartHoldTimer();
}

void FaderStrip::StartHoldTimer() {
    if (!heldGain_)
        return;
    const qint64 left = lastMove_.isValid() ? GainHoldMs - lastMove_.elapsed() : 0;
    holdTimer_.start(static_cast<int>(std::clamp<qint64>(left, 0, GainHoldMs)));
}

void FaderStrip::ReleaseHeldGain() {
    if (!heldGain_ || sliGain->isSliderDown())
        return;
    const int gain = *heldGain_;
    heldGain_.reset();
    holdTimer_.stop();
    if (takeGain)
        takeGain(gain);
}

} // namespace orl
