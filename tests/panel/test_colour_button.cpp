// The graphical buttons of the strips and the user-button column: their background is the
// tally, in exactly the panel's colours, inside a dark frame.
#include "ColourButton.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

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
        // The frame: black while the button has the focus.
        const QColor frame = button->hasFocus() ? QColor(Qt::black) : QColor(0x40, 0x40, 0x40);
        EXPECT_EQ(shown(0, 36), frame);
        EXPECT_EQ(shown(40, 72), frame);
    }
}

} // namespace
} // namespace orl
