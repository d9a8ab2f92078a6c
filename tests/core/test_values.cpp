#include "OrlError.h"
#include "Values.h"
#include "Variables.h"

#include <gtest/gtest.h>

using namespace orl;

TEST(NumberOfText, ReadsTheLeadingNumberAndRoundsHalvesToEven) {
    struct Case {
        const char* text;
        double number;
        int integer;
    } cases[] = {
        {"1250", 1250, 1250}, {"  42abc", 42, 42}, {"-3", -3, -3},  {"2.5", 2.5, 2},
        {"3.5", 3.5, 4},      {"-2.5", -2.5, -2},  {"abc", 0, 0},   {"", 0, 0},
        {"1.2.3", 1.2, 1},    {"+7", 7, 7},        {"0.5", 0.5, 0}, {"1,5", 1, 1},
        {"12 34", 12, 12},    {"-", 0, 0},         {".5", 0.5, 0},  {"32767", 32767, 32767},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(NumberOfText(c.text), c.number) << c.text;
        EXPECT_EQ(IntegerOfText(c.text), c.integer) << c.text;
    }
}

TEST(NumberOfText, ANumberThatDoesNotFitSixteenBitsIsAnOverflow) {
    for (const char* text : {"32768", "-32769", "70000", "99999999999999999999999999"}) {
        try {
            IntegerOfText(text);
            ADD_FAILURE() << text << " did not fail";
        } catch (const OrlError& e) {
            EXPECT_EQ(e.Number(), OverflowError) << text;
        }
    }
    EXPECT_THROW(IntegerOfText(std::string(400, '9')), OrlError);
    EXPECT_EQ(IntegerOfText("1e400"), 1); // no exponent: the number stops at the e
    EXPECT_EQ(IntegerOfText("32767.4"), 32767);
    EXPECT_EQ(LongOfText("65536"), 65536);
    EXPECT_THROW(LongOfText("3000000000"), OrlError);
}

TEST(IsNumber, WholeTextMustBeOneNumber) {
    EXPECT_TRUE(IsNumber("25"));
    EXPECT_TRUE(IsNumber(" 2.5 "));
    EXPECT_TRUE(IsNumber("-3"));
    EXPECT_FALSE(IsNumber("abc"));
    EXPECT_FALSE(IsNumber("7x"));
    EXPECT_FALSE(IsNumber(""));
    EXPECT_FALSE(IsNumber("-"));
}

TEST(FormatDigits, PadsToTheWidthAndKeepsLongerNumbers) {
    EXPECT_EQ(FormatDigits(7, 4), "0007");
    EXPECT_EQ(FormatDigits(16383, 4), "16383");
    EXPECT_EQ(FormatDigits(-5, 4), "-0005");
    EXPECT_EQ(FormatDigits(10, 3), "010");
}

TEST(ProgramSetup, GivesTheInitialStateOfAnUnconfiguredPanel) {
    Variables v;
    ProgramSetup(v, "/opt/orl");
    EXPECT_EQ(v.AppPath, "/opt/orl/");
    EXPECT_EQ(v.PanelMode, PanelModeDeviceID);
    EXPECT_EQ(v.FaderCount, 1);
    ASSERT_EQ(v.FaderDeviceID.size(), 1u);
    EXPECT_EQ(v.FaderDeviceID[0], 0);
    // every per-fader array exists before any fader is touched
    EXPECT_EQ(v.FaderSource.size(), 1u);
    EXPECT_EQ(v.FaderOnCue.size(), 1u);
    EXPECT_EQ(v.ConsoleNumber, 0);
    EXPECT_EQ(v.ProgramBus + v.OfflineBus + v.CueBus + v.IFBSource, 0);
    EXPECT_EQ(v.IPPort, 1250);
    EXPECT_EQ(v.IPAddress, "");
    EXPECT_EQ(v.StayOnTopMode, StayOnTop);
    EXPECT_TRUE(v.EnableSourceSelect);
    EXPECT_FALSE(v.DisplayButtonPanel);
    for (const auto& b : v.UserButtons) {
        EXPECT_EQ(b.ButtonType, None);
        EXPECT_EQ(b.Label, "Inactive");
        EXPECT_EQ(b.Channel1, None);
        EXPECT_EQ(b.Channel2, None);
    }
    EXPECT_EQ(v.InputNames[0], "Inpt0001");
    EXPECT_EQ(v.InputNames[255], "Inpt0256");
    EXPECT_EQ(v.InputNames.size(), 256u);
    EXPECT_EQ(v.ConsoleNames[9], "Console 010");
    EXPECT_EQ(v.InputChannels[17].OnOpto, None);
    EXPECT_EQ(v.InputChannels[17].OffOpto, None);
    EXPECT_EQ(v.RelayStates.size(), 256u);
    EXPECT_EQ(v.OptoStates.size(), 256u);
    EXPECT_EQ(v.CrosspointMap.size(), 1u);
    EXPECT_EQ(v.DeviceIDs.size(), 8193u);
    EXPECT_EQ(v.RefreshRate, 1);
    EXPECT_EQ(v.TimeOut, 200);
}

TEST(InitDeviceIDs, StopsAtTheFirstDeviceIDOutsideTheTable) {
    Variables v;
    ProgramSetup(v, "/tmp");
    v.FaderCount = 3;
    RecreateFaderArrays(v, 3);
    v.FaderDeviceID[0] = 5;
    v.FaderDeviceID[1] = 8193;
    v.FaderDeviceID[2] = 7;
    InitDeviceIDs(v);
    EXPECT_TRUE(v.DeviceIDs[5].RequestPending);
    EXPECT_FALSE(v.DeviceIDs[7].RequestPending);
}
