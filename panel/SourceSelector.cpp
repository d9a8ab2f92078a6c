#include "SourceSelector.h"

#include <QAbstractItemView>
#include <QKeyEvent>
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

int SourceSelector::HighlightedEntry() const {
    if (highlight_ < 0 || highlight_ >= count() || currentText() != itemText(highlight_))
        return -1;
    return highlight_;
}

// The field shows the entry above or below the one it shows now; nothing is chosen.
bool SourceSelector::MoveHighlight(const QKeyEvent* event) {
    if ((event->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) != 0 || count() == 0)
        return false;
    int step = 0;
    switch (event->key()) {
    case Qt::Key_Up:
        step = -1;
        break;
    case Qt::Key_Down:
        step = 1;
        break;
    case Qt::Key_PageUp:
        step = -PageStep;
        break;
    case Qt::Key_PageDown:
        step = PageStep;
        break;
    default:
        return false;
    }
    const int from = HighlightedEntry() >= 0 ? highlight_ : std::max(currentIndex(), 0);
    highlight_ = std::clamp(from + step, 0, count() - 1);
    setEditText(itemText(highlight_));
    lineEdit()->setCursorPosition(0);
    return true;
}

void SourceSelector::keyPressEvent(QKeyEvent* event) {
    if (MoveHighlight(event))
        return;
    if (event->key() == Qt::Key_Escape && currentText() != itemText(currentIndex())) {
        // The highlight or what was typed goes; the current choice shows again.
        highlight_ = -1;
        setEditText(currentIndex() >= 0 ? itemText(currentIndex()) : QString());
        lineEdit()->setCursorPosition(0);
        return;
    }
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
