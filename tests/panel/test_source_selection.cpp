// The source combo box of a strip: its list, choosing by list and by typed number, and
// showing the source the switcher reports without sending anything back.

#include "OperatorInput.h"
#include "PanelTestFixture.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace orl;
using orl::test::PanelTest;
using namespace orl::test;

namespace {

constexpr const char* SourceNone = "D3 01 01 00 05 07 00 7E 7F 00 0B FF";
constexpr const char* Source1 = "D3 01 01 00 05 07 00 00 00 00 0E FF";
constexpr const char* Source2 = "D3 01 01 00 05 07 00 01 00 00 0F FF";
constexpr const char* Source3 = "D3 01 01 00 05 07 00 02 00 00 10 FF";
constexpr const char* Source4 = "D3 01 01 00 05 07 00 03 00 00 11 FF";
constexpr const char* Source5 = "D3 01 01 00 05 07 00 04 00 00 12 FF";

class SourceSelection : public PanelTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(PanelTest::SetUp());
        ASSERT_TRUE(ActivateWindow(window.get()));
        ASSERT_NO_FATAL_FAILURE(ConnectToServer());

        v.FaderDeviceID[0] = 7;
        SetInputs({"Mic 1", "Mic 2", "Phone", "Line", "Music"});
    }

    void SetInputs(std::initializer_list<const char*> names) {
        v.InputCount = static_cast<std::int16_t>(names.size());
        v.InputNames.Recreate(names.size());
        int n = 0;
        for (const char* name : names)
            v.InputNames[n++] = name;
        window->LoadInputCombo(0);
    }

    // Shows the source the switcher reports for device 7 (zero-based, or None) and forgets
    // what that marked and sent.
    void Show(std::int16_t reported) {
        v.DeviceIDs[7].Source = reported;
        window->UpdateActiveSource(0);
        ClearMarks();
        Sent();
    }

    void ClearMarks() {
        for (auto& channel : v.InputChannels)
            channel.AttributesWanted = false;
        v.InchanRequestPending = false;
    }

    int Marked() const {
        int marked = -1;
        for (long long n = 0; n <= v.InputChannels.UBound(); ++n)
            if (v.InputChannels[n].AttributesWanted)
                marked = marked == -1 ? static_cast<int>(n) : -2;
        return marked; // the one input marked, -1 for none, -2 for several
    }

    QComboBox* Combo() const { return window->Strip(0).cmbSource; }
};

TEST_F(SourceSelection, ListReadsUndefinedThenEachNameWithItsFourDigitNumber) {
    SetInputs({"A", "B", "Caf\xe9"});
    QStringList items;
    for (int k = 0; k < Combo()->count(); ++k)
        items << Combo()->itemText(k);
    EXPECT_EQ(items, QStringList({QStringLiteral("Undefined"), QStringLiteral("A [0001]"),
                                  QStringLiteral("B [0002]"), QString::fromUtf8("Café [0003]")}));
    EXPECT_TRUE(Combo()->isEnabled());
    EXPECT_EQ(Sent(), ""); // filling the list is not a choice

    // Disabled selectors still show the current source.
    v.EnableSourceSelect = false;
    window->LoadInputCombo(0);
    Show(1);
    EXPECT_FALSE(Combo()->isEnabled());
    EXPECT_EQ(Combo()->currentText(), QStringLiteral("B [0002]"));
}

// The arrow keys in the closed selector only move a highlight through the list in its
// field: Enter takes it, Escape puts the current choice back. One source change goes out
// per Enter, and marks the one input whose attributes it needs.
TEST_F(SourceSelection, ArrowKeysHighlightAndEnterSendsItAndMarksItsAttributesAsWanted) {
    Show(0);
    ASSERT_EQ(Combo()->currentIndex(), 1);
    ClickAt(Combo());
    ASSERT_EQ(QApplication::focusWidget(), Combo());

    Key(window.get(), Qt::Key_Down);
    EXPECT_EQ(Combo()->currentText(), QStringLiteral("Mic 2 [0002]"));
    EXPECT_EQ(Combo()->currentIndex(), 1);
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(Marked(), -1);
    Key(window.get(), Qt::Key_Return);
    EXPECT_EQ(Combo()->currentIndex(), 2);
    EXPECT_EQ(Sent(), Source2);
    EXPECT_EQ(v.FaderSource[0], 2);
    EXPECT_EQ(Marked(), 1);
    EXPECT_TRUE(v.InchanRequestPending);

    ClearMarks();
    Key(window.get(), Qt::Key_Up);
    Key(window.get(), Qt::Key_Up);
    EXPECT_EQ(Combo()->currentText(), QStringLiteral("Undefined"));
    Key(window.get(), Qt::Key_Escape);
    EXPECT_EQ(Combo()->currentText(), QStringLiteral("Mic 2 [0002]"));
    EXPECT_EQ(Sent(), "");
    Key(window.get(), Qt::Key_PageUp);
    Key(window.get(), Qt::Key_Return);
    EXPECT_EQ(Combo()->currentIndex(), 0);
    EXPECT_EQ(Sent(), SourceNone);
    EXPECT_EQ(v.FaderSource[0], None);
    EXPECT_EQ(Marked(), -1); // "Undefined" marks no input
    EXPECT_TRUE(v.InchanRequestPending);
}

TEST_F(SourceSelection, EnterInTheEditFieldChoosesByNumber) {
    const struct {
        const char* typed;
        int entry;
        const char* sent;
    } cases[] = {
        {"7", 5, Source5},   // past the end: the last entry
        {"6", 5, Source5},   // the number of entries: the last one as well
        {"2.5", 2, Source2}, // halves to even
        {"3.5", 4, Source4},  {" 1 ", 1, Source1},
        {"0", 0, SourceNone}, {"99999", 5, Source5}, // too large for any 16-bit number
        {"xyz", 3, Source3},                         // not a number: the current choice is put back
        {"5x", 3, Source3},   {"-1", 3, Source3},    // below the first entry: likewise
        {"", 3, Source3},     {"Mic 2", 3, Source3}, // a name is not a number
    };
    for (const Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
        const Qt::KeyboardModifiers keypad =
            enter == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.typed) + (enter == Qt::Key_Enter ? " keypad" : ""));
            Show(2); // the current choice is source 3
            Retype(Combo(), QString::fromLatin1(c.typed));
            ASSERT_EQ(QApplication::focusWidget(), Combo());
            Key(window.get(), enter, keypad);
            EXPECT_EQ(Combo()->currentIndex(), c.entry);
            EXPECT_EQ(Combo()->currentText(), Combo()->itemText(c.entry));
            EXPECT_EQ(Combo()->count(), 6); // nothing typed is ever added to the list
            EXPECT_EQ(Sent(), c.sent);
        }
    }
    EXPECT_EQ(LogText(), "");
}

TEST_F(SourceSelection, LeavingTheFieldAfterTypingPutsTheChoiceBackAndSendsNothing) {
    v.FaderCount = 2; // a second strip to click into
    ResizeFaderArrays(v, 2);
    window->LoadFaders();
    const struct {
        const char* typed;
        bool byTab; // else by a click into the other strip's selector
    } cases[] = {
        {"mic 2", true}, {"Mic 2 [0002]", true}, {"Mus", false},
        {"4", false},    {"Line [0004]", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        Show(2);
        Retype(Combo(), QString::fromLatin1(c.typed));
        if (c.byTab)
            Key(window.get(), Qt::Key_Tab);
        else
            ClickAt(window->Strip(1).cmbSource);
        EXPECT_NE(QApplication::focusWidget(), Combo());
        EXPECT_EQ(Combo()->currentIndex(), 3);
        EXPECT_EQ(Combo()->currentText(), "Phone [0003]");
        EXPECT_EQ(v.FaderSource[0], 3);
        EXPECT_EQ(Sent(), "");
    }
}

// A name longer than the selector: the closed field shows its start, the open list the
// whole name of every entry, wider than the selector.
TEST_F(SourceSelection, ALongNameShowsItsStartClosedAndWholeInTheOpenList) {
    SetInputs({"Mic 1", "Studio B Presenter Microphone Left", "Phone"});
    Show(1);
    EXPECT_EQ(Combo()->lineEdit()->cursorPosition(), 0) << "the field shows the name's start";
    Retype(Combo(), QStringLiteral("2")); // typed, then chosen by Enter
    Key(window.get(), Qt::Key_Return);
    EXPECT_EQ(Combo()->lineEdit()->cursorPosition(), 0);

    Combo()->showPopup();
    QWidget* list = Combo()->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    const int whole = list->fontMetrics().horizontalAdvance(Combo()->itemText(2));
    EXPECT_GT(list->window()->width(), Combo()->width());
    EXPECT_GE(list->width(), whole) << "the longest name fits the list";
    const QRect screen = Combo()->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(list->window()->geometry()));
    Combo()->hidePopup();
}

TEST_F(SourceSelection, ShowingTheReportedSourceSendsNothing) {
    const struct {
        const char* name;
        std::int16_t mode, reported, faderSource, step;
        int shownBefore; // entry selected before, -1 for none
        std::int16_t source;
        int entry, marked;
        bool pending;
    } cases[] = {
        {"device reports none", PanelModeDeviceID, None, 2, 8, 2, None, 0, -1, false},
        {"device reports source 4", PanelModeDeviceID, 3, 2, 0, 2, 4, 4, 3, false},
        {"after start-up", PanelModeDeviceID, 3, 2, 8, 2, 4, 4, 3, true},
        {"already shown", PanelModeDeviceID, 3, 4, 8, 4, 4, 4, -1, false},
        {"console: the strip's own", PanelModeConsole, 0, 4, 8, -1, 4, 4, 3, true},
        {"console: none stays none", PanelModeConsole, 0, None, 8, 1, None, 0, -1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        v.PanelMode = c.mode;
        v.StartupStep = c.step;
        v.DeviceIDs[7].Source = c.reported;
        v.FaderSource[0] = c.faderSource;
        {
            const QSignalBlocker quiet(Combo());
            Combo()->setCurrentIndex(c.shownBefore);
        }
        ClearMarks();
        window->UpdateActiveSource(0);
        EXPECT_EQ(v.FaderSource[0], c.source);
        EXPECT_EQ(Combo()->currentIndex(), c.entry);
        EXPECT_EQ(Marked(), c.marked);
        EXPECT_EQ(v.InchanRequestPending, c.pending);
        EXPECT_FALSE(v.UpdatingControls);
        EXPECT_EQ(Sent(), "");
    }
    EXPECT_EQ(LogText(), "");
}

TEST_F(SourceSelection, FailuresAreLoggedAndLeaveTheSelectorsWorking) {
    v.FaderDeviceID[0] = 9000; // no such device
    window->UpdateActiveSource(0);
    EXPECT_FALSE(v.UpdatingControls);
    EXPECT_NE(LogText().find("Display Error"), std::string::npos);
    EXPECT_NE(LogText().find("Error updating Active Source"), std::string::npos);

    v.FaderDeviceID[0] = 7;
    v.InputCount = 9; // more inputs than names
    window->LoadInputCombo(0);
    EXPECT_NE(LogText().find("Form Error"), std::string::npos);
    EXPECT_NE(LogText().find("Error Loading Source Combo Box: Error # "), std::string::npos);
    EXPECT_NE(LogText().find("Subscript out of range"), std::string::npos);

    // The operator can still choose.
    ClickAt(Combo());
    Key(window.get(), Qt::Key_Down);
    Key(window.get(), Qt::Key_Return);
    EXPECT_FALSE(Sent().empty());
}

} // namespace
