// The fader strips of the main window: where strips stand as the count changes, the gain
// label, and what the slider and "0db" send, seen by a loopback server.
#include "Frames.h"
#include "OperatorInput.h"
#include "PanelTestFixture.h"
#include "Protocol.h"
#include "Twips.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace orl {
namespace {

Bytes GainFrame(int device, int gain) {
    return test::Frame(0xE3).Hex("02 14 01 00").Value14(device).Value14(gain).Finish();
}

class FaderStrips : public test::PanelTest {
protected:
    void SetFaderCount(int count) {
        v.FaderCount = static_cast<std::int16_t>(count);
        ResizeFaderArrays(v, static_cast<std::size_t>(count));
    }

    // Connects the panel to the loopback server and shows the window with focus.
    void Connect() {
        ASSERT_NO_FATAL_FAILURE(ConnectToServer());
        ASSERT_TRUE(test::ActivateWindow(window.get()));
    }

    // Compares everything the window sent, up to a poll sent behind it, with `expected`.
    void ExpectReceived(const std::vector<Bytes>& expected) {
        Bytes all;
        for (const Bytes& b : expected)
            all.insert(all.end(), b.begin(), b.end());
        EXPECT_EQ(BytesToHex(SentBytes()), BytesToHex(all));
    }
};

TEST_F(FaderStrips, StripsAndWindowFollowTheFaderCount) {
    struct Case {
        bool column;
        int widthThree, columnLeftThree, widthOne, columnLeftOne;
    };
    for (const Case c : {Case{false, 5480, -1, 2325, -1}, Case{true, 7200, 5280, 3880, 1960}}) {
        SCOPED_TRACE(c.column ? "with the button column" : "without the button column");
        window = std::make_unique<frmMain>(v, log);
        v.DisplayButtonPanel = c.column;
        ASSERT_EQ(window->StripCount(), 1);
        EXPECT_EQ(LeftTwips(window->Strip(0).frSlider), 240);

        SetFaderCount(3);
        window->LoadFaders();
        ASSERT_EQ(window->StripCount(), 3);
        EXPECT_EQ(v.LoadedFaderCount, 3);
        const int lefts[] = {120, 1840, 3560};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(LeftTwips(window->Strip(i).frSlider), lefts[i]) << "strip " << i;
            EXPECT_EQ(window->Strip(i).frSlider->y(), window->Strip(0).frSlider->y());
        }
        EXPECT_EQ(window->WindowWidthTwips(), c.widthThree);
        EXPECT_EQ(window->ButtonFrame()->isVisibleTo(window.get()), c.column);
        if (c.column) {
            EXPECT_EQ(LeftTwips(window->ButtonFrame()), c.columnLeftThree);
        }

        SetFaderCount(1);
        window->UnloadFaders();
        ASSERT_EQ(window->StripCount(), 1);
        EXPECT_EQ(v.LoadedFaderCount, 1);
        EXPECT_EQ(LeftTwips(window->Strip(0).frSlider), 240);
        EXPECT_EQ(window->WindowWidthTwips(), c.widthOne);
        if (c.column) {
            EXPECT_EQ(LeftTwips(window->ButtonFrame()), c.columnLeftOne);
        }
    }

    // The widest window: twenty strips and the column.
    v.DisplayButtonPanel = true;
    SetFaderCount(20);
    window->LoadFaders();
    EXPECT_EQ(window->StripCount(), 20);
    EXPECT_EQ(window->WindowWidthTwips(), 36440);
}

TEST_F(FaderStrips, NewStripIsBuiltLikeTheFirstAndFilledOnlyWhenNoRequestIsOutstanding) {
    v.DeviceIDs[9].Gain = 899;
    v.DeviceIDs[9].ChannelStatus = 64;
    SetFaderCount(2);
    v.FaderDeviceID[1] = 9;
    v.PendingRequestMask2 = 256;
    window->LoadFaders();
    ASSERT_EQ(window->StripCount(), 2);
    const FaderStrip& waiting = window->Strip(1);
    EXPECT_EQ(waiting.lblGain->text(), "Gain (0db)");
    EXPECT_EQ(waiting.cmbSource->count(), 0);
    EXPECT_EQ(waiting.sliGain->value(), -224);

    // The new strip has the controls of the designed one.
    const FaderStrip& first = window->Strip(0);
    const auto controls = [](const FaderStrip& s) {
        return std::vector<QWidget*>{s.cmbSource, s.lblGain, s.sliGain, s.cmdZerodb, s.cmdBtn1,
                                     s.cmdBtn2,   s.cmdBtn3, s.cmdBtn4, s.cmdOn,     s.cmdOff};
    };
    for (std::size_t k = 0; k < controls(first).size(); ++k) {
        EXPECT_EQ(controls(waiting)[k]->geometry(), controls(first)[k]->geometry()) << k;
        EXPECT_EQ(controls(waiting)[k]->parentWidget(), waiting.frSlider) << k;
        EXPECT_EQ(controls(waiting)[k]->font(), controls(first)[k]->font()) << k;
    }
    EXPECT_EQ(waiting.cmdBtn2->text(), "OFFLN");
    EXPECT_EQ(waiting.sliGain->minimum(), -1144);
    EXPECT_EQ(waiting.cmdOn->BackgroundColour(), IdleColour);

    // With no request outstanding the next strip is filled at once.
    v.PendingRequestMask2 = 0;
    SetFaderCount(3);
    v.FaderDeviceID[2] = 9;
    window->LoadFaders();
    const FaderStrip& filled = window->Strip(2);
    EXPECT_EQ(filled.lblGain->text(), "  -12.5db");
    EXPECT_EQ(filled.sliGain->value(), -899);
    EXPECT_EQ(filled.cmbSource->count(), 257);
    EXPECT_EQ(filled.cmdOn->BackgroundColour(), OnColour);
}

TEST(GainLabel, FormsOfTheGainPosition) {
    struct Case {
        int gain;
        double threshold;
        const char* text;
    };
    const Case cases[] = {
        {1144, -79.9, "  +12db"},  {1029, -79.9, "  +0.5db"}, {1024, -79.9, "  0db"},
        {1019, -79.9, "  -0.5db"}, {899, -79.9, "  -12.5db"}, {225, -79.9, "  -79.9db"},
        {224, -79.9, "  Off"},     {24, -79.9, "  Off"},      {24, -99.9, "  Off"},
        {100, -99.9, "  -92.4db"}, {100, -79.9, "  Off"},     {25, -99.9, "  -99.9db"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FaderStrip::GainLabelText(c.gain, c.threshold).toStdString(), c.text)
            << c.gain << " with threshold " << c.threshold;
}

TEST_F(FaderStrips, InitSliderShowsTheDeviceWithoutSending) {
    Connect();
    v.FaderDeviceID[0] = 3;
    struct Case {
        int status;
        int gain;
        int sliderValue;
        const char* label;
        bool on;
    };
    const Case cases[] = {
        {64, 724, -724, "  -30db", true},     {0, 1144, -1144, "  +12db", false},
        {32, 24, -224, "  Off", false},       {33, 100, -224, "  -92.4db", true},
        {0, 2000, -1144, "  +97.6db", false},
    };
    const FaderStrip& s = window->Strip(0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gain);
        v.DeviceIDs[3].ChannelStatus = static_cast<std::uint8_t>(c.status);
        v.DeviceIDs[3].Gain = static_cast<std::int16_t>(c.gain);
        window->InitSlider(0);
        // Gains within one frame of the display show as the last of them, a frame later.
        EXPECT_TRUE(test::WaitUntil([&] {
            return s.sliGain->value() == c.sliderValue &&
                   s.lblGain->text().toStdString() == c.label;
        })) << s.sliGain->value()
            << " " << s.lblGain->text().toStdString();
        EXPECT_EQ(v.FaderGain[0], c.gain);
        EXPECT_EQ(v.FaderOnState[0], c.on ? 1 : 0);
        EXPECT_EQ(s.cmdOn->BackgroundColour(), c.on ? OnColour : IdleColour);
        EXPECT_EQ(s.cmdOff->BackgroundColour(), c.on ? IdleColour : ActiveColour);
        EXPECT_FALSE(v.UpdatingControls);
    }
    // A strip that does not exist is left alone; the failure of a bad device is logged.
    window->InitSlider(5);
    v.FaderDeviceID[0] = 9000;
    window->InitSlider(0);
    EXPECT_FALSE(v.UpdatingControls);

    // Only the End key's message arrives: InitSlider sent nothing before it.
    v.FaderDeviceID[0] = 3;
    ASSERT_TRUE(test::TabTo(s.sliGain));
    test::Key(window.get(), Qt::Key_End);
    ExpectReceived({GainFrame(3, 24)});
}

TEST_F(FaderStrips, OperatorMovesSendOneMessageEachWithThePositionReached) {
    Connect();
    v.FaderDeviceID[0] = 3;
    const FaderStrip& s = window->Strip(0);
    ASSERT_TRUE(test::TabTo(s.sliGain));
    const auto key = [this](Qt::Key k) { test::Key(window.get(), k); };

    key(Qt::Key_Up); // up raises the gain: 224 -> 225
    ExpectReceived({GainFrame(3, 225)});
    EXPECT_EQ(s.lblGain->text(), "  -79.9db");
    EXPECT_EQ(v.FaderGain[0], 225);

    key(Qt::Key_Down); // back to the bottom: sent as off
    ExpectReceived({GainFrame(3, 24)});
    EXPECT_EQ(s.lblGain->text(), "  Off");
    EXPECT_EQ(v.FaderGain[0], 24);

    key(Qt::Key_PageUp);
    key(Qt::Key_PageUp);
    ExpectReceived({GainFrame(3, 229), GainFrame(3, 234)});

    key(Qt::Key_Home);
    EXPECT_EQ(s.sliGain->value(), -1144);
    ExpectReceived({GainFrame(3, 1144)});
    EXPECT_EQ(s.lblGain->text(), "  +12db");
    key(Qt::Key_End);
    ExpectReceived({GainFrame(3, 24)});

    // A mouse drag: each position the thumb reaches is sent once.
    const int x = s.sliGain->width() / 2;
    QTest::mousePress(s.sliGain, Qt::LeftButton, {}, QPoint(x, s.sliGain->height() - 4));
    QTest::mouseMove(s.sliGain, QPoint(x, s.sliGain->height() / 2));
    const int middle = -s.sliGain->value();
    QTest::mouseMove(s.sliGain, QPoint(x, 4));
    const int top = -s.sliGain->value();
    QTest::mouseRelease(s.sliGain, Qt::LeftButton, {}, QPoint(x, 4));
    EXPECT_GT(middle, 224);
    EXPECT_GT(top, middle);
    ExpectReceived({GainFrame(3, middle), GainFrame(3, top)});
    EXPECT_EQ(v.FaderGain[0], top);
}

TEST_F(FaderStrips, ZeroDbSendsOnceAndKeepsTheFocusOnTheSlider) {
    Connect();
    v.FaderDeviceID[0] = 3;
    v.DeviceIDs[3].Gain = 724; // -30 dB
    window->InitSlider(0);
    const FaderStrip& s = window->Strip(0);
    QTest::mouseClick(s.cmdZerodb, Qt::LeftButton);
    ExpectReceived({GainFrame(3, 1024)});
    EXPECT_EQ(s.sliGain->value(), -1024);
    EXPECT_EQ(s.lblGain->text(), "  0db");
    EXPECT_EQ(QApplication::focusWidget(), s.sliGain);
}

TEST_F(FaderStrips, StripControlsReachTheirHandlers) {
    Connect();
    v.FaderDeviceID[0] = 3;
    v.IFBSource = 1;
    v.InputChannels[1].IFBOutput = 4;
    window->LoadInputCombo(0);
    const FaderStrip& s = window->Strip(0);

    // Enter in the edit field chooses by number.
    test::Retype(s.cmbSource, QStringLiteral("2"));
    test::Key(window.get(), Qt::Key_Return);
    EXPECT_EQ(v.FaderSource[0], 2);
    EXPECT_EQ(s.cmbSource->currentIndex(), 2);
    EXPECT_EQ(s.cmbSource->count(), 257); // nothing typed is ever inserted
    ASSERT_TRUE(server.WaitForBytes(1));
    server.Received().clear();

    QTest::mouseClick(s.cmdOn, Qt::LeftButton);
    EXPECT_EQ(v.FaderOnState[0], 1);
    EXPECT_EQ(s.cmdOn->BackgroundColour(), OnColour);

    // IFB answers the mouse being held, never the keyboard.
    ASSERT_TRUE(test::TabTo(s.cmdBtn4));
    test::Key(window.get(), Qt::Key_Space);
    EXPECT_EQ(s.cmdBtn4->BackgroundColour(), IdleColour);
    QTest::mousePress(s.cmdBtn4, Qt::LeftButton);
    EXPECT_EQ(s.cmdBtn4->BackgroundColour(), ActiveColour);
    QTest::mouseRelease(s.cmdBtn4, Qt::LeftButton);
    EXPECT_EQ(s.cmdBtn4->BackgroundColour(), IdleColour);
}

// The switcher's gain (InitSlider) waits while the operator holds the slider or moved it
// within the last 500 ms, and is shown once the slider is free.
TEST_F(FaderStrips, TheSwitchersGainWaitsForTheOperatorsHand) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    QSlider* slider = window->Strip(0).sliGain;
    v.FaderDeviceID[0] = 7;
    int shown = 0; // the slider's value once the operator's hand is on it
    const struct {
        const char* what;
        std::function<void()> hand;
        std::function<void()> letGo;
        bool keptOnLetGo; // the operator's value still shows right after letting go
        bool moved;       // the switcher's gain waits the hold time after the move
    } rows[] = {
        {"free", [] {}, [] {}, false, false},
        {"held", [&] { slider->setSliderDown(true); }, [&] { slider->setSliderDown(false); }, false,
         false},
        {"moved, then held past the hold time", [&] { slider->setValue(slider->value() - 1); },
         [&] {
             slider->setSliderDown(true);
             QTest::qWait(600); // longer than the 500 ms hold after a move
             EXPECT_EQ(slider->value(), shown) << "taken while the mouse holds the slider";
             slider->setSliderDown(false);
         },
         false, true},
        {"moved just now", [&] { slider->setValue(slider->value() - 1); }, [] {}, true, true},
        {"dragged and let go",
         [&] {
             slider->setSliderDown(true);
             slider->setValue(slider->value() - 1);
         },
         [&] { slider->setSliderDown(false); }, true, true},
    };
    int gain = 600;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        QElapsedTimer sinceHand;
        sinceHand.start();
        row.hand();
        shown = slider->value();
        gain += 50;
        v.DeviceIDs[7].Gain = static_cast<std::int16_t>(gain);
        window->InitSlider(0);
        if (std::string(row.what) != "free") {
            EXPECT_EQ(slider->value(), shown) << "taken from under the operator's hand";
        }
        row.letGo();
        if (row.keptOnLetGo) {
            EXPECT_EQ(slider->value(), shown) << "the switcher's older gain shown on letting go";
        }
        EXPECT_TRUE(test::WaitUntil([&] { return slider->value() == -gain; }));
        if (row.moved) {
            EXPECT_GE(sinceHand.elapsed(), 500) << "shown before the hold ended";
        }
        EXPECT_EQ(v.FaderGain[0], gain);
        SentBytes();
    }
}

// Setup raised the count, and reports name strips the window has not made yet (the one
// just past the last, and further): they are kept in the panel's state and shown once the
// strips are made, without a failure on the way.
TEST_F(FaderStrips, ReportsForStripsNotMadeYetAreShownOnceTheyAre) {
    SetFaderCount(3);
    ASSERT_EQ(window->StripCount(), 1);
    v.FaderDeviceID[1] = 6;
    v.DeviceIDs[6].ChannelStatus = wire::ChannelOnStatus;
    v.FaderOnState[1] = 1;
    for (const int strip : {1, 2}) {
        window->ShowChannelState(strip);
        window->InitSlider(strip);
    }
    EXPECT_EQ(window->StripCount(), 1);
    window->LoadFaders();
    ASSERT_EQ(window->StripCount(), 3);
    EXPECT_EQ(window->Strip(1).cmdOn->BackgroundColour(), OnColour);
    EXPECT_NE(window->Strip(2).cmdOn->BackgroundColour(), OnColour);
    EXPECT_EQ(LogText(), "");
}

} // namespace
} // namespace orl
