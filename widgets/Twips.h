#pragma once
// Positions and sizes of the window layouts are in twips: 15 twips per pixel. A control
// placed here remembers the twips it was given, so a layout reads back the exact figures
// it set, without the rounding of the pixel grid.

#include <QRect>

class QWidget;

namespace orl {

constexpr int TwipsPerPixel = 15;
constexpr int ToPixels(int twips) {
    return twips / TwipsPerPixel;
}
constexpr int ToTwips(int pixels) {
    return pixels * TwipsPerPixel;
}

void Place(QWidget* widget, int left, int top, int width, int height);
void MoveTop(QWidget* widget, int top);
// The twips last given by Place, MoveTop or SetLeftTwips (a null rectangle for a control
// never placed).
QRect TwipsGeometry(const QWidget* widget);
// A control's left edge in twips: the exact figure it was placed at, as long as its pixel
// position has not been changed otherwise since.
int LeftTwips(const QWidget* widget);
void SetLeftTwips(QWidget* widget, int twips);

} // namespace orl
