#pragma once
// Windows that may be larger than the screen. A window's client is laid out at a fixed
// size; when the available area of its screen (less the window's frame and menu bar)
// cannot hold it, the client scrolls inside the frame and the window is kept within that
// area. When it fits, the window is exactly as large as its client and shows no scroll
// bar and no frame of its own.

#include <QSize>

class QScrollArea;
class QWidget;

namespace orl {

// The visible size of a client of `content` pixels in `room` pixels: the content itself
// when it fits, otherwise no more than the room, with the thickness `bar` of each scroll
// bar the clipped content then needs.
QSize FitClient(QSize content, QSize room, int bar);

// A frameless scroll area without a focus of its own, holding `content` at the size it
// is given and showing scroll bars only when its own size is smaller.
QScrollArea* MakeScrollingClient(QWidget* parent, QWidget* content);

// The visible client size for `content` in `window`: the available area of the window's
// screen, less its frame (once the window is shown) and `chromeHeight` (a menu bar).
QSize FitClientToScreen(const QWidget* window, const QScrollArea* area, QSize content,
                        int chromeHeight = 0);

// Moves a shown window, frame included, into the available area of its screen when part
// of it lies outside; a window already within it does not move.
void KeepOnScreen(QWidget* window);

} // namespace orl
