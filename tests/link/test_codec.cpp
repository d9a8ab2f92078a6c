#include "ByteManipulation.h"
#include "Frames.h"
#include "OrlError.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>

using namespace orl;

TEST(Codec, CheckSumIsTheSevenBitSumAfterTheCommandByte) {
    struct Case {
        const char* message;
        int excluded;
        int sum;
    } cases[] = {
        {"81 09 01", 0, 0x0A},
        {"81 09 01 0A FF", 2, 0x0A},
        {"F2 00 02 00 00 00 00 7F 7F 00 00", 0, 0x00}, // wraps
        {"D6 7F 00 01 04 00 01 00 01", 0, 0x06},
        {"81", 0, 0},    // empty range
        {"", 0, 0},      // empty message
        {"81 05", 5, 0}, // more excluded than there is
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckSum(HexToBytes(c.message), c.excluded), c.sum) << c.message;
}

TEST(Codec, TrimBufferReturnsTheFrontAndKeepsTheRest) {
    struct Case {
        const char* buffer;
        long count;
        const char* taken;
        const char* rest;
    } cases[] = {
        {"01 02 03 04 05", 5, "01 02 03 04 05", ""},
        {"01 02 03 04 05", 2, "01 02", "03 04 05"},
        {"01 02 03", 9, "01 02 03", ""},
        {"", 1, "", ""},
    };
    for (const auto& c : cases) {
        ReceiveBuffer buffer;
        buffer.Append(HexToBytes(c.buffer));
        EXPECT_EQ(BytesToHex(TrimBuffer(buffer, c.count)), c.taken) << c.buffer;
        EXPECT_EQ(BytesToHex(buffer.Contents()), c.rest) << c.buffer;
    }
}

// Appends and trims interleaved across the buffer's compaction keep every byte in order.
TEST(Codec, ReceiveBufferKeepsArrivalOrderAcrossManyAppendsAndTrims) {
    std::mt19937 random(1234);
    ReceiveBuffer buffer;
    std::deque<std::uint8_t> expected;
    std::uint8_t next = 0;
    for (int round = 0; round < 5000; ++round) {
        Bytes chunk(random() % 40);
        for (auto& b : chunk)
            b = next++;
        buffer.Append(chunk);
        expected.insert(expected.end(), chunk.begin(), chunk.end());
        const long count = static_cast<long>(random() % 45) + 1;
        const Bytes taken = TrimBuffer(buffer, count);
        const std::size_t n =
            std::min<std::size_t>(static_cast<std::size_t>(count), expected.size());
        ASSERT_EQ(taken, Bytes(expected.begin(), expected.begin() + static_cast<long>(n)));
        expected.erase(expected.begin(), expected.begin() + static_cast<long>(n));
        ASSERT_EQ(buffer.size(), expected.size());
    }
    EXPECT_EQ(buffer.Contents(), Bytes(expected.begin(), expected.end()));
}
