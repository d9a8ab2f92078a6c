#pragma once
// The column of eight user buttons in its frame frBtns, and the one rule that places it:
// to the right of the last fader strip, with the window's right edge after it.

#include "ColourButton.h"
#include "FaderStrip.h"

#include <QFrame>

#include <array>
#include <cstdint>
#include <optional>

namespace orl {

// From the left of the last control (strip or column) to the window's right edge.
constexpr int RightEdgeAllowance = 1920;

class ButtonColumn {
public:
    static constexpr int ButtonCount = 8;

    // The column at its design position on `panel`, hidden; the buttons read "Inactive".
    explicit ButtonColumn(QWidget* panel);

    QFrame* Frame() const { return frBtns_; }
    ColourButton* Button(int index) const; // throws the subscript error outside 0 .. 7
    const std::array<ColourButton*, ButtonCount>& Buttons() const { return cmdUserButton_; }

    // The display rules of a button: its caption (the label), and what a screen reader
    // hears with it (its number, label and kind: toggle, follows, momentary); its tally
    // lit (ActiveColour and the mark of a lit button) or idle.
    void ShowLabel(int index, const QString& label, std::int16_t buttonType) const;
    void ShowTally(int index, bool lit) const;

    // Shown: the column follows the strip whose left is `lastStripLeft`, and the window
    // width it needs is returned. Hidden: nothing is returned, the width is the caller's.
    std::optional<int> Follow(int lastStripLeft, bool display);

private:
    QFrame* frBtns_ = nullptr;
    std::array<ColourButton*, ButtonCount> cmdUserButton_{};
};

} // namespace orl
