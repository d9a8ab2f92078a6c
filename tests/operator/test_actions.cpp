// The running panel under an operator's hands: real key presses and clicks on an X display
// go to orl-console, connected to the simulator; what the switcher receives is read from
// the simulator's trace and what the panel shows from screenshots. One X server, simulator
// and panel serve every test of this file, one action after the other.

#include "OperatorDesk.h"
#include "PanelScreen.h"

#include <functional>
#include <memory>

namespace orl::test {
namespace {

// Strip 0 works device 1 (MIC 1), strip 1 device 2 (MIC 2), strip 2 device 13 (PHONE 1,
// the simulator's first input with an IFB output).
const std::vector<int> DeviceIDs = {1, 2, 13};

Desk* const TheDesk = static_cast<Desk*>(::testing::AddGlobalTestEnvironment(new Desk(
    1, [](const auto& ports) { return PanelConfiguration(ports.at(0), DeviceIDs); }, true)));

// What the operator does, with the panel's window focused and its controls located.
class Operator {
public:
    Operator(const XServer& x, const PanelScreen& screen) : x_(x), screen_(screen) {}
    const XServer& X() const { return x_; }
    const PanelScreen& Screen() const { return screen_; }
    void Click(const QRect& control) const { x_.Click(control.center()); }
    void ClickStrip(int strip, const TwipsRect& control) const {
        Click(screen_.StripControl(strip, control));
    }
    // Clicks into a strip's source text, selects all of it and types `text`.
    void TypeSource(int strip, const QString& text) const {
        x_.Click(screen_.SourceText(strip));
        x_.Keys({"ctrl+a"});
        x_.Type(text);
    }

private:
    const XServer& x_;
    const PanelScreen& screen_;
};

class PanelActions : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FocusConnectedWindow(*TheDesk, window_));
        screen_ = std::make_unique<PanelScreen>(TheDesk->X().Geometry(window_),
                                                static_cast<int>(DeviceIDs.size()));
        mark_ = TheDesk->Simulator().Mark();
    }
    Operator Hands() const { return Operator(TheDesk->X(), *screen_); }

    // Nothing whose trace contains `text` reaches the switcher before a later ON press on
    // strip 0 does: messages travel in order, so the ON closes the window of time.
    void ExpectNothingBefore(const QString& text) {
        Hands().ClickStrip(0, OnButton);
        const int sentinel = TheDesk->Simulator().WaitForLine("<- #1 D6 channel on/off:", mark_);
        ASSERT_GE(sentinel, 0) << "the ON press that closes the check was not received";
        EXPECT_EQ(TheDesk->Simulator().Find(text, mark_, sentinel), -1)
            << "the switcher received \"" << text.toStdString() << "\"; trace:\n"
            << TheDesk->Simulator().Tail(mark_).toStdString();
    }

    XWindow window_ = 0;
    std::unique_ptr<PanelScreen> screen_;
    int mark_ = 0;
};

// ---- Strip and user buttons, slider keys, source selectors -------------------------------

struct ActionRow {
    const char* name;
    std::function<void(const Operator&)> act;
    const char* received;                                 // nullptr: nothing may go out
    std::function<QRect(const PanelScreen&)> tallyButton; // empty: no tally to check
    QRgb tally;
};

void PrintTo(const ActionRow& row, std::ostream* out) {
    *out << row.name;
}

class StripActions : public PanelActions, public ::testing::WithParamInterface<ActionRow> {};

TEST_P(StripActions, ReachTheSwitcherAndLightTheirTally) {
    const ActionRow& row = GetParam();
    row.act(Hands());
    if (row.received == nullptr) {
        ExpectNothingBefore("D3 source change");
    } else {
        EXPECT_TRUE(Received(TheDesk->Simulator(), QString::fromLatin1(row.received), mark_));
    }
    if (row.tallyButton) {
        EXPECT_TRUE(Shows(TheDesk->X(), row.tallyButton(*screen_), row.tally)) << row.name;
    }
}

const ActionRow ActionRows[] = {
    {"OnButton", [](const Operator& o) { o.ClickStrip(1, OnButton); },
     "D6 channel on/off: input 2 console 1 on",
     [](const PanelScreen& s) { return s.StripControl(1, OnButton); }, OnRgb},
    {"OffButton", [](const Operator& o) { o.ClickStrip(1, OffButton); },
     "D6 channel on/off: input 2 console 1 off",
     [](const PanelScreen& s) { return s.StripControl(1, OffButton); }, ActiveRgb},
    {"PgmButton", [](const Operator& o) { o.ClickStrip(2, PgmButton); },
     "FE crosspoint change: mode 3108 assign device 13 (source 13) to bus 1",
     [](const PanelScreen& s) { return s.StripControl(2, PgmButton); }, ActiveRgb},
    // "0db" leaves the keyboard focus on the slider; Home and End go to it from there.
    {"SliderHome",
     [](const Operator& o) {
         o.ClickStrip(0, ZeroDbButton);
         o.X().Keys({"Home"});
     },
     "E3 gain: parameter 20, device 1, value 1144",
     {},
     0},
    {"SliderEnd",
     [](const Operator& o) {
         o.ClickStrip(0, ZeroDbButton);
         o.X().Keys({"End"});
     },
     "E3 gain: parameter 20, device 1, value 24",
     {},
     0},
    {"UserButton", [](const Operator& o) { o.Click(o.Screen().UserButton(0)); },
     "FE relay change 68: relay 1 on", [](const PanelScreen& s) { return s.UserButton(0); },
     ActiveRgb},
    // Opened with the mouse; the list has the current entry (source 2) highlighted.
    {"SourcePickedFromTheList",
     [](const Operator& o) {
         o.X().Click(o.Screen().SourceArrow(1));
         o.X().Keys({"Down", "Down", "Return"});
     },
     "D3 source change: device 2 to input 4",
     {},
     0},
    {"SourceTypedWithEnter",
     [](const Operator& o) {
         o.TypeSource(0, "5");
         o.X().Keys({"Return"});
     },
     "D3 source change: device 1 to input 5",
     {},
     0},
    {"SourceTypedWithKeypadEnter",
     [](const Operator& o) {
         o.TypeSource(0, "6");
         o.X().Keys({"KP_Enter"});
     },
     "D3 source change: device 1 to input 6",
     {},
     0},
    // Part of a name, then Tab away: the strip must not be re-routed.
    {"PartOfANameLeftWithTab",
     [](const Operator& o) {
         o.TypeSource(1, "mic 6");
         o.X().Keys({"Tab"});
     },
     nullptr,
     {},
     0},
};

INSTANTIATE_TEST_SUITE_P(Operator, StripActions, ::testing::ValuesIn(ActionRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Held down, IFB takes the IFB source to the strip's IFB output and lights; let go, it
// releases and goes idle.
TEST_F(PanelActions, IfbHeldTakesAndReleases) {
    const QRect ifb = screen_->StripControl(2, IfbButton);
    TheDesk->X().Press(ifb.center());
    EXPECT_TRUE(
        Received(TheDesk->Simulator(), "FE simple take 37 (IFB press): source 4 to output", mark_));
    EXPECT_TRUE(Shows(TheDesk->X(), ifb, ActiveRgb)) << "IFB held";
    mark_ = TheDesk->Simulator().Mark();
    TheDesk->X().Release(ifb.center());
    EXPECT_TRUE(Received(TheDesk->Simulator(),
                         "FE simple take 33 (IFB release): source 4 to output", mark_));
    EXPECT_TRUE(Shows(TheDesk->X(), ifb, IdleRgb)) << "IFB let go";
}

// ---- Menus by their Alt keys -------------------------------------------------------------

struct MenuRow {
    const char* name;
    QStringList open;
    const char* window; // the window it opens, or nullptr
    QStringList close;
    const char* file; // the file it writes into the panel's folder, or nullptr
};

void PrintTo(const MenuRow& row, std::ostream* out) {
    *out << row.name;
}

class Menus : public PanelActions, public ::testing::WithParamInterface<MenuRow> {};

TEST_P(Menus, OpenByAltKeys) {
    const MenuRow& row = GetParam();
    ASSERT_TRUE(TheDesk->X().Keys(row.open));
    if (row.window != nullptr) {
        const QString title = QString::fromLatin1(row.window);
        ASSERT_NE(TheDesk->X().WaitForWindow(title, 10000), 0u) << row.window << " did not open";
        ASSERT_TRUE(TheDesk->X().Keys(row.close));
        EXPECT_TRUE(TheDesk->X().WaitUntilGone(title)) << row.window << " did not close";
        EXPECT_NE(TheDesk->X().WaitForWindow(Connected), 0u);
    }
    if (row.file != nullptr) {
        const QString file = QString::fromLatin1(row.file);
        EXPECT_TRUE(WaitUntil([&] { return !TheDesk->Panel().ReadFile(file).isEmpty(); }, 10000))
            << row.file << " was not written";
    }
}

const MenuRow MenuRows[] = {
    {"HelpAbout", {"alt+h", "a"}, "ORL Server Module Information", {"alt+o"}, nullptr},
    {"FileSetup", {"alt+f", "s"}, "Setup", {"alt+c"}, nullptr},
    {"FileDebug", {"alt+f", "d"}, nullptr, {}, "DeviceID.txt"},
};

INSTANTIATE_TEST_SUITE_P(Operator, Menus, ::testing::ValuesIn(MenuRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace orl::test
