// Draining a long queue must cost the same per message as a short one: the receive
// buffer is trimmed from the front without copying what remains.
#include "LinkFixture.h"

#include "ProcStatus.h"

#include <algorithm>
#include <cstdio>

using namespace orl;
using namespace orl::test;

namespace {

// CPU time of this thread: a busy machine that takes the core away does not count.
double ThreadNanoseconds() {
    return ThreadCpuNanoseconds();
}

class DecoderCost : public LinkTest {
protected:
    // Best-of-`runs` cost in nanoseconds per message of draining `count` queued reports.
    double NanosecondsPerMessage(int count, int runs) {
        const Bytes report = HexToBytes("D6 7F 00 01 04 00 01 00 01 06 FF");
        Bytes queue;
        queue.reserve(report.size() * static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            queue.insert(queue.end(), report.begin(), report.end());
        double best = 1e300;
        for (int run = 0; run < runs; ++run) {
            v.ReceiveBuffer.Clear();
            v.ReceiveBuffer.Append(queue);
            int ticks = 0;
            const double start = ThreadNanoseconds();
            while (link.DecodeTick())
                ++ticks;
            const double elapsed = ThreadNanoseconds() - start;
            EXPECT_TRUE(v.ReceiveBuffer.empty());
            EXPECT_EQ(ticks, count - 1); // the last message empties the buffer
            best = std::min(best, elapsed / count);
        }
        return best;
    }
};

} // namespace

TEST_F(DecoderCost, PerMessageCostDoesNotGrowWithTheQueue) {
    if (!CostsMeasurable)
        GTEST_SKIP() << "processor-time ratios are measured in the plain build";
    v.FaderSource[0] = 5;
    v.ConsoleNumber = 2;
    NanosecondsPerMessage(1000, 3); // warm up
    const double small = NanosecondsPerMessage(1000, 30);
    const double large = NanosecondsPerMessage(100000, 5);
    const double ratio = large / small;
    std::printf("per message: %.1f ns with 1,000 queued, %.1f ns with 100,000 queued, ratio %.2f\n",
                small, large, ratio);
    EXPECT_LE(ratio, 2.0);
    EXPECT_TRUE(LogEntries().empty());
}

// Each broken-off message drops its bytes without a second look at what follows, so
// megabytes of command bytes without an end byte go in one pass: four times the bytes cost
// about four times as much (a second look at each would cost sixteen).
TEST_F(DecoderCost, BrokenOffBytesAreDroppedInLinearTime) {
    if (!CostsMeasurable)
        GTEST_SKIP() << "processor-time ratios are measured in the plain build";
    for (const std::uint8_t fill : {std::uint8_t{0x80}, std::uint8_t{0xF0}}) {
        SCOPED_TRACE(static_cast<int>(fill));
        // Best of three: processor seconds until the poll behind `size` bytes is answered.
        const auto secondsFor = [&](std::size_t size) {
            double best = 1e300;
            for (int run = 0; run < 3; ++run) {
                v.ReceiveBuffer.Clear();
                socket.written.clear();
                v.ReceiveBuffer.Append(Bytes(size, fill));
                v.ReceiveBuffer.Append(HexToBytes("FF F5"));
                const double start = ThreadNanoseconds();
                while (link.DecodeTick()) {
                }
                best = std::min(best, (ThreadNanoseconds() - start) / 1e9);
                EXPECT_EQ(socket.WrittenHex(), std::vector<std::string>{"F4"});
            }
            return best;
        };
        const double one = secondsFor(1 << 20);
        const double four = secondsFor(4 << 20);
        std::printf("%02X then FF F5: 1 MB %.4f s, 4 MB %.4f s\n", fill, one, four);
        EXPECT_LT(four, 8 * one);
    }
}
