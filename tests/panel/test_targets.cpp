// What a press or a start-up request goes to: a strip without a source switches nothing,
// an input the switcher has not described drives no opto and no IFB output, and a device
// ID the switcher cannot have is never asked for.

#include "PanelTestFixture.h"

#include "Faders.h"
#include "Frames.h"
#include "Protocol.h"

#include <QTest>
#include <gtest/gtest.h>

#include <functional>

using namespace orl;
using orl::test::PanelTest;

namespace {

class Targets : public PanelTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(PanelTest::SetUp());
        ASSERT_NO_FATAL_FAILURE(ConnectToServer());
        // Two strips on devices 4 and 5, console 1, IFB source 4; input 3's IFB output 9.
        test::Faders(v, 2, 4);
        v.LoadedFaderCount = 1;
        window->LoadFaders();
        v.ConsoleNumber = 1;
        v.IFBSource = 4;
        v.InputChannels[2] = {9, 20, None, false};
    }

    // A name table of `count` inputs named "INnn": the channel records grow to match.
    Bytes NameTable(int count) {
        test::Frame frame(wire::AlphaTable);
        frame.Byte(wire::InputNameTable).Byte(4).Value14(count).Value14(0);
        for (int n = 0; n < count; ++n)
            frame.Byte('I').Byte('N').Byte('0' + n / 100 % 10).Byte('0' + n % 10).Value14(0);
        return frame.Finish();
    }

    static std::string Info(int word2, int count, int first) {
        return BytesToHex(test::Frame(wire::InfoRequest)
                              .Value28(0)
                              .Value14(word2)
                              .Value14(count)
                              .Value14(first)
                              .Finish());
    }
};

TEST_F(Targets, APressOrRequestGoesOnlyWhereTheSwitcherHasSomething) {
    const auto click = [this](ColourButton* FaderStrip::*button) {
        return [this, button] { QTest::mouseClick(window->Strip(0).*button, Qt::LeftButton); };
    };
    Colour ifbHeld = IdleColour;
    const auto holdIFB = [this, &ifbHeld] {
        const FaderStrip& s = window->Strip(0);
        QTest::mousePress(s.cmdBtn4, Qt::LeftButton);
        ifbHeld = s.cmdBtn4->BackgroundColour();
        QTest::mouseRelease(s.cmdBtn4, Qt::LeftButton);
    };
    const auto grownTable = [this] { window->Link().Handlers().ProcessAlphaTable(NameTable(300)); };
    const struct Row {
        const char* what;
        std::int16_t source; // strip 0's source; strip 1 works source 3
        std::function<void()> before;
        std::function<void()> action;
        std::string sent;
        bool lit; // ON after the click, IFB while held
    } rows[] = {
        {"ON without a source", None, {}, click(&FaderStrip::cmdOn), "", false},
        {"OFF without a source", None, {}, click(&FaderStrip::cmdOff), "", false},
        {"IFB without a source", None, {}, holdIFB, "", false},
        {"IFB on an input the switcher has not described", 5, {}, holdIFB, "", false},
        {"IFB on an input a larger name table added", 280, grownTable, holdIFB, "", false},
        {"ON on an input a larger name table added: no opto", 280, grownTable,
         click(&FaderStrip::cmdOn),
         BytesToHex(test::Framed("D6 7F 00 01 17 02 00 00 01")), // input 280: 279 = 17 02
         true},
        {"IFB on input 3 takes to its output",
         3,
         {},
         holdIFB,
         "FE 25 00 03 00 09 00 31 FF FE 21 00 03 00 09 00 2D FF",
         true},
        {"attributes only for the strip with a source",
         None,
         {},
         [this] { window->Link().RequestInchan(true); },
         Info(wire::RequestChannelAttributes, 1, 2),
         false},
        {"start-up asks for no device outside 0 to 8192", None,
         [this] { v.FaderDeviceID[0] = 9000; },
         [this] {
             v.StartupStep = 5;
             v.PendingRequestMask1 = v.PendingRequestMask2 = 0;
             window->Link().RunStartupSequence();
         },
         Info(wire::RequestDeviceData, 1, 5), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        v.FaderSource[0] = row.source;
        v.FaderSource[1] = 3;
        v.FaderDeviceID[0] = 4;
        v.FaderOnState[0] = 0;
        window->ShowChannelState(0);
        if (row.before)
            row.before();
        Sent();
        ifbHeld = IdleColour;
        row.action();
        EXPECT_EQ(Sent(), row.sent);
        const bool onLit = window->Strip(0).cmdOn->BackgroundColour() == OnColour;
        EXPECT_EQ(onLit || ifbHeld == ActiveColour, row.lit);
    }
    // The start-up completes on the one device it asked for; nothing failed on the way.
    v.PendingRequestMask2 = wire::RequestDeviceData;
    window->Link().Handlers().ReceiveDeviceIDInfo(
        test::Framed("D9 00 01 01 00 04 02  05 00 02 00 00 00 00 08 00 00 00 00"));
    EXPECT_EQ(v.PendingRequestMask2, 0);
    EXPECT_EQ(v.StartupStep, 6);
    EXPECT_EQ(LogText().find("Error Receiving"), std::string::npos) << LogText();
    EXPECT_EQ(LogText().find("Error Sending"), std::string::npos) << LogText();
}

} // namespace
