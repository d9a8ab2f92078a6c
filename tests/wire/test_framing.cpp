// The framing rule both ends of the link cut messages by, and the one checksum check.

#include "Bytes.h"
#include "Frames.h"
#include "Framing.h"
#include "ReceiveBuffer.h"

#include <gtest/gtest.h>

namespace {

using orl::Bytes;
using orl::HexToBytes;
using orl::ReceiveBuffer;
using orl::wire::ChecksumMatches;
using orl::wire::ExamineFront;
using orl::wire::HoldUnfinished;

ReceiveBuffer BufferOf(const char* hex) {
    ReceiveBuffer buffer;
    buffer.Append(HexToBytes(hex));
    return buffer;
}

TEST(Framing, ChecksumMatchesOnlyAFrameWithRoomForItsChecksum) {
    const struct {
        const char* frame;
        bool matches;
    } rows[] = {
        {"", false},
        {"81", false},
        {"81 00", false}, // command and end byte, no checksum
        {"00 00", false}, // the first byte is never summed, nor taken for a checksum
        {"81 00 FF", true},
        {"81 01 FF", false},
        {"81 64 64 FF", true},
        {"81 09 01 0A FF", true},
        {"81 7F 02 01 FF", true},  // the sum runs modulo 128
        {"81 7F 02 81 FF", false}, // ... so it never has the high bit set
        {"81 09 01 0A 00", true},  // the end byte is the framing's business
    };
    for (const auto& row : rows)
        EXPECT_EQ(ChecksumMatches(HexToBytes(row.frame)), row.matches) << row.frame;
}

TEST(Framing, TheFrontIsCutAtCommandBytesAndEndBytes) {
    const struct {
        const char* bytes;
        std::size_t stray, junk, length;
    } rows[] = {
        {"", 0, 0, 0},
        {"10 20", 2, 2, 0},
        {"05 06 F5", 2, 2, 1},
        {"FF", 0, 0, 1},
        {"F1 F3", 0, 0, 1},
        {"FC 0A 05", 0, 0, 0}, // unfinished
        {"81 64 64 FF 81", 0, 0, 4},
        {"D6 01 02 F4 03 FF", 0, 3, 1},
        {"D6 01 F5 FF", 0, 2, 1},
        {"07 D6 01 FC 02 FF", 1, 3, 3},
        {"D6 01 FC 02", 0, 2, 0}, // broken off, then unfinished
        {"D6 E3 FC 01 02 FF", 0, 2, 4},
    };
    for (const auto& row : rows) {
        const auto front = ExamineFront(BufferOf(row.bytes));
        EXPECT_EQ(front.stray, row.stray) << row.bytes;
        EXPECT_EQ(front.junk, row.junk) << row.bytes;
        EXPECT_EQ(front.length, row.length) << row.bytes;
    }
}

TEST(Framing, AnUnfinishedFrameIsResumedWhereTheLastLookStoppedAndDroppedAboveTheLimit) {
    ReceiveBuffer buffer = BufferOf("FC 0A");
    EXPECT_EQ(HoldUnfinished(buffer, 2), 0U);
    EXPECT_EQ(buffer.Examined(), 2U);
    buffer.Append(HexToBytes("05 FF"));
    EXPECT_EQ(ExamineFront(buffer).length, 4U);

    buffer = BufferOf("FC 0A");
    HoldUnfinished(buffer, 2);
    buffer.Append(HexToBytes("D6 01 FF")); // a command byte in the new bytes breaks it off
    const auto front = ExamineFront(buffer);
    EXPECT_EQ(front.junk, 2U);
    EXPECT_EQ(front.length, 3U);

    buffer = BufferOf("FC 0A 05");
    EXPECT_EQ(HoldUnfinished(buffer, 2), 3U);
    EXPECT_TRUE(buffer.empty());
}

} // namespace
