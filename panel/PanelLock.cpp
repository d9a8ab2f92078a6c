// The panel lock: File > Lock / Unlock, what it refuses and how the window shows it.

#include "frmMain.h"

#include "PressLock.h"

#include <QAccessible>
#include <QAction>

namespace orl {

namespace {
const QString LockedDescription =
    QStringLiteral("Panel locked: presses are refused until File, Unlock");
} // namespace

void frmMain::mnuLock_Click() {
    SetLocked(!Locked());
}

bool frmMain::Locked() const {
    return lock_->Locked();
}

bool frmMain::PressesRefused() const {
    return !link_.Live() || Locked();
}

void frmMain::SetLocked(bool locked) {
    if (locked == Locked())
        return;
    lock_->SetLocked(locked);
    mnuLock_->setText(locked ? QStringLiteral("Un&lock") : QStringLiteral("&Lock"));
    for (const std::unique_ptr<FaderStrip>& s : strips_)
        s->ShowLocked(locked);
    // A screen reader hears the change at once, and finds it in the window's description.
    setAccessibleDescription(locked ? LockedDescription : QString());
    QAccessibleEvent described(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&described);
    QAccessibleEvent alert(locked ? strips_.front()->lblLocked : static_cast<QObject*>(this),
                           QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
    emit stateShown();
}

} // namespace orl
