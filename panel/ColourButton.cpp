#include "ColourButton.h"

#include "Look.h"

#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimerEvent>

namespace orl {

namespace {

// The frame comes from one style sheet that never changes: every style honours it for a
// push button, and the border keeps the button recognisable once the native frame is
// replaced. The background is left transparent there and filled by paintEvent, so a new
// tally colour costs a repaint, not a style-sheet recomputation.
const QString& FrameStyle() {
    static const QString style =
        QStringLiteral("QPushButton { background-color: transparent; color: black;"
                       " border: 1px solid #404040; }"
                       " QPushButton:focus { border: 2px solid black; }"
                       " QPushButton:pressed { border: 2px inset #404040; }");
    return style;
}

} // namespace

ColourButton::ColourButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setStyleSheet(FrameStyle());
    setAttribute(Qt::WA_OpaquePaintEvent); // paintEvent covers every pixel
}

// A flood of reports can change a tally thousands of times between two frames of the
// display; the button is repainted once for them, a frame later, with the last colour.
void ColourButton::SetBackgroundColour(Colour colour) {
    if (colour == colour_)
        return;
    colour_ = colour;
    if (!repaintTimer_.isActive())
        repaintTimer_.start(RepaintDelayMs, this);
}

void ColourButton::timerEvent(QTimerEvent* event) {
    if (event->timerId() != repaintTimer_.timerId()) {
        QPushButton::timerEvent(event);
        return;
    }
    repaintTimer_.stop();
    update();
}

// Captions wrap onto several lines, so a fifteen-character user-button label fits its
// narrow button as it does on the designed panel.
void ColourButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    // Under the frame as well: where the frame is drawn smoothed its pixels blend with it.
    // A disabled button (no link to the switcher) is dimmed: its tally half way to grey,
    // its caption grey, so that a stale tally does not read as the switcher's state.
    QColor fill = ToQColor(colour_);
    if (!isEnabled())
        fill = QColor((fill.red() + 96) / 2, (fill.green() + 96) / 2, (fill.blue() + 96) / 2);
    painter.fillRect(rect(), fill);
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.setPen(isEnabled() ? QColor(Qt::black) : QColor(64, 64, 64));
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
