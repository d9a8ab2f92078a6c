// What the link hands a trace: every message once, in the order it went or came, and the
// bytes the decoder drops with their count.

#include "LinkFixture.h"

namespace orl::test {
namespace {

class RecordingTrace : public ILinkTrace {
public:
    void Sent(const Bytes& message) override { lines.push_back("-> " + BytesToHex(message)); }
    void Received(const std::uint8_t* message, std::size_t length) override {
        lines.push_back("<- " + BytesToHex(Bytes(message, message + length)));
    }
    void Dropped(const std::uint8_t* bytes, std::size_t stray, std::size_t brokenOff) override {
        lines.push_back("dropped " + std::to_string(stray) + "+" + std::to_string(brokenOff) +
                        (bytes != nullptr
                             ? " " + BytesToHex(Bytes(bytes, bytes + stray + brokenOff))
                             : std::string()));
    }
    void Event(const std::string& text) override { lines.push_back("-- " + text); }
    std::vector<std::string> lines;
};

class TraceHook : public LinkTest {
protected:
    TraceHook() { link.SetTrace(&trace); }
    void DecodeAll() {
        while (!v.ReceiveBuffer.empty()) {
            const std::size_t before = v.ReceiveBuffer.size();
            link.DecodeBuffer();
            if (v.ReceiveBuffer.size() == before)
                break;
        }
    }
    RecordingTrace trace;
};

TEST_F(TraceHook, EveryMessageOnceAndDroppedBytesWithTheirCount) {
    Receive("01 02 D6 03 F5 F7 28 01 00 04 00 01 2E FF 05 06");
    DecodeAll();
    EXPECT_EQ(trace.lines, (std::vector<std::string>{
                               "dropped 2+2 01 02 D6 03",
                               "<- F5",
                               "-> F4", // the poll answered
                               "<- F7 28 01 00 04 00 01 2E FF",
                               "dropped 2+0 05 06",
                           }));

    // Without a trace nothing is recorded, and the link works the same.
    link.SetTrace(nullptr);
    trace.lines.clear();
    Receive("F5");
    DecodeAll();
    EXPECT_TRUE(trace.lines.empty());
    EXPECT_EQ(socket.WrittenHex().back(), "F4");
}

TEST_F(TraceHook, ConnectionEventsInTheOrderTheyHappen) {
    v.SocketConnected = false;
    v.IPAddress = "10.0.0.5";
    v.IPPort = 1250;
    v.StartupStep = StartupComplete;
    link.PollTick(); // down: connects
    link.OnSocketConnect();
    for (int tick = 0; tick < 4; ++tick)
        link.PollTick();
    Receive("F4");
    DecodeAll();
    link.OnSocketClose();
    link.DisconnectFromServer(); // already down: no second line

    std::vector<std::string> events;
    for (const std::string& line : trace.lines)
        if (line.rfind("-- ", 0) == 0)
            events.push_back(line);
    EXPECT_EQ(events, (std::vector<std::string>{
                          "-- connecting to 10.0.0.5:1250",
                          "-- connected",
                          "-- switcher silent: 3 polls unanswered",
                          "-- switcher answering again",
                          "-- closed: the server closed the connection",
                      }));
}

} // namespace
} // namespace orl::test
