// The button configuration dialog: eight rows filled from the user-button table, the
// type list and its codes, the tally field that follows the type, and OK and Cancel.

#include "ErrorLog.h"
#include "Files.h"
#include "OperatorInput.h"
#include "TempFolder.h"
#include "Twips.h"
#include "Variables.h"
#include "frmConfigureButtons.h"
#include "frmSetup.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

using namespace orl;
using orl::TwipsGeometry;
using namespace orl::test;

namespace {

class ConfigureButtons : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.Made());
        ProgramSetup(v, dir.Path().string());
        // A mix of types, labels and channels, one per button.
        const std::int16_t types[8] = {None, 1012, 1002, 1110, 1000, 555, 1101, 1011};
        for (int b = 0; b < 8; ++b) {
            UserButtonRecord& button = v.UserButtons[static_cast<std::size_t>(b)];
            button.ButtonType = types[b];
            button.Label = "Key " + std::to_string(b + 1);
            button.Channel1 = static_cast<std::int16_t>(10 + b);
            button.Channel2 = static_cast<std::int16_t>(20 + b);
        }
        loaded = v.UserButtons;
    }

    frmConfigureButtons& Open() {
        dialog = std::make_unique<frmConfigureButtons>(v, log);
        EXPECT_TRUE(ActivateWindow(dialog.get()));
        return *dialog;
    }

    template <typename W> W* Find(const char* name, int row) const {
        const QString full = QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(row);
        W* widget = dialog->findChild<W*>(full);
        EXPECT_NE(widget, nullptr) << full.toStdString();
        return widget;
    }
    QComboBox* Type(int row) const { return Find<QComboBox>("cmbType", row); }
    QLineEdit* Label(int row) const { return Find<QLineEdit>("txtLabel", row); }
    QLineEdit* Control(int row) const { return Find<QLineEdit>("txtChannel1", row); }
    QLineEdit* Tally(int row) const { return Find<QLineEdit>("txtChannel2", row); }
    QPushButton* Button(const char* name) const {
        return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    }

    // Picks a list entry with the keyboard, as the operator would: a click into the list,
    // then Down or Up.
    static void Pick(QComboBox* list, int position) {
        ClickAt(list);
        while (list->currentIndex() < position)
            Key(list, Qt::Key_Down);
        while (list->currentIndex() > position)
            Key(list, Qt::Key_Up);
    }

    std::string LogText() const { return ErrorLogText(dir.Path()); }

    static void ExpectSame(const UserButtonRecord& a, const UserButtonRecord& b, int row) {
        EXPECT_EQ(a.ButtonType, b.ButtonType) << "row " << row;
        EXPECT_EQ(a.Label, b.Label) << "row " << row;
        EXPECT_EQ(a.Channel1, b.Channel1) << "row " << row;
        EXPECT_EQ(a.Channel2, b.Channel2) << "row " << row;
    }

    TempFolder dir{"orl-buttons"};
    Variables v;
    ErrorLog log{v};
    std::array<UserButtonRecord, 8> loaded{};
    std::unique_ptr<frmConfigureButtons> dialog;
};

TEST(ButtonTypeList, PositionsAndCodesConvertThroughTheTableBothWays) {
    const std::int16_t codes[11] = {None, 1002, 1000, 1001, 1100, 1101,
                                    1012, 1010, 1011, 1110, 1111};
    for (int position = 0; position < 11; ++position) {
        EXPECT_EQ(frmConfigureButtons::GetButtonType(position), codes[position]) << position;
        EXPECT_EQ(frmConfigureButtons::PositionOfType(codes[position]), position) << position;
    }
    for (std::int16_t unknown : {std::int16_t{0}, std::int16_t{999}, std::int16_t{1003},
                                 std::int16_t{1102}, std::int16_t{-1}})
        EXPECT_EQ(frmConfigureButtons::PositionOfType(unknown), 0) << unknown;
    for (int position : {-1, 11, 100})
        EXPECT_EQ(frmConfigureButtons::GetButtonType(position), None) << position;
}

TEST_F(ConfigureButtons, OpensWithEightRowsFromTheButtonTable) {
    frmConfigureButtons& d = Open();
    EXPECT_EQ(d.windowTitle(), "Configure Buttons");
    EXPECT_EQ(QApplication::focusWidget(), Button("cmdOk"));
    // Stored code -> selected position, tally field enabled.
    const int positions[8] = {0, 6, 1, 9, 2, 0, 5, 8};
    const bool tally[8] = {false, true, false, true, false, false, false, true};
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(Find<QLabel>("lblButton", row)->text(), QStringLiteral("Button %1").arg(row + 1));
        ASSERT_EQ(Type(row)->count(), 11);
        EXPECT_EQ(Type(row)->itemText(6), "Relay Momentary, Opto Tally");
        EXPECT_EQ(Type(row)->currentIndex(), positions[row]) << row;
        EXPECT_EQ(Tally(row)->isEnabled(), tally[row]) << row;
        EXPECT_EQ(Label(row)->text(), QStringLiteral("Key %1").arg(row + 1));
        EXPECT_EQ(Control(row)->text(), QString::number(10 + row));
        EXPECT_EQ(Tally(row)->text(), QString::number(20 + row));
        EXPECT_EQ(TwipsGeometry(Type(row)).top(), 1000 + 550 * row);
        EXPECT_EQ(TwipsGeometry(Tally(row)), QRect(7100, 960 + 550 * row, 1000, 380));
    }
    EXPECT_EQ(Type(0)->itemText(0), "Undefined");
    EXPECT_EQ(Type(0)->itemText(10), "Opto Follows Button, Opto Tally");
    EXPECT_EQ(Type(0)->palette().color(QPalette::Base), QColor(129, 191, 255));
    EXPECT_EQ(Label(7)->palette().color(QPalette::Text), QColor(117, 95, 68));
}

TEST_F(ConfigureButtons, OkWithNothingChangedWritesBackWhatWasLoaded) {
    Open();
    // Enter in a field presses nothing; Enter on the focused OK presses it.
    ClickAt(Label(0));
    Key(dialog.get(), Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    ASSERT_TRUE(TabTo(Button("cmdOk")));
    Key(dialog.get(), Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    for (int row = 0; row < 8; ++row) {
        UserButtonRecord expected = loaded[static_cast<std::size_t>(row)];
        if (row == 5)
            expected.ButtonType = None; // a code the list lacks opens and stays "Undefined"
        ExpectSame(v.UserButtons[static_cast<std::size_t>(row)], expected, row);
    }
}

TEST_F(ConfigureButtons, TallyFieldFollowsTheSelectedType) {
    Open();
    Pick(Type(2), 7);
    EXPECT_TRUE(Tally(2)->isEnabled());
    Pick(Type(2), 2);
    EXPECT_FALSE(Tally(2)->isEnabled());
    EXPECT_EQ(Tally(2)->text(), "22") << "disabling keeps the number";
    Pick(Type(4), 5);
    EXPECT_FALSE(Tally(4)->isEnabled());
    Pick(Type(4), 6);
    EXPECT_TRUE(Tally(4)->isEnabled());

    // Typing into the list's text leaves no entry selected.
    Pick(Type(1), 10);
    orl::test::Type(dialog.get(), QStringLiteral("x"));
    EXPECT_EQ(Type(1)->currentIndex(), -1);
    EXPECT_FALSE(Tally(1)->isEnabled());

    ClickAt(Button("cmdOk"));
    EXPECT_EQ(v.UserButtons[2].ButtonType, 1000);
    EXPECT_EQ(v.UserButtons[2].Channel2, 22) << "stored also from a disabled tally field";
    EXPECT_EQ(v.UserButtons[4].ButtonType, 1012);
    EXPECT_EQ(v.UserButtons[1].ButtonType, None);
}

TEST_F(ConfigureButtons, TypedTextSelectsAnEntryOnlyWhenItIsExactlyItsName) {
    Open();
    const struct {
        int row;
        const char* typed;
        int position; // -1: no entry selected
        std::int16_t stored;
    } cases[] = {
        {0, "Relay", -1, None},                   // part of a name completes to nothing
        {1, "relay toggle", -1, None},            // the case must match
        {2, "Opto Toggle, Opto", -1, None},       // past an exact name, then not one
        {3, "Relay Toggle, Opto Tally", 7, 1010}, // exactly a name: that entry
        {4, "Opto Follows Button", 5, 1101},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        Retype(Type(c.row), QString::fromLatin1(c.typed));
        EXPECT_EQ(Type(c.row)->currentIndex(), c.position);
        EXPECT_EQ(Tally(c.row)->isEnabled(), c.position >= 6);
    }
    ClickAt(Button("cmdOk")); // leaves the last list by the mouse, as the operator does
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(Type(c.row)->currentText(), QString::fromLatin1(c.typed)) << "kept as typed";
        EXPECT_EQ(v.UserButtons[static_cast<std::size_t>(c.row)].ButtonType, c.stored);
    }
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(ConfigureButtons, ControlChannelTooLargeStopsOkAtItsRow) {
    Open();
    for (int row = 0; row < 8; ++row) {
        Pick(Type(row), 7);
        Retype(Label(row), QStringLiteral("New %1").arg(row));
        Retype(Control(row), QString::number(100 + row));
        Retype(Tally(row), QString::number(200 + row));
    }
    Retype(Control(3), QStringLiteral("70000"));
    ClickAt(Button("cmdOk"));

    EXPECT_TRUE(dialog->isVisible());
    for (int row = 0; row < 3; ++row) {
        const UserButtonRecord& b = v.UserButtons[static_cast<std::size_t>(row)];
        EXPECT_EQ(b.ButtonType, 1010) << row;
        EXPECT_EQ(b.Label, "New " + std::to_string(row));
        EXPECT_EQ(b.Channel1, 100 + row);
        EXPECT_EQ(b.Channel2, 200 + row);
    }
    EXPECT_EQ(v.UserButtons[3].ButtonType, 1010);
    EXPECT_EQ(v.UserButtons[3].Label, "New 3");
    EXPECT_EQ(v.UserButtons[3].Channel1, 13);
    EXPECT_EQ(v.UserButtons[3].Channel2, 23);
    for (int row = 4; row < 8; ++row)
        ExpectSame(v.UserButtons[static_cast<std::size_t>(row)],
                   loaded[static_cast<std::size_t>(row)], row);
    const std::string logText = LogText();
    EXPECT_NE(logText.find("Setup Error"), std::string::npos);
    EXPECT_NE(logText.find("Error Configuring Buttons: Error # "), std::string::npos);
    EXPECT_NE(logText.find("Overflow"), std::string::npos);
}

// A double quote would start a quoted item in the configuration file and take the lines
// after it: such a label is refused before any row is stored. A comma is taken (the
// file keeps the label up to it).
TEST_F(ConfigureButtons, ALabelWithADoubleQuoteIsRefusedAndNothingIsStored) {
    for (const char* label : {"Cue,\"Talk", "\"", "Say \"hi\""}) {
        Open();
        Retype(Label(0), QStringLiteral("Fine"));
        Retype(Label(5), QString::fromLatin1(label));
        QStringList seen;
        WhenModal closer([&seen](QWidget* modal) {
            seen << modal->windowTitle();
            modal->close();
        });
        ClickAt(Button("cmdOk"));
        EXPECT_EQ(seen, QStringList{QStringLiteral("Label Error")}) << label;
        EXPECT_TRUE(dialog->isVisible()) << label;
        EXPECT_EQ(dialog->focusWidget(), Label(5)) << label;
        for (int row = 0; row < 8; ++row)
            ExpectSame(v.UserButtons[static_cast<std::size_t>(row)],
                       loaded[static_cast<std::size_t>(row)], row);
    }
    Open();
    Retype(Label(5), QStringLiteral("Cue,Talk"));
    ClickAt(Button("cmdOk"));
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(v.UserButtons[5].Label, "Cue,Talk");
}

TEST_F(ConfigureButtons, CancelAfterChangingEveryRowStoresNothing) {
    Open();
    for (int row = 0; row < 8; ++row) {
        Pick(Type(row), 10 - row);
        Retype(Label(row), QStringLiteral("Changed"));
        Retype(Control(row), QStringLiteral("5"));
        Retype(Tally(row), QStringLiteral("6"));
    }
    ClickAt(Button("cmdCancel"));
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    for (int row = 0; row < 8; ++row)
        ExpectSame(v.UserButtons[static_cast<std::size_t>(row)],
                   loaded[static_cast<std::size_t>(row)], row);
}

} // namespace
