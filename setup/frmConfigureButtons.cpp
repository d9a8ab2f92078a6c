#include "frmConfigureButtons.h"

#include "Controls.h"
#include "Look.h"
#include "OrlError.h"
#include "Twips.h"
#include "Values.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

namespace orl {

namespace {

const char* const FailureMessage = "Error Configuring Buttons";
const char* const FailureTitle = "Setup Error";
// A double quote would start a quoted item in the configuration file.
const char* const LabelMessage = "A button label cannot contain a double quote (\").";
const char* const LabelTitle = "Label Error";

UserButtonRecord& ButtonAt(Variables& v, long long button) {
    if (button < 0 || button >= static_cast<long long>(v.UserButtons.size()))
        ThrowSubscript();
    return v.UserButtons[static_cast<std::size_t>(button)];
}

// An editable list whose typed text stays as typed: no completion to an entry (which
// would choose that entry when the field is left) and nothing typed is added to the list.
void MakeTypedTextPlain(QComboBox* list) {
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setCompleter(nullptr);
}

QComboBox* MakeTypeList(QWidget* parent, const QString& name, int left, int top) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    MakeTypedTextPlain(list);
    QPalette palette = list->palette();
    const QColor colour = ToQColor(DialogColour);
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Button, colour);
    list->setPalette(palette);
    Place(list, left, top, 2700, 315);
    return list;
}

// A copy of row 0's `model` one row below `above`, shown.
template <typename Widget>
Widget* CopyRowBelow(QWidget* parent, const Widget* model, const Widget* above, const char* name,
                     int row) {
    Widget* widget =
        CopyBelow(parent, model, above, Indexed(name, row), frmConfigureButtons::RowSpacing);
    widget->show();
    return widget;
}

QPushButton* MakeOkCancelButton(QWidget* parent, const char* name, const char* caption,
                                const char* toolTip, int left) {
    QPushButton* button = MakeCommandButton(parent, name, caption, left, 5520, 1215, 372);
    button->setToolTip(QString::fromLatin1(toolTip));
    return button;
}

} // namespace

frmConfigureButtons::frmConfigureButtons(Variables& v, ErrorLog& log, QWidget* parent)
    : QDialog(parent), v_(v), log_(log) {
    setWindowTitle(QStringLiteral("Configure Buttons"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    PaintDialog(this);
    setFixedSize(ToPixels(8325), ToPixels(6165));
    BuildControls();
    Form_Load();
    cmdOk_->setFocus();
}

// Focusable controls are created in their tab order; rows 1 to 7 follow at the end.
void frmConfigureButtons::BuildControls() {
    cmdOk_ = MakeOkCancelButton(this, "cmdOk", "&Ok", "Accept current settings", 4590);
    cmdCancel_ =
        MakeOkCancelButton(this, "cmdCancel", "&Cancel", "Abort any changes and exit", 2400);
    MakeLabel(this, QStringLiteral("lblBtn"), QStringLiteral("Button"), 120, 360, 750, 255);
    MakeLabel(this, QStringLiteral("LblType"), QStringLiteral("Type"), 1000, 360, 855, 255);
    MakeLabel(this, QStringLiteral("lblChan1"), QStringLiteral("Control "), 5800, 360, 855, 255);
    MakeLabel(this, QStringLiteral("lblChan2"), QStringLiteral("Tally"), 7100, 360, 855, 255);
    ButtonRow& row = rows_[0];
    row.cmbType = MakeTypeList(this, Indexed("cmbType", 0), 1000, 1000);
    row.txtChannel1 =
        MakeTextBox(this, Indexed("txtChannel1", 0), QStringLiteral("16383"), 5800, 960, 1000, 380);
    row.txtChannel2 =
        MakeTextBox(this, Indexed("txtChannel2", 0), QStringLiteral("Text1"), 7100, 960, 1000, 380);
    row.lblButton =
        MakeLabel(this, Indexed("lblButton", 0), QStringLiteral("Button 1"), 120, 1060, 750, 255);
    MakeLabel(this, QStringLiteral("lblLabel"), QStringLiteral("Button Label"), 4000, 360, 1335,
              255);
    row.txtLabel =
        MakeTextBox(this, Indexed("txtLabel", 0), QStringLiteral("Inactive"), 4000, 960, 1500, 380);
    ConnectRow(0);

    connect(cmdOk_, &QPushButton::clicked, this, &frmConfigureButtons::cmdOk_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &frmConfigureButtons::cmdCancel_Click);
}

void frmConfigureButtons::ConnectRow(int row) {
    QComboBox* list = rows_[row].cmbType;
    connect(list, &QComboBox::currentIndexChanged, this, [this, row] { cmbType_Click(row); });
    connect(list, &QComboBox::editTextChanged, this, [this, row] { cmbType_Click(row); });
    connect(list->lineEdit(), &QLineEdit::textEdited, this,
            [this, row](const QString& text) { TypeTextEdited(row, text); });
    connect(list->view()->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this, row] { cmbType_Click(row); });
}

void frmConfigureButtons::Form_Load() {
    try {
        const ButtonRow& model = rows_[0];
        for (int i = 1; i < RowCount; ++i) {
            const ButtonRow& above = rows_[i - 1];
            ButtonRow& row = rows_[i];
            row.lblButton = CopyRowBelow(this, model.lblButton, above.lblButton, "lblButton", i);
            row.lblButton->setText(QStringLiteral("Button %1").arg(i + 1));
            row.cmbType = CopyRowBelow(this, model.cmbType, above.cmbType, "cmbType", i);
            MakeTypedTextPlain(row.cmbType);
            row.txtLabel = CopyRowBelow(this, model.txtLabel, above.txtLabel, "txtLabel", i);
            row.txtChannel1 =
                CopyRowBelow(this, model.txtChannel1, above.txtChannel1, "txtChannel1", i);
            row.txtChannel2 =
                CopyRowBelow(this, model.txtChannel2, above.txtChannel2, "txtChannel2", i);
            ConnectRow(i);
        }
        for (int i = 0; i < RowCount; ++i) {
            const ButtonRow& row = rows_[i];
            // What a screen reader says with each field: its row and column.
            const QString button = QStringLiteral("Button %1 ").arg(i + 1);
            row.cmbType->setAccessibleName(button + QStringLiteral("type"));
            row.txtLabel->setAccessibleName(button + QStringLiteral("label"));
            row.txtChannel1->setAccessibleName(button + QStringLiteral("control channel"));
            row.txtChannel2->setAccessibleName(button + QStringLiteral("tally channel"));
        }
        for (int i = 0; i < RowCount; ++i) {
            const ButtonRow& row = rows_[i];
            const UserButtonRecord& button = ButtonAt(v_, i);
            row.cmbType->clear();
            for (const ButtonTypeEntry& entry : ButtonTypeList)
                row.cmbType->addItem(QString::fromLatin1(entry.text));
            row.cmbType->setCurrentIndex(GetButtonIndex(i));
            cmbType_Click(i);
            row.txtLabel->setText(FromText(button.Label));
            row.txtChannel1->setText(QString::number(button.Channel1));
            row.txtChannel2->setText(QString::number(button.Channel2));
        }
    } catch (...) {
        log_.ReportError(FailureMessage, FailureTitle);
    }
}

int frmConfigureButtons::PositionOfType(std::int16_t code) {
    for (std::size_t position = 0; position < ButtonTypeList.size(); ++position)
        if (ButtonTypeList[position].code == code)
            return static_cast<int>(position);
    return 0;
}

std::int16_t frmConfigureButtons::GetButtonType(int position) {
    if (position < 0 || position >= static_cast<int>(ButtonTypeList.size()))
        return None;
    return ButtonTypeList[static_cast<std::size_t>(position)].code;
}

int frmConfigureButtons::GetButtonIndex(int button) {
    try {
        return PositionOfType(ButtonAt(v_, button).ButtonType);
    } catch (...) {
        log_.ReportError(FailureMessage, FailureTitle);
        return 0;
    }
}

void frmConfigureButtons::cmbType_Click(int row) {
    try {
        const ButtonRow& r = rows_[row];
        if (r.cmbType == nullptr || r.txtChannel2 == nullptr)
            return; // the row is still being built
        r.txtChannel2->setEnabled(r.cmbType->currentIndex() >= FirstTallyPosition);
    } catch (...) {
        log_.ReportError(FailureMessage, FailureTitle);
    }
}

// Typing into the list's text leaves no entry selected, as the typed text need not be
// one of the entries; the text itself stays as typed.
void frmConfigureButtons::TypeTextEdited(int row, const QString& text) {
    try {
        QComboBox* list = rows_[row].cmbType;
        const int named = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (list->currentIndex() != named) {
            const int cursor = list->lineEdit()->cursorPosition();
            {
                const QSignalBlocker blocker(list);
                list->setCurrentIndex(named);
                list->setEditText(text);
            }
            list->lineEdit()->setCursorPosition(cursor);
        }
        cmbType_Click(row);
    } catch (...) {
        log_.ReportError(FailureMessage, FailureTitle);
    }
}

// A label the configuration file could not give back is refused before anything is
// stored: the message, then the focus on that label.
bool frmConfigureButtons::LabelsAreStorable() {
    for (int i = 0; i < RowCount; ++i) {
        QLineEdit* label = rows_[i].txtLabel;
        if (!label->text().contains(QLatin1Char('"')))
            continue;
        QMessageBox box(QMessageBox::Critical, QString::fromLatin1(LabelTitle),
                        QString::fromLatin1(LabelMessage), QMessageBox::Ok, this);
        box.exec();
        label->setFocus();
        label->selectAll();
        return false;
    }
    return true;
}

void frmConfigureButtons::cmdOk_Click() {
    try {
        if (!LabelsAreStorable())
            return;
        for (int i = 0; i < RowCount; ++i) {
            const ButtonRow& row = rows_[i];
            UserButtonRecord& button = ButtonAt(v_, i);
            button.ButtonType = GetButtonType(row.cmbType->currentIndex());
            button.Label = ToText(row.txtLabel->text());
            button.Channel1 = IntegerOfText(ToText(row.txtChannel1->text()));
            button.Channel2 = IntegerOfText(ToText(row.txtChannel2->text()));
        }
        accept();
    } catch (...) {
        log_.ReportError(FailureMessage, FailureTitle);
    }
}

void frmConfigureButtons::cmdCancel_Click() {
    reject();
}

void frmConfigureButtons::keyPressEvent(QKeyEvent* event) {
    if (!PressFocusedButton(this, event))
        QDialog::keyPressEvent(event);
}

} // namespace orl
