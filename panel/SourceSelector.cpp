#include "SourceSelector.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>

namespace orl {

SourceSelector::SourceSelector(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // A click or Tab picks the selector; the wheel alone does not.
    setFocusPolicy(Qt::StrongFocus);
    // Whatever the program or a pick from the list puts in the field shows from its start;
    // what the operator types keeps its cursor.
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] {
        if (!typing_)
            lineEdit()->setCursorPosition(0);
    });
}

void SourceSelector::wheelEvent(QWheelEvent* event) {
    if (!hasFocus()) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

void SourceSelector::keyPressEvent(QKeyEvent* event) {
    typing_ = true;
    QComboBox::keyPressEvent(event);
    typing_ = false;
}

// The list opens as the toolkit places it, then widens to its longest name (never
// narrower than the selector) and moves left as far as the screen's edge requires.
void SourceSelector::showPopup() {
    QComboBox::showPopup();
    QAbstractItemView* list = view();
    QWidget* popup = list->window();
    if (popup == this || popup == window())
        return;
    const QFontMetrics metrics = list->fontMetrics();
    int widest = 0;
    for (int row = 0; row < count(); ++row)
        widest = std::max(widest, metrics.horizontalAdvance(itemText(row)));
    const int margins = popup->width() - list->viewport()->width();
    const int padding = 2 * style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) +
                        metrics.averageCharWidth();
    const int width = widest + padding + margins;
    if (width <= popup->width())
        return;
    QRect geometry = popup->geometry();
    geometry.setWidth(width);
    if (const QScreen* screen = this->screen()) {
        const QRect room = screen->availableGeometry();
        if (geometry.right() > room.right())
            geometry.moveRight(room.right());
        if (geometry.left() < room.left())
            geometry.moveLeft(room.left());
    }
    popup->setGeometry(geometry);
}

} // namespace orl
