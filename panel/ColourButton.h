#pragma once
// A graphical button whose background colour is its tally. Besides clicked() it reports
// presses and releases of any mouse button (mouseDown / mouseUp), which the keyboard
// never produces.

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

signals:
    void mouseDown();
    void mouseUp();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    Colour colour_ = IdleColour;
    QBasicTimer repaintTimer_;
};

} // namespace orl
