#include "Twips.h"

#include <QVariant>
#include <QWidget>

namespace orl {

namespace {

constexpr const char* TwipsProperty = "orlTwips";

void Remember(QWidget* widget, const QRect& twips) {
    widget->setProperty(TwipsProperty, twips);
}

} // namespace

void Place(QWidget* widget, int left, int top, int width, int height) {
    Remember(widget, QRect(left, top, width, height));
    widget->setGeometry(ToPixels(left), ToPixels(top), ToPixels(width), ToPixels(height));
}

void MoveTop(QWidget* widget, int top) {
    const QRect twips = TwipsGeometry(widget);
    Place(widget, twips.left(), top, twips.width(), twips.height());
}

QRect TwipsGeometry(const QWidget* widget) {
    return widget->property(TwipsProperty).toRect();
}

int LeftTwips(const QWidget* widget) {
    const QVariant stored = widget->property(TwipsProperty);
    if (stored.isValid() && ToPixels(stored.toRect().left()) == widget->x())
        return stored.toRect().left();
    return ToTwips(widget->x());
}

void SetLeftTwips(QWidget* widget, int twips) {
    widget->move(ToPixels(twips), widget->y());
    QRect remembered = TwipsGeometry(widget);
    if (remembered.isNull())
        remembered =
            QRect(0, ToTwips(widget->y()), ToTwips(widget->width()), ToTwips(widget->height()));
    remembered.moveLeft(twips);
    Remember(widget, remembered);
}

} // namespace orl
