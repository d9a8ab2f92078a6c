#pragma once
// A graphical button whose background colour is its tally. Besides clicked() it reports
// presses and releases of any mouse button (mouseDown / mouseUp), which the keyboard
// never produces. A press is held from the first mouse button down until it ends, and
// every press ends with exactly one mouseUp, whatever ends it: the last mouse button let
// go (over the button or anywhere else), a popup or menu taking the mouse, the window
// losing the focus, the button being hidden or disabled, or EndPress.

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
    void timerEvent(QTimerEvent* event) override;
    bool event(QEvent* event) override;
    // While a press is held: the releases and popups of the whole program.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FinishPress();

    Colour colour_ = IdleColour;
    QBasicTimer repaintTimer_;
    bool held_ = false;
};

} // namespace orl
