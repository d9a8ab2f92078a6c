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
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

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
        EXPECT_EQ(shown(77, 60), Exact(colour));
        EXPECT_EQ(shown(0, 36), QColor(0x40, 0x40, 0x40)); // the frame
        EXPECT_EQ(shown(40, 72), QColor(0x40, 0x40, 0x40));
        // A lit tally's bar along the bottom; an idle button has none.
        const QColor bar =
            colour == IdleColour ? Exact(IdleColour) : Exact(ColourButton::LitBarColour);
        EXPECT_EQ(shown(3, 68), bar);
        EXPECT_EQ(shown(77, 66), bar);
    }
}

// WCAG's relative luminance of a colour, and the contrast ratio of two.
double Luminance(const QColor& c) {
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}
double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Neither a lit tally nor the keyboard's focus is told by hue alone: the lit button's bar
// stands out 3:1 against the idle button, and the control with the focus has a ring 2
// pixels wide that stands out 3:1 against the panel around it. Read from the window as
// drawn, the focus moved by the keys an operator uses.
TEST(ColourButton, LitTalliesAndTheFocusStandOutByMoreThanHue) {
    EXPECT_GE(Contrast(Exact(ColourButton::LitBarColour), Exact(IdleColour)), 3.0);
    for (const Colour lit : {ActiveColour, OnColour})
        EXPECT_GE(Contrast(Exact(ColourButton::LitBarColour), Exact(lit)), 3.0) << lit;

    test::TempFolder dir{"orl-focus"};
    Variables v;
    ProgramSetup(v, dir.MadePath().string());
    ErrorLog log(v);
    frmMain window(v, log);
    ASSERT_TRUE(test::ActivateWindow(&window));
    window.ShowLinkState(LinkState::Live);
    const FaderStrip& s = window.Strip(0);
    s.cmdOn->SetBackgroundColour(OnColour);

    struct Row {
        const char* name;
        std::vector<QKeyCombination> keys;
        QWidget* control;
    };
    const Row rows[] = {
        {"slider, Ctrl+1", {Qt::ControlModifier | Qt::Key_1}, s.sliGain},
        {"0db",
         {Qt::ControlModifier | Qt::Key_1, Qt::ShiftModifier | Qt::Key_Backtab},
         s.cmdZerodb},
        {"lit ON",
         {Qt::ControlModifier | Qt::Key_1, QKeyCombination(Qt::Key_Tab),
          QKeyCombination(Qt::Key_Tab)},
         s.cmdOn},
        {"selector",
         {Qt::ControlModifier | Qt::Key_1, QKeyCombination(Qt::Key_Tab),
          QKeyCombination(Qt::Key_Tab), QKeyCombination(Qt::Key_Tab), QKeyCombination(Qt::Key_Tab)},
         s.cmbSource},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        for (const QKeyCombination key : r.keys)
            QTest::keyClick(window.windowHandle(), key.key(), key.keyboardModifiers());
        ASSERT_EQ(QApplication::focusWidget(), r.control);
        const QImage drawn = window.grab().toImage();
        const QRect c(r.control->mapTo(&window, QPoint(0, 0)), r.control->size());
        // Beside the control's left and right edges, half way down, and above its top
        // (inside its own edge where its frame leaves no room).
        const int y = c.center().y();
        const int left = c.left() > s.frSlider->mapTo(&window, QPoint(0, 0)).x() + 2 ? c.left() - 1
                                                                                     : c.left() + 1;
        for (const QPoint at :
             {QPoint(left, y), QPoint(left - 1, y), QPoint(c.center().x(), c.top() - 1)}) {
            SCOPED_TRACE(at.x());
            EXPECT_GE(Contrast(drawn.pixelColor(at), Exact(PanelColour)), 3.0);
        }
    }
    s.sliGain->clearFocus();
    const QImage unfocused = window.grab().toImage();
    const QRect slider(s.sliGain->mapTo(&window, QPoint(0, 0)), s.sliGain->size());
    EXPECT_EQ(unfocused.pixelColor(slider.left() - 1, slider.center().y()), Exact(PanelColour));
}

// A key of the operator's, to the focused control of the window, as X delivers it (a key
// held down repeats its release and press, each marked as a repeat).
void Key(QWidget& window, QEvent::Type type, Qt::Key key, bool repeat = false) {
    QKeyEvent event(type, key, Qt::NoModifier, QString(), repeat);
    QApplication::sendEvent(window.focusWidget(), &event);
}

// Whatever ends a press of a held button (IFB, a "follows button" user button) ends it
// with exactly one release: a menu opened over it and the button let go on the menu, the
// window hidden or left, the button disabled, the panel closing; never a second release.
// Space or Enter on the focused button press it as the mouse does.
TEST(ColourButton, EveryPressEndsWithExactlyOneRelease) {
    using Action = std::function<void(QWidget & window, ColourButton & button)>;
    struct Case {
        const char* name;
        Action end;
        Action start = [](QWidget&, ColourButton& b) { test::PressAt(&b); };
    };
    const auto keyDown = [](Qt::Key key) {
        return [key](QWidget& w, ColourButton&) { Key(w, QEvent::KeyPress, key); };
    };
    const Case cases[] = {
        {"Space let go",
         [](QWidget& w, ColourButton&) { Key(w, QEvent::KeyRelease, Qt::Key_Space); },
         keyDown(Qt::Key_Space)},
        {"Enter let go",
         [](QWidget& w, ColourButton&) { Key(w, QEvent::KeyRelease, Qt::Key_Return); },
         keyDown(Qt::Key_Return)},
        {"Space held down repeats",
         [](QWidget& w, ColourButton& b) {
             for (int k = 0; k < 3; ++k) {
                 Key(w, QEvent::KeyRelease, Qt::Key_Space, true);
                 Key(w, QEvent::KeyPress, Qt::Key_Space, true);
             }
             EXPECT_TRUE(b.PressHeld());
             Key(w, QEvent::KeyRelease, Qt::Key_Space);
         },
         keyDown(Qt::Key_Space)},
        {"Space held, the focus moves on",
         [](QWidget& w, ColourButton&) {
             w.findChild<QPushButton*>(QStringLiteral("other"))->setFocus();
             Key(w, QEvent::KeyRelease, Qt::Key_Space);
         },
         keyDown(Qt::Key_Space)},
        {"Space held, the mouse comes and goes",
         [](QWidget& w, ColourButton& b) {
             test::PressAt(&b);
             test::ReleaseAt(&b);
             EXPECT_TRUE(b.PressHeld()) << "Space still holds it";
             Key(w, QEvent::KeyRelease, Qt::Key_Space);
         },
         keyDown(Qt::Key_Space)},
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
        auto* other = new QPushButton(QStringLiteral("other"), &window);
        other->setObjectName(QStringLiteral("other"));
        other->setGeometry(100, 60, 60, 30);
        int downs = 0;
        int ups = 0;
        QObject::connect(button, &ColourButton::mouseDown, [&downs] { ++downs; });
        QObject::connect(button, &ColourButton::mouseUp, [&ups] { ++ups; });
        ASSERT_TRUE(test::ActivateWindow(button));
        button->setFocus();
        c.start(window, *button);
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
