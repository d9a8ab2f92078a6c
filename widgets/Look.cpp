#include "Look.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

#include <initializer_list>

namespace orl {

namespace {

// The usual disabled look: the text greyed, on the background the control has enabled.
void GreyWhenDisabled(QPalette& palette, std::initializer_list<QPalette::ColorRole> textRoles) {
    const QColor grey = QApplication::palette().color(QPalette::Disabled, QPalette::Text);
    for (QPalette::ColorRole role : textRoles)
        palette.setColor(QPalette::Disabled, role, grey);
}

} // namespace

QColor ToQColor(Colour colour) {
    return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

QFont Font(const QString& family, double points, bool bold) {
    QFont font(family);
    font.setPointSizeF(points);
    if (bold)
        font.setBold(true);
    return font;
}

void PaintBackground(QWidget* widget, Colour colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, ToQColor(colour));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void PaintOnPanel(QWidget* widget) {
    QPalette palette = widget->palette();
    const QColor text = QApplication::palette().color(QPalette::HighlightedText);
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        palette.setColor(role, ToQColor(PanelColour));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, text);
    GreyWhenDisabled(palette, {QPalette::WindowText, QPalette::Text, QPalette::ButtonText});
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void PaintDialog(QWidget* dialog) {
    PaintBackground(dialog, DialogColour);
    // The layout was sized for the small sans-serif desktop font of its time; the
    // metric-compatible face keeps every caption inside its control.
    dialog->setFont(QFont(QStringLiteral("Liberation Sans"), 8));
}

void PaintTextBox(QWidget* textBox) {
    QPalette palette = textBox->palette();
    palette.setColor(QPalette::Base, ToQColor(TextBoxColour));
    palette.setColor(QPalette::Text, ToQColor(TextBoxTextColour));
    GreyWhenDisabled(palette, {QPalette::Text});
    textBox->setPalette(palette);
}

QString FromText(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToText(const QString& text) {
    return text.toLatin1().toStdString();
}

} // namespace orl
