#include "ColourButton.h"

#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace orl {

namespace {

QString StyleFor(Colour colour) {
    const QString rgb = QStringLiteral("#%1%2%3")
                            .arg(RedOf(colour), 2, 16, QLatin1Char('0'))
                            .arg(GreenOf(colour), 2, 16, QLatin1Char('0'))
                            .arg(BlueOf(colour), 2, 16, QLatin1Char('0'));
    // A style sheet is the one way every style honours for a push button's background;
    // the border keeps the button recognisable once the native frame is replaced.
    return QStringLiteral("QPushButton { background-color: %1; color: black;"
                          " border: 1px solid #404040; }"
                          " QPushButton:focus { border: 2px solid black; }"
                          " QPushButton:pressed { border: 2px inset #404040; }")
        .arg(rgb);
}

} // namespace

ColourButton::ColourButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setStyleSheet(StyleFor(colour_));
}

void ColourButton::SetBackgroundColour(Colour colour) {
    if (colour == colour_)
        return; // tallies are refreshed often; re-polishing an unchanged button is waste
    colour_ = colour;
    setStyleSheet(StyleFor(colour));
}

// Captions wrap onto several lines, so a fifteen-character user-button label fits its
// narrow button as it does on the designed panel.
void ColourButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.setPen(Qt::black);
    painter.drawText(rect().adjusted(2, 2, -2, -2), Qt::AlignCenter | Qt::TextWordWrap, caption);
}

// Press and release are reported for every mouse button, before the push button's own
// handling, so that a release is seen before the click it may produce.
void ColourButton::mousePressEvent(QMouseEvent* event) {
    emit mouseDown();
    QPushButton::mousePressEvent(event);
}

void ColourButton::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseUp();
    QPushButton::mouseReleaseEvent(event);
}

} // namespace orl
