// Failures inside the strip's handlers: one checked lookup of a strip by index, and one
// guard where each control is connected, so a failure is logged once and the window
// carries on with what was done before it.

#include "OperatorInput.h"
#include "OrlError.h"
#include "PanelTestFixture.h"

#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace orl;
using orl::test::PanelTest;

namespace {

class HandlerGuard : public PanelTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(PanelTest::SetUp());
        ASSERT_TRUE(test::ActivateWindow(window.get()));
        ASSERT_NO_FATAL_FAILURE(ConnectToServer());
    }

    static std::size_t Count(const std::string& text, const std::string& part) {
        std::size_t n = 0;
        for (std::size_t at = text.find(part); at != std::string::npos;
             at = text.find(part, at + part.size()))
            ++n;
        return n;
    }
};

TEST_F(HandlerGuard, AStripIndexWithoutAStripIsTheSubscriptError) {
    v.FaderCount = 3;
    ResizeFaderArrays(v, 3);
    window->LoadFaders();
    ASSERT_EQ(window->StripCount(), 3);

    for (int index : {-1, 3, 4, 1000}) {
        try {
            static_cast<void>(window->Strip(index));
            ADD_FAILURE() << "strip " << index << " was found";
        } catch (const OrlError& e) {
            EXPECT_EQ(e.Number(), SubscriptOutOfRange) << "strip " << index;
        }
    }
    EXPECT_EQ(window->Strip(2).frSlider, window->Strip(2).cmdOn->parentWidget());
}

// ON and OFF send and colour first, then store the channel status of the strip's device:
// a device ID outside the table fails that last step.
TEST_F(HandlerGuard, AFailingButtonIsLoggedOnceAndWhatWasDoneStaysDone) {
    struct Case {
        const char* button;
        ColourButton* FaderStrip::*control;
        Colour lit;
        const char* sent;
    };
    const Case cases[] = {
        {"ON", &FaderStrip::cmdOn, OnColour, "D6 7F 00 01 04 00 01 00 01 06 FF"},
        {"OFF", &FaderStrip::cmdOff, ActiveColour, "D6 7F 00 01 04 00 01 00 00 05 FF"},
    };
    v.ConsoleNumber = 2;
    v.FaderSource[0] = 5;
    v.InputChannels[4].OnOpto = None;
    v.InputChannels[4].OffOpto = None;
    v.FaderDeviceID[0] = 9000;
    for (const Case& c : cases) {
        const std::string logBefore = LogText();
        QTest::mouseClick(window->Strip(0).*c.control, Qt::LeftButton);
        EXPECT_EQ(BytesToHex(SentBytes()), c.sent) << c.button;
        EXPECT_EQ((window->Strip(0).*c.control)->BackgroundColour(), c.lit) << c.button;
        const std::string added = LogText().substr(logBefore.size());
        EXPECT_EQ(Count(added, "Unexpected Error"), 1U) << c.button << ": " << added;
        EXPECT_EQ(Count(added, "Program Error"), 1U) << c.button << ": " << added;
    }
    EXPECT_TRUE(window->isVisible());
}

} // namespace
