// A configured panel starts against a loopback server that answers every information
// request with a valid table: the requests come in the order of the start-up sequence,
// each as soon as the previous one is answered, and the strips end up showing the
// switcher's data.
#include "Files.h"
#include "Frames.h"
#include "LoopbackServer.h"
#include "ScratchPanel.h"
#include "TempFolder.h"
#include "frmMain.h"

#include <QTest>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <tuple>

namespace orl {
namespace {

using test::Frame;
using test::LoopbackServer;
using test::WaitUntil;

using Request = std::tuple<long, long, int, int>; // word 1, word 2, count, first index

struct Device {
    int source; // zero-based
    int gain;
    int status;
};
const std::map<int, Device> Devices = {{5, {0, 1024, 64}}, {6, {1, 899, 0}}, {7, {2, 1144, 64}}};

Bytes NameTable(int table, const std::vector<std::string>& names) {
    Frame f(0xFC);
    f.Byte(table).Byte(4).Value14(static_cast<int>(names.size())).Value14(0);
    for (const std::string& name : names)
        f.Text(name).Value14(0);
    return f.Finish();
}

// The answer a switcher gives to one information request.
Bytes Answer(const Request& r) {
    const auto [word1, word2, count, first] = r;
    if (word1 == 256)
        return NameTable(10, {"In01", "In02", "In03", "In04", "In05", "In06", "In07", "In08"});
    if (word1 == 128) // one bus with one entry: device 5
        return Frame(0xF6)
            .Byte(0)
            .Value14(1)
            .Value14(0)
            .Value14(1)
            .Byte(1)
            .Value14(5)
            .Value14(0)
            .Finish();
    if (word1 == 65536)
        return Frame(0xF7).Byte(40).Value14(1).Value14(0).Byte(1).Finish();
    if (word1 == 131072)
        return Frame(0xF7).Byte(30).Value14(1).Value14(2).Byte(0).Finish();
    if (word2 == 1)
        return NameTable(70, {"Stu1"});
    if (word2 == 256 && count == 1 && Devices.count(first)) {
        const Device& d = Devices.at(first);
        return Frame(0xD9)
            .Byte(0)
            .Byte(0)
            .Value14(1)
            .Value14(first)
            .Byte(3)
            .Byte(2)
            .Value14(d.source)
            .Value14(0)
            .Value14(d.gain)
            .Byte(0)
            .Byte(d.status)
            .Finish();
    }
    if (word2 == 4 && count == 1) { // six words: IFB output, on and off optos in 4 to 6
        return Frame(0xD0)
            .Value14(10)
            .Value14(1)
            .Value14(first)
            .Byte(6)
            .Value14(0)
            .Value14(0)
            .Value14(0)
            .Value14(16383)
            .Value14(first + 1)
            .Value14(16383)
            .Byte(0)
            .Finish();
    }
    return {};
}

class StartupLoopback : public ::testing::Test {
protected:
    void SetUp() override {
        server.onReceive = [this](std::size_t index) { Serve(index); };
        ASSERT_TRUE(
            test::WriteLines(dir.MadePath() / "orlntpnl.ini",
                             {"IP Address=127.0.0.1", "IP Port=" + std::to_string(server.Port()),
                              "Console=1", "Fader Count=3", "Device ID 1=5", "Source 1=1",
                              "Device ID 2=6", "Source 2=2", "Device ID 3=7", "Source 3=3"}));
    }

    // Reads the requests the panel sent and answers each one at once.
    void Serve(std::size_t index) {
        const Bytes& in = server.Received(static_cast<int>(index));
        while (parsed < in.size()) {
            if (in[parsed] == 0xF5) { // poll: left unanswered, it only counts
                ++parsed;
                continue;
            }
            if (in[parsed] != 0xF2) {
                while (parsed < in.size() && in[parsed] != 0xFF)
                    ++parsed;
                ++parsed;
                continue;
            }
            if (in.size() - parsed < 13)
                return;
            const auto at = [&](std::size_t k) { return static_cast<long>(in[parsed + k]); };
            const Request r{at(1) | at(2) << 7 | at(3) << 14 | at(4) << 21, at(5) | at(6) << 7,
                            static_cast<int>(at(7) | at(8) << 7),
                            static_cast<int>(at(9) | at(10) << 7)};
            parsed += 13;
            if (requests.empty() || requests.back() != r) // the repeat of a pending request
                requests.push_back(r);
            const Bytes answer = Answer(r);
            if (!answer.empty())
                server.Send(answer, static_cast<int>(index));
        }
    }

    test::TempFolder dir{"orl-startup"};
    Variables v;
    ErrorLog log{v};
    LoopbackServer server;
    std::size_t parsed = 0;
    std::vector<Request> requests;
};

TEST_F(StartupLoopback, EachRequestFollowsTheAnswerToThePreviousOneWithoutWaitingForATick) {
    frmMain window(v, log);
    window.Form_Load(dir.Path().string());
    window.PollTimer().stop(); // no tick: the answers alone move the sequence on
    ASSERT_EQ(window.StripCount(), 3);
    // The switcher asks what the panel is; the reply starts the sequence.
    ASSERT_TRUE(server.WaitForConnection());
    server.Send(HexToBytes("81 64 64 FF"));
    ASSERT_TRUE(WaitUntil([&] { return window.windowTitle() == "ORL Console - Connected"; }, 2000))
        << requests.size() << " requests, start-up step " << v.StartupStep;

    const std::vector<Request> expected = {
        {256, 0, 16383, 0}, {128, 0, 16383, 0}, {65536, 0, 16383, 0}, {131072, 0, 16383, 0},
        {0, 1, 16383, 0},   {0, 256, 1, 5},     {0, 256, 1, 6},       {0, 256, 1, 7},
        {0, 4, 1, 0},       {0, 4, 1, 1},       {0, 4, 1, 2},
    };
    EXPECT_EQ(requests, expected);
    EXPECT_EQ(v.StartupStep, 8);

    const char* labels[] = {"  0db", "  -12.5db", "  +12db"};
    const char* sources[] = {"In01 [0001]", "In02 [0002]", "In03 [0003]"};
    ASSERT_TRUE(test::GainsShown(window, v));
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const FaderStrip& s = window.Strip(i);
        EXPECT_EQ(s.lblGain->text().toStdString(), labels[i]);
        EXPECT_EQ(s.cmbSource->count(), 9);
        EXPECT_EQ(s.cmbSource->currentText().toStdString(), sources[i]);
        EXPECT_EQ(s.cmdOn->BackgroundColour(), i == 1 ? IdleColour : OnColour);
        EXPECT_EQ(s.cmdOff->BackgroundColour(), i == 1 ? ActiveColour : IdleColour);
        EXPECT_EQ(v.InputChannels[i].OnOpto, i + 1);
    }
    EXPECT_EQ(v.ConsoleNames[0], "Stu1");
    EXPECT_EQ(v.RelayStates[0], 1);
}

} // namespace
} // namespace orl
