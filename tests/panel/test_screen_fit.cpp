// Windows larger than the screen: the client scrolls inside the window, which stays within
// the screen; a window that fits is exactly as large as its layout, with no scroll bar.
#include "Faders.h"
#include "PanelTestFixture.h"
#include "ScreenFit.h"

#include <QApplication>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace orl::test {
namespace {

TEST(FitClient, ShowsTheWholeContentOrScrollsWithinTheRoom) {
    constexpr int Bar = 15;
    struct Case {
        const char* name;
        QSize content;
        QSize room;
        QSize visible;
    };
    const Case cases[] = {
        {"fits", {480, 655}, {1366, 749}, {480, 655}},
        {"fits exactly", {300, 300}, {300, 300}, {300, 300}},
        {"too wide: a horizontal bar below", {2429, 655}, {1366, 749}, {1366, 670}},
        {"too tall: a vertical bar beside", {449, 1012}, {1366, 768}, {464, 768}},
        {"the vertical bar makes it too wide", {300, 300}, {310, 290}, {310, 290}},
        {"the horizontal bar still fits below", {300, 280}, {290, 300}, {290, 295}},
        {"too large both ways", {2000, 2000}, {800, 600}, {800, 600}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitClient(c.content, c.room, Bar), c.visible) << c.name;
}

class WindowOnTheScreen : public PanelTest {
protected:
    void Show(int faders) {
        Faders(v, faders, 1);
        v.DisplayButtonPanel = true;
        window->LoadFaders();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QApplication::processEvents(); // the fit after the first show
    }
    QScrollArea* Client() const { return window->findChild<QScrollArea*>(); }
};

TEST_F(WindowOnTheScreen, ThreeStripsShowWholeWithoutAScrollBar) {
    Show(3);
    EXPECT_EQ(window->WindowWidthTwips(), 7200);
    EXPECT_EQ(window->width(), 480);
    EXPECT_EQ(window->height(), window->menuBar()->height() + 655);
    EXPECT_FALSE(Client()->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(Client()->verticalScrollBar()->isVisible());
}

TEST_F(WindowOnTheScreen, TwentyStripsScrollWithinTheScreenToTheButtonColumn) {
    Show(20);
    EXPECT_EQ(window->WindowWidthTwips(), 36440) << "the layout keeps its width";
    const QRect room = window->screen()->availableGeometry();
    EXPECT_TRUE(room.contains(window->frameGeometry()))
        << window->frameGeometry().x() << "," << window->frameGeometry().y() << " "
        << window->frameGeometry().width() << "x" << window->frameGeometry().height() << " on "
        << room.x() << "," << room.y() << " " << room.width() << "x" << room.height();
    QScrollBar* across = Client()->horizontalScrollBar();
    ASSERT_TRUE(across->isVisible());
    across->setValue(across->maximum());
    QWidget* viewport = Client()->viewport();
    for (QWidget* control : {static_cast<QWidget*>(window->Strip(19).cmdOn),
                             static_cast<QWidget*>(window->UserButton(7))}) {
        const QRect shown(control->mapTo(viewport, QPoint(0, 0)), control->size());
        EXPECT_TRUE(viewport->rect().contains(shown)) << control->objectName().toStdString();
    }
}

} // namespace
} // namespace orl::test
