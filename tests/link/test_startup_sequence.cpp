#include "Frames.h"
#include "LinkFixture.h"

using namespace orl;
using namespace orl::test;

namespace {

// The fields of a sent 0xF2 request: "word1 word2 count index".
std::string Request(const Bytes& m) {
    if (m.size() != 13 || m[0] != 0xF2)
        return "not a request: " + BytesToHex(m);
    const long word1 = m[1] + (m[2] << 7) + (m[3] << 14) + (static_cast<long>(m[4]) << 21);
    return std::to_string(word1) + " " + std::to_string(m[5] + 128 * m[6]) + " " +
           std::to_string(m[7] + 128 * m[8]) + " " + std::to_string(m[9] + 128 * m[10]);
}

class Startup : public LinkTest {
protected:
    Startup() {
        v.FaderCount = 2;
        RecreateFaderArrays(v, 2);
        v.FaderDeviceID[0] = 5;
        v.FaderDeviceID[1] = 9;
        v.FaderSource[0] = 3;
        v.FaderSource[1] = 4;
    }
    // Runs one step; returns the requests it sent.
    std::vector<std::string> Step() {
        socket.written.clear();
        link.RunStartupSequence();
        std::vector<std::string> sent;
        for (const auto& m : socket.written)
            sent.push_back(Request(m));
        return sent;
    }
    using List = std::vector<std::string>;
};

} // namespace

TEST_F(Startup, EachStepWaitsUntilThePreviousRequestIsAnswered) {
    struct Row {
        List sent;
        int stepAfter;
    } rows[] = {
        {{"256 0 16383 0"}, 1},      {{"128 0 16383 0"}, 2},
        {{"65536 0 16383 0"}, 3},    {{"131072 0 16383 0"}, 4},
        {{"0 1 16383 0"}, 5},        {{"0 256 1 5", "0 256 1 9"}, 6},
        {{"0 4 1 2", "0 4 1 3"}, 7}, {{}, 8},
    };
    for (const auto& row : rows) {
        const int before = v.StartupStep;
        if (before > 0) {
            // Unanswered: the step stays and sends nothing.
            EXPECT_EQ(Step(), List{}) << "step " << before;
            EXPECT_EQ(v.StartupStep, before);
            v.PendingRequestMask1 = 0; // the answers clear their bits
            v.PendingRequestMask2 = 0;
        }
        EXPECT_EQ(Step(), row.sent) << "step " << before;
        EXPECT_EQ(v.StartupStep, row.stepAfter);
    }
    EXPECT_EQ(window.CountOf("InitAllSliders"), 1);
    EXPECT_EQ(Step(), List{});
    EXPECT_EQ(v.StartupStep, 8);
    EXPECT_EQ(window.CountOf("InitAllSliders"), 1);
}

TEST_F(Startup, StepsWaitOnTheirOwnWord) {
    v.StartupStep = 2;
    v.PendingRequestMask2 = 4; // only word 2 outstanding: steps 1-4 go on
    EXPECT_EQ(Step(), List{"65536 0 16383 0"});
    v.StartupStep = 5;
    v.PendingRequestMask1 = 128;
    v.PendingRequestMask2 = 0; // only word 1 outstanding: steps 5-7 go on
    EXPECT_EQ(Step().size(), 2u);
    EXPECT_EQ(v.StartupStep, 6);
}

TEST_F(Startup, ConsoleModeDoesNotWaitForDeviceDataOrAttributes) {
    v.PanelMode = PanelModeConsole;
    v.StartupStep = 5;
    EXPECT_EQ(Step(), (List{"0 0 1 5", "0 0 1 9"}));
    EXPECT_EQ(Step(), (List{"0 0 1 2", "0 0 1 3"}));
    EXPECT_EQ(Step(), List{});
    EXPECT_EQ(v.StartupStep, 8);
    EXPECT_EQ(window.CountOf("InitAllSliders"), 1);
}

TEST_F(Startup, AFailingStepEndsSilentlyAndIsTriedAgain) {
    v.StartupStep = 5;
    v.FaderCount = 3; // one more fader than the arrays hold
    EXPECT_EQ(Step(), (List{"0 256 1 5", "0 256 1 9"}));
    EXPECT_EQ(v.StartupStep, 5);
    EXPECT_TRUE(LogEntries().empty());
    v.FaderCount = 2;
    v.PendingRequestMask2 = 0;
    EXPECT_EQ(Step().size(), 2u);
    EXPECT_EQ(v.StartupStep, 6);
}

TEST_F(Startup, RequestInchanAskForEveryStripOrOnlyTheMarkedOnes) {
    v.PendingRequestMask1 = 128;
    v.PendingRequestMask2 = 1;
    socket.written.clear();
    link.RequestInchan(false); // nothing marked
    EXPECT_TRUE(socket.written.empty());
    EXPECT_EQ(v.PendingRequestMask1, 128);
    EXPECT_EQ(v.PendingRequestMask2, 1);

    v.InputChannels[3].AttributesWanted = true; // source 4, the second strip
    link.RequestInchan(false);
    ASSERT_EQ(socket.written.size(), 1u);
    EXPECT_EQ(Request(socket.written[0]), "0 4 1 3");
    EXPECT_EQ(v.PendingRequestMask1, 0);
    EXPECT_EQ(v.PendingRequestMask2, 4);

    socket.written.clear();
    link.RequestInchan(true);
    ASSERT_EQ(socket.written.size(), 2u);
    EXPECT_EQ(Request(socket.written[0]), "0 4 1 2");
}

TEST_F(Startup, RequestInchanStopsAtItsFirstFailureWithoutReport) {
    v.FaderSource[0] = 0; // no input channel -1
    v.InputChannels[3].AttributesWanted = true;
    socket.written.clear();
    link.RequestInchan(false);
    EXPECT_TRUE(socket.written.empty());
    EXPECT_TRUE(LogEntries().empty());
}

// On a reconnection no device is marked as awaited any more, yet the attributes must wait
// for the data of every strip's device: each answer moves the sequence on at once, and
// only once everything it waits for has arrived.
TEST_F(Startup, AnswersMoveTheSequenceOnAtOnceOnceEveryStripsDeviceAnswered) {
    const auto device = [](int id, int source) {
        return Framed("D9 00 00 01 00 " + BytesToHex(Bytes{static_cast<std::uint8_t>(id)}) +
                      " 00 03 02 " + BytesToHex(Bytes{static_cast<std::uint8_t>(source)}) +
                      " 00 00 00 00 08 00 40");
    };
    // Attributes of one input channel: six words, the on opto in the fifth.
    const auto attributes = [](int channel) {
        return Framed("D0 0A 00 01 00 " + BytesToHex(Bytes{static_cast<std::uint8_t>(channel)}) +
                      " 00 06 00 00 00 00 00 00 7F 7F 03 00 7F 7F 00");
    };
    v.StartupStep = 5;
    v.DeviceIDs[5].RequestPending = false;
    v.DeviceIDs[9].RequestPending = false;
    socket.written.clear();
    link.AdvanceStartupSequence();
    EXPECT_EQ(socket.written.size(), 2u);
    EXPECT_EQ(v.StartupStep, 6);

    socket.written.clear();
    socket.Deliver(device(5, 2));
    EXPECT_TRUE(socket.written.empty()) << "device 9 has not answered yet";
    EXPECT_EQ(v.StartupStep, 6);

    socket.Deliver(device(9, 3));
    std::vector<std::string> sent;
    for (const auto& m : socket.written)
        sent.push_back(Request(m));
    EXPECT_EQ(sent, (List{"0 4 1 2", "0 4 1 3"}));
    EXPECT_EQ(v.StartupStep, 7);
    EXPECT_NE(window.caption, CaptionConnected);

    socket.Deliver(attributes(2));
    EXPECT_EQ(v.StartupStep, 8);
    EXPECT_EQ(window.CountOf("InitAllSliders"), 1);
    EXPECT_EQ(window.caption, CaptionConnected);
    EXPECT_EQ(LogEntries().size(), 3u) << "the three answers are recorded";
}

TEST_F(Startup, NothingMovesOnWhileTheLinkIsDown) {
    v.SocketConnected = false;
    link.AdvanceStartupSequence();
    EXPECT_TRUE(socket.written.empty());
    EXPECT_EQ(v.StartupStep, 0);
}
