// The graphical buttons of the strips and the user-button column: their background is the
// tally, in exactly the panel's colours, inside a dark frame.
#include "ColourButton.h"
#include "Frames.h"
#include "OperatorInput.h"
#include "ProcStatus.h"
#include "TempFolder.h"
#include "frmMain.h"

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace orl {
namespace {

QColor Exact(Colour c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

TEST(ColourButton, ShowsEachTallyInItsExactColourAfterEveryChange) {
    QWidget window;
    window.resize(200, 120);
    auto* button = new ColourButton(QStringLiteral("ON"), &window);
    button->setGeometry(10, 10, 81, 73); // an ON button of a strip
    button->setFocusPolicy(Qt::NoFocus); // a focused button has a black frame
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // What the screen shows, away from the caption; a button that is not repainted keeps
    // showing its old colour there.
    const auto shown = [&](int x, int y) {
        return window.screen()->grabWindow(window.winId()).toImage().pixelColor(10 + x, 10 + y);
    };

    const Colour sequence[] = {OnColour, IdleColour, ActiveColour, OnColour};
    for (const Colour colour : sequence) {
        SCOPED_TRACE(colour);
        // Many changes within one frame end in one repaint with the last colour.
        for (const Colour passing : {ActiveColour, IdleColour, OnColour})
            button->SetBackgroundColour(passing);
        button->SetBackgroundColour(colour);
        EXPECT_EQ(button->BackgroundColour(), colour);
        EXPECT_TRUE(QTest::qWaitFor([&] { return shown(4, 4) == Exact(colour); }));
        EXPECT_EQ(shown(77, 68), Exact(colour));
        EXPECT_EQ(shown(0, 36), QColor(0x40, 0x40, 0x40)); // the frame
        EXPECT_EQ(shown(40, 72), QColor(0x40, 0x40, 0x40));
    }
}

// Whatever ends a press of a held button (IFB, a "follows button" user button) ends it
// with exactly one release: a menu opened over it and the button let go on the menu, the
// window hidden or left, the button disabled, the panel closing; never a second release.
TEST(ColourButton, EveryPressEndsWithExactlyOneRelease) {
    struct Case {
        const char* name;
        std::function<void(QWidget& window, ColourButton& button)> end;
    };
    const Case cases[] = {
        {"released over the button", [](QWidget&, ColourButton& b) { test::ReleaseAt(&b); }},
        {"released elsewhere in the window",
         [](QWidget& w, ColourButton&) {
             QTest::mouseRelease(w.windowHandle(), Qt::LeftButton, {}, QPoint(190, 110));
         }},
        {"a second mouse button comes and goes first",
         [](QWidget& w, ColourButton& b) {
             const QPoint at = b.geometry().center();
             QTest::mousePress(w.windowHandle(), Qt::RightButton, {}, at);
             QTest::mouseRelease(w.windowHandle(), Qt::RightButton, {}, at);
             EXPECT_TRUE(b.PressHeld()) << "the left button still holds it";
             test::ReleaseAt(&b);
         }},
        {"a menu opens, the button is let go on it",
         [](QWidget& w, ColourButton& b) {
             QMenu menu(&w);
             menu.addAction(QStringLiteral("Setup"));
             menu.popup(w.mapToGlobal(QPoint(150, 20)));
             EXPECT_FALSE(b.PressHeld());
             QTest::mouseRelease(menu.windowHandle(), Qt::LeftButton, {}, QPoint(5, 5));
             menu.close();
             test::ReleaseAt(&b);
         }},
        {"the window is hidden", [](QWidget& w, ColourButton&) { w.hide(); }},
        {"another window takes the focus",
         [](QWidget&, ColourButton&) {
             QWidget other;
             other.resize(50, 50);
             EXPECT_TRUE(test::ActivateWindow(&other));
         }},
        {"the button is disabled",
         [](QWidget& w, ColourButton& b) {
             b.setEnabled(false);
             QTest::mouseRelease(w.windowHandle(), Qt::LeftButton, {}, b.geometry().center());
         }},
        {"the panel closes",
         [](QWidget&, ColourButton& b) {
             b.EndPress();
             b.EndPress();
             test::ReleaseAt(&b);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget window;
        window.resize(200, 120);
        auto* button = new ColourButton(QStringLiteral("IFB"), &window);
        button->setGeometry(10, 10, 49, 41);
        int downs = 0;
        int ups = 0;
        QObject::connect(button, &ColourButton::mouseDown, [&downs] { ++downs; });
        QObject::connect(button, &ColourButton::mouseUp, [&ups] { ++ups; });
        ASSERT_TRUE(test::ActivateWindow(button));
        test::PressAt(button);
        ASSERT_EQ(downs, 1);
        EXPECT_TRUE(button->PressHeld());
        c.end(window, *button);
        EXPECT_EQ(ups, 1);
        EXPECT_FALSE(button->PressHeld());
        EXPECT_FALSE(button->isDown());
        EXPECT_EQ(downs, 1);
    }
}

// A switcher reporting a shown strip's channel on and off as fast as it can: every report
// recolours two buttons, and must cost about as much as one that changes nothing visible
// (a repaint per report would cost many times more). Processor time of this thread,
// measured in the same run; scripts/bench has the figure per report.
TEST(ColourButton, ReportsThatChangeAShownTallyCostAboutAsMuchAsReportsThatDoNot) {
    if (!test::CostsMeasurable)
        GTEST_SKIP() << "processor-time ratios are measured in the plain build";
    test::TempFolder dir{"orl-colour"};
    Variables v;
    ProgramSetup(v, dir.MadePath().string());
    ErrorLog log(v);
    frmMain window(v, log);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    v.ConsoleNumber = 1;
    v.FaderSource[0] = 1;
    v.FaderDeviceID[0] = 1;

    constexpr int Count = 2000;
    // Best of three runs of `Count` reports; `toggle` switches the channel on and off,
    // otherwise every report says on.
    const auto nanosecondsPerReport = [&](bool toggle) {
        double best = 1e300;
        for (int run = 0; run < 3; ++run) {
            for (int i = 0; i < Count; ++i) {
                // one entry: channel 0, console 0, state on (1) or off (0)
                const int state = toggle && i % 2 == 1 ? 0 : 1;
                v.ReceiveBuffer.Append(
                    test::Frame(0xD6).Hex("7F 00 01 00 00 00 00").Byte(state).Finish());
            }
            const double start = test::ThreadCpuNanoseconds();
            while (window.Link().DecodeTick()) {
            }
            best = std::min(best, (test::ThreadCpuNanoseconds() - start) / Count);
            EXPECT_TRUE(v.ReceiveBuffer.empty());
        }
        return best;
    };
    const double steady = nanosecondsPerReport(false);
    EXPECT_EQ(window.Strip(0).cmdOn->BackgroundColour(), OnColour);
    const double toggling = nanosecondsPerReport(true);
    EXPECT_EQ(window.Strip(0).cmdOn->BackgroundColour(), IdleColour); // the last report: off
    EXPECT_EQ(window.Strip(0).cmdOff->BackgroundColour(), ActiveColour);
    std::printf("per report: %.0f ns toggling the tally, %.0f ns leaving it\n", toggling, steady);
    EXPECT_LT(toggling, 4 * steady);
}

} // namespace
} // namespace orl
