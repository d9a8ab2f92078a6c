#include "ColourButton.h"

#include "KeyState.h"
#include "Look.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimerEvent>

#include <algorithm>

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
    setCheckable(true);                    // checked while the tally is lit, for a screen reader
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
    // Told to a screen reader once per frame, with the state the button now shows.
    setChecked(colour_ != IdleColour);
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
    option.state &= ~QStyle::State_On; // checked is the tally, drawn as its colour and bar
    painter.drawControl(QStyle::CE_PushButton, option);
    if (colour_ != IdleColour) {
        // Inside the frame (2 pixels wide when focused), across the whole width.
        const int inset = 2;
        const int height = std::min(LitBarHeight, std::max(1, this->height() / 6));
        QColor bar = ToQColor(LitBarColour);
        if (!isEnabled())
            bar = QColor(64, 64, 64);
        painter.fillRect(QRect(inset, this->height() - inset - height, width() - 2 * inset, height),
                         bar);
    }
    painter.setPen(isEnabled() ? QColor(Qt::black) : QColor(64, 64, 64));
    painter.drawText(rect().adjusted(2, 2, -2, -2), Qt::AlignCenter | Qt::TextWordWrap, caption);
}

// Press and release are reported before the push button's own handling, so that a
// release is seen before the click it may produce. A second mouse button pressed while
// one is held belongs to the same press.
void ColourButton::mousePressEvent(QMouseEvent* event) {
    mouseHolds_ = true;
    StartPress();
    QPushButton::mousePressEvent(event);
}

void ColourButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->buttons() == Qt::NoButton) {
        mouseHolds_ = false;
        if (holdingKey_ == 0)
            FinishPress();
    }
    QPushButton::mouseReleaseEvent(event);
}

namespace {

bool IsHoldKey(const QKeyEvent* event) {
    return event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
           event->key() == Qt::Key_Enter;
}

} // namespace

// A key held down repeats its press and release; only the first press and the last
// release count.
void ColourButton::keyPressEvent(QKeyEvent* event) {
    if (holdingKey_ != 0 && event->key() == holdingKey_) {
        event->accept(); // the held key repeating, marked as a repeat or not: no new click
        return;
    }
    if (IsHoldKey(event) && !event->isAutoRepeat() && holdingKey_ == 0 &&
        event->modifiers() == Qt::NoModifier) {
        holdingKey_ = event->key();
        StartPress();
    }
    QPushButton::keyPressEvent(event);
}

void ColourButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == holdingKey_ && !event->isAutoRepeat()) {
        if (KeyStillDown(event))
            return; // a repeat of the held key, not marked as one: not even a click
        holdingKey_ = 0;
        if (!mouseHolds_)
            FinishPress();
    }
    QPushButton::keyReleaseEvent(event);
}

// The release of a key goes to the focused control: a button that lost the focus will
// not see it.
void ColourButton::focusOutEvent(QFocusEvent* event) {
    if (holdingKey_ != 0)
        EndPress();
    QPushButton::focusOutEvent(event);
}

void ColourButton::StartPress() {
    if (held_)
        return; // a second mouse button or a key while one holds it: the same press
    held_ = true;
    // The release may reach another window (a menu opened meanwhile), or none at all.
    qApp->installEventFilter(this);
    emit mouseDown();
}

void ColourButton::FinishPress() {
    mouseHolds_ = false;
    holdingKey_ = 0;
    if (!held_)
        return;
    held_ = false;
    qApp->removeEventFilter(this);
    emit mouseUp();
}

// The button stops looking pressed as well: it will not see the release of this press.
void ColourButton::EndPress() {
    if (!held_)
        return;
    FinishPress();
    setDown(false);
}

bool ColourButton::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::Hide:
    case QEvent::WindowDeactivate:
        EndPress();
        break;
    case QEvent::EnabledChange:
        if (!isEnabled())
            EndPress(); // a disabled button is sent no mouse release
        break;
    default:
        break;
    }
    return QPushButton::event(event);
}

bool ColourButton::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        // The release of this press, wherever it goes (it passes the window before the
        // button); the button's own handling then finds the press over, and clicks.
        if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton && mouseHolds_) {
            mouseHolds_ = false;
            if (holdingKey_ == 0)
                FinishPress();
        }
    } else if (event->type() == QEvent::Show && watched->isWidgetType() &&
               static_cast<QWidget*>(watched)->windowType() == Qt::Popup) {
        EndPress(); // a menu or list took the mouse
    }
    return QPushButton::eventFilter(watched, event);
}

} // namespace orl
