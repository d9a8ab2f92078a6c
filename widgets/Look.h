#pragma once
// The look of the program's windows: colours as 0x00BBGGRR values turned into Qt's,
// fonts by face and size, the backgrounds of the main window and the dialogs, and text
// that passes to and from the controls as Latin-1 (8-bit text, never UTF-8).

#include "Colours.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <string>
#include <string_view>

class QWidget;

namespace orl {

// The dialogs' light blue, and the beige and brown of their text boxes.
constexpr Colour DialogColour = RGBColour(129, 191, 255);
constexpr Colour TextBoxColour = RGBColour(223, 213, 200);
constexpr Colour TextBoxTextColour = RGBColour(117, 95, 68);

QColor ToQColor(Colour colour);
QFont Font(const QString& family, double points, bool bold = false);

// A plain filled background, as frames and forms have.
void PaintBackground(QWidget* widget, Colour colour);
// The panel's dark blue with the highlight-text colour, for the gain label and source list.
void PaintOnPanel(QWidget* widget);
// Background and font of a dialog and of the labels, check boxes and option buttons on it.
void PaintDialog(QWidget* dialog);
void PaintTextBox(QWidget* textBox);

// Latin-1 both ways: what the operator types is stored as 8-bit text.
QString FromText(std::string_view text);
std::string ToText(const QString& text);

} // namespace orl
