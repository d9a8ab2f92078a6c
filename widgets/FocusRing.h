#pragma once
// The keyboard focus made plain to see: a ring, 2 pixels wide, in a colour that stands
// out at least 3:1 against the window's dark blue, drawn around whichever control of
// `area` has the focus (inside the control's own edge where its frame leaves no room
// outside). It takes no mouse input and changes nothing of the controls themselves.

#include "Colours.h"

#include <QPointer>
#include <QWidget>

namespace orl {

class FocusRing : public QWidget {
public:
    static constexpr int Width = 2;
    static constexpr Colour RingColour = RGBColour(255, 255, 255);

    // Follows the focus among the controls inside `area`; owned by `area`.
    explicit FocusRing(QWidget* area);

    // The control the ring is around, or nullptr while none of `area` has the focus.
    QWidget* Around() const { return around_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Follow(QWidget* focused);
    void Place();

    QWidget* area_;
    QPointer<QWidget> around_;
};

} // namespace orl
