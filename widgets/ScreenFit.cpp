#include "ScreenFit.h"

#include <QFrame>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace orl {

QSize FitClient(QSize content, QSize room, int bar) {
    bool across = content.width() > room.width(); // a horizontal bar is needed
    bool down = content.height() + (across ? bar : 0) > room.height();
    // A vertical bar takes width, which may make the horizontal one needed after all.
    if (down && !across) {
        across = content.width() + bar > room.width();
        down = content.height() + (across ? bar : 0) > room.height();
    }
    return {std::min(content.width() + (down ? bar : 0), room.width()),
            std::min(content.height() + (across ? bar : 0), room.height())};
}

QScrollArea* MakeScrollingClient(QWidget* parent, QWidget* content) {
    auto* area = new QScrollArea(parent);
    area->setObjectName(QStringLiteral("scrollingClient"));
    area->setFrameShape(QFrame::NoFrame);
    area->setFocusPolicy(Qt::NoFocus); // Tab goes from control to control as before
    area->setWidgetResizable(false);
    area->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    area->setWidget(content);
    return area;
}

QSize FitClientToScreen(const QWidget* window, const QScrollArea* area, QSize content,
                        int chromeHeight) {
    const QScreen* screen = window->screen();
    if (screen == nullptr)
        return content;
    QSize room = screen->availableGeometry().size();
    // The frame is known only once the window is shown (and decorated).
    if (window->isVisible())
        room -= window->frameGeometry().size() - window->geometry().size();
    room.setHeight(room.height() - chromeHeight);
    const int bar = area->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area);
    return FitClient(content, room.expandedTo(QSize(1, 1)), bar);
}

void KeepOnScreen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (screen == nullptr || !window->isVisible())
        return;
    const QRect room = screen->availableGeometry();
    const QRect frame = window->frameGeometry();
    QPoint at = frame.topLeft();
    at.setX(std::max(room.left(), std::min(at.x(), room.right() + 1 - frame.width())));
    at.setY(std::max(room.top(), std::min(at.y(), room.bottom() + 1 - frame.height())));
    if (at != frame.topLeft())
        window->move(at); // a window's position is that of its frame
}

} // namespace orl
