#pragma once
// Factories of the controls the windows are built from, each named and placed in twips,
// and the Enter rule of the dialogs.

#include "Twips.h"

#include <QString>

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace orl {

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                  int width, int height);
// A text box in the dialogs' colours.
QLineEdit* MakeTextBox(QWidget* parent, const QString& name, const QString& text, int left, int top,
                       int width, int height);
QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, int left,
                        int top, int width, int height);
// A dialog's command button: Enter presses it only while it has the focus (see
// PressFocusedButton), never as the dialog's default button from a text box.
QPushButton* MakeCommandButton(QWidget* parent, const QString& name, const QString& caption,
                               int left, int top, int width, int height);
QCheckBox* MakeCheckBox(QWidget* parent, const QString& name, const QString& caption, int left,
                        int top, int width, int height);

// The character code of Enter, as the key handlers of the windows receive it.
constexpr int EnterKey = 13;
// Return or the keypad's Enter.
bool IsEnterKey(const QKeyEvent* event);

// Enter on a focused button of `window` clicks it, as Space does. True when it did.
bool ClickFocusedButton(QWidget* window, QKeyEvent* event);
// The dialogs' rule: Enter on a focused command button presses it, as the Windows
// desktop does; Enter anywhere else presses nothing. True when the key was taken.
bool PressFocusedButton(QWidget* dialog, QKeyEvent* event);

// "name(index)": the object name of member `index` of an indexed control set.
QString Indexed(const char* name, int index);

// A new member of an indexed control set: a copy of member 0, `model` (size, left,
// colours, font), `spacing` twips below `above`. Not yet shown.
template <typename Widget>
Widget* CopyBelow(QWidget* parent, const Widget* model, const Widget* above, const QString& name,
                  int spacing) {
    auto* widget = new Widget(parent);
    widget->setObjectName(name);
    widget->setPalette(model->palette());
    widget->setFont(model->font());
    const QRect size = TwipsGeometry(model);
    Place(widget, size.left(), TwipsGeometry(above).top() + spacing, size.width(), size.height());
    return widget;
}

} // namespace orl
