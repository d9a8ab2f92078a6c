#include "FaderStrip.h"

#include "Controls.h"
#include "Look.h"
#include "Twips.h"

#include <initializer_list>

namespace orl {

namespace {

constexpr int DesignLeft = 240;
constexpr int FrameTop = 120;
constexpr int FrameWidth = 1695;
constexpr int FrameHeight = 9375;

ColourButton* StripButtonControl(QWidget* parent, const char* name, const QString& caption,
                                 int left, int top, int width, int height, double points) {
    auto* button = new ColourButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    Place(button, left, top, width, height);
    button->setFont(Font(QStringLiteral("Liberation Serif"), points));
    return button;
}

} // namespace

FaderStrip::FaderStrip(QWidget* panel) {
    frSlider = new QFrame(panel);
    frSlider->setObjectName(QStringLiteral("frSlider"));
    Place(frSlider, DesignLeft, FrameTop, FrameWidth, FrameHeight);
    PaintBackground(frSlider, PanelColour);
    QWidget* f = frSlider;

    cmbSource = new QComboBox(f);
    cmbSource->setObjectName(QStringLiteral("cmbSource"));
    cmbSource->setEditable(true);
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

    sliGain = new QSlider(Qt::Vertical, f);
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

    frSlider->show();
    for (QWidget* w :
         std::initializer_list<QWidget*>{cmbSource, lblGain, sliGain, cmdZerodb, cmdBtn1, cmdBtn2,
                                         cmdBtn3, cmdBtn4, cmdOn, cmdOff})
        w->show();
}

FaderStrip::~FaderStrip() {
    for (QWidget* w :
         std::initializer_list<QWidget*>{cmbSource, lblGain, sliGain, cmdZerodb, cmdBtn1, cmdBtn2,
                                         cmdBtn3, cmdBtn4, cmdOn, cmdOff, frSlider})
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

} // namespace orl
