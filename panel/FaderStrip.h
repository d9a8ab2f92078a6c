#pragma once
// One fader strip: the frame frSlider and the ten controls inside it, created with the
// design properties of strip 0 and destroyed together, the controls first and the frame
// last. frmMain finds a strip by index and wires its controls to the named procedures.

#include "ColourButton.h"
#include "IPanelWindow.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <array>

namespace orl {

class FaderStrip {
public:
    // Strips stand this far apart, left edge to left edge.
    static constexpr int Spacing = 1720;
    // Gain slider range: the slider holds the negated gain position, so the top is +12 dB.
    static constexpr int SliderTop = -1144;
    static constexpr int SliderBottom = -224;

    // The strip stands at its design position on `panel` and is shown.
    explicit FaderStrip(QWidget* panel);
    ~FaderStrip();
    FaderStrip(const FaderStrip&) = delete;
    FaderStrip& operator=(const FaderStrip&) = delete;

    ColourButton* Button(StripButton button) const;
    // The focusable controls in their tab order.
    std::array<QWidget*, 9> TabOrder() const;

    QFrame* frSlider = nullptr;
    QComboBox* cmbSource = nullptr;
    QLabel* lblGain = nullptr;
    QSlider* sliGain = nullptr;
    QPushButton* cmdZerodb = nullptr;
    ColourButton* cmdBtn1 = nullptr; // PGM
    ColourButton* cmdBtn2 = nullptr; // OFFLN
    ColourButton* cmdBtn3 = nullptr; // CUE
    ColourButton* cmdBtn4 = nullptr; // IFB
    ColourButton* cmdOn = nullptr;
    ColourButton* cmdOff = nullptr;
};

} // namespace orl
