// The simulator process seen from a panel's socket: handshake, poll, every table by its
// layout and checksum, single items, commands reported to every panel, and junk.

#include "Frames.h"
#include "SimulatorProcess.h"

#include "ByteManipulation.h"
#include "FrameReader.h"
#include "Protocol.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QThread>

#include <algorithm>
#include <functional>
#include <map>
#include <random>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using orl::Bytes;
using orl::BytesToHex;
using orl::FrameReader;
using orl::HexToBytes;
using orl::test::ChecksumOK;
using orl::test::Frame;
using orl::test::RawPanel;
using orl::test::SimulatorProcess;

namespace {

Bytes InfoRequest(std::int32_t word1, std::int32_t word2, int count, int first) {
    return Frame(orl::wire::InfoRequest)
        .Value28(word1)
        .Value14(word2)
        .Value14(count)
        .Value14(first)
        .Finish();
}

std::string Name(FrameReader& reader, int length) {
    std::string name;
    for (int c = 0; c < length; ++c)
        name += static_cast<char>(reader.Byte());
    reader.Value14();
    return name;
}

// A started simulator with one handshaken panel.
struct Session {
    explicit Session(const QStringList& extra = {}) : sim(extra) {}
    SimulatorProcess sim;
    std::unique_ptr<RawPanel> panel;
    bool Open() {
        if (sim.Port() == 0)
            return false;
        panel = std::make_unique<RawPanel>(sim.Port());
        return panel->Connected() && panel->Handshake();
    }
};

} // namespace

TEST(Simulator, AsksForThePanelTypeAndAnswersEveryPoll) {
    SimulatorProcess sim;
    ASSERT_NE(sim.Port(), 0) << sim.FirstLine().toStdString();
    EXPECT_TRUE(sim.FirstLine().startsWith("listening on 127.0.0.1:"));
    RawPanel panel(sim.Port());
    ASSERT_TRUE(panel.Connected());
    const auto request = panel.Next();
    ASSERT_TRUE(request);
    EXPECT_EQ(BytesToHex(*request), "81 64 64 FF");
    panel.Send("81 09 01 0A FF F5 F5");
    for (int i = 0; i < 2; ++i) {
        const auto answer = panel.Next();
        ASSERT_TRUE(answer);
        EXPECT_EQ(BytesToHex(*answer), "F4");
    }
}

TEST(Simulator, AnswersEveryWholeTableInTheLayoutThePanelDecodes) {
    Session s;
    ASSERT_TRUE(s.Open());
    struct Row {
        const char* what;
        std::int32_t word1, word2;
        std::uint8_t command;
        std::function<void(FrameReader&, const Bytes&)> check;
    };
    const Row rows[] = {
        {"input names", 256, 0, 0xFC,
         [](FrameReader& r, const Bytes& f) {
             EXPECT_EQ(r.Byte(), 10);
             const int length = r.Byte();
             const int count = r.Value14();
             EXPECT_EQ(length, 8);
             EXPECT_EQ(count, 32);
             EXPECT_EQ(r.Value14(), 0);
             EXPECT_EQ(f.size(), static_cast<std::size_t>((length + 2) * count + 9));
             std::vector<std::string> names;
             for (int h = 0; h < count; ++h)
                 names.push_back(Name(r, length));
             EXPECT_EQ(names[0], "MIC 1   ");
             EXPECT_EQ(names[8], "CD 1    ");
             EXPECT_EQ(names[12], "PHONE 1 ");
             EXPECT_EQ(names[16], "LINE 1  ");
             EXPECT_EQ(names[22], "REMOTE 1");
         }},
        {"console names", 0, 1, 0xFC,
         [](FrameReader& r, const Bytes& f) {
             EXPECT_EQ(r.Byte(), 70);
             EXPECT_EQ(r.Byte(), 8);
             EXPECT_EQ(r.Value14(), 8);
             EXPECT_EQ(r.Value14(), 0);
             EXPECT_EQ(f.size(), 10u * 8 + 9);
             EXPECT_EQ(Name(r, 8), "AIR 1   ");
         }},
        {"crosspoint map", 128, 0, 0xF6,
         [](FrameReader& r, const Bytes&) {
             EXPECT_EQ(r.Byte() & 0x40, 0); // no link markers: entries of two values
             EXPECT_EQ(r.Value14(), 16);
             EXPECT_EQ(r.Value14(), 0);
             std::vector<std::vector<int>> buses;
             for (int b = 0; b < 16; ++b) {
                 const int entries = r.Value14();
                 r.Byte();
                 buses.emplace_back();
                 for (int e = 0; e < entries; ++e) {
                     buses.back().push_back(r.Value14());
                     r.Value14();
                 }
             }
             EXPECT_TRUE(r.ConsumedAllButChecksum());
             EXPECT_EQ(buses[0], (std::vector<int>{1, 2})); // on air from the start
             EXPECT_TRUE(buses[1].empty());
         }},
        {"relay states", 65536, 0, 0xF7,
         [](FrameReader& r, const Bytes&) {
             EXPECT_EQ(r.Byte(), 40);
             const int count = r.Value14();
             EXPECT_EQ(count, 64);
             for (int c = 0; c < count; ++c) {
                 EXPECT_EQ(r.Value14(), c);
                 EXPECT_EQ(r.Byte(), 0);
             }
             EXPECT_TRUE(r.ConsumedAllButChecksum());
         }},
        {"opto states", 131072, 0, 0xF7,
         [](FrameReader& r, const Bytes& f) {
             EXPECT_EQ(r.Byte(), 30);
             EXPECT_EQ(r.Value14(), 64);
             EXPECT_EQ(f.size(), 6u + 3 * 64);
         }},
        {"input channel attributes", 0, 4, 0xD0,
         [](FrameReader& r, const Bytes&) {
             EXPECT_EQ(r.Value14(), 10);
             const int count = r.Value14();
             EXPECT_EQ(count, 32);
             EXPECT_EQ(r.Value14(), 0);
             std::vector<std::vector<int>> kept; // IFB output, on opto, off opto
             for (int i = 0; i < count; ++i) {
                 const int words = r.Byte();
                 ASSERT_GE(words, 6);
                 std::vector<int> w;
                 for (int k = 0; k < words; ++k)
                     w.push_back(r.Value14());
                 r.Skip(r.Byte());
                 kept.push_back({w[3], w[4], w[5]});
             }
             EXPECT_TRUE(r.ConsumedAllButChecksum());
             EXPECT_EQ(kept[0], (std::vector<int>{16383, 0, 16383}));  // MIC 1: on-air light
             EXPECT_EQ(kept[8], (std::vector<int>{16383, 32, 33}));    // CD 1: start, stop
             EXPECT_EQ(kept[12], (std::vector<int>{1, 16383, 16383})); // PHONE 1: IFB
             for (const auto& attributes : kept) { // a simple take carries one 7-bit byte
                 EXPECT_TRUE(attributes[0] == 16383 || attributes[0] <= 127);
                 EXPECT_TRUE(attributes[1] == 16383 || attributes[1] < 64); // within the optos
                 EXPECT_TRUE(attributes[2] == 16383 || attributes[2] < 64);
             }
         }},
        {"device data", 0, 256, 0xD9,
         [](FrameReader& r, const Bytes& f) {
             r.Byte();
             EXPECT_EQ(r.Byte(), 0); // mode 0: S and N, no device IDs
             const int count = r.Value14();
             EXPECT_EQ(count, 8193);
             EXPECT_EQ(r.Value14(), 0);
             const int words = r.Byte();
             const int bytes = r.Byte();
             EXPECT_EQ(words, 4);
             EXPECT_EQ(bytes, 2);
             EXPECT_EQ(f.size(), 11u + 10 * 8193);
             struct Seen {
                 int source, gain, status;
             };
             std::vector<Seen> devices;
             for (int d = 0; d < count; ++d) {
                 const int source = r.Value14();
                 r.Value14();
                 const int gain = r.Value14();
                 r.Value14();
                 r.Byte();
                 devices.push_back({source, gain, r.Byte()});
             }
             EXPECT_TRUE(r.ConsumedAllButChecksum());
             EXPECT_EQ(devices[1].source, 0);
             EXPECT_EQ(devices[1].status, 64); // MIC 1 is on
             EXPECT_EQ(devices[3].source, 2);
             EXPECT_EQ(devices[3].gain, 1024);
             EXPECT_EQ(devices[3].status, 0);
             EXPECT_EQ(devices[100].source, 16383);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        s.panel->Send(InfoRequest(row.word1, row.word2, 16383, 0));
        const auto answer = s.panel->Next();
        ASSERT_TRUE(answer);
        ASSERT_EQ((*answer)[0], row.command);
        EXPECT_TRUE(ChecksumOK(*answer));
        FrameReader reader(*answer);
        try {
            row.check(reader, *answer);
        } catch (const orl::OrlError& e) {
            ADD_FAILURE() << "frame shorter than its counts: " << e.what();
        }
    }

    // Several bits in one request: one answer for each.
    s.panel->Send(InfoRequest(128 | 256, 1, 16383, 0));
    std::vector<int> commands;
    for (int i = 0; i < 3; ++i)
        if (const auto answer = s.panel->Next())
            commands.push_back((*answer)[0]);
    EXPECT_EQ(commands, (std::vector<int>{0xFC, 0xF6, 0xFC}));
}

TEST(Simulator, AnswersSingleDevicesChannelsAndRanges) {
    Session s;
    ASSERT_TRUE(s.Open());
    struct Row {
        const char* what;
        Bytes request;
        const char* answer;
    };
    const Row rows[] = {
        {"device 3, mode 1 with its ID", InfoRequest(0, 256, 1, 3),
         "D9 00 01 01 00 04 02 03 00 02 00 00 00 00 08 00 00 00 00 15 FF"},
        {"device 8192, the last", InfoRequest(0, 256, 1, 8192),
         "D9 00 01 01 00 04 02 00 40 7F 7F 00 00 00 08 00 00 00 00 4E FF"},
        {"input 13 (PHONE 1): IFB output 1", InfoRequest(0, 4, 1, 12),
         "D0 0A 00 01 00 0C 00 06 0C 00 00 00 00 00 01 00 7F 7F 7F 7F 00 26 FF"},
        {"bus 2 alone", InfoRequest(128, 0, 1, 1), "F6 00 01 00 01 00 00 00 01 03 FF"},
        {"relays 3 and 4", InfoRequest(65536, 0, 2, 2), "F7 28 02 00 02 00 00 03 00 00 2F FF"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        s.panel->Send(row.request);
        const auto answer = s.panel->Next();
        ASSERT_TRUE(answer);
        EXPECT_EQ(BytesToHex(*answer), row.answer);
    }

    // A range of devices comes in mode 0 with its first ID.
    s.panel->Send(InfoRequest(0, 256, 3, 10));
    const auto range = s.panel->Next();
    ASSERT_TRUE(range);
    EXPECT_EQ(BytesToHex(Bytes(range->begin(), range->begin() + 9)), "D9 00 00 03 00 0A 00 04 02");
    EXPECT_EQ(range->size(), 11u + 10 * 3);
    EXPECT_TRUE(ChecksumOK(*range));

    // No device 9000: no answer at all, the poll after it is the next thing answered.
    s.panel->Send(InfoRequest(0, 256, 1, 9000));
    s.panel->Send("F5");
    const auto next = s.panel->Next();
    ASSERT_TRUE(next);
    EXPECT_EQ(BytesToHex(*next), "F4");
}

TEST(Simulator, AppliesCommandsAndReportsThemToEveryPanel) {
    Session s;
    ASSERT_TRUE(s.Open());
    RawPanel other(s.sim.Port());
    ASSERT_TRUE(other.Handshake());

    struct Row {
        const char* what;
        const char* command;
        const char* report;
    };
    const Row rows[] = {
        {"input 5 on at console 2", "D6 7F 00 01 04 00 01 00 01 06 FF",
         "D6 7F 00 01 04 00 01 00 01 06 FF"},
        {"input 5 off at every console", "D6 7F 00 01 04 00 7F 7F 00 02 FF",
         "D6 7F 00 01 04 00 7F 7F 00 02 FF"},
        {"device 7 to source 1, which is on: the status comes with the source",
         "D3 01 01 00 05 07 00 00 00 00 0E FF",
         "D9 00 01 01 00 04 02 07 00 00 00 00 00 00 08 00 00 00 40 57 FF"},
        {"device 7 to source 3", "D3 01 01 00 05 07 00 02 00 00 10 FF",
         "D9 00 01 01 00 04 02 07 00 02 00 00 00 00 08 00 00 00 00 19 FF"},
        {"device 3 assigned to bus 1",
         "FE 24 18 02 00 00 00 03 00 7F 7F 7F 7F 7F 7F 7F 04 00 00 00 00 00 00 00 08 00 08 00 08 "
         "00 08 5E FF",
         "F6 00 01 00 00 00 03 00 00 01 00 00 00 02 00 01 00 03 00 02 00 0D FF"},
        {"device 1 removed from bus 1",
         "FE 20 18 00 00 00 00 01 00 7F 7F 7F 7F 7F 7F 7F 04 40 00 00 00 00 00 00 08 00 08 00 08 "
         "00 08 16 FF",
         "F6 00 01 00 00 00 02 00 00 02 00 01 00 03 00 02 00 0B FF"},
        {"relay 5 on (value field)", "FE 44 00 00 00 04 00 48 FF", "F7 28 01 00 04 00 01 2E FF"},
        {"relay 5 off", "FE 40 00 00 00 04 00 44 FF", "F7 28 01 00 04 00 00 2D FF"},
        {"opto 13 on (channel field)", "FE 64 00 0C 00 00 00 70 FF", "F7 1E 01 00 0C 00 01 2C FF"},
        {"opto 13 off from an OFF button", "FE 60 00 0C 00 7F 7F 6A FF",
         "F7 1E 01 00 0C 00 00 2B FF"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(ChecksumOK(HexToBytes(row.command)));
        s.panel->Send(row.command);
        const auto seenByOther = other.Next();
        ASSERT_TRUE(seenByOther);
        EXPECT_EQ(BytesToHex(*seenByOther), row.report);
        const auto seenBySender = s.panel->Next();
        ASSERT_TRUE(seenBySender);
        EXPECT_EQ(BytesToHex(*seenBySender), row.report);
    }

    // A gain is stored and every panel gets the device's new data.
    s.panel->Send("E3 02 14 01 00 07 00 04 07 29 FF");
    for (RawPanel* panel : {&other, s.panel.get()}) {
        const auto device = panel->NextOf(0xD9);
        ASSERT_TRUE(device);
        EXPECT_EQ(BytesToHex(*device),
                  "D9 00 01 01 00 04 02 07 00 02 00 00 00 04 07 00 00 00 00 1C FF");
    }

    // A relay pulse is reported on, then off again a moment later.
    s.panel->Send("FE 48 00 00 00 01 00 49 FF");
    const auto on = other.Next();
    ASSERT_TRUE(on);
    EXPECT_EQ(BytesToHex(*on), "F7 28 01 00 01 00 01 2B FF");
    const auto off = other.Next();
    ASSERT_TRUE(off);
    EXPECT_EQ(BytesToHex(*off), "F7 28 01 00 01 00 00 2A FF");

    // An IFB take is only logged: the next thing the sender hears is its poll answer.
    s.panel->NextOf(0xF7); // its own copies of the pulse reports
    s.panel->NextOf(0xF7);
    s.panel->Send("FE 25 00 04 00 09 00 32 FF F5");
    const auto answer = s.panel->Next();
    ASSERT_TRUE(answer);
    EXPECT_EQ(BytesToHex(*answer), "F4");
    other.Send("F5"); // any report of the take would come before this answer
    const auto otherAnswer = other.Next();
    ASSERT_TRUE(otherAnswer);
    EXPECT_EQ(BytesToHex(*otherAnswer), "F4");
}

TEST(Simulator, IgnoresMalformedMessagesAndSurvivesAMegabyteOfJunk) {
    Session s;
    ASSERT_TRUE(s.Open());
    const char* junk[] = {
        "00 11 22",                               // stray data bytes
        "FF",                                     // a lone end byte
        "F2 00 02 00 00 00 00 7F 7F 00 00 01 FF", // checksum wrong
        "F2 00 02 00 FF",                         // too short for a request
        "D6 7F 00 7F 04 00 01 00 01 06 FF",       // 127 entries announced, one there
        "D6 7F 00 01 04 00",                      // broken off by the next command
        "FE 44 00 00 00 FF",                      // a take of no known length
        "FE 44 00 00 00 7F 7F 42 FF",             // relay 16384 does not exist
        "FE 07 00 00 00 00 00 07 FF",             // a take code nobody knows
        "D3 01 01 00 05 7F 7F 00 00 00 05 FF",    // device 16383 does not exist
        "E3 02 14 01 00 7F 7F 00 08 1D FF",       // neither does its gain
        "81 09 01 0B FF",                         // type reply with a bad checksum
        "D9 00 00 FF",                            // a switcher's frame sent back
        "D6 7F 00 01 7F 7F 00 00 01 7F FF",       // input 16384
        ("FE 05 18 02 00 00 00 03 00 7F 7F 7F 7F 7F 7F 7F 04 00 00 00 00 00 00 00 "
         "08 00 08 00 08 00 08 3F FF"), // crosspoint mode 3077
    };
    for (const char* bytes : junk) {
        SCOPED_TRACE(bytes);
        s.panel->Send(bytes);
        s.panel->Send("F5");
        const auto answer = s.panel->Next();
        ASSERT_TRUE(answer);
        EXPECT_EQ(BytesToHex(*answer), "F4");
    }

    std::mt19937 random(20240611);
    Bytes megabyte(1 << 20);
    for (auto& b : megabyte)
        b = static_cast<std::uint8_t>(random() & 0xFF);
    for (std::size_t at = 0; at < megabyte.size(); at += 65536)
        s.panel->Send(Bytes(megabyte.begin() + static_cast<std::ptrdiff_t>(at),
                            megabyte.begin() + static_cast<std::ptrdiff_t>(at + 65536)));
    // End whatever frame the junk left open, then ask for something only a sane
    // simulator answers.
    s.panel->Send("FF");
    s.panel->Send(InfoRequest(0, 256, 1, 4242));
    const auto marker = s.panel->NextOf(0xD9, 15000);
    ASSERT_TRUE(marker);
    EXPECT_EQ(BytesToHex(Bytes(marker->begin(), marker->begin() + 9)),
              "D9 00 01 01 00 04 02 12 21");
    EXPECT_TRUE(s.sim.Running());
    RawPanel fresh(s.sim.Port());
    EXPECT_TRUE(fresh.Handshake());
}

TEST(Simulator, SizesControlLinesAndStopping) {
    Session s({"--inputs", "40", "--consoles", "2", "--relays", "8"});
    ASSERT_TRUE(s.Open());

    s.panel->Send(InfoRequest(256, 0, 16383, 0));
    const auto names = s.panel->Next();
    ASSERT_TRUE(names);
    FrameReader reader(*names, 3);
    EXPECT_EQ(reader.Value14(), 40);
    reader.SetPosition(7 + 10 * 32);
    EXPECT_EQ(Name(reader, 8), "IN 33   ");

    // A whole relay table never has fewer than 32 entries, whatever the switcher has.
    s.panel->Send(InfoRequest(65536, 0, 16383, 0));
    const auto relays = s.panel->Next();
    ASSERT_TRUE(relays);
    EXPECT_EQ(BytesToHex(Bytes(relays->begin(), relays->begin() + 4)), "F7 28 20 00");
    EXPECT_EQ(relays->size(), 6u + 3 * 32);

    s.sim.WriteLine("burst 5 2");
    for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        const auto report = s.panel->Next();
        ASSERT_TRUE(report);
        FrameReader r(*report, 3);
        EXPECT_EQ(r.Byte(), 1);
        EXPECT_EQ(r.Value14(), k); // inputs in turn
        EXPECT_EQ(r.Value14(), 1); // console 2
        EXPECT_EQ(r.Byte(), 1);    // all off before: each switched on
        EXPECT_TRUE(ChecksumOK(*report));
    }
    EXPECT_EQ(s.sim.ReadLine().toStdString(), "burst 5 sent to 1 panels");
    s.sim.WriteLine("relay 8 on");
    const auto relay = s.panel->Next();
    ASSERT_TRUE(relay);
    EXPECT_EQ(BytesToHex(*relay), "F7 28 01 00 07 00 01 31 FF");
    EXPECT_EQ(s.sim.ReadLine().toStdString(), "relay 8 on");
    s.sim.WriteLine("relay 9 on");
    EXPECT_EQ(s.sim.ReadLine().toStdString(), "no relay 9");

    // A second simulator on the same port gives up with a message.
    SimulatorProcess second({}, s.sim.Port());
    EXPECT_EQ(second.Port(), 0);
    second.Process().waitForFinished(5000);
    EXPECT_EQ(second.Process().exitCode(), 1);
    EXPECT_TRUE(second.Process().readAllStandardError().contains("cannot listen"));

    SimulatorProcess wrong({"--inputs", "0"});
    wrong.Process().waitForFinished(5000);
    EXPECT_EQ(wrong.Process().exitCode(), 2);

    // SIGTERM ends it cleanly, and the panel sees the connection close.
    s.sim.Process().terminate();
    ASSERT_TRUE(s.sim.Process().waitForFinished(5000));
    EXPECT_EQ(s.sim.Process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(s.sim.Process().exitCode(), 0);
    EXPECT_TRUE(orl::test::WaitUntil([&] { return !s.panel->Connected(); }));
}

TEST(Simulator, AClientThatNeverReadsIsThrottledAndDelaysNoOtherPanel) {
    Session s;
    ASSERT_TRUE(s.Open());
    const long before = s.sim.ResidentKilobytes();
    orl::test::PlainClient flooder(s.sim.Port());
    ASSERT_TRUE(flooder.Connected());
    // Every 13-byte request is answered with the whole device table, about 82 KB.
    Bytes requests;
    for (int i = 0; i < 1000; ++i) {
        const Bytes request = InfoRequest(0, 256, 16383, 0);
        requests.insert(requests.end(), request.begin(), request.end());
    }
    std::size_t sent = 0;
    long long worstPollMs = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 4000) {
        sent += flooder.SendSome(requests);
        const long long pollMs = orl::test::PollAnswerMs(*s.panel);
        ASSERT_GE(pollMs, 0) << "a poll went unanswered while the other client flooded";
        worstPollMs = std::max(worstPollMs, pollMs);
    }
    const long grownKB = s.sim.ResidentKilobytes() - before;
    std::printf(
        "[ measure  ] %zu requests sent unread; simulator grew %ld KB; worst poll %lld ms\n",
        sent / 13, grownKB, worstPollMs);
    EXPECT_GT(sent / 13, 1000u); // answered in full, that would be more than 80 MB
    if (orl::test::ResidentMemoryMeasurable) {
        EXPECT_LT(grownKB, 40 * 1024);
    }
    EXPECT_TRUE(s.sim.Running());
}

TEST(Simulator, BurstsToAFrozenPanelDoNotPileUp) {
    Session s;
    ASSERT_TRUE(s.Open());
    orl::test::PlainClient frozen(s.sim.Port());
    ASSERT_TRUE(frozen.Connected());
    ASSERT_TRUE(orl::test::WaitUntil([&] {
        s.sim.WriteLine("panels");
        return s.sim.ReadLine(1000) == "panels 2";
    }));
    const long before = s.sim.ResidentKilobytes();
    // The reading panel takes its reports in (slowly under AddressSanitizer, where each
    // report costs tens of microseconds to compose); the frozen one takes nothing.
    for (int burst = 0; burst < 10; ++burst) {
        s.sim.WriteLine("burst 100000");
        ASSERT_EQ(s.sim.ReadLine(10000).toStdString(), "burst 100000 sent to 2 panels");
    }
    ASSERT_TRUE(
        orl::test::WaitUntil([&] { return s.panel->PendingBytes() >= 10u * 100000 * 11; }, 150000))
        << s.panel->PendingBytes() << " bytes of reports arrived";
    const long grownKB = s.sim.ResidentKilobytes() - before;
    std::printf("[ measure  ] 10 bursts of 100,000 to a frozen panel: simulator grew %ld KB\n",
                grownKB);
    if (orl::test::ResidentMemoryMeasurable) {
        EXPECT_LT(grownKB, 8 * 1024); // each burst would leave 1.1 MB for the frozen panel
    }
    RawPanel fresh(s.sim.Port());
    ASSERT_TRUE(fresh.Handshake());
    EXPECT_GE(orl::test::PollAnswerMs(fresh), 0);
}

// A gain move: parameter 20 of `device` to `value`.
Bytes GainChange(int device, int value) {
    return Frame(orl::wire::GainChange)
        .Byte(2)
        .Byte(20)
        .Value14(1)
        .Value14(device)
        .Value14(value)
        .Finish();
}

// Every panel hears of every gain move. One that reads slower than they come is sent the
// latest data of each device rather than all of it, and is never cut off while it reads.
TEST(Simulator, APanelThatReadsSlowlyIsSentTheLatestOfEachDeviceAndStaysConnected) {
    Session s;
    ASSERT_TRUE(s.Open());
    orl::test::PlainClient slow(s.sim.Port(), 16 * 1024);
    ASSERT_TRUE(slow.Connected());
    orl::test::PlainClient mover(s.sim.Port(), 16 * 1024);
    ASSERT_TRUE(mover.Connected());
    ASSERT_TRUE(orl::test::WaitUntil([&] {
        s.sim.WriteLine("panels");
        return s.sim.ReadLine(1000) == "panels 3";
    }));
    constexpr int Moves = 100000;
    constexpr int Devices = 8;
    constexpr std::size_t DeviceDataBytes = 21;
    std::map<int, int> latest; // device -> the last gain moved to
    Bytes moves;
    for (int m = 0; m < Moves; ++m) {
        const int device = 1 + m % Devices;
        latest[device] = 300 + (m / Devices) % 800;
        const Bytes move = GainChange(device, latest[device]);
        moves.insert(moves.end(), move.begin(), move.end());
    }
    moves.push_back(0xF5); // answered once every move before it was handled
    // The slow panel reads 256 bytes at a time (a dozen device data) while the moves go
    // in, until the mover's poll is answered.
    Bytes received;
    Bytes moverGot;
    bool open = true;
    std::size_t sent = 0;
    QElapsedTimer clock;
    clock.start();
    while (open && clock.elapsed() < 60000) {
        if (sent < moves.size())
            sent += mover.SendSome(
                Bytes(moves.begin() + static_cast<std::ptrdiff_t>(sent), moves.end()));
        // Only a command byte is 0xF4: data bytes and checksums are below 0x80.
        moverGot.clear();
        mover.Read(moverGot, 4096);
        if (std::find(moverGot.begin(), moverGot.end(), std::uint8_t{0xF4}) != moverGot.end())
            break;
        open = slow.Read(received, 256);
        QThread::msleep(4);
    }
    ASSERT_TRUE(open) << "the slow panel was cut off";
    ASSERT_EQ(sent, moves.size());

    // Caught up: its poll is answered after the latest gain of every device.
    slow.SendSome(HexToBytes("F5"));
    std::map<int, int> shown;
    bool answered = false;
    std::size_t cut = 0; // bytes of `received` already cut into messages
    const bool caughtUp = orl::test::WaitUntil(
        [&] {
            open = open && slow.Read(received, 4096);
            for (;;) {
                if (cut < received.size() && received[cut] == 0xF4) {
                    answered = true;
                    ++cut;
                    continue;
                }
                const auto end = std::find(received.begin() + static_cast<std::ptrdiff_t>(cut),
                                           received.end(), std::uint8_t{0xFF});
                if (end == received.end())
                    break;
                const Bytes message(received.begin() + static_cast<std::ptrdiff_t>(cut), end + 1);
                cut += message.size();
                if (message.size() == DeviceDataBytes && message[0] == orl::wire::DeviceIDInfo) {
                    FrameReader reader(message, 7);
                    const int device = reader.Value14();
                    reader.Value14();
                    reader.Value14();
                    shown[device] = reader.Value14();
                }
            }
            return answered && shown == latest;
        },
        20000);
    EXPECT_TRUE(caughtUp) << "poll answered " << answered << ", " << shown.size()
                          << " devices shown";
    EXPECT_TRUE(open) << "cut off";
    std::printf("[ measure  ] %d gain moves: the slow panel took %zu bytes of device data "
                "(%zu when every move is sent)\n",
                Moves, received.size(), Moves * DeviceDataBytes);
    EXPECT_LT(received.size(), Moves * DeviceDataBytes / 2);
    EXPECT_FALSE(s.sim.WaitForLine("cut off", 0));
}

// A bus button's crosspoint change of `device` on bus 1: mode 3108 assigns, 3104 removes.
Bytes CrosspointChange(int mode, int device) {
    return Frame(orl::wire::Take)
        .Value14(mode)
        .Value14(0)
        .Value14(0)
        .Value14(device)
        .Value14(16383)
        .Value14(16383)
        .Byte(0x7F)
        .Byte(0x7F)
        .Byte(0x7F)
        .Byte(0x04)
        .Byte(0)
        .Byte(0)
        .Value28(0)
        .Value14(1024)
        .Value14(1024)
        .Value14(1024)
        .Value14(1024)
        .Finish();
}

TEST(Simulator, APanelThatStopsReadingIsCutOffOnceReportsPileUp) {
    Session s;
    ASSERT_TRUE(s.Open());
    orl::test::PlainClient frozen(s.sim.Port());
    ASSERT_TRUE(frozen.Connected());
    // It asks for the device table over and over: its requests wait once 4 MiB of answers
    // are owed to it.
    Bytes requests;
    for (int i = 0; i < 100; ++i) {
        const Bytes request = InfoRequest(0, 256, 16383, 0);
        requests.insert(requests.end(), request.begin(), request.end());
    }
    ASSERT_EQ(frozen.SendSome(requests), requests.size());
    // A full bus 1, so that each change is reported to every panel with 64 devices.
    for (int device = 10; device < 72; ++device)
        s.panel->Send(CrosspointChange(3108, device));
    ASSERT_TRUE(s.panel->NextOf(0xF6));
    const long before = s.sim.ResidentKilobytes();
    long peakKB = 0;
    bool cut = false;
    std::size_t reports = 0;
    for (int batch = 0; batch < 200 && !cut; ++batch) {
        Bytes commands;
        for (int i = 0; i < 500; ++i) {
            const Bytes command = CrosspointChange(i % 2 == 0 ? 3104 : 3108, 10);
            commands.insert(commands.end(), command.begin(), command.end());
        }
        const std::size_t had = s.panel->PendingBytes();
        s.panel->Send(commands);
        orl::test::WaitUntil([&] { return s.panel->PendingBytes() >= had + 500 * 260; }, 5000);
        reports += 500;
        peakKB = std::max(peakKB, s.sim.ResidentKilobytes() - before);
        cut = s.sim.WaitForLine("cut off #2: owed", 0);
    }
    std::printf("[ measure  ] %zu reports of 267 bytes unread: simulator grew at most %ld KB\n",
                reports, peakKB);
    EXPECT_TRUE(cut) << "the panel that stopped reading was never cut off";
    if (orl::test::ResidentMemoryMeasurable) {
        EXPECT_LT(peakKB, 24 * 1024);
    }
    EXPECT_TRUE(orl::test::WaitUntil([&] {
        s.sim.WriteLine("panels");
        return s.sim.ReadLine(1000) == "panels 1";
    }));
    RawPanel fresh(s.sim.Port());
    ASSERT_TRUE(fresh.Handshake());
    EXPECT_GE(orl::test::PollAnswerMs(fresh), 0);
}

// What the pipe holds now, waiting up to `timeoutMs` for the first bytes.
std::string ReadPipe(int fd, int timeoutMs) {
    std::string text;
    pollfd ready{fd, POLLIN, 0};
    while (::poll(&ready, 1, text.empty() ? timeoutMs : 0) > 0) {
        char chunk[65536];
        const ssize_t count = ::read(fd, chunk, sizeof chunk);
        if (count <= 0)
            break;
        text.append(chunk, static_cast<std::size_t>(count));
    }
    return text;
}

TEST(Simulator, TracingIntoAPipeNobodyReadsNeverStopsTheAnswers) {
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    QProcess sim;
    sim.setProgram(QStringLiteral(ORL_SIM_PATH));
    sim.setArguments({"--port", "0"});
    const int writeEnd = pipeEnds[1];
    sim.setChildProcessModifier([writeEnd] { ::dup2(writeEnd, STDOUT_FILENO); });
    sim.start();
    ::close(pipeEnds[1]);
    const int readEnd = pipeEnds[0];
    const std::string first = ReadPipe(readEnd, 5000);
    const std::string prefix = "listening on 127.0.0.1:";
    ASSERT_EQ(first.rfind(prefix, 0), 0u) << first;
    const auto port = static_cast<quint16>(std::stoi(first.substr(prefix.size())));

    // Two trace lines a poll: the pipe is full after about a thousand.
    RawPanel panel(port);
    ASSERT_TRUE(panel.Handshake());
    constexpr std::size_t Polls = 10000;
    for (std::size_t sent = 0; sent < Polls; sent += 500) {
        panel.Send(Bytes(500, 0xF5));
        orl::test::WaitUntil([&] { return panel.PendingBytes() >= sent + 500; }, 1000);
    }
    EXPECT_TRUE(orl::test::WaitUntil([&] { return panel.PendingBytes() >= Polls; }, 10000))
        << panel.PendingBytes() << " of " << Polls << " polls answered";

    // Once read, the pipe gets what waited and the count of lines that did not fit, and
    // the trace goes on.
    std::string trace;
    const auto traced = [&](const std::string& text, std::size_t from) {
        return orl::test::WaitUntil([&] {
            trace += ReadPipe(readEnd, 10);
            return trace.find(text, from) != std::string::npos;
        });
    };
    EXPECT_TRUE(traced(" trace lines dropped\n", 0));
    const std::size_t resumed = trace.size();
    panel.Send(HexToBytes("F5"));
    EXPECT_TRUE(traced("<- #1 F5 poll", resumed));
    sim.terminate();
    EXPECT_TRUE(sim.waitForFinished(5000));
    ::close(readEnd);
}
