// The helpers every test relies on: a frame builder whose checksum is wrong, or a log
// reader that finds no entries, would let other tests pass without checking anything.
#include "ErrorLog.h"
#include "Frames.h"
#include "LogEntries.h"
#include "TempFolder.h"
#include "Variables.h"

#include <gtest/gtest.h>

#include <string>

using namespace orl;
using namespace orl::test;

TEST(TestFrames, CarryTheSevenBitSumOfTheBytesAfterTheCommandByte) {
    struct Row {
        const char* what;
        Bytes frame;
        const char* hex;
    } rows[] = {
        {"the panel's type answer", Framed("81 09 01"), "81 09 01 0A FF"},
        {"a sum that wraps", Framed("F2 00 02 00 00 00 00 7F 7F 00 00"),
         "F2 00 02 00 00 00 00 7F 7F 00 00 00 FF"},
        {"a command byte alone", Framed("F5"), "F5 00 FF"},
        {"fields, low group first",
         Frame(0xF2).Value28(65536).Value14(0).Value14(16383).Value14(0).Finish(),
         "F2 00 00 04 00 00 00 7F 7F 00 00 02 FF"},
        {"hex and text", Frame(0xD6).Hex("7F 00").Text("A").Byte(1).Finish(),
         "D6 7F 00 41 01 41 FF"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(BytesToHex(row.frame), row.hex) << row.what;
        EXPECT_TRUE(ChecksumOK(row.frame)) << row.what;
    }
    for (const char* broken : {"81 09 01 0B FF", "81 09 01 0A", "0A FF", ""})
        EXPECT_FALSE(ChecksumOK(HexToBytes(broken))) << broken;
}

TEST(TestLogEntries, ReadBackWhatTheErrorLogWrote) {
    TempFolder folder("orl-support");
    ASSERT_TRUE(folder.Made());
    Variables v;
    ProgramSetup(v, folder.Path().string());
    ErrorLog log(v);
    EXPECT_TRUE(ReadLogEntries(log.LogPath()).empty()) << "no log yet";

    const std::string longTitle(40, 'T');
    log.WriteErrorLog("Check Sum Error", "Input Channel Attributes");
    log.WriteErrorLog("runs on", longTitle);
    log.WriteErrorLog("", "No Message");
    const std::vector<LogEntry> expected = {
        {"Input Channel Attributes", "Check Sum Error"},
        {longTitle.substr(0, 36), "TTTTruns on"},
        {"No Message", ""},
    };
    EXPECT_EQ(ReadLogEntries(log.LogPath()), expected);
    EXPECT_EQ(ReadLogEntryLines(log.LogPath()).size(), 3u);
}
