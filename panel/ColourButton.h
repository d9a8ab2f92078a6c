#pragma once
// A graphical button whose background colour is its tally. A lit tally (any colour but
// IdleColour) also shows a dark bar along the bottom, so that it does not differ by hue
// alone, and is the button's checked state for a screen reader; a click does what it
// always did (the checked state follows the tally only).
// Besides clicked() it reports presses and releases (mouseDown / mouseUp): of any mouse
// button, and of Space or Enter while the button has the keyboard focus. A press is held
// from the first mouse button or key down until it ends, and every press ends with
// exactly one mouseUp, whatever ends it: the last mouse button or the key let go (the
// mouse over the button or anywhere else), a popup or menu taking the mouse, the window
// losing the focus (or, held by a key, the button losing it), the button being hidden or
// disabled, or EndPress.

#include "Colours.h"

#include <QBasicTimer>
#include <QPushButton>

namespace orl {

class ColourButton : public QPushButton {
    Q_OBJECT
public:
    explicit ColourButton(const QString& caption, QWidget* parent = nullptr);
    // The new colour is on screen within RepaintDelayMs.
    void SetBackgroundColour(Colour colour);
    Colour BackgroundColour() const { return colour_; }
    static constexpr int RepaintDelayMs = 16; // one frame of a 60 Hz display
    // The lit tally's bar: its height in pixels and its colour.
    static constexpr int LitBarHeight = 5;
    static constexpr Colour LitBarColour = RGBColour(32, 32, 32);

    bool PressHeld() const { return held_; }
    // Ends a press still held (mouseUp now); nothing when none is held.
    void EndPress();

signals:
    void mouseDown();
    void mouseUp();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // The checked state is the tally's: a click leaves it as it is.
    void nextCheckState() override {}
    void timerEvent(QTimerEvent* event) override;
    bool event(QEvent* event) override;
    // While a press is held: the releases and popups of the whole program.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StartPress();
    void FinishPress();

    Colour colour_ = IdleColour;
    QBasicTimer repaintTimer_;
    bool held_ = false;
    bool mouseHolds_ = false; // a mouse button of the press is down
    int holdingKey_ = 0;      // the key of the press that is down, 0 for none
};

} // namespace orl
