// Name tables, crosspoint map, device data, input channel attributes and switcher type,
// as the switcher sends them, and truncated frames of every handled command byte.
#include "HandlerTestSupport.h"
#include "OrlError.h"

#include <chrono>
#include <map>

namespace orl::test {
namespace {

using Words = std::map<int, std::int16_t>; // word index -> value

class TableHandlers : public HandlerTest {
protected:
    void Reset() {
        const std::string folder = v.AppPath;
        ProgramSetup(v, folder);
        v.RequestRepeatCountdown = 0; // link bookkeeping, not set up again
        window.calls.clear();
    }
};

// ---- 0xFC name tables -------------------------------------------------------------

// L = 8, N = 2, S = 0: 7 header bytes, two records of 8 + 2 bytes, checksum, end = 29.
const std::string kNamesHeader = "FC 0A 08 02 00 00 00 ";
const std::string kMic1 = "4D 69 63 20 31 20 20 20 00 00 "; // "Mic 1   ", unused value
const std::string kMic2 = "4D 69 63 20 32 20 20 20 01 00 "; // "Mic 2   "

TEST_F(TableHandlers, NameTableIsStoredOnlyAtItsExactLength) {
    const struct {
        const char* what;
        Bytes frame;
        std::size_t size;
        bool stored;
    } rows[] = {
        {"exact", Framed(kNamesHeader + kMic1 + kMic2), 29, true},
        {"second name one byte short", Framed(kNamesHeader + kMic1 + "4D 69 63 20 32 20 20 01 00"),
         28, false},
        {"one byte extra", Framed(kNamesHeader + kMic1 + kMic2 + "00"), 30, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Reset();
        v.PendingRequestMask1 = 256 | 128;
        ASSERT_EQ(row.frame.size(), row.size);
        handlers->ProcessAlphaTable(row.frame);
        if (row.stored) {
            EXPECT_EQ(v.InputCount, 2);
            ASSERT_EQ(v.InputNames.size(), 2u);
            EXPECT_EQ(v.InputNames[0], "Mic 1   ");
            EXPECT_EQ(v.InputNames[1], "Mic 2   ");
            ASSERT_EQ(v.InputChannels.size(), 2u);
            EXPECT_EQ(v.InputChannels[1].OnOpto, 16383); // kept from before
            EXPECT_EQ(v.PendingRequestMask1, 128);
        } else {
            EXPECT_EQ(v.InputCount, 256);
            EXPECT_EQ(v.InputNames[0], "Inpt0001");
            EXPECT_EQ(v.InputChannels.size(), 256u);
            EXPECT_EQ(v.PendingRequestMask1, 256 | 128);
        }
    }
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(TableHandlers, ConsoleAndOtherNameTables) {
    const struct {
        const char* what;
        std::string header;
        std::vector<std::string> consoles; // empty: console names untouched
        std::int32_t mask2;
    } rows[] = {
        {"console names", "FC 46 08 02 00 00 00 ", {"Mic 1   ", "Mic 2   "}, 4},
        // the frame's record h becomes name h, the names before S stay empty
        {"console names from S = 1", "FC 46 08 02 00 01 00 ", {"", "Mic 2   "}, 4},
        {"table 20 is not kept", "FC 14 08 02 00 00 00 ", {}, 1 | 4},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Reset();
        v.PendingRequestMask1 = 256;
        v.PendingRequestMask2 = 1 | 4;
        handlers->ProcessAlphaTable(Framed(row.header + kMic1 + kMic2));
        if (row.consoles.empty()) {
            EXPECT_EQ(v.ConsoleNames.size(), 256u);
            EXPECT_EQ(v.ConsoleNames[9], "Console 010");
        } else {
            ASSERT_EQ(v.ConsoleNames.size(), row.consoles.size());
            for (std::size_t i = 0; i < row.consoles.size(); ++i)
                EXPECT_EQ(v.ConsoleNames[static_cast<long long>(i)], row.consoles[i]);
        }
        EXPECT_EQ(v.PendingRequestMask2, row.mask2);
        EXPECT_EQ(v.PendingRequestMask1, 256);
        EXPECT_EQ(v.InputNames[0], "Inpt0001");
    }
}

TEST_F(TableHandlers, ThreeHundredInputNamesGrowTheChannelsKeepingTheFirst256) {
    v.InputChannels[255].IFBOutput = 42;
    Bytes frame{0xFC, 10, 4};
    Append14(frame, 300);
    Append14(frame, 0);
    for (int h = 0; h < 300; ++h) {
        const std::string name = "N" + std::to_string(100 + h).substr(0, 3);
        frame.insert(frame.end(), name.begin(), name.end());
        Append14(frame, h);
    }
    handlers->ProcessAlphaTable(Finish(frame));

    EXPECT_EQ(v.InputCount, 300);
    ASSERT_EQ(v.InputNames.size(), 300u);
    EXPECT_EQ(v.InputNames[0], "N100");
    EXPECT_EQ(v.InputNames[299], "N399");
    ASSERT_EQ(v.InputChannels.size(), 300u);
    EXPECT_EQ(v.InputChannels[255].IFBOutput, 42);
    EXPECT_EQ(v.InputChannels[255].OnOpto, 16383);
    // Records added at the end drive no opto and no IFB output until described.
    EXPECT_EQ(v.InputChannels[256].OnOpto, 16383);
    EXPECT_EQ(v.InputChannels[299].OffOpto, 16383);
    EXPECT_EQ(v.InputChannels[299].IFBOutput, 16383);
}

// ---- 0xF6 crosspoint map ------------------------------------------------------------

TEST_F(TableHandlers, CrosspointEntriesLandInTheirWords) {
    const struct {
        const char* what;
        std::string hex;
        Words words;
    } rows[] = {
        {"plain entries, kind 0: value 1 and 2 only",
         "F6 00 01 00 00 00  02 00 01  10 00 20 00  11 00 21 00",
         {{0, 16}, {1, 17}, {67, 32}, {68, 33}, {65, 1 | (2 << 8)}, {132, 0}, {263, 0}}},
        {"kind 10 carries value 3",
         "F6 0A 01 00 00 00  01 00 07  07 40 02 00 03 00",
         {{0, 8199}, {67, 2}, {132, 3}, {65, 7 | (1 << 8)}, {263, 0}}},
        {"link markers: marker 10 goes to the linked slots, other markers are plain",
         "F6 4A 01 00 00 00  03 00 05"
         "  00 07 40 02 00 03 00"  // plain
         "  0A 09 00 0A 00 0B 00"  // linked
         "  03 0C 00 0D 00 0E 00", // plain
         {{0, 8199},
          {1, 12},
          {67, 2},
          {68, 13},
          {132, 3},
          {133, 14},
          {65, 5 | (3 << 8)}, // plain
          {263, 1},
          {264, 9},
          {296, 10},
          {328, 11}, // linked
          {2, 0},
          {265, 0}}},
        {"link markers with kind 0",
         "F6 40 01 00 00 00  02 00 03  0A 01 00 02 00  0A 03 00 04 00",
         {{263, 2}, {264, 1}, {265, 3}, {296, 2}, {297, 4}, {0, 0}, {328, 0}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Reset();
        v.PendingRequestMask1 = 128 | 256;
        handlers->ProcessCrosspointMap(Framed(row.hex));
        ASSERT_EQ(v.CrosspointMap.size(), 1u);
        for (const auto& [word, value] : row.words)
            EXPECT_EQ(v.CrosspointMap[0].Words[static_cast<std::size_t>(word)], value)
                << "word " << word;
        EXPECT_EQ(window.CountOf("UpdateBussButtonTally"), 1);
        EXPECT_EQ(v.PendingRequestMask1, 256);
    }
    EXPECT_TRUE(LogEntries().empty());
}

Bytes BusMap(int format, int first, int entries, int linkedMarkers, int extraBytes = 0) {
    Bytes frame{0xF6, static_cast<std::uint8_t>(format)};
    Append14(frame, 1);
    Append14(frame, first);
    Append14(frame, entries);
    frame.push_back(3);
    for (int e = 0; e < entries; ++e) {
        if (format & 0x40)
            frame.push_back(e >= entries - linkedMarkers ? 10 : 0); // plain entries first
        Append14(frame, e + 1);
        Append14(frame, 100 + e);
    }
    frame.insert(frame.end(), static_cast<std::size_t>(extraBytes), 0);
    return Finish(frame);
}

TEST_F(TableHandlers, CrosspointMapsBeyondTheLimitsAreDropped) {
    Bytes badChecksum = BusMap(0, 0, 1, 0);
    badChecksum[badChecksum.size() - 2] ^= 1;
    const struct {
        const char* what;
        Bytes frame;
        bool stored;
        int linked; // word 263 when stored
    } rows[] = {
        {"64 entries", BusMap(0, 0, 64, 0), true, 0},
        {"65 entries", BusMap(0, 0, 65, 0), false, 0},
        {"32 linked entries of 33", BusMap(0x40, 0, 33, 32), true, 32},
        {"33 linked entries", BusMap(0x40, 0, 33, 33), false, 0},
        {"first bus 8193", BusMap(0, 8193, 1, 0), false, 0},
        {"one byte more than the records", BusMap(0, 0, 1, 0, 1), false, 0},
        {"wrong checksum", badChecksum, false, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Reset();
        v.CrosspointMap[0].Words[0] = 99;
        v.PendingRequestMask1 = 128;
        handlers->ProcessCrosspointMap(row.frame);
        if (row.stored) {
            EXPECT_EQ(v.CrosspointMap[0].Words[0], 1);
            EXPECT_EQ(v.CrosspointMap[0].Words[263], row.linked);
            EXPECT_EQ(window.CountOf("UpdateBussButtonTally"), 1);
            EXPECT_EQ(v.PendingRequestMask1, 0);
        } else {
            EXPECT_EQ(v.CrosspointMap[0].Words[0], 99);
            EXPECT_TRUE(window.calls.empty());
            EXPECT_EQ(v.PendingRequestMask1, 128);
        }
    }
    EXPECT_EQ(v.CrosspointMap[0].Words[65], 0); // nothing of a dropped frame was copied
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(TableHandlers, CrosspointMapTooSmallIsRecreatedForTheBusesItCarries) {
    v.CrosspointMap.Recreate(3);
    v.CrosspointMap[0].Words[0] = 99;
    // S = 4, N = 2: bus 5 with one entry (device 5), bus 6 with none
    handlers->ProcessCrosspointMap(Framed("F6 00 02 00 04 00  01 00 01 05 00 06 00  00 00 02"));
    ASSERT_EQ(v.CrosspointMap.size(), 6u);
    for (long long b = 0; b < 4; ++b)
        EXPECT_EQ(v.CrosspointMap[b].Words, CrosspointRecord{}.Words) << "record " << b;
    EXPECT_EQ(v.CrosspointMap[4].Words[0], 5);
    EXPECT_EQ(v.CrosspointMap[4].Words[67], 6);
    EXPECT_EQ(v.CrosspointMap[5].Words[65], 2);

    // A map large enough keeps its other records.
    handlers->ProcessCrosspointMap(Framed("F6 00 01 00 00 00  01 00 01 07 00 08 00"));
    ASSERT_EQ(v.CrosspointMap.size(), 6u);
    EXPECT_EQ(v.CrosspointMap[0].Words[0], 7);
    EXPECT_EQ(v.CrosspointMap[4].Words[0], 5);
    EXPECT_EQ(window.CountOf("UpdateBussButtonTally"), 2);
}

TEST_F(TableHandlers, CrosspointRecordsStopAtBus8191) {
    handlers->ProcessCrosspointMap(
        Framed("F6 00 02 00 7F 3F  01 00 01 05 00 06 00  01 00 02 09 00 0A 00"));
    ASSERT_EQ(v.CrosspointMap.size(), 8193u);
    EXPECT_EQ(v.CrosspointMap[8191].Words[0], 5);
    EXPECT_EQ(v.CrosspointMap[8192].Words[0], 0);
    EXPECT_EQ(window.CountOf("UpdateBussButtonTally"), 1);
}

// ---- 0xD9 device ID information --------------------------------------------------

TEST_F(TableHandlers, DeviceDataModeZeroStoresTheStorageRules) {
    v.FaderDeviceID[0] = 11;
    InitDeviceIDs(v);
    v.PendingRequestMask2 = 256 | 4;
    // N = 3, S = 10, W = 3, B = 2; per device: source, unused, gain, unused byte, status
    handlers->ReceiveDeviceIDInfo(Framed("D9 00 00 03 00 0A 00 03 02"
                                         "  05 00 7F 7F 00 08 00 40"    // 10
                                         "  01 40 00 00 01 10 00 40"    // 11: 8193, 2049
                                         "  00 40 00 00 00 10 00 00")); // 12: 8192, 2048
    const struct {
        int id;
        std::int16_t source, gain;
        std::uint8_t status;
    } expected[] = {{10, 5, 1024, 64}, {11, 16383, 1024, 64}, {12, 8192, 2048, 0}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.id);
        const DeviceIDRecord& d = v.DeviceIDs[e.id];
        EXPECT_EQ(d.Source, e.source);
        EXPECT_EQ(d.Gain, e.gain);
        EXPECT_EQ(d.ChannelStatus, e.status);
        EXPECT_FALSE(d.RequestPending);
    }
    EXPECT_EQ(window.CountOf("UpdateActiveSource 0"), 0);
    EXPECT_EQ(LogEntries(), (std::vector<LogEntry>{
                                {"Switcher Message", "Received 3 Device IDs Starting with 10"}}));
    EXPECT_EQ(v.RequestRepeatCountdown, 60);
    EXPECT_EQ(v.PendingRequestMask2, 4);
}

TEST_F(TableHandlers, DeviceDataOfOneDeviceRefreshesEveryStripWithIt) {
    Faders(3);
    v.FaderDeviceID[0] = 7;
    v.FaderDeviceID[1] = 8;
    v.FaderDeviceID[2] = 7;
    v.PendingRequestMask2 = 256; // asked for: the answer is logged
    // mode 1: N = 1, W = 3, B = 2, device ID 7 at the start of the entry
    handlers->ReceiveDeviceIDInfo(Framed("D9 00 01 01 00 03 02  07 00 04 00 00 00 00 08 00 40"));
    EXPECT_EQ(v.DeviceIDs[7].Source, 4);
    EXPECT_EQ(v.DeviceIDs[7].ChannelStatus, 64);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"UpdateActiveSource 0", "InitSlider 0",
                                                      "UpdateActiveSource 2", "InitSlider 2"}));
    EXPECT_EQ(LogEntries(), (std::vector<LogEntry>{
                                {"Switcher Message", "Received 1 Device IDs Starting with 0"}}));

    // Words beyond 4 and bytes beyond 2 are read past; mode 0 with N = 1 refreshes too.
    window.calls.clear();
    handlers->ReceiveDeviceIDInfo(
        Framed("D9 00 00 01 00 08 00 05 03  09 00 00 00 10 08 00 00 7F 7F  00 40 7F"));
    EXPECT_EQ(v.DeviceIDs[8].Source, 9);
    EXPECT_EQ(v.DeviceIDs[8].Gain, 1040);
    EXPECT_EQ(v.DeviceIDs[8].ChannelStatus, 64);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"UpdateActiveSource 1", "InitSlider 1"}));
}

TEST_F(TableHandlers, UnaskedDeviceDataIsLoggedOnlyAsAMinutelyCount) {
    // Every panel hears of every gain move; the log counts them at most once a minute.
    auto now = std::chrono::steady_clock::time_point{};
    handlers->SetClock([&now] { return now; });
    const Bytes move = Framed("D9 00 01 01 00 03 02  07 00 04 00 00 00 00 08 00 40");
    const struct {
        int messages;
        std::chrono::seconds later; // the clock moves on after them
        std::vector<std::string> logged;
    } rows[] = {
        {1, std::chrono::seconds{1}, {"1 device data messages received"}},
        {5000, std::chrono::seconds{59}, {}},
        {1, std::chrono::seconds{0}, {"5001 device data messages received"}},
        {3, std::chrono::seconds{30}, {}},
    };
    for (const auto& row : rows) {
        std::filesystem::remove(log->LogPath());
        for (int m = 0; m < row.messages; ++m)
            handlers->ReceiveDeviceIDInfo(move);
        now += row.later;
        std::vector<std::string> logged;
        for (const LogEntry& entry : LogEntries())
            logged.push_back(entry.message);
        EXPECT_EQ(logged, row.logged) << row.messages;
    }
    EXPECT_EQ(v.DeviceIDs[7].Gain, 1024); // each was applied all the same
}

TEST_F(TableHandlers, DeviceDataRequestBitWaitsForEveryStripsDevice) {
    Faders(2);
    v.FaderDeviceID[0] = 11;
    v.FaderDeviceID[1] = 20;
    InitDeviceIDs(v);
    v.PendingRequestMask2 = 256;
    handlers->ReceiveDeviceIDInfo(Framed("D9 00 00 01 00 0B 00 01 00  05 00"));
    EXPECT_FALSE(v.DeviceIDs[11].RequestPending);
    EXPECT_EQ(v.PendingRequestMask2, 256); // device 20 still awaited

    // Data reaching device 8191 ends the request whatever is still awaited.
    handlers->ReceiveDeviceIDInfo(Framed("D9 00 00 02 00 7E 3F 01 00  05 00 06 00"));
    EXPECT_TRUE(v.DeviceIDs[20].RequestPending);
    EXPECT_EQ(v.PendingRequestMask2, 0);
    EXPECT_EQ(LogEntries().back().message, "Received 2 Device IDs Starting with 8190");
}

TEST_F(TableHandlers, DeviceListsAreWalkedAndOnlyLogged) {
    const struct {
        const char* what;
        std::string hex;
        const char* logged; // nullptr: dropped for its length
    } rows[] = {
        {"mode 10, 2 entries", "D9 00 0A 00 00 02 00  05 00 06 00",
         "Received 2 Device IDs Starting with 0"},
        {"mode 3, 2 entries", "D9 00 03 00 00 02 00  05 00 01 06 00 01",
         "Received 2 Device IDs Starting with 0"},
        {"mode 10 with 3-byte entries", "D9 00 0A 00 00 02 00  05 00 01 06 00 01", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Reset();
        std::filesystem::remove(log->LogPath());
        v.PendingRequestMask2 = 256;
        handlers->ReceiveDeviceIDInfo(Framed(row.hex));
        EXPECT_EQ(v.DeviceIDs[5].Source, 0);
        EXPECT_TRUE(window.calls.empty());
        if (row.logged) {
            EXPECT_EQ(LogEntries(), (std::vector<LogEntry>{{"Switcher Message", row.logged}}));
            EXPECT_EQ(v.PendingRequestMask2, 0);
            EXPECT_EQ(v.RequestRepeatCountdown, 60);
        } else {
            EXPECT_TRUE(LogEntries().empty());
            EXPECT_EQ(v.PendingRequestMask2, 256);
            EXPECT_EQ(v.RequestRepeatCountdown, 0);
        }
    }
}

TEST_F(TableHandlers, DeviceDataOfTheWrongLengthIsStoredButNotAcknowledged) {
    v.PendingRequestMask2 = 256;
    handlers->ReceiveDeviceIDInfo(Framed("D9 00 00 01 00 03 00 01 00  05 00  00"));
    EXPECT_EQ(v.DeviceIDs[3].Source, 5);
    EXPECT_TRUE(LogEntries().empty());
    EXPECT_EQ(v.PendingRequestMask2, 256);
    EXPECT_EQ(v.RequestRepeatCountdown, 0);
}

TEST_F(TableHandlers, DeviceIDAbove8192IsAFailureAfterTheDevicesBeforeIt) {
    const struct {
        const char* what;
        std::string hex;
    } rows[] = {
        {"mode 0 from 8192", "D9 00 00 02 00 00 40 01 00  09 00 0A 00"},
        {"mode 1 naming 8192 then 8193", "D9 00 01 02 00 01 00  00 40 09 00  01 40 0A 00"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Reset();
        std::filesystem::remove(log->LogPath());
        v.UpdatingControls = true;
        v.PendingRequestMask2 = 256;
        handlers->ReceiveDeviceIDInfo(Framed(row.hex));
        EXPECT_EQ(v.DeviceIDs[8192].Source, 9);
        EXPECT_FALSE(v.UpdatingControls);
        EXPECT_EQ(LogEntries(), (std::vector<LogEntry>{
                                    {"Switcher Message Error", "Error Receiving Device ID Info"}}));
        EXPECT_EQ(v.PendingRequestMask2, 256);
        v.DeviceIDs[8192] = DeviceIDRecord{};
    }
}

TEST_F(TableHandlers, DeviceDataCutShortStoresNothingOfTheCutDevice) {
    // W = 1, B = 2, but the status byte is missing: the checksum (0x40, "on") must not
    // stand in for it.
    const Bytes cut = Framed("D9 34 00 01 00 03 00 01 02  05 00 00");
    ASSERT_EQ(cut[cut.size() - 2], 0x40);
    v.FaderDeviceID[0] = 3;
    InitDeviceIDs(v);
    handlers->ReceiveDeviceIDInfo(cut);
    EXPECT_EQ(v.DeviceIDs[3].Source, 0);
    EXPECT_EQ(v.DeviceIDs[3].ChannelStatus, 0);
    EXPECT_TRUE(v.DeviceIDs[3].RequestPending);
    EXPECT_TRUE(window.calls.empty());
    EXPECT_EQ(LogEntries(), (std::vector<LogEntry>{
                                {"Switcher Message Error", "Error Receiving Device ID Info"}}));
}

// ---- 0xD0 information reply, input channel attributes ---------------------------------

TEST_F(TableHandlers, ChannelAttributesComeFromWordsFourToSix) {
    const struct {
        const char* what;
        std::string entry; // one channel entry: a, a words, k, k bytes
        InputChannelRecord expected;
    } rows[] = {
        {"6 words and 2 extra bytes",
         "06 01 00 02 00 03 00 0C 00 21 00 22 00 02 7F 7F",
         {12, 33, 34, false}},
        {"7 words", "07 01 00 02 00 03 00 0C 00 21 00 22 00 7F 7F 00", {12, 33, 34, false}},
        {"5 words", "05 01 00 02 00 03 00 0C 00 21 00 00", {12, 33, 0, false}},
        {"3 words", "03 01 00 02 00 03 00 00", {0, 0, 0, false}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Reset();
        v.InputChannels[3] = {9, 9, 9, true};
        handlers->ProcessInfoReply(Framed("D0 0A 00 01 00 03 00 " + row.entry));
        const InputChannelRecord& c = v.InputChannels[3];
        EXPECT_EQ(c.IFBOutput, row.expected.IFBOutput);
        EXPECT_EQ(c.OnOpto, row.expected.OnOpto);
        EXPECT_EQ(c.OffOpto, row.expected.OffOpto);
        EXPECT_FALSE(c.AttributesWanted);
        EXPECT_EQ(v.InputChannels[4].OnOpto, 16383);
    }
}

TEST_F(TableHandlers, ChannelAttributesEndTheRequestOnceNoStripWaits) {
    const std::string twoChannels = "D0 0A 00 02 00 04 00  03 01 00 02 00 03 00 00"
                                    "  06 01 00 02 00 03 00 0C 00 21 00 22 00 00";
    const struct {
        const char* what;
        std::int16_t stripSource;
        bool logged;
        std::int32_t mask2;
        bool inchanPending;
        std::int16_t countdown;
    } rows[] = {
        {"the strip's channel has arrived", 6, true, 256, false, 60},
        {"the strip's channel is still wanted", 1, true, 4 | 256, true, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Reset();
        std::filesystem::remove(log->LogPath());
        v.FaderSource[0] = row.stripSource;
        v.InputChannels[0].AttributesWanted = true;
        v.InputChannels[5].AttributesWanted = true;
        v.InchanRequestPending = true;
        v.PendingRequestMask2 = 4 | 256;
        handlers->ProcessInfoReply(Framed(twoChannels));
        EXPECT_EQ(v.InputChannels[5].OnOpto, 33);
        EXPECT_EQ(LogEntries(), (std::vector<LogEntry>{
                                    {"Switcher Message", "Received 2 InChan Starting with 4"}}));
        EXPECT_EQ(v.PendingRequestMask2, row.mask2);
        EXPECT_EQ(v.InchanRequestPending, row.inchanPending);
        EXPECT_EQ(v.RequestRepeatCountdown, row.countdown);
    }

    // The last channel of the table ends the request even while a strip waits.
    v.PendingRequestMask2 = 4;
    handlers->ProcessInfoReply(Framed("D0 0A 00 01 00 7F 01  00 00"));
    EXPECT_EQ(v.PendingRequestMask2, 0);
    EXPECT_TRUE(v.InchanRequestPending);
}

TEST_F(TableHandlers, ChannelAttributesChecksumAndLengthMismatches) {
    Bytes wrongChecksum = Framed("D0 0A 00 01 00 03 00  06 01 00 02 00 03 00 0C 00 21 00 22 00 00");
    wrongChecksum[wrongChecksum.size() - 2] ^= 0x10;
    v.PendingRequestMask2 = 4 | 256;
    handlers->ProcessInfoReply(wrongChecksum);
    EXPECT_EQ(LogEntries(),
              (std::vector<LogEntry>{{"Input Channel Attributes", "Check Sum Error"}}));
    EXPECT_EQ(v.InputChannels[3].OnOpto, 16383);
    EXPECT_EQ(v.PendingRequestMask2, 4 | 256);

    // One byte more than the entries: nothing is copied, but the request ends.
    handlers->ProcessInfoReply(
        Framed("D0 0A 00 01 00 03 00  06 01 00 02 00 03 00 0C 00 21 00 22 00 00  00"));
    EXPECT_EQ(v.InputChannels[3].OnOpto, 16383);
    EXPECT_EQ(LogEntries().size(), 1u);
    EXPECT_EQ(v.PendingRequestMask2, 256);
}

TEST_F(TableHandlers, ChannelAttributesOutsideTheTableAreAReportedFailure) {
    // Channels 255 and 256 of a table of 256: the first is copied, the second fails.
    v.PendingRequestMask2 = 4 | 256;
    handlers->ProcessInfoReply(
        Framed("D0 0A 00 02 00 7F 01  06 00 00 00 00 00 00 05 00 06 00 07 00 00"
               "  03 00 00 00 00 00 00 00"));
    EXPECT_EQ(v.InputChannels[255].IFBOutput, 5);
    EXPECT_EQ(v.InputChannels[255].OffOpto, 7);
    EXPECT_EQ(LogEntries(), (std::vector<LogEntry>{
                                {"Switcher Message Error",
                                 SubscriptError("Error Receiving Input Channel Attributes")}}));
    EXPECT_EQ(v.PendingRequestMask2, 256);

    // A strip without a source waits for no attributes: it is skipped, not a failure.
    std::filesystem::remove(log->LogPath());
    v.FaderSource[0] = 16383;
    v.PendingRequestMask2 = 4;
    v.InchanRequestPending = true;
    handlers->ProcessInfoReply(
        Framed("D0 0A 00 01 00 00 00  06 00 00 00 00 00 00 0B 00 00 00 00 00 00"));
    EXPECT_EQ(v.InputChannels[0].IFBOutput, 11);
    EXPECT_EQ(LogEntries(),
              (std::vector<LogEntry>{{"Switcher Message", "Received 1 InChan Starting with 0"}}));
    EXPECT_EQ(v.PendingRequestMask2, 0);
    EXPECT_FALSE(v.InchanRequestPending);
}

TEST_F(TableHandlers, InfoReplyPassesOnlySubTypeTen) {
    handlers->ProcessInfoReply(
        Framed("D0 0B 00 01 00 03 00  06 00 00 00 00 00 00 0B 00 00 00 00 00 00"));
    EXPECT_EQ(v.InputChannels[3].IFBOutput, 16383); // unchanged
    EXPECT_EQ(v.InputChannels[3].OnOpto, 16383);
    EXPECT_TRUE(LogEntries().empty());
    // Too short for its sub-type: the failure goes to the decoder.
    EXPECT_THROW(handlers->ProcessInfoReply(HexToBytes("D0 FF")), OrlError);
}

// ---- 0xE5 switcher type ----------------------------------------------------------------

TEST_F(TableHandlers, SwitcherTypeIsTakenOnlyFromAWellFormedFrame) {
    Bytes wrongChecksum = Framed("E5 01 00 00 12 01 00 00");
    wrongChecksum[8] ^= 1;
    const struct {
        const char* what;
        Bytes frame;
        int type;
    } rows[] = {
        {"10 bytes, byte 1 is 1", Framed("E5 01 00 00 12 01 00 00"), 0x12 + 128},
        {"byte 1 is 2", Framed("E5 02 00 00 12 01 00 00"), -1},
        {"9 bytes", Framed("E5 01 00 00 12 01 00"), -1},
        {"11 bytes", Framed("E5 01 00 00 12 01 00 00 00"), -1},
        {"wrong checksum", wrongChecksum, -1},
        {"empty", Bytes{}, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        IncomingHandlers fresh(v, *log, window);
        fresh.ProcessSwitcherType(row.frame);
        EXPECT_EQ(fresh.SwitcherTypeValue(), row.type);
    }
    EXPECT_TRUE(LogEntries().empty());
}

// ---- truncated frames --------------------------------------------------------------

TEST_F(TableHandlers, TruncatedFramesAreReportedNeverReadPast) {
    using Handler = void (IncomingHandlers::*)(const Bytes&);
    const std::map<std::uint8_t, Handler> dispatch = {
        {0xFC, &IncomingHandlers::ProcessAlphaTable},
        {0xF6, &IncomingHandlers::ProcessCrosspointMap},
        {0xD9, &IncomingHandlers::ReceiveDeviceIDInfo},
        {0xD0, &IncomingHandlers::ProcessInfoReply},
        {0xE5, &IncomingHandlers::ProcessSwitcherType},
        {0xD6, &IncomingHandlers::ReceiveChannelOnOff},
        {0xF7, &IncomingHandlers::ReceiveOptoRelayStates},
    };
    const std::string onOff = "Error Receiving Channel On Off";
    const struct {
        const char* what;
        Bytes frame; // checksums are right: only the length is wrong
        LogEntry reported;
    } rows[] = {
        {"name table ends before S",
         Framed("FC 0A 08"),
         {"Message Error", SubscriptError("Error Processing Alpha Table")}},
        {"crosspoint entry cut in value 2",
         Framed("F6 00 01 00 00 00  02 00 05 03"),
         {"Message Error", SubscriptError("Error Processing Crosspoint map")}},
        {"device data: second device missing",
         Framed("D9 00 00 02 00 0A 00 03 02  05 00 01 00 00 08 00 40"),
         {"Switcher Message Error", "Error Receiving Device ID Info"}},
        {"device data: header cut",
         Framed("D9 00 01"),
         {"Switcher Message Error", "Error Receiving Device ID Info"}},
        {"device list: 5 entries promised, 1 sent",
         Framed("D9 00 0A 00 00 05 00 01 00"),
         {"Switcher Message Error", "Error Receiving Device ID Info"}},
        {"channel attributes: 6 words promised, 1 sent",
         Framed("D0 0A 00 02 00 00 00 06 01 00"),
         {"Switcher Message Error", SubscriptError("Error Receiving Input Channel Attributes")}},
        {"switcher type without checksum",
         Bytes{0xE5},
         {"Message Error", SubscriptError("Error Processing Switcher Type")}},
        {"channel on/off: second entry missing",
         Framed("D6 7F 00 02 04 00 01 00 01"),
         {"Switcher Message Error", SubscriptError(onOff)}},
        {"channel on/off: entry one byte short",
         Framed("D6 7F 00 01 04 00 01 00"),
         {"Switcher Message Error", SubscriptError(onOff)}},
        {"opto states: second entry missing",
         Framed("F7 1E 02 00 05 00 01"),
         {"Switcher Message Error", SubscriptError("Error Receiving Opto Relay States")}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Reset();
        std::filesystem::remove(log->LogPath());
        (handlers.get()->*dispatch.at(row.frame.at(0)))(row.frame);
        EXPECT_EQ(LogEntries(), std::vector<LogEntry>{row.reported});
        EXPECT_EQ(window.CountOf("UpdateBussButtonTally") + window.CountOf("UpdateUserButtonTally"),
                  0);
    }
}

} // namespace
} // namespace orl::test
