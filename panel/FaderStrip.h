#pragma once
// One fader strip: the frame frSlider and the ten controls inside it, created with the
// design properties of strip 0 and destroyed together, the controls first and the frame
// last. frmMain finds a strip by index and wires its controls to the named procedures.

#include "ColourButton.h"
#include "IPanelWindow.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <array>
#include <functional>
#include <optional>

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

    // ---- The display rules: what the strip's state looks like, one rule per control ----
    // ON lit (OnColour) and OFF idle when on; OFF lit (ActiveColour) and ON idle when off.
    void ShowOnState(bool on) const;
    // PGM, OFFLN or CUE lit (ActiveColour) while the channel is assigned to that bus.
    void ShowBus(StripButton bus, bool assigned) const;
    // IFB lit while its take is held.
    void ShowIFBHeld(bool held) const;
    // The thumb at the gain position and the label "  +12db", "  -12.5db" or "  Off"
    // below the threshold (-99.9 for the switcher's value, -79.9 for a move).
    void ShowGain(int gainPosition, double offThreshold) const;
    static QString GainLabelText(int gainPosition, double offThreshold);
    // Live: usable. Otherwise every control is dimmed and disabled, and a line over the
    // strip says why ("No connection to the switcher", "The switcher is not answering").
    void ShowLink(LinkState state) const;
    QLabel* lblLink = nullptr;
    // "Locked" across the strip, large enough to read across a room, while the panel lock
    // refuses presses; the tallies and the gain stay in sight.
    void ShowLocked(bool locked) const;
    QLabel* lblLocked = nullptr;

    // ---- The operator's hold on the slider ----
    // A gain from the switcher is kept back while the operator holds the slider or moved
    // it within the last GainHoldMs; it is handed to `takeGain` once the slider is free.
    static constexpr int GainHoldMs = 500;
    void NoteOperatorMove();
    bool GainHeld() const;
    void HoldSwitcherGain(int gainPosition);
    std::function<void(int gainPosition)> takeGain;

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

private:
    void ReleaseHeldGain(); // when the hold time after the last move is over
    void StartHoldTimer();  // for what is left of the hold time
    QElapsedTimer lastMove_;
    std::optional<int> heldGain_;
    QTimer holdTimer_;
};

} // namespace orl
