// Everyday slips of an operator's hands on the running panel, with real X input: none of
// them may change the air or lose what was set. A wheel turned over a source selector the
// operator has not picked, a held IFB whose press a menu ends, Enter on a focused button,
// and a raised count confirmed by OK's access key.

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

constexpr TwipsRect SliderBox{520, 1475, 630, 3975};
constexpr TwipsRect CountField{1920, 2520, 1500, 375};

class Slips;

struct SlipRow {
    const char* name;
    std::function<void(Slips&)> act;
    std::function<void(Slips&)> check;
};

void PrintTo(const SlipRow& row, std::ostream* out) {
    *out << row.name;
}

class Slips : public ::testing::TestWithParam<SlipRow> {
public:
    void SetUp() override {
        ASSERT_TRUE(FocusConnectedWindow(*TheDesk, window_));
        mark_ = Switcher().Mark();
    }
    const XServer& X() const { return TheDesk->X(); }
    TracedSimulator& Switcher() { return TheDesk->Simulator(); }
    PanelScreen Screen() const {
        return PanelScreen(X().Geometry(window_), static_cast<int>(DeviceIDs.size()));
    }
    QRect Control(int strip, const TwipsRect& control) const {
        return Screen().StripControl(strip, control);
    }
    int Mark() const { return mark_; }

    // The trace lines containing `text` that reach the switcher before a later ON press on
    // strip 0 does: messages travel in order, so the ON closes the window of time.
    int CountBeforeSentinel(const QString& text) {
        X().Click(Control(0, OnButton).center());
        const int sentinel = Switcher().WaitForLine("<- #1 D6 channel on/off: input 1", mark_);
        EXPECT_GE(sentinel, 0) << "the ON press that closes the check was not received";
        int count = 0;
        for (int at = Switcher().Find(text, mark_, sentinel); at >= 0;
             at = Switcher().Find(text, at + 1, sentinel))
            ++count;
        return count;
    }
    std::string Trace() { return Switcher().Tail(mark_, 20).toStdString(); }

private:
    XWindow window_ = 0;
    int mark_ = 0;
};

TEST_P(Slips, NeitherChangeTheAirNorLoseWhatWasSet) {
    GetParam().act(*this);
    GetParam().check(*this);
}

const SlipRow SlipRows[] = {
    // The focus is on strip 0's slider ("0db" leaves it there); the wheel turns over strip
    // 1's closed selector, then over strip 0's slider, which moves as ever.
    {"WheelOverAnUnpickedSelector",
     [](Slips& s) {
         s.X().Click(s.Control(0, ZeroDbButton).center());
         s.X().Wheel(s.Screen().SourceText(1), 2);
         s.X().Wheel(s.Screen().SourceText(1), -1);
         s.X().Wheel(s.Control(0, SliderBox).center(), 1);
     },
     [](Slips& s) {
         // "0db" sends 1024; the wheel over the slider sends the next gain.
         const QString gain = QStringLiteral("E3 gain: parameter 20, device 1, value");
         const int zeroDb = s.Switcher().WaitForLine(gain + " 1024", s.Mark());
         ASSERT_GE(zeroDb, 0) << s.Trace();
         EXPECT_GE(s.Switcher().WaitForLine(gain, zeroDb + 1), 0) << s.Trace();
         EXPECT_EQ(s.CountBeforeSentinel("D3 source change"), 0) << s.Trace();
     }},
    // Held down, then Alt+F opens the File menu: the menu takes the mouse, which ends the
    // press; the button is let go while the menu is open, and Escape closes it.
    {"IfbHeldWhileAltFOpensTheMenu",
     [](Slips& s) {
         const QPoint ifb = s.Control(2, IfbButton).center();
         s.X().Press(ifb);
         ASSERT_TRUE(Received(s.Switcher(), "simple take 37 (IFB press)", s.Mark()));
         s.X().Keys({"alt+f"});
         ASSERT_TRUE(Received(s.Switcher(), "simple take 33 (IFB release)", s.Mark()));
         // Let go below the open menu: over its items it would choose one (Exit, since the
         // menu grew by Lock).
         s.X().Release(s.Screen().StripControl(0, OffButton).center());
         s.X().Keys({"Escape"});
     },
     [](Slips& s) {
         EXPECT_EQ(s.CountBeforeSentinel("simple take 33 (IFB release)"), 1) << s.Trace();
         EXPECT_TRUE(Shows(s.X(), s.Control(2, IfbButton), IdleRgb)) << "IFB let go";
     }},
    // OFF clicked leaves the focus on OFF; Shift+Tab goes back to ON, and Enter clicks it.
    {"EnterOnAFocusedOn",
     [](Slips& s) {
         s.X().Click(s.Control(0, OffButton).center());
         ASSERT_TRUE(Received(s.Switcher(), "D6 channel on/off: input 1 console 1 off", s.Mark()));
         s.X().Keys({"shift+Tab", "Return"});
     },
     [](Slips& s) {
         EXPECT_TRUE(Received(s.Switcher(), "D6 channel on/off: input 1 console 1 on", s.Mark()));
         s.X().Keys({"Tab"}); // the keyboard's focus frame tints the focused button
         EXPECT_TRUE(Shows(s.X(), s.Control(0, OnButton), OnRgb));
     }},
    // Ctrl+3 and Tab reach strip 2's IFB; Space held down for a while (the keyboard repeats
    // it meanwhile) is one press and one release.
    {"SpaceHeldOnIfb",
     [](Slips& s) {
         ASSERT_TRUE(s.X().Keys({"ctrl+3", "Tab", "Tab", "Tab", "Tab", "Tab", "Tab", "Tab"}));
         ASSERT_TRUE(
             s.X().Run("xdotool", {"keydown", "space", "sleep", "1.5", "keyup", "space"}).ok);
     },
     [](Slips& s) {
         EXPECT_EQ(s.CountBeforeSentinel("simple take 37 (IFB press)"), 1) << s.Trace();
         EXPECT_EQ(s.CountBeforeSentinel("simple take 33 (IFB release)"), 1) << s.Trace();
     }},
    // The count raised from 3 to 4 and confirmed at once with Alt+O, the field never left.
    // (Last: the window is one strip wider afterwards.)
    {"AltOAfterARaisedCount",
     [](Slips& s) {
         ASSERT_TRUE(s.X().Keys({"alt+f", "s"}));
         const XWindow setup = s.X().WaitForWindow("Setup");
         ASSERT_NE(setup, 0u) << "Setup did not open";
         s.X().Click(DialogControl(s.X().Geometry(setup), CountField));
         s.X().Keys({"ctrl+a"});
         s.X().Type("4");
         s.X().Keys({"alt+o"});
         ASSERT_TRUE(s.X().WaitUntilGone("Setup")) << "OK did not close Setup";
     },
     [](Slips& s) {
         EXPECT_TRUE(TheDesk->Panel().ReadFile("orlntpnl.ini").contains("Fader Count=4\r\n"));
         // Four strips and the button column: 120 + 3 x 1720 + 1720 + 1920 twips.
         const XWindow window = s.X().WaitForWindow(Connected);
         EXPECT_TRUE(WaitUntil([&] { return s.X().Geometry(window).width() == 8920 / 15; }))
             << s.X().Geometry(window).width() << " pixels wide";
         EXPECT_TRUE(Received(s.Switcher(), "device data", s.Mark()))
             << "the new strip's device is asked for";
     }},
};

INSTANTIATE_TEST_SUITE_P(Operator, Slips, ::testing::ValuesIn(SlipRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace orl::test
