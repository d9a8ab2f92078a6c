// The fader strips: creating and removing them as the fader count changes, the window
// width that follows, the gain slider with its label and the "0db" button.

#include "frmMain.h"

#include "Controls.h"
#include "Look.h"
#include "OrlError.h"
#include "Twips.h"
#include "Values.h"

#include <QSignalBlocker>

#include <cmath>
#include <cstdlib>

namespace orl {

namespace {

constexpr int StripSpacing = 1720;
constexpr int StripWidthAllowance = 1920; // last strip's left to the window's right edge
constexpr int FirstStripLeft = 120;       // after LoadFaders
constexpr int SingleStripLeft = 240;      // as designed, and after UnloadFaders to one strip
constexpr int SingleStripWidth = 2325;
constexpr int FrameTop = 120;
constexpr int FrameWidth = 1695;
constexpr int FrameHeight = 9375;

constexpr int SliderTop = -1144; // the slider holds the negated gain position: top = +12 dB
constexpr int SliderBottom = -224;
constexpr int ZeroDbPosition = 1024;
constexpr int OffPosition = 24;
constexpr int LowestSentPosition = 225;
constexpr double InitOffThreshold = -99.9;
constexpr double MoveOffThreshold = -79.9;

ColourButton* StripButtonControl(QWidget* parent, const char* name, const QString& caption,
                                 int left, int top, int width, int height, double points) {
    auto* button = new ColourButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    Place(button, left, top, width, height);
    button->setFont(Font(QStringLiteral("Liberation Serif"), points));
    return button;
}

void CheckStrip(int index, int count) {
    if (index < 0 || index >= count)
        ThrowSubscript();
}

} // namespace

// ---- Creating and wiring one strip ------------------------------------------------------

void frmMain::CreateStrip(int index) {
    if (index != StripCount())
        ThrowInvalidCall(); // strips are only ever added at the right-hand end
    FaderStrip s;
    s.frSlider = new QFrame(panel_);
    s.frSlider->setObjectName(QStringLiteral("frSlider"));
    Place(s.frSlider, SingleStripLeft, FrameTop, FrameWidth, FrameHeight);
    PaintBackground(s.frSlider, PanelColour);
    QWidget* f = s.frSlider;

    s.cmbSource = new QComboBox(f);
    s.cmbSource->setObjectName(QStringLiteral("cmbSource"));
    s.cmbSource->setEditable(true);
    s.cmbSource->setInsertPolicy(QComboBox::NoInsert);
    // No completion: it would turn a typed number or part of a name into a chosen entry
    // (and send it) when the field is left.
    s.cmbSource->setCompleter(nullptr);
    Place(s.cmbSource, 10, 240, 1700, 315);
    s.cmbSource->setFont(Font(QStringLiteral("Liberation Sans"), 8.25, true));
    PaintOnPanel(s.cmbSource);

    s.lblGain =
        MakeLabel(f, QStringLiteral("lblGain"), QStringLiteral("Gain (0db)"), 600, 5580, 1080, 255);
    s.lblGain->setFont(Font(QStringLiteral("Liberation Sans"), 8.25, true));
    PaintOnPanel(s.lblGain);

    s.sliGain = new QSlider(Qt::Vertical, f);
    s.sliGain->setObjectName(QStringLiteral("sliGain"));
    Place(s.sliGain, 520, 1475, 630, 3975);
    s.sliGain->setRange(SliderTop, SliderBottom);
    s.sliGain->setInvertedAppearance(true); // the minimum (highest gain) at the top
    s.sliGain->setInvertedControls(true);   // so that Up and Page Up raise the gain
    s.sliGain->setSingleStep(1);
    s.sliGain->setPageStep(5);
    s.sliGain->setTickInterval(50);
    s.sliGain->setTickPosition(QSlider::TicksRight);
    s.sliGain->setValue(SliderBottom);
    s.sliGain->setFocusPolicy(Qt::StrongFocus);

    s.cmdZerodb =
        MakeButton(f, QStringLiteral("cmdZerodb"), QStringLiteral("0db"), 120, 5580, 480, 200);
    s.cmdZerodb->setToolTip(QStringLiteral("Clear Command History"));

    s.cmdBtn1 = StripButtonControl(f, "cmdBtn1", QStringLiteral("PGM"), 120, 720, 735, 615, 9.75);
    s.cmdBtn2 = StripButtonControl(f, "cmdBtn2", QStringLiteral("OFFLN"), 900, 720, 735, 615, 9.75);
    s.cmdBtn3 = StripButtonControl(f, "cmdBtn3", QStringLiteral("CUE"), 120, 6000, 735, 615, 9.75);
    s.cmdBtn4 = StripButtonControl(f, "cmdBtn4", QStringLiteral("IFB"), 900, 6000, 735, 615, 9.75);
    s.cmdOn = StripButtonControl(f, "cmdOn", QStringLiteral("ON"), 240, 6840, 1215, 1095, 24);
    s.cmdOff = StripButtonControl(f, "cmdOff", QStringLiteral("OFF"), 240, 8160, 1215, 1095, 24);

    strips_.push_back(s);
    s.frSlider->show();
    for (QWidget* w :
         std::initializer_list<QWidget*>{s.cmbSource, s.lblGain, s.sliGain, s.cmdZerodb, s.cmdBtn1,
                                         s.cmdBtn2, s.cmdBtn3, s.cmdBtn4, s.cmdOn, s.cmdOff})
        w->show();
}

void frmMain::DestroyStrip(int index) {
    // The strip the window is designed with stays; others go from the right-hand end only.
    if (index < 1 || index != StripCount() - 1)
        ThrowInvalidCall();
    const FaderStrip s = strips_.back();
    strips_.pop_back();
    for (QWidget* w : std::initializer_list<QWidget*>{s.cmbSource, s.lblGain, s.sliGain,
                                                      s.cmdZerodb, s.cmdBtn1, s.cmdBtn2, s.cmdBtn3,
                                                      s.cmdBtn4, s.cmdOn, s.cmdOff, s.frSlider})
        delete w;
}

void frmMain::ConnectStripSignals(int index) {
    CheckStrip(index, StripCount());
    const FaderStrip& s = strips_[static_cast<std::size_t>(index)];
    const int i = index;
    connect(s.cmdOn, &QPushButton::clicked, this,
            [this, i] { Guarded([=, this] { cmdOn_Click(i); }); });
    connect(s.cmdOff, &QPushButton::clicked, this,
            [this, i] { Guarded([=, this] { cmdOff_Click(i); }); });
    connect(s.cmdBtn1, &QPushButton::clicked, this,
            [this, i] { Guarded([=, this] { cmdBtn1_Click(i); }); });
    connect(s.cmdBtn2, &QPushButton::clicked, this,
            [this, i] { Guarded([=, this] { cmdBtn2_Click(i); }); });
    connect(s.cmdBtn3, &QPushButton::clicked, this,
            [this, i] { Guarded([=, this] { cmdBtn3_Click(i); }); });
    connect(s.cmdBtn4, &ColourButton::mouseDown, this,
            [this, i] { Guarded([=, this] { cmdBtn4_MouseDown(i); }); });
    connect(s.cmdBtn4, &ColourButton::mouseUp, this,
            [this, i] { Guarded([=, this] { cmdBtn4_MouseUp(i); }); });
    connect(s.cmbSource, &QComboBox::activated, this,
            [this, i](int) { Guarded([=, this] { cmbSource_Click(i); }); });
    // Every position change reaches the move handler except those the program makes
    // itself (signals blocked, or UpdatingControls) and Home/End, sent on key release.
    connect(s.sliGain, &QSlider::valueChanged, this, [this, i](int) {
        if (!keyMoveInProgress_)
            Guarded([=, this] { sliGain_Scroll(i); });
    });
    connect(s.cmdZerodb, &QPushButton::clicked, this,
            [this, i] { Guarded([=, this] { cmdZerodb_Click(i); }); });
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
    for (const FaderStrip& s : strips_) {
        next(s.cmdZerodb);
        next(s.sliGain);
        next(s.cmdBtn1);
        next(s.cmdOn);
        next(s.cmdOff);
        next(s.cmbSource);
        next(s.cmdBtn2);
        next(s.cmdBtn3);
        next(s.cmdBtn4);
    }
    for (ColourButton* b : cmdUserButton_)
        next(b);
}

// ---- Adding and removing strips ---------------------------------------------------------

namespace {

// Step 2 of the window layout: the button column, when shown, follows the last strip.
void PlaceButtonColumn(frmMain& window, QFrame* frBtns, bool display, int lastStripLeft) {
    if (display) {
        frBtns->show();
        SetLeftTwips(frBtns, lastStripLeft + StripSpacing);
        window.SetWindowWidthTwips(LeftTwips(frBtns) + StripWidthAllowance);
    } else {
        frBtns->hide();
    }
}

} // namespace

void frmMain::LoadFaders() {
    try {
        CheckStrip(0, StripCount());
        SetLeftTwips(strips_[0].frSlider, FirstStripLeft);
        for (int i = v_.LoadedFaderCount; i <= v_.FaderCount - 1; ++i) {
            CheckStrip(i - 1, StripCount());
            const QFrame* previous = strips_[static_cast<std::size_t>(i - 1)].frSlider;
            if (i == StripCount()) {
                CreateStrip(i);
                ConnectStripSignals(i);
            }
            QFrame* frame = strips_[static_cast<std::size_t>(i)].frSlider;
            frame->move(frame->x(), previous->y());
            SetLeftTwips(frame, LeftTwips(previous) + StripSpacing);
            frame->show();
            if (v_.PendingRequestMask1 == 0 && v_.PendingRequestMask2 == 0) {
                LoadInputCombo(i);
                InitSlider(i);
            }
        }
        ChainTabOrder();
        v_.LoadedFaderCount = v_.FaderCount;
        CheckStrip(v_.FaderCount - 1, StripCount());
        const int last = LeftTwips(Strip(v_.FaderCount - 1).frSlider);
        SetWindowWidthTwips(last + StripWidthAllowance);
        PlaceButtonColumn(*this, frBtns_, v_.DisplayButtonPanel, last);
    } catch (...) {
        log_.WriteErrorLog("Error Loading Faders", "Display Error");
    }
}

void frmMain::UnloadFaders() {
    try {
        // Refuse a count that would take the designed strip away before removing anything.
        CheckStrip(v_.FaderCount - 1, StripCount());
        for (int i = v_.LoadedFaderCount - 1; i >= v_.FaderCount; --i)
            DestroyStrip(i);
        v_.LoadedFaderCount = v_.FaderCount;
        SetWindowWidthTwips(LeftTwips(Strip(v_.FaderCount - 1).frSlider) + StripWidthAllowance);
        if (v_.FaderCount == 1) {
            SetLeftTwips(strips_[0].frSlider, SingleStripLeft);
            SetWindowWidthTwips(SingleStripWidth);
        }
        PlaceButtonColumn(*this, frBtns_, v_.DisplayButtonPanel,
                          LeftTwips(Strip(v_.FaderCount - 1).frSlider));
    } catch (...) {
        log_.WriteErrorLog("Error Loading Faders", "Display Error");
    }
}

// ---- Gain --------------------------------------------------------------------------------

QString frmMain::GainLabelText(int gainPosition, double offThreshold) {
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

void frmMain::InitSlider(int index) {
    // Only a strip that exists can be set; a strip created by LoadFaders is set before
    // LoadedFaderCount is raised to include it.
    if (index > StripCount() - 1)
        return;
    v_.UpdatingControls = true;
    try {
        CheckStrip(index, StripCount());
        const FaderStrip& s = strips_[static_cast<std::size_t>(index)];
        const DeviceIDRecord& r = v_.DeviceIDs[v_.FaderDeviceID[index]];
        if (RoundHalfEven(r.ChannelStatus / 64.0) != 0) {
            s.cmdOn->SetBackgroundColour(OnColour);
            s.cmdOff->SetBackgroundColour(IdleColour);
            v_.FaderOnState[index] = 1;
        } else {
            s.cmdOff->SetBackgroundColour(ActiveColour);
            s.cmdOn->SetBackgroundColour(IdleColour);
            v_.FaderOnState[index] = 0;
        }
        const std::int16_t gain = r.Gain;
        v_.FaderGain[index] = gain;
        {
            // A stored gain outside 224 .. 1144 puts the thumb at the nearer end.
            const QSignalBlocker quiet(s.sliGain);
            s.sliGain->setValue(-static_cast<int>(gain));
        }
        s.lblGain->setText(GainLabelText(gain, InitOffThreshold));
    } catch (...) {
        v_.UpdatingControls = false;
        log_.WriteErrorLog("Error initializing Faders", "Display Error");
        return;
    }
    v_.UpdatingControls = false;
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
        CheckStrip(index, StripCount());
        const FaderStrip& s = strips_[static_cast<std::size_t>(index)];
        int gain = std::abs(s.sliGain->value());
        if (gain < LowestSentPosition)
            gain = OffPosition;
        v_.FaderGain[index] = ToInteger(static_cast<long long>(gain));
        s.lblGain->setText(GainLabelText(gain, MoveOffThreshold));
        link_.SendGainChange(20, gain, v_.FaderDeviceID[index], None);
    } catch (...) {
        log_.WriteErrorLog("Error Sending gain change", "Connection Error");
    }
}

void frmMain::sliGain_KeyUp(int index, int keyCode) {
    if (keyCode == 35 || keyCode == 36) // End, Home
        sliGain_Scroll(index);
}

void frmMain::cmdZerodb_Click(int index) {
    CheckStrip(index, StripCount());
    QSlider* slider = strips_[static_cast<std::size_t>(index)].sliGain;
    {
        const QSignalBlocker quiet(slider);
        slider->setValue(-ZeroDbPosition);
    }
    sliGain_Scroll(index);
    slider->setFocus();
}

} // namespace orl
