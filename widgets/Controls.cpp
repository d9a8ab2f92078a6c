#include "Controls.h"

#include "Look.h"
#include "Twips.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orl {

namespace {

template <typename Widget>
Widget* Named(Widget* widget, const QString& name, int left, int top, int width, int height) {
    widget->setObjectName(name);
    Place(widget, left, top, width, height);
    return widget;
}

} // namespace

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                  int width, int height) {
    return Named(new QLabel(caption, parent), name, left, top, width, height);
}

QLineEdit* MakeTextBox(QWidget* parent, const QString& name, const QString& text, int left, int top,
                       int width, int height) {
    auto* box = new QLineEdit(text, parent);
    PaintTextBox(box);
    return Named(box, name, left, top, width, height);
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, int left,
                        int top, int width, int height) {
    return Named(new QPushButton(caption, parent), name, left, top, width, height);
}

QPushButton* MakeCommandButton(QWidget* parent, const QString& name, const QString& caption,
                               int left, int top, int width, int height) {
    QPushButton* button = MakeButton(parent, name, caption, left, top, width, height);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QCheckBox* MakeCheckBox(QWidget* parent, const QString& name, const QString& caption, int left,
                        int top, int width, int height) {
    return Named(new QCheckBox(caption, parent), name, left, top, width, height);
}

bool IsEnterKey(const QKeyEvent* event) {
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

bool ClickFocusedButton(QWidget* window, QKeyEvent* event) {
    if (!IsEnterKey(event))
        return false;
    if (event->isAutoRepeat())
        return true; // Enter held down clicks once
    auto* button = qobject_cast<QPushButton*>(window->focusWidget());
    if (button == nullptr || !button->isEnabled())
        return false;
    button->click();
    return true;
}

bool PressFocusedButton(QWidget* dialog, QKeyEvent* event) {
    if (!IsEnterKey(event))
        return false;
    ClickFocusedButton(dialog, event);
    return true;
}

QString Indexed(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

} // namespace orl
