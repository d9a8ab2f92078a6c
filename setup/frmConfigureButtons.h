#pragma once
// The modal dialog that configures the eight user buttons: type, label, control channel
// and tally channel of each. OK stores the rows in the panel state; writing them to the
// configuration file is the setup dialog's OK.

#include "ErrorLog.h"
#include "Table.h"
#include "Variables.h"

#include <QDialog>

#include <array>
#include <cstdint>

class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orl {

struct ButtonTypeEntry {
    const char* text;
    std::int16_t code;
};

// The type list of every row, in the order the operator sees it. The order is not the
// order of the codes, so positions and codes are only ever converted through this table.
inline constexpr std::array<ButtonTypeEntry, 11> ButtonTypeList{{
    {"Undefined", TypeCode(UserButtonType::Undefined)},
    {"Relay Momentary", TypeCode(UserButtonType::RelayMomentary)},
    {"Relay Toggle", TypeCode(UserButtonType::RelayToggle)},
    {"Relay Follows Button", TypeCode(UserButtonType::RelayFollows)},
    {"Opto Toggle", TypeCode(UserButtonType::OptoToggle)},
    {"Opto Follows Button", TypeCode(UserButtonType::OptoFollows)},
    {"Relay Momentary, Opto Tally", TypeCode(UserButtonType::RelayMomentaryOptoTally)},
    {"Relay Toggle, Opto Tally", TypeCode(UserButtonType::RelayToggleOptoTally)},
    {"Relay Follows Button, Opto Tally", TypeCode(UserButtonType::RelayFollowsOptoTally)},
    {"Opto Toggle, Opto Tally", TypeCode(UserButtonType::OptoToggleOptoTally)},
    {"Opto Follows Button, Opto Tally", TypeCode(UserButtonType::OptoFollowsOptoTally)},
}};

// Entries from this position on have an opto tally, so their rows' tally field is enabled.
inline constexpr int FirstTallyPosition = 6;

class frmConfigureButtons : public QDialog {
    Q_OBJECT
public:
    static constexpr int RowCount = 8;
    static constexpr int RowSpacing = 550;

    frmConfigureButtons(Variables& v, ErrorLog& log, QWidget* parent = nullptr);

    // The list position of a type code; a code the list lacks is position 0 ("Undefined").
    static int PositionOfType(std::int16_t code);
    // The code of a list position; any other position, -1 included, is 16383.
    static std::int16_t GetButtonType(int position);
    // The list position of the stored type of user button `button` (0 .. 7).
    int GetButtonIndex(int button);

    // Selection, edit and scroll of a row's type list all end here.
    void cmbType_Click(int row);
    void cmdOk_Click();
    void cmdCancel_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct ButtonRow {
        QLabel* lblButton = nullptr;
        QComboBox* cmbType = nullptr;
        QLineEdit* txtLabel = nullptr;
        QLineEdit* txtChannel1 = nullptr;
        QLineEdit* txtChannel2 = nullptr;
    };

    void BuildControls();
    void Form_Load();
    void ConnectRow(int row);
    void TypeTextEdited(int row, const QString& text);
    bool LabelsAreStorable();

    Variables& v_;
    ErrorLog& log_;
    Table<ButtonRow> rows_{RowCount};
    QPushButton* cmdOk_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

} // namespace orl
