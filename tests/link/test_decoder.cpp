#include "LinkFixture.h"

using namespace orl;
using namespace orl::test;

namespace {

class Decoder : public LinkTest {
protected:
    Decoder() {
        v.StartupStep = 8; // start-up complete: 0xF4 sends no request of its own
        v.SwitcherOnline = true;
    }
};

} // namespace

// One call of DecodeBuffer on a buffer: what stays, what went out, what it did to the
// poll count and the online flag.
TEST_F(Decoder, OneCallRemovesAtMostOneMessageAfterAnyJunkInFront) {
    struct Case {
        const char* note;
        const char* buffer;
        bool online;
        const char* remains;
        std::vector<std::string> sent;
        int polls; // PollsWithoutReply afterwards; it is 7 before
        bool onlineAfter;
    } cases[] = {
        {"empty", "", true, "", {}, 7, true},
        {"data bytes only", "10 20", true, "", {}, 7, true},
        {"one data byte", "7F", true, "", {}, 7, true},
        {"stray bytes, then a poll", "05 06 F5", true, "", {"F4"}, 7, true},
        {"poll answered once", "F5 F5", true, "F5", {"F4"}, 7, true},
        {"poll answer", "F4", true, "", {}, 0, true},
        {"switcher offline", "F1", true, "", {}, 0, false},
        {"offline while offline", "F1", false, "", {}, 0, false},
        {"no-op byte", "F3 F4", true, "F4", {}, 7, true},
        {"lone end byte", "FF", true, "", {}, 0, true},
        {"incomplete frame waits", "FC 0A 05", true, "FC 0A 05", {}, 7, true},
        {"strays dropped before an incomplete frame", "01 02 FC 0A", true, "FC 0A", {}, 7, true},
        {"broken frame, then a poll answer", "D6 01 02 F4 03 FF", true, "03 FF", {}, 0, true},
        {"broken frame, then a complete one", "D6 01 D6 02 03 FF 05", true, "05", {}, 0, true},
        {"broken type request, then a poll", "81 F5 64 FF", true, "64 FF", {"F4"}, 7, true},
        {"broken just before its end byte", "D6 01 F5 FF", true, "FF", {"F4"}, 7, true},
        {"broken, end byte not yet there", "D6 01 F5", true, "", {"F4"}, 7, true},
        {"lone end byte after strays", "01 FF F5", true, "F5", {}, 0, true},
        {"frame without handler", "FE 01 02 03 FF F4", true, "F4", {}, 0, true},
        {"two frames", "F2 01 01 FF E3 00 FF", true, "E3 00 FF", {}, 0, true},
        {"type request", "81 64 64 FF", true, "", {"81 09 01 0A FF"}, 0, true},
        {"type request behind strays", "00 81 64 64 FF", true, "", {"81 09 01 0A FF"}, 0, true},
    };
    for (const auto& c : cases) {
        v.ReceiveBuffer.Clear();
        socket.written.clear();
        v.PollsWithoutReply = 7;
        v.SwitcherOnline = c.online;
        Receive(c.buffer);
        link.DecodeBuffer();
        EXPECT_EQ(BufferHex(), c.remains) << c.note;
        EXPECT_EQ(socket.WrittenHex(), c.sent) << c.note;
        EXPECT_EQ(v.PollsWithoutReply, c.polls) << c.note;
        EXPECT_EQ(v.SwitcherOnline, c.onlineAfter) << c.note;
    }
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(Decoder, TheRestOfABrokenFrameIsDroppedOnTheNextCall) {
    Receive("D6 01 02 F4 03 FF");
    link.DecodeBuffer();
    EXPECT_EQ(BufferHex(), "03 FF");
    v.PollsWithoutReply = 3;
    link.DecodeBuffer(); // 03 is a stray byte, FF a message of its own
    EXPECT_EQ(BufferHex(), "");
    EXPECT_EQ(v.PollsWithoutReply, 0);
}

TEST_F(Decoder, AnIncompleteFrameIsDecodedOnceItsEndArrives) {
    Receive("81 64");
    link.DecodeBuffer();
    EXPECT_EQ(BufferHex(), "81 64");
    Receive("64 FF");
    link.DecodeBuffer();
    EXPECT_EQ(socket.WrittenHex(), std::vector<std::string>{"81 09 01 0A FF"});
    EXPECT_TRUE(window.pollTimerEnabled);
}

TEST_F(Decoder, OnlineAnswerWhileOfflineRunsOneStartupStep) {
    v.StartupStep = 0;
    v.SwitcherOnline = false;
    Receive("F4 F4");
    link.DecodeBuffer();
    EXPECT_TRUE(v.SwitcherOnline);
    EXPECT_EQ(v.StartupStep, 1);
    EXPECT_EQ(socket.WrittenHex(),
              std::vector<std::string>{"F2 00 02 00 00 00 00 7F 7F 00 00 00 FF"});
    link.DecodeBuffer(); // already online: no further step
    EXPECT_EQ(v.StartupStep, 1);
    EXPECT_EQ(socket.written.size(), 1u);
}

TEST_F(Decoder, AFailingHandlerIsReportedWithTheStepInTheTitle) {
    // 0xD0 with no sub-type: its handler reads past the frame's end.
    Receive("D0 FF F5");
    link.DecodeBuffer();
    EXPECT_EQ(BufferHex(), "F5"); // the failing frame stays removed, the rest stays
    const auto entries = LogEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].title, "Decode ErrorGet message 208 length 2");
    EXPECT_EQ(entries[0].message, "Error Processing Command: Error #  9 - Subscript out of range");
    link.DecodeBuffer();
    EXPECT_EQ(socket.WrittenHex(), std::vector<std::string>{"F4"});
}

TEST_F(Decoder, ReceiveEventDecodesOneMessageAndTheTimerDrainsTheRest) {
    socket.Deliver(HexToBytes("81 64 64 FF F5 05 FC 0A"));
    EXPECT_EQ(window.decodeTimerStarts, 1);
    EXPECT_EQ(socket.WrittenHex(), std::vector<std::string>{"81 09 01 0A FF"});
    EXPECT_EQ(BufferHex(), "F5 05 FC 0A");

    EXPECT_TRUE(link.DecodeTick()); // F5 answered
    EXPECT_EQ(socket.written.size(), 2u);
    EXPECT_TRUE(link.DecodeTick()); // stray 05 dropped; FC 0A is incomplete
    EXPECT_EQ(BufferHex(), "FC 0A");
    // No progress on an incomplete frame: the timer stops instead of spinning.
    EXPECT_FALSE(link.DecodeTick());
    EXPECT_EQ(BufferHex(), "FC 0A");

    socket.Deliver(HexToBytes("01 0B FF")); // completes it; the receive event decodes it
    EXPECT_EQ(window.decodeTimerStarts, 2);
    EXPECT_EQ(BufferHex(), "");
    EXPECT_FALSE(link.DecodeTick());
}

TEST_F(Decoder, ReceiveEventReadsEverythingWaitingWhateverTheAnnouncedCount) {
    // The event announces one byte; the read loop still takes all that waits.
    socket.incoming = HexToBytes("F3 F3 F3 F3 F3 F3");
    link.OnSocketReceive(1);
    EXPECT_EQ(BufferHex(), "F3 F3 F3 F3 F3"); // one decoded
    socket.incoming = HexToBytes("F3");
    link.OnSocketReceive(0);
    EXPECT_EQ(BufferHex(), "F3 F3 F3 F3 F3");
}
