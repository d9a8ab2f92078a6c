#pragma once
// A graphical button whose background colour is its tally. Besides clicked() it reports
// presses and releases of any mouse button (mouseDown / mouseUp), which the keyboard
// never produces.

#include "Colours.h"

#include <QPushButton>

namespace orl {

class ColourButton : public QPushButton {
    Q_OBJECT
public:
    explicit ColourButton(const QString& caption, QWidget* parent = nullptr);
    void SetBackgroundColour(Colour colour);
    Colour BackgroundColour() const { return colour_; }

signals:
    void mouseDown();
    void mouseUp();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Colour colour_ = IdleColour;
};

} // namespace orl
