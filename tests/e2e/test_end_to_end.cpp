// The real panel against the real simulator over loopback TCP: the whole start-up
// sequence, operator actions that come back from the switcher as tallies, a switcher
// that dies and comes back on the same port, and two panels sharing one switcher.

#include "ScratchPanel.h"
#include "SimulatorProcess.h"
#include "TempFolder.h"

#include "Frames.h"
#include "PanelConfiguration.h"
#include "Protocol.h"
#include "frmMain.h"

#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <memory>

#include <sys/types.h>

namespace orl {
namespace {

using test::RawPanel;
using test::SimulatorProcess;
using test::WaitUntil;

// The demo's configuration: three faders on devices 1 to 3 (MIC 1 to MIC 3; the third
// fader on `thirdDevice` when given), console 1, buses 1 to 3, IFB source 4, and a relay
// toggle, a relay pulse and an opto toggle button.
bool WriteConfiguration(const QString& folder, quint16 port, int thirdDevice) {
    return test::WriteConfigurationFile(folder + "/orlntpnl.ini",
                                        test::ConfigurationHead(port, {1, 2, thirdDevice}, false)
                                            << test::ButtonLines(1, 1000, "Relay Toggle", 1)
                                            << test::ButtonLines(2, 1002, "Relay Pulse", 2)
                                            << test::ButtonLines(3, 1100, "Opto Toggle", 3));
}

// One panel program: its folder, state, error log and main window.
struct Panel {
    explicit Panel(quint16 port, int thirdDevice = 3) {
        WriteConfiguration(QString::fromStdString(dir.MadePath().string()), port, thirdDevice);
        window = std::make_unique<frmMain>(v, log);
        window->Form_Load(dir.Path().string());
        window->show();
    }
    QString Title() const { return window->windowTitle(); }
    bool Connected() const { return Title() == "ORL Console - Connected"; }

    bool StartUp(int maxTicks = 40) { return test::TickUntilConnected(*window, v, maxTicks); }
    const FaderStrip& Strip(int i) const { return window->Strip(i); }
    std::vector<int> DevicesOnBus(int bus) const {
        if (!v.CrosspointMap.Contains(bus - 1))
            return {};
        const CrosspointRecord& record = v.CrosspointMap[bus - 1];
        const int count = record.Words[CrosspointRecord::BusInfoWord] >> 8;
        return std::vector<int>(record.Words.begin(), record.Words.begin() + count);
    }

    test::TempFolder dir{"orl-e2e"};
    Variables v;
    ErrorLog log{v};
    std::unique_ptr<frmMain> window;
};

TEST(EndToEnd, StartsUpAndShowsTheSwitcher) {
    SimulatorProcess sim;
    ASSERT_NE(sim.Port(), 0);
    Panel panel(sim.Port());
    EXPECT_EQ(panel.Title(), "ORL Console - Disconnected");
    QElapsedTimer startup;
    startup.start();
    ASSERT_TRUE(panel.StartUp()) << panel.Title().toStdString();
    std::printf("[ measure  ] start-up to Connected with hand-ticked polls: %lld ms\n",
                static_cast<long long>(startup.elapsed()));
    EXPECT_EQ(panel.v.StartupStep, 8);

    EXPECT_EQ(panel.v.InputCount, 32);
    EXPECT_EQ(panel.v.ConsoleNames[0], "AIR 1   ");
    EXPECT_EQ(panel.v.InputChannels[0].OnOpto, 0); // MIC 1's on-air light
    EXPECT_EQ(panel.v.RelayStates.size(), 64u);
    struct Expected {
        const char* source;
        Colour on, off, pgm;
    };
    const Expected strips[] = {
        {"MIC 1    [0001]", OnColour, IdleColour, ActiveColour},     // on, on air
        {"MIC 2    [0002]", IdleColour, ActiveColour, ActiveColour}, // off, on air
        {"MIC 3    [0003]", IdleColour, ActiveColour, IdleColour},
    };
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const FaderStrip& s = panel.Strip(i);
        EXPECT_EQ(s.cmbSource->count(), 33);
        EXPECT_EQ(s.cmbSource->currentText().toStdString(), strips[i].source);
        EXPECT_EQ(s.cmdOn->BackgroundColour(), strips[i].on);
        EXPECT_EQ(s.cmdOff->BackgroundColour(), strips[i].off);
        EXPECT_EQ(s.cmdBtn1->BackgroundColour(), strips[i].pgm);
        EXPECT_EQ(s.cmdBtn2->BackgroundColour(), IdleColour);
        // The switcher's gain shows within a frame of the display.
        EXPECT_TRUE(WaitUntil([&] { return s.lblGain->text() == "  0db"; }))
            << s.lblGain->text().toStdString();
    }
}

TEST(EndToEnd, OperatorActionsComeBackFromTheSwitcher) {
    SimulatorProcess sim;
    ASSERT_NE(sim.Port(), 0);
    Panel panel(sim.Port());
    ASSERT_TRUE(panel.StartUp());
    const FaderStrip& strip2 = panel.Strip(1);
    const FaderStrip& strip3 = panel.Strip(2);

    // ON lights at once; put the display back to OFF before any report can arrive, and
    // the switcher's report lights ON again.
    QTest::mouseClick(strip2.cmdOn, Qt::LeftButton);
    panel.v.FaderOnState[1] = 0;
    panel.window->ShowChannelState(1);
    EXPECT_TRUE(WaitUntil([&] { return strip2.cmdOn->BackgroundColour() == OnColour; }));
    EXPECT_EQ(strip2.cmdOff->BackgroundColour(), IdleColour);
    EXPECT_EQ(panel.v.FaderOnState[1], 1);

    // PGM: the tally follows the switcher's crosspoint map of bus 1.
    QTest::mouseClick(strip3.cmdBtn1, Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return panel.DevicesOnBus(1) == std::vector<int>{1, 2, 3}; }));
    EXPECT_EQ(strip3.cmdBtn1->BackgroundColour(), ActiveColour);
    QTest::mouseClick(strip3.cmdBtn1, Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return panel.DevicesOnBus(1) == std::vector<int>{1, 2}; }));
    EXPECT_EQ(strip3.cmdBtn1->BackgroundColour(), IdleColour);

    // A source picked on strip 3 comes back as device 3's source.
    strip3.cmbSource->setCurrentIndex(9);
    emit strip3.cmbSource->activated(9);
    EXPECT_TRUE(WaitUntil([&] { return panel.v.DeviceIDs[3].Source == 8; }));
    EXPECT_EQ(strip3.cmbSource->currentText().toStdString(), "CD 1     [0009]");
    EXPECT_EQ(panel.v.FaderSource[2], 9);

    // A gain move is stored by the switcher: a second client reads it back.
    strip3.sliGain->setValue(-900);
    RawPanel reader(sim.Port());
    ASSERT_TRUE(reader.Handshake());
    reader.Send(
        test::Frame(wire::InfoRequest).Value28(0).Value14(256).Value14(1).Value14(3).Finish());
    const auto device = reader.NextOf(wire::DeviceIDInfo);
    ASSERT_TRUE(device);
    ASSERT_EQ(device->size(), 21u);
    EXPECT_EQ((*device)[13] + 128 * (*device)[14], 900); // word 3: the gain

    // User buttons light only from the switcher's state reports.
    ColourButton* toggle = panel.window->UserButton(0);
    ColourButton* pulse = panel.window->UserButton(1);
    ColourButton* opto = panel.window->UserButton(2);
    EXPECT_EQ(toggle->BackgroundColour(), IdleColour);
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return toggle->BackgroundColour() == ActiveColour; }));
    EXPECT_EQ(panel.v.RelayStates[0], 1);
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return toggle->BackgroundColour() == IdleColour; }));

    QTest::mouseClick(pulse, Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return pulse->BackgroundColour() == ActiveColour; }));
    EXPECT_TRUE(WaitUntil([&] { return pulse->BackgroundColour() == IdleColour; }));

    QTest::mouseClick(opto, Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return opto->BackgroundColour() == ActiveColour; }));
    EXPECT_EQ(panel.v.OptoStates[2], 1);
}

TEST(EndToEnd, IFBHeldInTheWindowTakesTheFeedToTheCaller) {
    SimulatorProcess sim({}, 0, /*traced=*/true);
    ASSERT_NE(sim.Port(), 0);
    Panel panel(sim.Port(), 13); // device 13 works PHONE 1, which has an IFB output
    ASSERT_TRUE(panel.StartUp());
    ASSERT_EQ(panel.v.FaderSource[2], 13);

    // Pressed and released where the operator's mouse would be, through the window.
    const ColourButton* ifb = panel.Strip(2).cmdBtn4;
    QWindow* window = panel.window->windowHandle();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const QPoint at = ifb->mapTo(panel.window.get(), ifb->rect().center());
    QTest::mousePress(window, Qt::LeftButton, {}, at);
    EXPECT_TRUE(sim.WaitForLine("FE simple take 37 (IFB press): source 4 to output 1 "));
    EXPECT_EQ(ifb->BackgroundColour(), ActiveColour);
    QTest::mouseRelease(window, Qt::LeftButton, {}, at);
    EXPECT_TRUE(sim.WaitForLine("FE simple take 33 (IFB release): source 4 to output 1 "));
    EXPECT_EQ(ifb->BackgroundColour(), IdleColour);
}

TEST(EndToEnd, ReconnectsAndStartsOverWhenTheSwitcherComesBack) {
    auto sim = std::make_unique<SimulatorProcess>();
    const quint16 port = sim->Port();
    ASSERT_NE(port, 0);
    Panel panel(port);
    ASSERT_TRUE(panel.StartUp());
    QTest::mouseClick(panel.Strip(1).cmdOn, Qt::LeftButton); // MIC 2 on in this switcher
    ASSERT_TRUE(WaitUntil([&] { return panel.Strip(1).cmdOn->BackgroundColour() == OnColour; }));

    sim->Process().kill();
    sim->Process().waitForFinished(5000);
    EXPECT_TRUE(WaitUntil([&] { return panel.Title() == "ORL Console - Disconnected"; }));
    EXPECT_EQ(panel.v.StartupStep, 0);
    panel.window->Link().PollTick(); // a connection attempt that nobody answers
    EXPECT_FALSE(WaitUntil([&] { return panel.v.SocketConnected; }, 300));

    sim = std::make_unique<SimulatorProcess>(QStringList{}, port);
    ASSERT_EQ(sim->Port(), port) << sim->FirstLine().toStdString();
    ASSERT_TRUE(panel.StartUp()) << panel.Title().toStdString();
    // The new switcher has MIC 2 off: the repeated start-up sequence shows it.
    EXPECT_EQ(panel.Strip(1).cmdOn->BackgroundColour(), IdleColour);
    EXPECT_EQ(panel.Strip(1).cmdOff->BackgroundColour(), ActiveColour);
    EXPECT_EQ(panel.Strip(0).cmdOn->BackgroundColour(), OnColour);
}

TEST(EndToEnd, TwoPanelsSeeEachOthersActions) {
    SimulatorProcess sim;
    ASSERT_NE(sim.Port(), 0);
    Panel a(sim.Port());
    Panel b(sim.Port());
    ASSERT_TRUE(a.StartUp());
    ASSERT_TRUE(b.StartUp());

    // A moves strip 1 to -32.4 dB: B's slider and label follow.
    QElapsedTimer clock;
    clock.start();
    a.Strip(0).sliGain->setValue(-700);
    EXPECT_TRUE(WaitUntil([&] { return b.Strip(0).sliGain->value() == -700; }));
    std::printf("[ measure  ] B follows A's gain in %lld ms\n",
                static_cast<long long>(clock.elapsed()));
    EXPECT_EQ(b.Strip(0).lblGain->text().toStdString(), "  -32.4db");
    EXPECT_EQ(b.v.FaderGain[0], 700);

    // B's next notch moves from the switcher's gain, and A follows B.
    QTest::keyClick(b.Strip(0).sliGain, Qt::Key_Down);
    EXPECT_EQ(b.v.FaderGain[0], 699);
    EXPECT_TRUE(WaitUntil([&] { return a.Strip(0).sliGain->value() == -699; }));
    EXPECT_EQ(a.v.FaderGain[0], 699);

    // Strip 2 moves from MIC 2 (off) to MIC 1 (on): both panels show the source and ON.
    a.Strip(1).cmbSource->setCurrentIndex(1);
    emit a.Strip(1).cmbSource->activated(1);
    for (Panel* panel : {&a, &b}) {
        const FaderStrip& s = panel->Strip(1);
        EXPECT_TRUE(WaitUntil([&] {
            return s.cmbSource->currentText().toStdString() == "MIC 1    [0001]" &&
                   s.cmdOn->BackgroundColour() == OnColour;
        }));
        EXPECT_EQ(s.cmdOff->BackgroundColour(), IdleColour);
        EXPECT_EQ(panel->v.FaderOnState[1], 1);
    }

    QTest::mouseClick(a.Strip(2).cmdOn, Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return b.Strip(2).cmdOn->BackgroundColour() == OnColour; }));
    EXPECT_EQ(b.Strip(2).cmdOff->BackgroundColour(), IdleColour);
    QTest::mouseClick(a.Strip(0).cmdOff, Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return b.Strip(0).cmdOff->BackgroundColour() == ActiveColour; }));

    QTest::mouseClick(a.Strip(2).cmdBtn2, Qt::LeftButton); // OFFLN: bus 2
    EXPECT_TRUE(WaitUntil([&] { return b.Strip(2).cmdBtn2->BackgroundColour() == ActiveColour; }));
    EXPECT_EQ(b.v.FaderOnOffline[2], true);

    a.Strip(1).cmbSource->setCurrentIndex(13);
    emit a.Strip(1).cmbSource->activated(13);
    EXPECT_TRUE(WaitUntil(
        [&] { return b.Strip(1).cmbSource->currentText().toStdString() == "PHONE 1  [0013]"; }));
    EXPECT_EQ(b.v.FaderSource[1], 13);

    QTest::mouseClick(a.window->UserButton(0), Qt::LeftButton);
    EXPECT_TRUE(
        WaitUntil([&] { return b.window->UserButton(0)->BackgroundColour() == ActiveColour; }));
    EXPECT_TRUE(
        WaitUntil([&] { return a.window->UserButton(0)->BackgroundColour() == ActiveColour; }));
}

// Connected with the simulator's type request and the answers alone: no poll tick is
// needed after the connection attempt.
TEST(EndToEnd, StartsUpFromTheTypeRequestWithoutWaitingForATick) {
    SimulatorProcess sim;
    ASSERT_NE(sim.Port(), 0);
    QElapsedTimer clock;
    clock.start();
    Panel panel(sim.Port()); // Form_Load connects; tmrPoll's first tick is 1 s away
    EXPECT_TRUE(WaitUntil([&] { return panel.v.SocketConnected; }));
    const qint64 connected = clock.elapsed();
    ASSERT_TRUE(WaitUntil([&] { return panel.Connected(); })) << panel.Title().toStdString();
    std::printf("[ measure  ] load to connect %lld ms, connect to Connected %lld ms\n",
                static_cast<long long>(connected),
                static_cast<long long>(clock.elapsed() - connected));
    EXPECT_EQ(panel.Strip(0).cmdOn->BackgroundColour(), OnColour);
}

// The next trace line of the simulator that contains `text`, or an empty text.
QString NextTraceLine(SimulatorProcess& sim, const QString& text, int timeoutMs = 5000) {
    QString found;
    WaitUntil(
        [&] {
            while (sim.Process().canReadLine()) {
                const QString line = QString::fromLatin1(sim.Process().readLine()).trimmed();
                if (line.contains(text)) {
                    found = line;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

TEST(EndToEnd, WhileTheSwitcherIsSilentOrGoneAPressSendsNothingAndLightsNothing) {
    SimulatorProcess sim({}, 0, /*traced=*/true);
    ASSERT_NE(sim.Port(), 0);
    Panel panel(sim.Port());
    ASSERT_TRUE(panel.StartUp());
    const FaderStrip& mic1 = panel.Strip(0); // on
    const FaderStrip& mic3 = panel.Strip(2); // off
    EXPECT_FALSE(mic1.lblLink->isVisible());
    EXPECT_TRUE(mic1.cmdOff->isEnabled());

    // Stopped: after three unanswered polls (tmrPoll runs) the strips say so. An OFF
    // pressed in the seconds before lights at once, and goes back to what the switcher
    // last reported when the silence shows: it was never confirmed.
    const auto pid = static_cast<pid_t>(sim.Process().processId());
    ASSERT_EQ(::kill(pid, SIGSTOP), 0);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(mic1.cmdOff, Qt::LeftButton);
    EXPECT_EQ(mic1.cmdOff->BackgroundColour(), ActiveColour);
    EXPECT_TRUE(WaitUntil([&] { return mic1.lblLink->isVisible(); }, 15000));
    std::printf("[ measure  ] silent switcher shown after %lld ms\n",
                static_cast<long long>(clock.elapsed()));
    EXPECT_EQ(mic1.lblLink->text().toStdString(), "The switcher is not answering");
    EXPECT_EQ(panel.Title().toStdString(), "ORL Console - Not Answering");
    EXPECT_EQ(mic1.cmdOn->BackgroundColour(), OnColour);
    EXPECT_EQ(mic1.cmdOff->BackgroundColour(), IdleColour);
    EXPECT_FALSE(mic1.cmdOff->isEnabled());
    EXPECT_FALSE(panel.window->UserButton(0)->isEnabled());
    // The buttons take no click; their press handlers refuse too.
    panel.window->cmdOff_Click(0);
    panel.window->cmdUserButton_Click(0);
    EXPECT_EQ(mic1.cmdOn->BackgroundColour(), OnColour);
    EXPECT_EQ(panel.v.FaderOnState[0], 1);
    EXPECT_EQ(panel.window->UserButton(0)->BackgroundColour(), IdleColour);

    // Resumed: live again at its first answer, and presses go out. The OFF made before
    // the silence showed was still on its way: the switcher carries it out now and the
    // strip shows its report. The OFF refused while it was silent never reaches it: the
    // next channel command it gets is this ON.
    ASSERT_EQ(::kill(pid, SIGCONT), 0);
    EXPECT_TRUE(WaitUntil([&] { return !mic1.lblLink->isVisible(); }, 15000));
    EXPECT_EQ(panel.Title().toStdString(), "ORL Console - Connected");
    EXPECT_TRUE(mic1.cmdOff->isEnabled());
    // What it received ("<- #1"), not what it reported to every panel ("-> all").
    EXPECT_TRUE(NextTraceLine(sim, "<- #1 D6 channel on/off").contains("input 1 console 1 off"));
    EXPECT_TRUE(WaitUntil([&] { return mic1.cmdOff->BackgroundColour() == ActiveColour; }));
    QTest::mouseClick(mic3.cmdOn, Qt::LeftButton);
    EXPECT_TRUE(NextTraceLine(sim, "<- #1 D6 channel on/off").contains("input 3 console 1 on"));
    // Confirmed by the switcher's report, the press stays whatever happens next.
    EXPECT_TRUE(WaitUntil([&] { return panel.v.FaderOnStateBeforePress[2] == NoPressPending; }));
    EXPECT_EQ(mic3.cmdOn->BackgroundColour(), OnColour);

    // Gone: no connection, and a press lights nothing.
    sim.Process().kill();
    sim.Process().waitForFinished(5000);
    EXPECT_TRUE(WaitUntil([&] { return mic3.lblLink->isVisible(); }));
    EXPECT_EQ(mic3.lblLink->text().toStdString(), "No connection to the switcher");
    panel.window->cmdOff_Click(2);
    EXPECT_EQ(mic3.cmdOn->BackgroundColour(), OnColour);
    EXPECT_EQ(panel.v.FaderOnState[2], 1);
}

} // namespace
} // namespace orl
