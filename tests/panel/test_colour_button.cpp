// The graphical buttons of the strips and the user-button column: their background is the
// tally, in exactly the panel's colours, inside a dark frame.
#include "ColourButton.h"
#include "Frames.h"
#include "TempFolder.h"
#include "frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <ctime>

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
        QElapsedTimer clock;
        clock.start();
        while (shown(4, 4) != Exact(colour) && clock.elapsed() < 1000)
            QTest::qWait(2);
        EXPECT_LT(clock.elapsed(), 200);
        EXPECT_EQ(shown(4, 4), Exact(colour));
        EXPECT_EQ(shown(77, 68), Exact(colour));
        EXPECT_EQ(shown(0, 36), QColor(0x40, 0x40, 0x40)); // the frame
        EXPECT_EQ(shown(40, 72), QColor(0x40, 0x40, 0x40));
    }
}

// A switcher reporting a shown strip's channel on and off as fast as it can: every report
// recolours two buttons, and must cost no more than one that changes nothing visible.
TEST(ColourButton, ReportsThatChangeAShownTallyDecodeAtFullSpeed) {
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
    for (int i = 0; i < Count; ++i) {
        // one entry: channel 0, console 0, state on (1) or off (0)
        v.ReceiveBuffer.Append(
            test::Frame(0xD6).Hex("7F 00 01 00 00 00 00").Byte(i % 2 == 0 ? 1 : 0).Finish());
    }
    timespec start{}, end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start); // a busy machine does not count
    while (window.Link().DecodeTick()) {
    }
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    const double microseconds = (static_cast<double>(end.tv_sec - start.tv_sec) * 1e9 +
                                 static_cast<double>(end.tv_nsec - start.tv_nsec)) /
                                1e3 / Count;
    EXPECT_TRUE(v.ReceiveBuffer.empty());
    EXPECT_EQ(window.Strip(0).cmdOn->BackgroundColour(), IdleColour); // the last report: off
    EXPECT_EQ(window.Strip(0).cmdOff->BackgroundColour(), ActiveColour);
    // 100,000 reports a second leave 10 us each.
    EXPECT_LT(microseconds, 10.0) << "per report";
    RecordProperty("microseconds_per_report", static_cast<int>(microseconds));
}

} // namespace
} // namespace orl
