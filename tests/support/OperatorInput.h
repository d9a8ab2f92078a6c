#pragma once
// Operator input the way the platform delivers it: keys go to a top-level window, which
// hands them to its focus widget (shortcuts and the focus chain included), and mouse clicks
// land at a window position, on whatever control lies there. A test picks a control only
// by clicking it or by moving the focus to it with Tab, as an operator does.

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>

namespace orl::test {

// Shows the top-level window of `widget`, makes it the active window and waits until it is.
inline bool ActivateWindow(QWidget* widget) {
    QWidget* top = widget->window();
    top->show();
    top->activateWindow();
    return QTest::qWaitForWindowActive(top);
}

inline QWindow* TopWindowOf(QWidget* widget) {
    return widget->window()->windowHandle();
}

// A press and release at `pos` in `target` (its centre when `pos` is null), sent to the
// top-level window at the matching window position.
inline void ClickAt(QWidget* target, QPoint pos = {}, Qt::MouseButton button = Qt::LeftButton) {
    if (pos.isNull())
        pos = target->rect().center();
    QTest::mouseClick(TopWindowOf(target), button, {}, target->mapTo(target->window(), pos));
}
inline void PressAt(QWidget* target, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mousePress(TopWindowOf(target), button, {},
                      target->mapTo(target->window(), target->rect().center()));
}
inline void ReleaseAt(QWidget* target, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseRelease(TopWindowOf(target), button, {},
                        target->mapTo(target->window(), target->rect().center()));
}

// One key to the window that holds `within` (the window passes it to its focus widget).
inline void Key(QWidget* within, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(TopWindowOf(within), key, modifiers);
}

// Types Latin-1 text into the window that holds `within`, one key per character.
inline void Type(QWidget* within, const QString& text) {
    for (const QChar c : text)
        QTest::keyClick(TopWindowOf(within), c.toLatin1());
}

// Presses Tab in the window of `target` until `target` has the focus (at most `limit`
// presses); false when the focus chain never reaches it.
inline bool TabTo(QWidget* target, int limit = 200) {
    for (int n = 0; n < limit && QApplication::focusWidget() != target; ++n)
        Key(target, Qt::Key_Tab);
    return QApplication::focusWidget() == target;
}

// Clicks into a text field (or an editable list) and replaces its text by typing.
inline void Retype(QWidget* field, const QString& text) {
    ClickAt(field);
    Key(field, Qt::Key_A, Qt::ControlModifier);
    Key(field, Qt::Key_Delete);
    Type(field, text);
}

} // namespace orl::test

#include <QTimer>

#include <functional>

namespace orl::test {

// Runs `onOpen` once for each modal window that opens while it lives (checked every 5 ms),
// so that a test can act inside a dialog the program shows with exec().
class WhenModal {
public:
    explicit WhenModal(std::function<void(QWidget*)> onOpen) : onOpen_(std::move(onOpen)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || modal == last_)
                return;
            last_ = modal;
            onOpen_(modal);
        });
        timer_.start(5);
    }

private:
    std::function<void(QWidget*)> onOpen_;
    QWidget* last_ = nullptr;
    QTimer timer_;
};

} // namespace orl::test
