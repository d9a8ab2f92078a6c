#include "KeyState.h"

#include <QGuiApplication>
#include <QKeyEvent>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace orl {

bool KeyStillDown(const QKeyEvent* release) {
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    const quint32 keycode = release->nativeScanCode();
    if (x11 == nullptr || x11->connection() == nullptr || keycode == 0 || keycode > 255)
        return false;
    xcb_connection_t* connection = x11->connection();
    const std::unique_ptr<xcb_query_keymap_reply_t, decltype(&std::free)> keymap(
        xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr), &std::free);
    if (!keymap)
        return false;
    return (keymap->keys[keycode / 8] & (1U << (keycode % 8))) != 0;
}

} // namespace orl
