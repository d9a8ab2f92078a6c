// ON / OFF, PGM / OFFLN / CUE and IFB clicked on real buttons: the bytes that reach a
// server on loopback, the colours shown and the panel state left behind.

#include "Frames.h"
#include "OperatorInput.h"
#include "PanelTestFixture.h"

#include <QAccessible>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace orl;
using orl::test::PanelTest;

namespace {

class StripButtons : public PanelTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(PanelTest::SetUp());
        ASSERT_TRUE(test::ActivateWindow(window.get()));
        ASSERT_NO_FATAL_FAILURE(ConnectToServer());

        // Strip 0 works device 7, source 5, at 0 dB and on; console 2.
        v.ConsoleNumber = 2;
        v.FaderDeviceID[0] = 7;
        v.FaderSource[0] = 5;
        v.FaderGain[0] = 1024;
        v.FaderOnState[0] = 1;
    }

    // Everything the window sent since the last call, as hex frames joined by " | ".
    std::string Sent() { return test::FramesHex(SentBytes()); }

    const FaderStrip& S(int i = 0) const { return window->Strip(i); }
};

TEST_F(StripButtons, OnAndOffSendTheChannelMessageThenTheSourcesOptosAndShowTheState) {
    v.InputChannels[4].OnOpto = 12;
    v.InputChannels[4].OffOpto = None;

    QTest::mouseClick(S().cmdOn, Qt::LeftButton);
    EXPECT_EQ(Sent(), "D6 7F 00 01 04 00 01 00 01 06 FF | FE 64 00 0C 00 7F 7F 6E FF");
    EXPECT_EQ(S().cmdOn->BackgroundColour(), OnColour);
    EXPECT_EQ(S().cmdOff->BackgroundColour(), IdleColour);
    EXPECT_EQ(v.FaderOnState[0], 1);
    EXPECT_EQ(v.DeviceIDs[7].ChannelStatus, 64);

    QTest::mouseClick(S().cmdOff, Qt::LeftButton);
    EXPECT_EQ(Sent(), "D6 7F 00 01 04 00 01 00 00 05 FF | FE 60 00 0C 00 7F 7F 6A FF");
    EXPECT_EQ(S().cmdOff->BackgroundColour(), ActiveColour);
    EXPECT_EQ(S().cmdOn->BackgroundColour(), IdleColour);
    EXPECT_EQ(v.FaderOnState[0], 0);
    EXPECT_EQ(v.DeviceIDs[7].ChannelStatus, 0);

    // Both optos: ON turns the on-opto on and the off-opto off, OFF the reverse.
    v.InputChannels[4].OffOpto = 13;
    QTest::mouseClick(S().cmdOn, Qt::LeftButton);
    EXPECT_EQ(Sent(), "D6 7F 00 01 04 00 01 00 01 06 FF | FE 64 00 0C 00 7F 7F 6E FF | "
                      "FE 60 00 0D 00 7F 7F 6B FF");
    QTest::mouseClick(S().cmdOff, Qt::LeftButton);
    EXPECT_EQ(Sent(), "D6 7F 00 01 04 00 01 00 00 05 FF | FE 60 00 0C 00 7F 7F 6A FF | "
                      "FE 64 00 0D 00 7F 7F 6F FF");
}

TEST_F(StripButtons, OnWithoutAnInputChannelRecordSendsOnlyTheChannelMessage) {
    const struct {
        std::int16_t source;
        const char* sent;
        bool lit;
    } cases[] = {
        {None, "", false}, // no source: no channel to switch, nothing lights
        {300, "D6 7F 00 01 2B 02 01 00 01 2F FF", true}, // beyond the 256 channel records
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        v.FaderSource[0] = c.source;
        v.FaderOnState[0] = 0;
        v.DeviceIDs[7].ChannelStatus = 0;
        window->ShowChannelState(0);
        QTest::mouseClick(S().cmdOn, Qt::LeftButton);
        EXPECT_EQ(Sent(), c.sent);
        EXPECT_EQ(S().cmdOn->BackgroundColour(), c.lit ? OnColour : IdleColour);
        EXPECT_EQ(v.DeviceIDs[7].ChannelStatus, c.lit ? 64 : 0);
    }
}

TEST_F(StripButtons, BusButtonsToggleTheirAssignmentAndSendTheCrosspointChange) {
    v.ProgramBus = 3;
    v.OfflineBus = 4;
    v.CueBus = 6;
    const std::string fixed = "7F 7F 7F 7F 7F 7F 7F 04 40 00 ";
    const struct {
        const char* name;
        ColourButton* FaderStrip::*button;
        Table<bool> Variables::*flag;
        std::string assign, remove;
    } cases[] = {
        {"PGM", &FaderStrip::cmdBtn1, &Variables::FaderOnProgram,
         "FE 24 18 04 00 02 00 07 00 " + fixed + "00 00 00 00 00 08 00 08 00 08 00 08 26 FF",
         "FE 20 18 04 00 02 00 07 00 " + fixed + "00 00 00 00 00 08 00 08 00 08 00 08 22 FF"},
        {"OFFLN", &FaderStrip::cmdBtn2, &Variables::FaderOnOffline,
         "FE 24 18 04 00 03 00 07 00 " + fixed + "00 00 48 00 00 08 00 08 00 08 00 08 6F FF",
         "FE 20 18 04 00 03 00 07 00 " + fixed + "00 00 48 00 00 08 00 08 00 08 00 08 6B FF"},
        {"CUE", &FaderStrip::cmdBtn3, &Variables::FaderOnCue,
         "FE 24 18 04 00 05 00 07 00 " + fixed + "00 00 48 00 00 08 00 08 00 08 00 08 71 FF",
         "FE 20 18 04 00 05 00 07 00 " + fixed + "00 00 48 00 00 08 00 08 00 08 00 08 6D FF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ColourButton* button = S().*c.button;
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(Sent(), c.assign);
        EXPECT_EQ(button->BackgroundColour(), ActiveColour);
        EXPECT_TRUE((v.*c.flag)[0]);

        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(Sent(), c.remove);
        EXPECT_EQ(button->BackgroundColour(), IdleColour);
        EXPECT_FALSE((v.*c.flag)[0]);
    }

    // The on flag follows the strip's channel state.
    v.FaderOnState[0] = 0;
    QTest::mouseClick(S().cmdBtn1, Qt::LeftButton);
    EXPECT_EQ(Sent(), "FE 24 18 04 00 02 00 07 00 7F 7F 7F 7F 7F 7F 7F 04 00 00 00 00 00 00 "
                      "00 08 00 08 00 08 00 08 66 FF");
}

TEST_F(StripButtons, BusButtonsWithoutABusDoNothing) {
    for (std::int16_t bus : {std::int16_t{0}, None}) {
        SCOPED_TRACE(bus);
        v.ProgramBus = v.OfflineBus = v.CueBus = bus;
        for (ColourButton* b : {S().cmdBtn1, S().cmdBtn2, S().cmdBtn3})
            QTest::mouseClick(b, Qt::LeftButton);
        EXPECT_EQ(Sent(), "");
        for (ColourButton* b : {S().cmdBtn1, S().cmdBtn2, S().cmdBtn3})
            EXPECT_EQ(b->BackgroundColour(), IdleColour);
        EXPECT_FALSE(v.FaderOnProgram[0] || v.FaderOnOffline[0] || v.FaderOnCue[0]);
    }
}

TEST_F(StripButtons, IfbTakesWhileHeldAndOnlyWithAnIfbOutput) {
    v.IFBSource = 5;
    v.InputChannels[4].IFBOutput = 9;

    QTest::mousePress(S().cmdBtn4, Qt::LeftButton);
    EXPECT_EQ(Sent(), "FE 25 00 04 00 09 00 32 FF");
    EXPECT_EQ(S().cmdBtn4->BackgroundColour(), ActiveColour);
    QTest::mouseRelease(S().cmdBtn4, Qt::LeftButton);
    EXPECT_EQ(Sent(), "FE 21 00 04 00 09 00 2E FF");
    EXPECT_EQ(S().cmdBtn4->BackgroundColour(), IdleColour);

    // Any mouse button holds it, and Space on the focused button.
    QTest::mousePress(S().cmdBtn4, Qt::RightButton);
    QTest::mouseRelease(S().cmdBtn4, Qt::RightButton);
    EXPECT_EQ(Sent(), "FE 25 00 04 00 09 00 32 FF | FE 21 00 04 00 09 00 2E FF");
    ASSERT_TRUE(test::TabTo(S().cmdBtn4));
    test::Key(window.get(), Qt::Key_Space);
    EXPECT_EQ(Sent(), "FE 25 00 04 00 09 00 32 FF | FE 21 00 04 00 09 00 2E FF");

    // No IFB output, no source, no input channel record: nothing is taken, nothing lights.
    const struct {
        std::int16_t source, ifbOutput;
    } silent[] = {{5, None}, {None, 9}, {0, 9}, {300, 9}};
    for (const auto& c : silent) {
        SCOPED_TRACE(c.source);
        v.FaderSource[0] = c.source;
        v.InputChannels[4].IFBOutput = c.ifbOutput;
        QTest::mousePress(S().cmdBtn4, Qt::LeftButton);
        EXPECT_EQ(S().cmdBtn4->BackgroundColour(), IdleColour);
        QTest::mouseRelease(S().cmdBtn4, Qt::LeftButton);
        EXPECT_EQ(Sent(), "");
    }
}

// The switcher moves the strip to another source while IFB is held: the release lets go
// of the output the press took, and a press that took nothing lets go of nothing.
TEST_F(StripButtons, IfbReleaseLetsGoOfWhatThePressTook) {
    v.IFBSource = 5;
    v.InputChannels[4].IFBOutput = 9;  // source 5
    v.InputChannels[5].IFBOutput = 12; // source 6
    const struct {
        std::int16_t pressedOn, releasedOn;
        const char* press;
        const char* release;
    } rows[] = {
        {5, 6, "FE 25 00 04 00 09 00 32 FF", "FE 21 00 04 00 09 00 2E FF"},
        {6, 5, "FE 25 00 04 00 0C 00 35 FF", "FE 21 00 04 00 0C 00 31 FF"},
        {None, 5, "", ""},
        {5, None, "FE 25 00 04 00 09 00 32 FF", "FE 21 00 04 00 09 00 2E FF"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pressedOn);
        v.FaderSource[0] = row.pressedOn;
        QTest::mousePress(S().cmdBtn4, Qt::LeftButton);
        EXPECT_EQ(Sent(), row.press);
        v.FaderSource[0] = row.releasedOn;
        QTest::mouseRelease(S().cmdBtn4, Qt::LeftButton);
        EXPECT_EQ(Sent(), row.release);
        EXPECT_EQ(S().cmdBtn4->BackgroundColour(), IdleColour);
    }
}

TEST_F(StripButtons, BusTallyComesFromTheCrosspointMapEntriesUpToTheEntryCount) {
    v.FaderCount = 2;
    ResizeFaderArrays(v, 2);
    window->LoadFaders();
    ASSERT_EQ(window->StripCount(), 2);
    v.FaderDeviceID[0] = 7;
    v.FaderDeviceID[1] = 9;
    v.ProgramBus = 1;
    v.OfflineBus = 2;
    v.CueBus = 9; // beyond the map: never lit

    v.CrosspointMap.Recreate(3);
    auto entries = [&](int bus, std::initializer_list<std::int16_t> words, int count) {
        auto& w = v.CrosspointMap[bus - 1].Words;
        int k = 0;
        for (std::int16_t e : words)
            w[static_cast<std::size_t>(k++)] = e;
        w[CrosspointRecord::BusInfoWord] = static_cast<std::int16_t>((count << 8) | (bus - 1));
    };
    entries(1, {3, 7 + 8192}, 2); // strip 0 on program, by its linked form
    entries(2, {9, 7}, 1);        // strip 1 off-line; the 7 lies beyond the entry count

    // Stale local state that the map replaces.
    v.FaderOnProgram[1] = true;
    window->Strip(1).cmdBtn1->SetBackgroundColour(ActiveColour);
    v.FaderOnCue[0] = true;
    S().cmdBtn3->SetBackgroundColour(ActiveColour);

    window->UpdateBussButtonTally();

    const struct {
        int strip;
        ColourButton* FaderStrip::*button;
        Table<bool> Variables::*flag;
        bool lit;
    } expect[] = {
        {0, &FaderStrip::cmdBtn1, &Variables::FaderOnProgram, true},
        {0, &FaderStrip::cmdBtn2, &Variables::FaderOnOffline, false},
        {0, &FaderStrip::cmdBtn3, &Variables::FaderOnCue, false},
        {1, &FaderStrip::cmdBtn1, &Variables::FaderOnProgram, false},
        {1, &FaderStrip::cmdBtn2, &Variables::FaderOnOffline, true},
        {1, &FaderStrip::cmdBtn3, &Variables::FaderOnCue, false},
    };
    for (const auto& e : expect) {
        SCOPED_TRACE(e.strip);
        EXPECT_EQ((window->Strip(e.strip).*e.button)->BackgroundColour(),
                  e.lit ? ActiveColour : IdleColour);
        EXPECT_EQ((v.*e.flag)[e.strip], e.lit);
    }
    EXPECT_EQ(LogText(), "");
}

TEST_F(StripButtons, BusTallyFailureIsLoggedAndKeepsTheStripsAlreadyDone) {
    v.FaderCount = 2; // only one strip and one element per array exist
    v.ProgramBus = 1;
    v.CrosspointMap[0].Words[0] = 7;
    v.CrosspointMap[0].Words[CrosspointRecord::BusInfoWord] = 1 << 8;

    window->UpdateBussButtonTally();

    EXPECT_EQ(S().cmdBtn1->BackgroundColour(), ActiveColour);
    EXPECT_NE(LogText().find("Error updating buttons"), std::string::npos);
    EXPECT_NE(LogText().find("Display Error"), std::string::npos);
}

// What a screen reader hears through Qt's accessibility API: each control names its strip
// and source, a tally is the button's checked state, the slider's value is the gain as
// the label says it; a report from the switcher changes the state. (The events that tell
// a screen reader of a change need the desktop's accessibility bus: see the operator
// suite.)
TEST_F(StripButtons, AScreenReaderHearsNamesTalliesAndGain) {
    // Strip 1 works device 7 on source 5, "MIC 5", off, at -12.3 dB; user button 1 is a
    // "Relay Toggle" on relay 3, its relay off.
    v.InputCount = 5;
    v.InputNames[4] = "MIC 5";
    v.DeviceIDs[7].Source = 4;
    v.DeviceIDs[7].ChannelStatus = 0;
    v.DeviceIDs[7].Gain = 901;
    v.UserButtons[0] = {1000, "Talk", 3, None};
    v.RelayStates.Recreate(8, 0);
    window->InitAllSliders();
    window->SetupButtons();
    window->UpdateUserButtonTally();

    const auto iface = [](QWidget* w) { return QAccessible::queryAccessibleInterface(w); };
    const auto checked = [&](QWidget* w) { return iface(w)->state().checked != 0; };
    struct Row {
        QWidget* control;
        QString name;
        bool litBefore;
        bool litAfter; // after the switcher reports the channel on and relay 3 on
    };
    const Row rows[] = {
        {S().cmdOn, QStringLiteral("Strip 1, MIC 5, ON"), false, true},
        {S().cmdOff, QStringLiteral("Strip 1, MIC 5, OFF"), true, false},
        {S().cmdBtn1, QStringLiteral("Strip 1, MIC 5, PGM"), false, false},
        {S().cmdBtn4, QStringLiteral("Strip 1, MIC 5, IFB"), false, false},
        {window->UserButton(0), QStringLiteral("User button 1, Talk"), false, true},
        {window->UserButton(1), QStringLiteral("User button 2, Inactive"), false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name.toStdString());
        EXPECT_EQ(iface(r.control)->text(QAccessible::Name), r.name);
        EXPECT_TRUE(iface(r.control)->state().checkable);
        EXPECT_TRUE(QTest::qWaitFor([&] { return checked(r.control) == r.litBefore; }));
    }
    EXPECT_EQ(iface(window->UserButton(0))->text(QAccessible::Description), "toggle");
    EXPECT_EQ(iface(S().sliGain)->text(QAccessible::Name), "Strip 1, MIC 5, gain");
    EXPECT_EQ(iface(S().sliGain)->text(QAccessible::Value), "-12.3 dB");
    EXPECT_EQ(iface(S().sliGain)->valueInterface()->currentValue().toDouble(), -12.3);

    // The switcher: input 5 on at console 2, relay 3 on.
    v.ReceiveBuffer.Append(test::Frame(0xD6).Hex("7F 00 01 04 00 01 00 01").Finish());
    v.ReceiveBuffer.Append(test::Frame(0xF7).Byte(40).Value14(1).Value14(2).Byte(1).Finish());
    while (window->Link().DecodeTick()) {
    }
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name.toStdString());
        EXPECT_TRUE(QTest::qWaitFor([&] { return checked(r.control) == r.litAfter; }));
    }
    // A click leaves the checked state to the tally.
    QTest::mouseClick(window->UserButton(1), Qt::LeftButton);
    EXPECT_FALSE(window->UserButton(1)->isChecked());

    // A source the switcher reports renames the strip's controls.
    v.InputNames[2] = "PHONE 3";
    v.DeviceIDs[7].Source = 2;
    window->UpdateActiveSource(0);
    EXPECT_EQ(iface(S().cmdOn)->text(QAccessible::Name), "Strip 1, PHONE 3, ON");
}

} // namespace
