// How the receive side takes a flood: the socket is read only while the receive buffer is
// below its high-water mark, the rest waits in the socket, and nothing is lost or reordered.
#include "Frames.h"
#include "LinkFixture.h"

using namespace orl;
using namespace orl::test;

namespace {

constexpr std::size_t ReadChunk = TCPComm::ReadChunk;

// Relay 1 reported with each value in turn: a report lost or applied out of turn shows.
class CountingWindow : public FakeWindow {
public:
    explicit CountingWindow(const Variables& v) : v_(v) {}
    void UpdateUserButtonTally() override {
        outOfTurn += v_.RelayStates[0] != applied % 128;
        ++applied;
    }
    long applied = 0;
    long outOfTurn = 0;

private:
    const Variables& v_;
};

Bytes RelayReport(long sequence) {
    return Frame(0xF7).Hex("28 01 00 00 00").Byte(static_cast<int>(sequence % 128)).Finish();
}

class ReceiveFlow : public LinkTest {
protected:
    // The decode timer's ticks until it stops; the largest receive buffer seen on the way.
    std::size_t DrainAll() {
        std::size_t largest = v.ReceiveBuffer.size();
        for (int ticks = 0; link.DecodeTick() && ticks < 10000000; ++ticks)
            largest = std::max(largest, v.ReceiveBuffer.size());
        return largest;
    }
    CountingWindow counting{v};
    TCPComm countingLink{v, log, socket, counting};
};

} // namespace

TEST_F(ReceiveFlow, AFloodWaitsInTheSocketAndEveryReportIsAppliedInTurn) {
    constexpr long Reports = 250000; // 2.25 MB
    for (long i = 0; i < Reports; ++i) {
        const Bytes report = RelayReport(i);
        socket.incoming.insert(socket.incoming.end(), report.begin(), report.end());
    }
    socket.incoming.push_back(0xF5);
    countingLink.OnSocketReceive(static_cast<long>(socket.incoming.size()));
    EXPECT_LE(v.ReceiveBuffer.size(), TCPComm::HighWaterMark + ReadChunk);
    EXPECT_GT(socket.incoming.size(), 1u << 20) << "the rest waits in the socket";

    std::size_t largest = v.ReceiveBuffer.size();
    for (int ticks = 0; countingLink.DecodeTick() && ticks < 10000000; ++ticks)
        largest = std::max(largest, v.ReceiveBuffer.size());
    EXPECT_LE(largest, TCPComm::HighWaterMark + ReadChunk);
    EXPECT_TRUE(socket.incoming.empty());
    EXPECT_TRUE(v.ReceiveBuffer.empty());
    EXPECT_EQ(counting.applied, Reports);
    EXPECT_EQ(counting.outOfTurn, 0);
    EXPECT_EQ(socket.WrittenHex(), std::vector<std::string>{"F4"}) << "the poll behind them";
}

TEST_F(ReceiveFlow, MessagesLongerThanTheHighWaterMarkAreReadWholeUnlessTheyNeverEnd) {
    const auto table = [](std::size_t dataBytes, bool ended) {
        Bytes bytes{0xFC};
        bytes.insert(bytes.end(), dataBytes, 0x11);
        if (ended)
            bytes.push_back(0xFF);
        bytes.push_back(0xF5);
        return bytes;
    };
    const struct {
        const char* what;
        Bytes bytes;
        std::size_t largestAllowed;
    } cases[] = {
        {"a 3 MB table", table(3 << 20, true), (3 << 20) + 2 * ReadChunk},
        {"a table that never ends", table(TCPComm::MaxMessageLength + (1 << 20), false),
         TCPComm::MaxMessageLength + 2 * ReadChunk},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        v.ReceiveBuffer.Clear();
        socket.written.clear();
        socket.incoming = c.bytes;
        link.OnSocketReceive(static_cast<long>(c.bytes.size()));
        const std::size_t largest = DrainAll();
        EXPECT_LE(largest, c.largestAllowed);
        EXPECT_TRUE(socket.incoming.empty()) << "reading stalled";
        EXPECT_EQ(socket.WrittenHex(), std::vector<std::string>{"F4"});
    }
}
