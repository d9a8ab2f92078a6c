#pragma once
// One fader strip: the frame frSlider and the ten controls inside it, created with the
// design properties of strip 0 and destroyed together, the controls first and the frame
// last. frmMain finds a strip by index and wires its controls to the named procedures.

#include "ColourButton.h"
#include "GainSlider.h"
#include "IPanelWindow.h"
#include "SourceSelector.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <array>
#include <functional>
#include <optional>
#include <utility>

namespace orl {

enum class StripButton { On, Off, Btn1, Btn2, Btn3, Btn4 }; // Btn1 PGM, 2 OFFLN, 3 CUE, 4 IFB

class FaderStrip {
public:
    // Strips stand this far apart, left edge to left edge.
    static constexpr int Spacing = 1720;
    // Gain slider range: the slider holds the negated gain position, so the top is +12 dB.
    static constexpr int SliderTop = -1144;
    static constexpr int SliderBottom = -224;

    // Below this a gain shows "  Off": the switcher's gain, and a move of the slider
    // (which never sends positions between 24 and 225).
    static constexpr double SwitcherOffThreshold = -99.9;
    static constexpr double MoveOffThreshold = -79.9;

    // Strip `number` (counted from 1, as the operator does) stands at its design position
    // on `panel` and is shown.
    FaderStrip(QWidget* panel, int number);
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
    // The switcher's gain: the thumb at the gain position and the label "  +12db",
    // "  -12.5db", or "  Off" below the switcher's threshold.
    void ShowGain(int gainPosition) const;
    // The switcher's gain: as ShowGain, but at most once a frame of the display.
    void ShowSwitcherGain(int gainPosition) const;
    // The operator moved the thumb to the gain position: the label follows it ("  Off"
    // below the move's threshold).
    void ShowMovedGain(int gainPosition) const;
    static QString GainLabelText(int gainPosition, double offThreshold);
    // The entry of the source list the switcher has for the strip, and its source's name
    // (empty for none); every control of the strip is named after it.
    void ShowSource(int entry, const QString& sourceName);
    // The operator chose the source; the controls are named after it.
    void NameAfterSource(const QString& sourceName);
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
    SourceSelector* cmbSource = nullptr;
    QLabel* lblGain = nullptr;
    GainSlider* sliGain = nullptr;
    QPushButton* cmdZerodb = nullptr;
    ColourButton* cmdBtn1 = nullptr; // PGM
    ColourButton* cmdBtn2 = nullptr; // OFFLN
    ColourButton* cmdBtn3 = nullptr; // CUE
    ColourButton* cmdBtn4 = nullptr; // IFB
    ColourButton* cmdOn = nullptr;
    ColourButton* cmdOff = nullptr;

private:
    void ShowGainLabel(int gainPosition, double offThreshold) const;
    // What a screen reader hears: "Strip 2, MIC 4, ON", one name per control.
    void NameControls();
    void ReleaseHeldGain(); // when the hold time after the last move is over
    void StartHoldTimer();  // for what is left of the hold time
    // The switcher's gain shown at most once a frame of the display (ShowSwitcherGain).
    static constexpr int GainFrameMs = 16;
    void ApplyGain(int gainPosition) const;
    mutable QElapsedTimer lastGainShown_;
    mutable QTimer gainFrame_;
    mutable std::optional<int> pendingGain_;
    QElapsedTimer lastMove_;
    std::optional<int> heldGain_;
    QTimer holdTimer_;
    int number_;
    QString sourceName_;
};

} // namespace orl
