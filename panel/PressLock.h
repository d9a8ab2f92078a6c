#pragma once
// The panel lock's hold on the mouse and the keyboard: while locked, no press, click,
// wheel turn or key reaches a control of the panel, so no slider moves and no list
// opens. Tab and keys with Alt, Ctrl or Meta still pass, to move the focus and reach the
// menus (File > Lock unlocks). The window's press procedures refuse presses from any
// other input themselves.

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace orl {

class PressLock : public QObject {
public:
    explicit PressLock(QWidget* panel) : panel_(panel) {}
    void SetLocked(bool locked);
    bool Locked() const { return locked_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> panel_;
    bool locked_ = false;
};

} // namespace orl
