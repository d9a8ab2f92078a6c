#include "LinkFixture.h"

#include "ByteManipulation.h"
#include "Protocol.h"

#include <functional>

using namespace orl;
using namespace orl::test;

namespace {
using Composers = LinkTest;
} // namespace

TEST_F(Composers, EachCommandGoesOutByteForByte) {
    CrosspointChange assign;
    assign.DeviceID = 7;
    assign.Source = 3;
    assign.Bus = 2;
    assign.Gain = 1024;
    assign.Mode = wire::CrosspointAssign;
    assign.OnFlag = 64;
    assign.ExtraWord = wire::OffBusExtraWord;

    struct Case {
        const char* note;
        std::function<void()> send;
        const char* bytes;
    } cases[] = {
        {"whole input name table", [&] { link.SendInfoRequest(256, 0, 16383, 0); },
         "F2 00 02 00 00 00 00 7F 7F 00 00 00 FF"},
        {"opto states, 28-bit word", [&] { link.SendInfoRequest(131072, 0, 16383, 0); },
         "F2 00 00 08 00 00 00 7F 7F 00 00 06 FF"},
        {"one device", [&] { link.SendInfoRequest(0, 256, 1, 37); },
         "F2 00 00 00 00 00 02 01 00 25 00 28 FF"},
        {"channel on", [&] { link.SendChannelOnOff(5, 1, 127, 2); },
         "D6 7F 00 01 04 00 01 00 01 06 FF"},
        {"channel off, none and all kept", [&] { link.SendChannelOnOff(16383, 0, 127, 16383); },
         "D6 7F 00 01 7F 7F 7F 7F 00 7C FF"},
        {"gain", [&] { link.SendGainChange(20, 1024, 3, 16383); },
         "E3 02 14 01 00 03 00 00 08 22 FF"},
        {"gain with extra value", [&] { link.SendGainChange(20, 1024, 3, 5); },
         "E3 02 14 01 00 03 00 00 08 05 00 27 FF"},
        {"source none", [&] { link.SendSourceChange(0, 7); },
         "D3 01 01 00 05 07 00 7F 7F 00 0C FF"},
        {"source 16383 has no special case", [&] { link.SendSourceChange(16383, 7); },
         "D3 01 01 00 05 07 00 7E 7F 00 0B FF"},
        {"opto on", [&] { link.SendOptoChange(16383, 12, wire::OptoChange::OptoOn); },
         "FE 64 00 0C 00 7F 7F 6E FF"},
        {"IFB press", [&] { link.SendSimpleTake(4, 9, 37); }, "FE 25 00 04 00 09 00 32 FF"},
        {"crosspoint assign", [&] { link.SendCrosspointChange(assign, true); },
         "FE 24 18 02 00 01 00 07 00 7F 7F 7F 7F 7F 7F 7F 04 40 00 00 00 48 00 00 08 00 08 00 08 "
         "00 08 6B FF"},
    };
    for (const auto& c : cases) {
        socket.written.clear();
        c.send();
        EXPECT_EQ(socket.WrittenHex(), std::vector<std::string>{c.bytes}) << c.note;
    }
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(Composers, CrosspointModeWordCarriesTheAssignFlag) {
    CrosspointChange remove;
    remove.Source = 1;
    remove.Bus = 1;
    remove.Mode = wire::CrosspointRemove;
    link.SendCrosspointChange(remove, true);
    link.SendCrosspointChange(remove, false);
    ASSERT_EQ(socket.written.size(), 2u);
    EXPECT_EQ(socket.written[0].size(), 33u);
    // the 14-bit mode word after the command byte, low group first
    EXPECT_EQ(socket.written[0][1] + 128 * socket.written[0][2], 3104);
    EXPECT_EQ(socket.written[1][1] + 128 * socket.written[1][2], 2080);
}

TEST_F(Composers, InfoRequestReplacesThePendingWordsAsSent) {
    v.PendingRequestMask1 = 999;
    v.PendingRequestMask2 = 999;
    link.SendInfoRequest(0, 256 + 4 + 1, 1, 37);
    EXPECT_EQ(v.PendingRequestMask1, 0);
    EXPECT_EQ(v.PendingRequestMask2, 261);

    v.PanelMode = PanelModeConsole; // device data and channel attributes are left out
    socket.written.clear();
    link.SendInfoRequest(0, 256, 1, 37);
    EXPECT_EQ(socket.WrittenHex(),
              std::vector<std::string>{"F2 00 00 00 00 00 00 01 00 25 00 26 FF"});
    EXPECT_EQ(v.PendingRequestMask2, 0);
    link.SendInfoRequest(0, 256 + 4 + 1, 1, 37);
    EXPECT_EQ(v.PendingRequestMask2, 1);
}

TEST_F(Composers, AFieldOutOfRangeSendsNothingAndIsLogged) {
    v.PendingRequestMask1 = 128;
    v.PendingRequestMask2 = 4;
    CrosspointChange noSource;
    noSource.Source = 0;
    noSource.Bus = 1;
    const std::string invalid = ": Error #  5 - Invalid procedure call or argument";
    struct Case {
        std::function<void()> send;
        std::string title;
        std::string message;
    } cases[] = {
        {[&] { link.SendInfoRequest(256, 0, 16383, -1); }, "Message Error",
         "Error Sending Info Request" + invalid},
        {[&] { link.SendInfoRequest(-1, 0, 16383, 0); }, "Message Error",
         "Error Sending Info Request" + invalid},
        {[&] { link.SendChannelOnOff(5, 1, 127, 0); }, "Switcher Command Error",
         "Error Sending Channel On Off" + invalid},
        {[&] { link.SendChannelOnOff(0, 1, 127, 2); }, "Switcher Command Error",
         "Error Sending Channel On Off" + invalid},
        {[&] { link.SendChannelOnOff(5, 1, 128, 2); }, "Switcher Command Error",
         "Error Sending Channel On Off" + invalid},
        {[&] { link.SendGainChange(20, -1, 3, 16383); }, "Switcher Message Error",
         "Error Sending Gain Message"},
        {[&] { link.SendGainChange(20, 1024, 3, 16384); }, "Switcher Message Error",
         "Error Sending Gain Message"},
        {[&] { link.SendSourceChange(-4, 7); }, "Switcher Message Error",
         "Error Sending Source Change"},
        {[&] { link.SendSourceChange(3, -1); }, "Switcher Message Error",
         "Error Sending Source Change"},
        {[&] { link.SendCrosspointChange(noSource, true); }, "Switcher Message Error",
         "Error Sending Crosspoint Change"},
        {[&] { link.SendSimpleTake(4, 128, 37); }, "Switcher Message Error",
         "Error Sending Simple Take"},
        {[&] { link.SendOptoChange(16383, -1, wire::OptoChange::OptoOn); },
         "Switcher Message Error", "Error Sending Opto Change"},
    };
    std::size_t expectedEntries = 0;
    for (const auto& c : cases) {
        c.send();
        ++expectedEntries;
        const auto entries = LogEntries();
        ASSERT_EQ(entries.size(), expectedEntries) << c.message;
        EXPECT_EQ(entries.back().title, c.title);
        EXPECT_EQ(entries.back().message, c.message);
    }
    EXPECT_TRUE(socket.written.empty());
    EXPECT_EQ(v.PendingRequestMask1, 128); // a failed request leaves the pending words
    EXPECT_EQ(v.PendingRequestMask2, 4);
}
