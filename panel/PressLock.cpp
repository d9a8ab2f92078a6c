#include "PressLock.h"

#include <QApplication>
#include <QKeyEvent>

namespace orl {

void PressLock::SetLocked(bool locked) {
    if (locked == locked_)
        return;
    locked_ = locked;
    // Seen before any widget's own handling, and only while locked: an unlocked panel
    // pays nothing.
    if (locked)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool PressLock::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
            (key->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier)) != 0)
            return false;
        break;
    }
    default:
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget != nullptr && panel_ != nullptr &&
           (widget == panel_ || panel_->isAncestorOf(widget));
}

} // namespace orl
