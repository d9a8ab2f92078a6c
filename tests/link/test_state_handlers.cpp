// Channel on/off reports (0xD6) and relay and opto state reports (0xF7).
#include "HandlerTestSupport.h"

namespace orl::test {
namespace {

class StateHandlers : public HandlerTest {
protected:
    // Strips showing the given sources, strip i working device i + 1.
    void Strips(const std::vector<std::int16_t>& sources) {
        Faders(static_cast<int>(sources.size()));
        for (std::size_t i = 0; i < sources.size(); ++i) {
            v.FaderSource[static_cast<long long>(i)] = sources[i];
            v.FaderDeviceID[static_cast<long long>(i)] = static_cast<std::int16_t>(i + 1);
        }
    }
    // True when the strip was told to show its channel state.
    bool Shown(int strip) const {
        return window.CountOf("ShowChannelState " + std::to_string(strip)) > 0;
    }
};

// ---- 0xD6 channel on/off ------------------------------------------------------------

TEST_F(StateHandlers, ChannelOnReportSwitchesTheStripOn) {
    Strips({5});
    v.ConsoleNumber = 2;
    // channel 4 (source 5), console 1 (console 2), state 1
    handlers->ReceiveChannelOnOff(HexToBytes("D6 7F 00 01 04 00 01 00 01 06 FF"));
    EXPECT_TRUE(Shown(0));
    EXPECT_EQ(v.FaderOnState[0], 1);
    EXPECT_EQ(v.DeviceIDs[1].ChannelStatus, 64);
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(StateHandlers, ChannelReportAppliesToThisConsoleOrToEveryConsole) {
    const struct {
        const char* what;
        const char* console; // the entry's console bytes
        std::int16_t consoleNumber;
        bool applies;
    } rows[] = {
        {"console 2 on console 2", "01 00", 2, true}, {"console 2 on console 3", "01 00", 3, false},
        {"16383 is every console", "7F 7F", 9, true}, {"999 is every console", "67 07", 9, true},
        {"998 is one console", "66 07", 9, false},    {"console 999 itself", "66 07", 999, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Strips({5});
        window.calls.clear();
        v.ConsoleNumber = row.consoleNumber;
        handlers->ReceiveChannelOnOff(
            Framed(std::string("D6 7F 00 01 04 00 ") + row.console + " 01"));
        EXPECT_EQ(v.FaderOnState[0], row.applies ? 1 : 0);
        EXPECT_EQ(Shown(0), row.applies);
    }
}

TEST_F(StateHandlers, EveryStateOfAChannelEntry) {
    const struct {
        const char* what;
        int state;
        bool shown;
        std::int16_t onState;
        std::uint8_t channelStatus;
        bool onCue;
    } rows[] = {
        {"off", 0, true, 0, 0, true},
        {"on", 1, true, 1, 64, true},
        {"cue off", 2, true, 7, 9, false},
        {"cue on", 3, true, 7, 9, true},
        {"state 4 does nothing", 4, false, 7, 9, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Strips({5});
        window.calls.clear();
        v.FaderOnState[0] = 7;
        v.DeviceIDs[1].ChannelStatus = 9;
        v.FaderOnCue[0] = row.state != 3; // a cue report has to change it
        v.ConsoleNumber = 1;
        handlers->ReceiveChannelOnOff(
            Framed("D6 7F 00 01 04 00 00 00 0" + std::to_string(row.state)));
        EXPECT_EQ(Shown(0), row.shown);
        EXPECT_EQ(v.FaderOnState[0], row.onState);
        EXPECT_EQ(v.DeviceIDs[1].ChannelStatus, row.channelStatus);
        EXPECT_EQ(v.FaderOnCue[0], row.onCue);
        EXPECT_FALSE(v.FaderOnProgram[0]);
    }
}

TEST_F(StateHandlers, EveryStripShowingTheSourceFollowsEachEntry) {
    Strips({5, 6, 5, 7});
    v.ConsoleNumber = 1;
    // source 5 on, then source 7 off
    handlers->ReceiveChannelOnOff(Framed("D6 7F 00 02  04 00 00 00 01  06 00 00 00 00"));
    EXPECT_TRUE(Shown(0));
    EXPECT_TRUE(Shown(2));
    EXPECT_EQ(v.FaderOnState[0], 1);
    EXPECT_EQ(v.FaderOnState[2], 1);
    EXPECT_EQ(v.DeviceIDs[3].ChannelStatus, 64);
    EXPECT_FALSE(Shown(1));
    EXPECT_TRUE(Shown(3));
    EXPECT_EQ(v.FaderOnState[3], 0);
}

TEST_F(StateHandlers, ChannelReportWithAWrongChecksumChangesNothing) {
    Strips({5});
    v.ConsoleNumber = 2;
    handlers->ReceiveChannelOnOff(HexToBytes("D6 7F 00 01 04 00 01 00 01 07 FF"));
    EXPECT_TRUE(window.calls.empty());
    EXPECT_EQ(v.FaderOnState[0], 0);
    EXPECT_EQ(v.DeviceIDs[1].ChannelStatus, 0);
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(StateHandlers, ChannelReportFailuresKeepWhatWasApplied) {
    // Strip 1 works a device the switcher cannot have (a hand-edited configuration): it
    // still follows its source.
    Strips({5, 5});
    v.FaderDeviceID[1] = 9000;
    v.ConsoleNumber = 1;
    handlers->ReceiveChannelOnOff(Framed("D6 7F 00 01 04 00 00 00 01"));
    EXPECT_EQ(v.FaderOnState[0], 1);
    EXPECT_EQ(v.FaderOnState[1], 1);
    EXPECT_TRUE(Shown(1));
    EXPECT_EQ(v.DeviceIDs[1].ChannelStatus, 64);
    EXPECT_TRUE(LogEntries().empty());

    // Two entries promised, one and a bit sent: the first applies, the second is not
    // completed from the checksum (01 here, which would read as "on") and end byte.
    const std::vector<LogEntry> failed{
        {"Switcher Message Error", SubscriptError("Error Receiving Channel On Off")}};
    window.calls.clear();
    Strips({5, 6});
    const Bytes cut = Framed("D6 75 00 02  04 00 00 00 01  05 00 00 00");
    ASSERT_EQ(cut[cut.size() - 2], 0x01);
    handlers->ReceiveChannelOnOff(cut);
    EXPECT_EQ(v.FaderOnState[0], 1);
    EXPECT_FALSE(Shown(1));
    EXPECT_EQ(LogEntries(), failed);
}

// ---- 0xF7 relay and opto states -----------------------------------------------------

Bytes StateReport(int table, int count, int firstChannel = 0) {
    Bytes frame{0xF7, static_cast<std::uint8_t>(table)};
    Append14(frame, count);
    for (int r = 0; r < count; ++r) {
        Append14(frame, firstChannel + r);
        frame.push_back(static_cast<std::uint8_t>((firstChannel + r) % 2));
    }
    return Finish(frame);
}

TEST_F(StateHandlers, OptoChangesBelow32EntriesAreStoredAtTheirChannel) {
    v.OptoStates[7] = 1;
    v.PendingRequestMask1 = 256 | 65536;
    // table 30, 2 entries: channel 5 on, channel 7 off
    handlers->ReceiveOptoRelayStates(HexToBytes("F7 1E 02 00 05 00 01 07 00 00 2D FF"));
    EXPECT_EQ(v.OptoStates[5], 1);
    EXPECT_EQ(v.OptoStates[7], 0);
    EXPECT_EQ(v.OptoStates.size(), 256u);
    EXPECT_EQ(v.PendingRequestMask1, 0); // a change report leaves no request pending
    EXPECT_EQ(window.calls, std::vector<std::string>{"UpdateUserButtonTally"});
}

TEST_F(StateHandlers, WholeTablesResizeAndAnswerTheirRequest) {
    const std::int32_t allBits = 128 | 65536 | 131072;
    const struct {
        const char* what;
        Bytes frame;
        std::size_t relays, optos;
        std::int32_t mask1;
    } rows[] = {
        {"64 relays", StateReport(40, 64), 64, 256, 128 | 131072},
        {"300 optos", StateReport(30, 300), 256, 300, 128 | 65536},
        {"32 optos for channels 100 on: resized, all skipped", StateReport(30, 32, 100), 256, 32,
         128 | 65536},
        {"40 entries of table 50", StateReport(50, 40), 256, 256, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string folder = v.AppPath;
        ProgramSetup(v, folder);
        window.calls.clear();
        v.RelayStates[1] = 7;
        v.OptoStates[1] = 7;
        v.OptoStates[31] = 7;
        v.PendingRequestMask1 = allBits;
        handlers->ReceiveOptoRelayStates(row.frame);
        EXPECT_EQ(v.RelayStates.size(), row.relays);
        EXPECT_EQ(v.OptoStates.size(), row.optos);
        EXPECT_EQ(v.PendingRequestMask1, row.mask1);
        EXPECT_EQ(window.CountOf("UpdateUserButtonTally"), 1);
        const bool relays = row.frame[1] == 40;
        const bool optosFromZero = row.frame[1] == 30 && row.frame[4] == 0;
        EXPECT_EQ(v.RelayStates[1], relays ? 1 : 7);
        EXPECT_EQ(v.RelayStates[63], relays ? 1 : 0);
        EXPECT_EQ(v.OptoStates[1], optosFromZero ? 1 : 7);
        EXPECT_EQ(v.OptoStates[31], optosFromZero ? 1 : 7);
    }
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(StateHandlers, ChannelsBeyondTheTableAreSkipped) {
    // table 40, 2 entries: channel 300 on (no such relay), channel 2 on
    handlers->ReceiveOptoRelayStates(Framed("F7 28 02 00  2C 02 01  02 00 01"));
    EXPECT_EQ(v.RelayStates[2], 1);
    EXPECT_EQ(v.RelayStates.size(), 256u);
    EXPECT_EQ(window.CountOf("UpdateUserButtonTally"), 1);
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(StateHandlers, StateReportFailuresKeepEntriesButNotTheRequestOrTally) {
    Bytes wrongChecksum = HexToBytes("F7 1E 02 00 05 00 01 07 00 00 2E FF");
    v.PendingRequestMask1 = 65536;
    handlers->ReceiveOptoRelayStates(wrongChecksum);
    EXPECT_EQ(v.OptoStates[5], 0);
    EXPECT_EQ(v.PendingRequestMask1, 65536);
    EXPECT_TRUE(window.calls.empty());
    EXPECT_TRUE(LogEntries().empty());

    // 64 relays promised, two sent
    handlers->ReceiveOptoRelayStates(Framed("F7 28 40 00  01 00 01  03 00 01"));
    EXPECT_EQ(v.RelayStates[1], 1);
    EXPECT_EQ(v.RelayStates[3], 1);
    EXPECT_EQ(v.PendingRequestMask1, 65536);
    EXPECT_TRUE(window.calls.empty());
    EXPECT_EQ(LogEntries(),
              (std::vector<LogEntry>{{"Switcher Message Error",
                                      SubscriptError("Error Receiving Opto Relay States")}}));
}

} // namespace
} // namespace orl::test
