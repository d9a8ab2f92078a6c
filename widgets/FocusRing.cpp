#include "FocusRing.h"

#include "Look.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace orl {

FocusRing::FocusRing(QWidget* area) : QWidget(area), area_(area) {
    setObjectName(QStringLiteral("focusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { Follow(now); });
}

void FocusRing::Follow(QWidget* focused) {
    // Only the controls a key can reach.
    const bool ours = focused != nullptr && focused != area_ && area_->isAncestorOf(focused) &&
                      (focused->focusPolicy() & Qt::TabFocus) != 0;
    if (around_ != nullptr && around_ != focused)
        around_->removeEventFilter(this);
    around_ = ours ? focused : nullptr;
    if (around_ == nullptr) {
        hide();
        return;
    }
    around_->installEventFilter(this);
    Place();
}

// Around the control, within its parent: where the parent's edge is nearer than the
// ring's width the ring moves inside the control's own edge.
void FocusRing::Place() {
    QWidget* parent = around_->parentWidget();
    const QRect ring =
        around_->geometry().adjusted(-Width, -Width, Width, Width).intersected(parent->rect());
    setGeometry(QRect(parent->mapTo(area_, ring.topLeft()), ring.size()));
    show();
    raise();
    update();
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
    if (watched == around_) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
            Place();
            break;
        case QEvent::Hide:
            hide();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FocusRing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor colour = ToQColor(RingColour);
    const QRect r = rect();
    painter.fillRect(QRect(r.left(), r.top(), r.width(), Width), colour);
    painter.fillRect(QRect(r.left(), r.bottom() - Width + 1, r.width(), Width), colour);
    painter.fillRect(QRect(r.left(), r.top(), Width, r.height()), colour);
    painter.fillRect(QRect(r.right() - Width + 1, r.top(), Width, r.height()), colour);
}

} // namespace orl
