// Twenty strips on a 1366 x 768 screen: the main window and Setup are larger than the
// screen, so they stay within it and scroll inside their frame. The last strip and the
// button column are reached by scrolling, and so is Setup's OK.

#include "OperatorDesk.h"
#include "PanelScreen.h"

namespace orl::test {
namespace {

const QRect ScreenArea(0, 0, 1366, 768);

std::vector<int> TwentyDevices() {
    std::vector<int> ids;
    for (int id = 1; id <= 20; ++id)
        ids.push_back(id);
    return ids;
}

Desk* const TheDesk = static_cast<Desk*>(::testing::AddGlobalTestEnvironment(new Desk(
    1, [](const auto& ports) { return PanelConfiguration(ports.at(0), TwentyDevices()); }, true,
    QStringLiteral("1366x768"))));

constexpr QRgb PanelRgb = qRgb(0, 0, 192);
constexpr int PanelHeight = 9825 / 15;
constexpr int PanelWidth = (120 + 19 * 1720 + 1720 + 1920) / 15; // 20 strips, the column

// The lowest row of `window` that still shows the panel (above the horizontal scroll bar),
// found in a screenshot down the middle of the window.
int PanelBottom(const QImage& screen, const QRect& window) {
    for (int y = window.bottom(); y > window.top(); --y)
        if ((screen.pixel(window.center().x(), y) & 0xFFFFFF) == (PanelRgb & 0xFFFFFF))
            return y;
    return -1;
}

TEST(SmallScreen, TwentyStripsScrollToTheLastStripWithinTheScreen) {
    XWindow window = 0;
    ASSERT_TRUE(FocusConnectedWindow(*TheDesk, window));
    const XServer& x = TheDesk->X();
    const QRect shown = x.Geometry(window);
    EXPECT_TRUE(ScreenArea.contains(shown)) << shown.width() << "x" << shown.height();
    EXPECT_EQ(shown.width(), ScreenArea.width());

    // The horizontal bar below the panel: paging it to the right end.
    const QImage before = x.Screenshot();
    const int panelBottom = PanelBottom(before, shown);
    ASSERT_GT(panelBottom, shown.bottom() - 40) << "no panel above a scroll bar";
    const QPoint barEnd(shown.right() - 30, (panelBottom + shown.bottom()) / 2 + 1);
    for (int page = 0; page < 3; ++page)
        x.Click(barEnd);

    // Scrolled to the end, the panel's right edge is the window's.
    const int offset = PanelWidth - shown.width();
    const int panelTop = panelBottom + 1 - PanelHeight;
    const auto place = [&](int frameLeft, const TwipsRect& c) {
        return QRect(shown.x() + PanelScreen::Pixels(frameLeft) + PanelScreen::Pixels(c.left) -
                         offset,
                     panelTop + PanelScreen::Pixels(120) + PanelScreen::Pixels(c.top),
                     PanelScreen::Pixels(c.width), PanelScreen::Pixels(c.height));
    };
    const QRect lastOn = place(120 + 19 * 1720, OnButton);
    const int mark = TheDesk->Simulator().Mark();
    x.Click(lastOn.center());
    EXPECT_TRUE(Received(TheDesk->Simulator(), "D6 channel on/off: input 20 console 1 on", mark));
    EXPECT_TRUE(Shows(x, lastOn, OnRgb)) << "strip 20's ON";
    // User button 1 ("Talk", a relay toggle) is at the right of the last strip.
    const QRect talk = place(120 + 20 * 1720, TwipsRect{420, 480, 860, 720});
    x.Click(talk.center());
    EXPECT_TRUE(Received(TheDesk->Simulator(), "FE relay change 68: relay 1 on", mark));
}

TEST(SmallScreen, SetupOfTwentyRowsScrollsToItsOk) {
    XWindow window = 0;
    ASSERT_TRUE(FocusConnectedWindow(*TheDesk, window));
    const XServer& x = TheDesk->X();
    ASSERT_TRUE(x.Keys({"alt+f", "s"}));
    const XWindow setup = x.WaitForWindow("Setup");
    ASSERT_NE(setup, 0u) << "Setup did not open";
    const QRect dialog = x.Geometry(setup);
    EXPECT_TRUE(ScreenArea.contains(dialog)) << dialog.width() << "x" << dialog.height();
    EXPECT_EQ(dialog.height(), ScreenArea.height());

    // The wheel over the form scrolls it to its end: OK then stands 42 pixels above the
    // form's bottom (a form of 1012 pixels, OK at 970 and 24 high).
    x.Wheel(dialog.center(), 30);
    const QPoint ok(dialog.x() + (3600 + 1215 / 2) / 15, dialog.bottom() - 42 + 12);
    x.Click(ok);
    EXPECT_TRUE(x.WaitUntilGone("Setup")) << "OK was not reached";
    EXPECT_TRUE(TheDesk->Panel().ReadFile("orlntpnl.ini").contains("Fader Count=20\r\n"));
}

} // namespace
} // namespace orl::test
