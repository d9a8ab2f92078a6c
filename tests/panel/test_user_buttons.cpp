// The column of user buttons: what each type sends on click, press and release, and how
// the reported relay and opto states light it.

#include "OperatorInput.h"
#include "PanelTestFixture.h"

#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace orl;
using orl::test::PanelTest;

namespace {

class UserButtons : public PanelTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(PanelTest::SetUp());
        v.DisplayButtonPanel = true;
        window->LayOutButtonColumn();
        ASSERT_TRUE(test::ActivateWindow(window.get()));
        ASSERT_NO_FATAL_FAILURE(ConnectToServer());
    }

    void Configure(int k, std::int16_t type, std::int16_t channel1, std::int16_t channel2 = None) {
        auto& b = v.UserButtons[static_cast<std::size_t>(k)];
        b.ButtonType = type;
        b.Channel1 = channel1;
        b.Channel2 = channel2;
    }

    ColourButton* B(int k) const { return window->UserButton(k); }
};

// Opto change frames: code, channel, value.
constexpr const char* Relay2Off = "FE 40 00 00 00 02 00 42 FF";
constexpr const char* Relay2On = "FE 44 00 00 00 02 00 46 FF";
constexpr const char* Relay2Pulse = "FE 48 00 00 00 02 00 4A FF";
constexpr const char* Opto4On = "FE 64 00 04 00 00 00 68 FF";
constexpr const char* Opto4Off = "FE 60 00 04 00 00 00 64 FF";

TEST_F(UserButtons, ColumnShowsEightInactiveButtonsUntilLabelled) {
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(B(k)->text(), QStringLiteral("Inactive"));
        EXPECT_EQ(B(k)->BackgroundColour(), IdleColour);
        EXPECT_EQ(B(k)->parentWidget(), window->ButtonFrame());
        EXPECT_EQ(B(k)->geometry(), QRect(28, 32 + (1100 * k) / 15, 57, 48));
    }
    v.UserButtons[0].Label = "Caf\xe9"; // Latin-1, as the configuration file holds it
    v.UserButtons[7].Label = "Talk";
    window->SetupButtons();
    EXPECT_EQ(B(0)->text(), QString::fromUtf8("Café"));
    EXPECT_EQ(B(7)->text(), QStringLiteral("Talk"));
    EXPECT_EQ(B(1)->text(), QStringLiteral("Inactive"));
}

TEST_F(UserButtons, ClickSendsByTypeAndTogglesFollowTheLastReportedState) {
    Configure(0, 1000, 3); // Relay Toggle on relay 3
    v.RelayStates[2] = 1;
    window->UpdateUserButtonTally();
    EXPECT_EQ(B(0)->BackgroundColour(), ActiveColour);

    QTest::mouseClick(B(0), Qt::LeftButton);
    EXPECT_EQ(Sent(), Relay2Off);
    EXPECT_EQ(B(0)->BackgroundColour(), ActiveColour); // only a report recolours it
    QTest::mouseClick(B(0), Qt::LeftButton);
    EXPECT_EQ(Sent(), Relay2On);

    // Momentary: one pulse per click, no state of its own.
    Configure(1, 1002, 3);
    QTest::mouseClick(B(1), Qt::LeftButton);
    QTest::mouseClick(B(1), Qt::LeftButton);
    EXPECT_EQ(Sent(), std::string(Relay2Pulse) + " " + Relay2Pulse);
    EXPECT_EQ(v.UserButtons[1].RelayState, 0);

    // Relay Toggle, Opto Tally keeps its own alternation whatever is reported.
    Configure(2, 1010, 3, 9);
    v.UserButtons[2].RelayState = 0;
    window->UpdateUserButtonTally();
    QTest::mouseClick(B(2), Qt::LeftButton);
    QTest::mouseClick(B(2), Qt::LeftButton);
    QTest::mouseClick(B(2), Qt::LeftButton);
    EXPECT_EQ(Sent(), std::string(Relay2On) + " " + Relay2Off + " " + Relay2On);

    // The keyboard clicks like the mouse.
    Configure(3, 1100, 5); // Opto Toggle on opto 5
    ASSERT_TRUE(test::TabTo(B(3)));
    test::Key(window.get(), Qt::Key_Space);
    EXPECT_EQ(Sent(), Opto4On);
    EXPECT_EQ(v.UserButtons[3].OptoState, 1);
    EXPECT_EQ(LogText(), "");
}

TEST_F(UserButtons, FollowButtonTypesSendOnPressAndReleaseOnly) {
    // The release lets go of what the press drove (relay or opto 3), even when the button
    // was set up anew while held (type at release, channel 7); a press that drove
    // nothing lets go of nothing.
    const struct {
        std::int16_t type, typeAtRelease;
        std::string press, release;
    } cases[] = {
        {1001, 1001, Relay2On, Relay2Off},
        {1011, 1011, Relay2On, Relay2Off},
        {1101, 1101, "FE 64 00 02 00 00 00 66 FF", "FE 60 00 02 00 00 00 62 FF"},
        {1111, 1111, "FE 64 00 02 00 00 00 66 FF", "FE 60 00 02 00 00 00 62 FF"},
        {1001, 1101, Relay2On, Relay2Off},
        {1002, 1001, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        Configure(4, c.type, 3, 9);
        QTest::mousePress(B(4), Qt::LeftButton);
        EXPECT_EQ(Sent(), c.press);
        Configure(4, c.typeAtRelease, 7, 9);
        QTest::mouseRelease(B(4), Qt::LeftButton); // also a click: that sends nothing
        EXPECT_EQ(Sent(), c.release);
        Configure(4, c.typeAtRelease, 3, 9);
        if (c.type != c.typeAtRelease)
            continue;
        // Space or Enter on the focused button hold it as the mouse does.
        ASSERT_TRUE(test::TabTo(B(4)));
        for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Return}) {
            test::Key(window.get(), key);
            EXPECT_EQ(Sent(), c.press + " " + c.release);
        }
    }
}

TEST_F(UserButtons, UndefinedButtonsStayIdleAndSilent) {
    v.RelayStates[2] = 1;
    v.OptoStates[2] = 1;
    for (std::int16_t type : {None, std::int16_t{0}, std::int16_t{1003}, std::int16_t{1200}}) {
        SCOPED_TRACE(type);
        Configure(5, type, 3, 3);
        B(5)->SetBackgroundColour(ActiveColour);
        window->UpdateUserButtonTally();
        EXPECT_EQ(B(5)->BackgroundColour(), IdleColour);
        QTest::mouseClick(B(5), Qt::LeftButton);
        QTest::mouseClick(B(5), Qt::RightButton);
        EXPECT_EQ(Sent(), "");
    }
}

TEST_F(UserButtons, TallyComesFromTheChannelOfTheType) {
    // Opto Toggle, Opto Tally: lights from opto 9, toggles from opto 5.
    Configure(6, 1110, 5, 9);
    v.OptoStates[8] = 1;
    v.OptoStates[4] = 0;
    window->UpdateUserButtonTally();
    EXPECT_EQ(B(6)->BackgroundColour(), ActiveColour);
    QTest::mouseClick(B(6), Qt::LeftButton);
    EXPECT_EQ(Sent(), Opto4On);

    v.OptoStates[8] = 0;
    v.OptoStates[4] = 1;
    window->UpdateUserButtonTally();
    EXPECT_EQ(B(6)->BackgroundColour(), IdleColour);
    QTest::mouseClick(B(6), Qt::LeftButton);
    EXPECT_EQ(Sent(), Opto4Off);

    const struct {
        std::int16_t type, channel1, channel2;
        bool relay; // the lighting state lives in RelayStates
        int index;  // the state element that lights it
    } cases[] = {
        {1000, 3, 9, true, 2},     {1001, 3, 9, true, 2},      {1002, 3, 9, true, 2},
        {1010, 3, 9, false, 8},    {1011, 3, 9, false, 8},     {1012, 3, 9, false, 8},
        {1100, 3, 9, false, 2},    {1101, 3, 9, false, 2},     {1111, 3, 9, false, 8},
        {1000, 256, 9, true, 255}, {1012, 3, 256, false, 255}, // the last of a 256 table
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        Configure(7, c.type, c.channel1, c.channel2);
        v.RelayStates.Recreate(256, 0);
        v.OptoStates.Recreate(256, 0);
        window->UpdateUserButtonTally();
        EXPECT_EQ(B(7)->BackgroundColour(), IdleColour);
        (c.relay ? v.RelayStates : v.OptoStates)[c.index] = 1;
        window->UpdateUserButtonTally();
        EXPECT_EQ(B(7)->BackgroundColour(), ActiveColour);
    }
}

TEST_F(UserButtons, TallyChannelsOutsideTheTableChangeNothing) {
    const struct {
        std::int16_t type, channel1, channel2;
    } cases[] = {
        {1000, 0, None}, {1000, 257, None}, {1000, -4, None}, {1012, 3, 0},     {1012, 3, 300},
        {1100, 0, None}, {1101, 999, None}, {1110, 5, 0},     {1111, 5, 16383},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << " " << c.channel1 << " " << c.channel2);
        auto& b = v.UserButtons[0];
        Configure(0, c.type, c.channel1, c.channel2);
        b.RelayState = 1;
        b.OptoState = 1;
        B(0)->SetBackgroundColour(ActiveColour);
        window->UpdateUserButtonTally();
        EXPECT_EQ(B(0)->BackgroundColour(), ActiveColour);
        EXPECT_EQ(b.RelayState, 1);
        if (c.type < 1110) { // 1110 and 1111 take their opto state from channel 5, which is off
            EXPECT_EQ(b.OptoState, 1);
        }
    }
    EXPECT_EQ(LogText(), "");
}

TEST_F(UserButtons, ChannelsThatCannotBeSentAreLoggedAndTheProgramGoesOn) {
    Configure(0, 1000, -32768); // channel - 1 does not fit 16 bits
    QTest::mouseClick(B(0), Qt::LeftButton);
    EXPECT_EQ(Sent(), "");
    EXPECT_NE(LogText().find("Button Error"), std::string::npos);
    EXPECT_NE(LogText().find("Error Processing User Button: Error # "), std::string::npos);
    EXPECT_NE(LogText().find("Overflow"), std::string::npos);

    Configure(0, 1000, 3);
    QTest::mouseClick(B(0), Qt::LeftButton);
    EXPECT_FALSE(Sent().empty());
}

} // namespace
