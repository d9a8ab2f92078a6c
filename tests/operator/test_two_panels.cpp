// Two panels on one switcher under an operator's hands: what one panel does shows on the
// other, and while the switcher is stopped a press goes nowhere and lights nothing. Real
// X input on a display of its own; the switcher's trace tells what it received.

#include "OperatorDesk.h"
#include "PanelScreen.h"

#include <csignal>
#include <memory>

#include <sys/types.h>

namespace orl::test {
namespace {

// Strip 0 works device 1 (MIC 1, on), strip 1 device 2 (MIC 2, off).
const std::vector<int> DeviceIDs = {1, 2};
constexpr TwipsRect GainLabel{600, 5580, 1080, 255};
constexpr TwipsRect GainSlider{520, 1475, 630, 3975};
constexpr TwipsRect LinkLine{45, 2300, 1605, 2000};
constexpr QRgb LinkLineRgb = qRgb(176, 0, 0);

class TwoPanels : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        x_ = std::make_unique<XServer>();
        sim_ = std::make_unique<TracedSimulator>();
        if (!x_->Up() || sim_->Port() == 0)
            return;
        // A first, alone on the display; then B, moved to A's right.
        a_ = std::make_unique<PanelProgram>(*x_, PanelConfiguration(sim_->Port(), DeviceIDs));
        windowA_ = x_->WaitForWindow(Connected, ConnectTimeoutMs);
        b_ = std::make_unique<PanelProgram>(*x_, PanelConfiguration(sim_->Port(), DeviceIDs));
        WaitUntil([] { return x_->Windows(Connected).size() == 2; }, ConnectTimeoutMs);
        for (const XWindow w : x_->Windows(Connected))
            if (w != windowA_)
                windowB_ = w;
        if (windowB_ != 0)
            x_->Run("xdotool", {"windowmove", "--sync", QString::number(windowB_), "600", "0"});
    }
    static void TearDownTestSuite() {
        b_.reset();
        a_.reset();
        sim_.reset();
        x_.reset();
    }

    void SetUp() override {
        ASSERT_TRUE(x_->Up()) << x_->Error().toStdString();
        ASSERT_NE(windowA_, 0u) << "panel A never connected";
        ASSERT_NE(windowB_, 0u) << "panel B never connected: " << x_->Titles().toStdString();
        screenA_ = std::make_unique<PanelScreen>(x_->Geometry(windowA_), 2);
        screenB_ = std::make_unique<PanelScreen>(x_->Geometry(windowB_), 2);
        mark_ = sim_->Mark();
    }

    static inline std::unique_ptr<XServer> x_;
    static inline std::unique_ptr<TracedSimulator> sim_;
    static inline std::unique_ptr<PanelProgram> a_;
    static inline std::unique_ptr<PanelProgram> b_;
    static inline XWindow windowA_ = 0;
    static inline XWindow windowB_ = 0;
    std::unique_ptr<PanelScreen> screenA_;
    std::unique_ptr<PanelScreen> screenB_;
    int mark_ = 0;
};

// A drags strip 0's slider down: B's gain label comes to read what A's reads.
TEST_F(TwoPanels, ADragOnOnePanelIsFollowedOnTheOther) {
    const QImage before = x_->Screenshot();
    const QRect labelA = screenA_->StripControl(0, GainLabel);
    const QRect labelB = screenB_->StripControl(0, GainLabel);
    ASSERT_EQ(before.copy(labelA), before.copy(labelB)) << "the panels disagree at the start";

    // The thumb stands at 0 dB, 120 of the slider's 920 units from its top.
    const QRect slider = screenA_->StripControl(0, GainSlider);
    const QPoint thumb(slider.center().x(), slider.top() + 8 + (slider.height() - 16) * 120 / 920);
    ASSERT_TRUE(x_->Focus(windowA_));
    ASSERT_TRUE(x_->Press(thumb));
    for (int step = 1; step <= 8; ++step)
        x_->Run("xdotool",
                {"mousemove", QString::number(thumb.x()), QString::number(thumb.y() + 10 * step)});
    ASSERT_TRUE(x_->Release(thumb + QPoint(0, 80)));
    EXPECT_TRUE(Received(*sim_, "E3 gain: parameter 20, device 1", mark_));

    QImage now;
    const bool followed = WaitUntil(
        [&] {
            now = x_->Screenshot();
            return now.copy(labelA) != before.copy(labelA) && now.copy(labelB) == now.copy(labelA);
        },
        10000);
    EXPECT_TRUE(followed) << "B's gain label never read what A's reads; trace:\n"
                          << sim_->Tail(mark_).toStdString();
}

// With the switcher stopped both panels say so on their strips; ON on A then lights
// nothing and never reaches the switcher, even once it runs again.
TEST_F(TwoPanels, OnPressedWhileTheSwitcherIsStoppedDoesNothing) {
    const auto pid = static_cast<pid_t>(sim_->Process().processId());
    ASSERT_EQ(::kill(pid, SIGSTOP), 0);
    const QRect lineA = screenA_->StripControl(1, LinkLine);
    const QRect lineB = screenB_->StripControl(1, LinkLine);
    EXPECT_TRUE(Shows(*x_, lineA, LinkLineRgb, 15000)) << "A does not show the silent switcher";
    EXPECT_TRUE(Shows(*x_, lineB, LinkLineRgb, 15000)) << "B does not show the silent switcher";

    const QRect onA = screenA_->StripControl(1, OnButton);
    ASSERT_TRUE(x_->Focus(windowA_));
    x_->Click(onA.center());
    const QRect inside = onA.adjusted(4, 4, -4, -4);
    EXPECT_LT(ColourShare(x_->Screenshot(), inside, OnRgb), 0.5) << "ON lit without the switcher";

    ASSERT_EQ(::kill(pid, SIGCONT), 0);
    EXPECT_TRUE(
        WaitUntil([&] { return ColourShare(x_->Screenshot(), lineA, LinkLineRgb) < 0.1; }, 15000))
        << "A still shows the switcher silent";
    // Live again: strip 0's ON goes out, and nothing of strip 1 came before it.
    x_->Click(screenA_->StripControl(0, OnButton).center());
    const int sentinel = sim_->WaitForLine("D6 channel on/off: input 1 console 1 on", mark_);
    ASSERT_GE(sentinel, 0) << sim_->Tail(mark_).toStdString();
    EXPECT_EQ(sim_->Find("input 2 console 1 on", mark_, sentinel), -1)
        << sim_->Tail(mark_).toStdString();
    EXPECT_TRUE(Shows(*x_, screenA_->StripControl(1, OffButton), ActiveRgb)) << "MIC 2 is off";
}

} // namespace
} // namespace orl::test
