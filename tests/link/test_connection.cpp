#include "LinkFixture.h"

#include "OrlError.h"

#include <algorithm>
#include <functional>

using namespace orl;
using namespace orl::test;

namespace {

class Connection : public LinkTest {
protected:
    int CountWritten(const std::string& hex) const {
        const auto all = socket.WrittenHex();
        return static_cast<int>(std::count(all.begin(), all.end(), hex));
    }
};

// A socket whose chosen operation fails, and whose writes can be made to fail.
class FailingSocket : public FakeSocket {
public:
    std::string failing; // "Connect", "Close", "Write", "Connected"
    long writeReturn = 1;
    int writeError = 0;
    int writes = 0;
    int Connect() override {
        Fail("Connect");
        return FakeSocket::Connect();
    }
    void Close() override {
        Fail("Close");
        FakeSocket::Close();
    }
    bool Connected() const override {
        Fail("Connected");
        return FakeSocket::Connected();
    }
    long Write(const std::uint8_t* data, long length) override {
        Fail("Write");
        ++writes;
        if (writeReturn < 1) {
            lastError = writeError;
            return writeReturn;
        }
        return FakeSocket::Write(data, length);
    }

private:
    void Fail(const char* operation) const {
        if (failing == operation)
            throw OrlError(DeviceIOError, "Device I/O error");
    }
};

} // namespace

TEST_F(Connection, WhileDownEachTickTriesToConnect) {
    socket.connected = false;
    v.SocketConnected = false;
    v.IPAddress = "127.0.0.1";
    v.IPPort = 2101;
    window.caption = CaptionDisconnected;
    for (int tick = 1; tick <= 3; ++tick) {
        link.PollTick();
        EXPECT_EQ(socket.connects, tick);
    }
    EXPECT_EQ(socket.host, "127.0.0.1");
    EXPECT_EQ(socket.port, 2101);
    EXPECT_TRUE(socket.written.empty());
    EXPECT_EQ(window.caption, CaptionDisconnected);
    EXPECT_EQ(socket.closes, 0);

    socket.connectStatus = 10049; // fails at once: closed and reset for the next try
    link.PollTick();
    EXPECT_EQ(socket.closes, 1);
    EXPECT_EQ(socket.resets, 1);
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(Connection, TheFirstStepFollowsTheTypeReplyOrElseTheFirstTick) {
    const std::string step0 = "F2 00 02 00 00 00 00 7F 7F 00 00 00 FF";
    const std::string reply = "81 09 01 0A FF";
    // The switcher asks what the panel is: the reply, then at once the first request.
    v.SocketConnected = false;
    v.PollsWithoutReply = 57;
    link.OnSocketConnect();
    EXPECT_TRUE(v.SocketConnected);
    EXPECT_EQ(v.PollsWithoutReply, 0);
    EXPECT_EQ(window.caption, CaptionWaiting);
    EXPECT_TRUE(socket.written.empty());
    Receive("81 64 64 FF");
    link.DecodeBuffer();
    EXPECT_EQ(socket.WrittenHex(), (std::vector<std::string>{reply, step0}));
    EXPECT_EQ(v.StartupStep, 1);
    Receive("81 64 64 FF"); // asked again: answered, the sequence is not started over
    link.DecodeBuffer();
    EXPECT_EQ(socket.WrittenHex(), (std::vector<std::string>{reply, step0, reply}));

    // No type request: the first tick sends the step. Step 1 waits for its answer, and
    // the countdown is 0, so the request is repeated.
    link.DisconnectFromServer();
    socket.written.clear();
    socket.connected = true;
    link.OnSocketConnect();
    EXPECT_TRUE(socket.written.empty());
    link.PollTick();
    EXPECT_EQ(window.caption, CaptionWaiting);
    EXPECT_EQ(socket.WrittenHex(), (std::vector<std::string>{step0, step0, "F5"}));
    EXPECT_EQ(v.StartupStep, 1);
    EXPECT_EQ(v.PollsWithoutReply, 1);
    EXPECT_EQ(v.RequestRepeatCountdown, 60);

    v.StartupStep = 8;
    link.PollTick();
    EXPECT_EQ(window.caption, CaptionConnected);
}

TEST_F(Connection, ThreeUnansweredPollsMakeTheSwitcherSilentUntilItAnswersAPoll) {
    link.OnSocketConnect();
    v.StartupStep = 8;
    EXPECT_EQ(window.linkState, LinkState::Live);
    for (int tick = 1; tick <= 3; ++tick) {
        link.PollTick();
        EXPECT_EQ(window.linkState, LinkState::Live) << tick;
    }
    link.PollTick(); // finds the three polls of the ticks before unanswered
    EXPECT_EQ(window.linkState, LinkState::Silent);
    EXPECT_FALSE(link.Live());
    EXPECT_EQ(CountWritten("F5"), 4); // polling goes on

    EXPECT_EQ(window.caption, CaptionNotAnswering);

    // Only a poll answer ends it: a panel far behind its reports still decodes old frames
    // and offline bytes while its polls wait behind them.
    const struct {
        const char* message;
        bool live;
    } rows[] = {{"F1", false},
                {"81 64 64 FF", false},
                {"D6 7F 00 01 01 00 00 00 01 02 FF", false},
                {"F4", true}};
    for (const auto& row : rows) {
        Receive(row.message);
        link.DecodeBuffer();
        EXPECT_EQ(link.Live(), row.live) << row.message;
        EXPECT_EQ(window.caption, row.live ? CaptionConnected : CaptionNotAnswering) << row.message;
        link.PollTick();
        EXPECT_EQ(link.Live(), row.live) << row.message;
    }
    EXPECT_EQ(window.linkState, LinkState::Live);

    // Down is down, silent or not; the 201st unanswered poll still closes the link.
    v.PollsUnanswered = 3;
    link.PollTick();
    v.PollsWithoutReply = 201;
    link.PollTick();
    EXPECT_FALSE(v.SocketConnected);
    EXPECT_EQ(window.linkState, LinkState::Down);
    EXPECT_FALSE(link.Live());
    link.OnSocketConnect();
    EXPECT_EQ(window.linkState, LinkState::Live);
}

TEST_F(Connection, APressTheSwitcherHasNotTakenGoesBackWhenItFallsSilent) {
    // Strip 0 works input 2 on console 1, shown off; ON is pressed, then the switcher
    // says something (or nothing), then three polls go unanswered.
    const struct {
        const char* after; // hex the switcher sends after the press, or ""
        int shown;         // FaderOnState once silent
        bool reverted;     // shown again when the silence showed
    } rows[] = {
        {"", 0, true},                                  // nothing: the press goes back
        {"D6 7F 00 01 01 00 00 00 01 02 FF", 1, false}, // reported on: confirmed
        {"D6 7F 00 01 01 00 00 00 00 01 FF", 0, false}, // reported off: off it is
        {"F4", 1, false},                               // a poll answer after it: taken
        {"D6 7F 00 01 05 00 00 00 01 06 FF", 0, true},  // another input's report
    };
    for (const auto& row : rows) {
        link.OnSocketConnect();
        v.StartupStep = StartupComplete;
        v.ConsoleNumber = 1;
        v.FaderSource[0] = 2;
        v.FaderDeviceID[0] = 4;
        v.FaderOnState[0] = 0;
        v.DeviceIDs[4].ChannelStatus = 0;
        NoteOnOffPress(v, 0); // as the ON button does before it sets the state
        v.FaderOnState[0] = 1;
        v.DeviceIDs[4].ChannelStatus = wire::ChannelOnStatus;
        Receive(row.after);
        link.DecodeBuffer();
        window.calls.clear();
        for (int tick = 0; tick < 4; ++tick)
            link.PollTick();
        ASSERT_FALSE(link.Live()) << row.after;
        EXPECT_EQ(v.FaderOnState[0], row.shown) << row.after;
        EXPECT_EQ(v.DeviceIDs[4].ChannelStatus, row.shown == 1 ? wire::ChannelOnStatus : 0)
            << row.after;
        EXPECT_EQ(window.CountOf("ShowChannelState 0"), row.reverted ? 1 : 0) << row.after;
        link.OnSocketClose();
    }
}

TEST_F(Connection, ANewConnectionStartsWithAnEmptyReceiveBufferThatHoldsNoStorage) {
    // A name table that never ended, left behind when the server closed the connection.
    v.ReceiveBuffer.Append(HexToBytes("FC 0A"));
    v.ReceiveBuffer.Append(Bytes(8 << 20, 0x11));
    link.DecodeBuffer();
    ASSERT_GE(v.ReceiveBuffer.Capacity(), 8u << 20);
    link.OnSocketClose();
    link.OnSocketConnect();
    EXPECT_TRUE(v.ReceiveBuffer.empty());
    EXPECT_EQ(v.ReceiveBuffer.Capacity(), 0u);
}

TEST_F(Connection, TwoHundredOneUnansweredPollsCloseTheLinkAndTheNextTickReconnects) {
    v.StartupStep = 8;
    v.RequestRepeatCountdown = 60;
    for (int tick = 1; tick <= 201; ++tick)
        link.PollTick();
    EXPECT_EQ(CountWritten("F5"), 201);
    EXPECT_EQ(v.PollsWithoutReply, 201);
    EXPECT_TRUE(v.SocketConnected);

    socket.written.clear();
    link.PollTick(); // finds 201
    EXPECT_TRUE(socket.written.empty());
    EXPECT_FALSE(v.SocketConnected);
    EXPECT_EQ(v.PollsWithoutReply, 0);
    EXPECT_EQ(window.caption, CaptionDisconnected);
    EXPECT_EQ(v.StartupStep, 0);
    EXPECT_EQ(socket.closes, 1);
    EXPECT_EQ(socket.connects, 0);

    link.PollTick();
    EXPECT_EQ(socket.connects, 1);
}

TEST_F(Connection, AnyAnswerKeepsTheLinkOpen) {
    v.StartupStep = 8;
    for (const char* answer : {"F4", "F1", "FE 00 FF"}) {
        for (int tick = 1; tick <= 200; ++tick)
            link.PollTick();
        EXPECT_EQ(v.PollsWithoutReply, 200) << answer;
        Receive(answer);
        link.DecodeBuffer();
        EXPECT_EQ(v.PollsWithoutReply, 0) << answer;
    }
    link.PollTick();
    EXPECT_TRUE(v.SocketConnected);
    EXPECT_EQ(socket.closes, 0);
}

TEST_F(Connection, TheOutstandingRequestIsRepeatedOnEvery61stTick) {
    v.StartupStep = 8;
    v.PendingRequestMask1 = 131072;
    v.PendingRequestMask2 = 0;
    std::vector<int> repeatedOn;
    for (int tick = 1; tick <= 130; ++tick) {
        socket.written.clear();
        link.PollTick();
        if (socket.written.size() == 2) {
            repeatedOn.push_back(tick);
            EXPECT_EQ(BytesToHex(socket.written[0]), "F2 00 00 08 00 00 00 7F 7F 00 00 06 FF");
        }
        v.PollsWithoutReply = 0;
    }
    EXPECT_EQ(repeatedOn, (std::vector<int>{1, 62, 123}));
}

TEST_F(Connection, PendingAttributeRequestsGoOutEachTick) {
    v.StartupStep = 8;
    v.RequestRepeatCountdown = 60;
    v.InchanRequestPending = true;
    v.FaderSource[0] = 12;
    v.InputChannels[11].AttributesWanted = true;
    link.PollTick();
    EXPECT_EQ(socket.WrittenHex(),
              (std::vector<std::string>{"F2 00 00 00 00 04 00 01 00 0B 00 10 FF", "F5"}));
}

TEST_F(Connection, TypeRequestsAreAnsweredOnlyWhenWellFormed) {
    struct Case {
        const char* request;
        bool answered;
    } cases[] = {
        {"81 64 64 FF", true},
        {"81 64 05 69 FF", true},     // one further data byte
        {"81 65 65 FF", false},       // not a type request
        {"81 64 00 00 FF", false},    // checksum wrong
        {"81 64 01 01 66 FF", false}, // too long
        {"81 00 FF", false},          // too short
        {"81 FF", false},
    };
    v.StartupStep = 8; // the reply alone; the first request after it is tested above
    for (const auto& c : cases) {
        socket.written.clear();
        window.pollTimerEnabled = false;
        Receive(c.request);
        link.DecodeBuffer();
        EXPECT_EQ(socket.WrittenHex(), c.answered ? std::vector<std::string>{"81 09 01 0A FF"}
                                                  : std::vector<std::string>{})
            << c.request;
        EXPECT_EQ(window.pollTimerEnabled, c.answered) << c.request;
    }
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(Connection, SendingWhileNotConnectedClosesTheLink) {
    v.StartupStep = 5;
    v.SwitcherOnline = true;
    socket.connected = false;
    Receive("05");
    link.SendChannelOnOff(5, 1, 127, 2);
    EXPECT_TRUE(socket.written.empty());
    EXPECT_FALSE(v.SocketConnected);
    EXPECT_FALSE(v.SwitcherOnline);
    EXPECT_EQ(v.StartupStep, 0);
    EXPECT_EQ(window.caption, CaptionDisconnected);
    EXPECT_EQ(BufferHex(), "05"); // not touched by a disconnect
}

TEST_F(Connection, ServerClosingRunsTheDisconnect) {
    v.StartupStep = 8;
    v.SwitcherOnline = true;
    link.OnSocketClose();
    EXPECT_FALSE(v.SocketConnected);
    EXPECT_FALSE(v.SwitcherOnline);
    EXPECT_EQ(v.StartupStep, 0);
    EXPECT_EQ(window.caption, CaptionDisconnected);
    EXPECT_EQ(socket.closes, 1);
    EXPECT_EQ(socket.resets, 1);
}

TEST_F(Connection, PartialWritesAreRepeatedButNotForever) {
    socket.takeLimit = 3;
    link.SendSimpleTake(4, 9, 37);
    EXPECT_EQ(socket.written.size(), static_cast<std::size_t>(TCPComm::MaxPartialWrites));
    for (const auto& w : socket.written)
        EXPECT_EQ(BytesToHex(w), "FE 25 00 04 00 09 00 32 FF");
    socket.takeLimit = -1;
    socket.written.clear();
    link.SendSimpleTake(4, 9, 37);
    EXPECT_EQ(socket.written.size(), 1u);
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(Connection, AFailedWriteIsDroppedSilentlyUnlessItWouldBlock) {
    FailingSocket failing;
    failing.connected = true;
    TCPComm other(v, log, failing, window);
    failing.writeReturn = 0;
    failing.writeError = 10054;
    other.SendToSwitcher(Bytes{0xF5});
    EXPECT_EQ(failing.writes, 1);
    failing.writes = 0;
    failing.writeError = ISocket::WouldBlock;
    other.SendToSwitcher(Bytes{0xF5});
    EXPECT_EQ(failing.writes, TCPComm::MaxPartialWrites);
    EXPECT_TRUE(v.SocketConnected);
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(Connection, EachProcedureReportsItsOwnFailure) {
    FailingSocket failing;
    TCPComm other(v, log, failing, window);
    const std::string io = ": Error #  57 - Device I/O error";
    struct Case {
        const char* failingOperation;
        std::function<void()> run;
        const char* title;
        std::string message;
    } cases[] = {
        {"Connect", [&] { other.ConnectToServer(); }, "Connection Error",
         "Error Connecting to Server" + io},
        {"Close", [&] { other.DisconnectFromServer(); }, "Connection Error",
         "Error Disconnecting from Server" + io},
        {"Connected", [&] { other.SendToSwitcher(Bytes{0xF5}); }, "Message Error",
         "Error sending to switcher" + io},
        {"Write", [&] { other.SendToSwitcher(Bytes{0xF5}); }, "Message Error",
         "Error sending to switcher" + io},
        {"Connect",
         [&] {
             v.SocketConnected = false;
             other.PollTick();
         },
         "Connection Error", "Error Connecting to Server" + io},
    };
    std::size_t count = 0;
    for (const auto& c : cases) {
        failing.failing = c.failingOperation;
        failing.connected = true;
        c.run();
        const auto entries = LogEntries();
        ASSERT_EQ(entries.size(), ++count) << c.message;
        EXPECT_EQ(entries.back().title, c.title);
        EXPECT_EQ(entries.back().message, c.message);
    }
}

TEST_F(Connection, ATickThatFailsIsReportedAsATimerError) {
    class ThrowingWindow : public FakeWindow {
    public:
        void SetCaption(const std::string&) override {
            throw OrlError(DeviceIOError, "Device I/O error");
        }
    } throwing;
    TCPComm other(v, log, socket, throwing);
    other.PollTick();
    const auto entries = LogEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].title, "Timer Error");
    EXPECT_EQ(entries[0].message, "Error Sending Poll Timer: Error #  57 - Device I/O error");
    EXPECT_TRUE(socket.written.empty()); // the tick ended where it failed
}
