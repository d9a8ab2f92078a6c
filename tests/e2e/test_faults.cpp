// The running panel under faults of the network, over real loopback TCP: a server that
// closes the connection again and again, a server that stops reading while the operator
// moves a fader, and a megabyte of garbage ahead of valid reports.

#include "Configuration.h"
#include "FloodServer.h"
#include "Frames.h"
#include "Heartbeat.h"
#include "LogEntries.h"
#include "LoopbackServer.h"
#include "Options.h"
#include "ProcStatus.h"
#include "Protocol.h"
#include "ScratchPanel.h"
#include "SimulatorServer.h"
#include "Switcher.h"
#include "SwitcherModel.h"
#include "TempFolder.h"
#include "Trace.h"
#include "frmMain.h"
#include "frmSetup.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

using namespace orl;
using orl::test::Heartbeat;
using orl::test::LinkQuiet;
using orl::test::LoopbackServer;
using orl::test::ResidentMemoryMeasurable;
using orl::test::ScratchPanel;
using orl::test::WaitUntil;

namespace {

long ResidentKilobytes() {
    return test::StatusKilobytes("self", "VmRSS");
}

// The simulated switcher with its server on an ephemeral loopback port, in this process.
struct InProcessSwitcher {
    InProcessSwitcher() {
        options.port = 0;
        options.quiet = true;
        std::string error;
        listening = server.Listen(0, error);
    }
    sim::Options options;
    sim::SwitcherModel model{options.size};
    sim::Switcher switcher{model};
    sim::Trace trace{true};
    sim::SimulatorServer server{switcher, trace, options};
    bool listening = false;
};

// What the operator sees of the panel.
std::string Snapshot(frmMain& window) {
    std::ostringstream out;
    out << window.windowTitle().toStdString();
    for (int i = 0; i < window.StripCount(); ++i) {
        const FaderStrip& s = window.Strip(i);
        out << " | " << s.cmbSource->currentText().toStdString()
            << " on=" << s.cmdOn->BackgroundColour() << " off=" << s.cmdOff->BackgroundColour()
            << " pgm=" << s.cmdBtn1->BackgroundColour()
            << " offln=" << s.cmdBtn2->BackgroundColour()
            << " cue=" << s.cmdBtn3->BackgroundColour()
            << " gain=" << s.lblGain->text().toStdString();
    }
    return out.str();
}

// The entry lines of the error log and of any log set aside, without their headers.
std::vector<std::string> LogEntries(const std::string& folder) {
    std::vector<std::string> entries;
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
        if (file.path().filename().string().rfind("Errorlog", 0) != 0)
            continue;
        const auto lines = test::ReadLogEntryLines(file.path().string());
        entries.insert(entries.end(), lines.begin(), lines.end());
    }
    return entries;
}

bool OfKind(const std::string& line, std::initializer_list<const char*> kinds) {
    return std::any_of(kinds.begin(), kinds.end(),
                       [&](const char* kind) { return line.find(kind) != std::string::npos; });
}

// A panel of three strips on devices 1..3, loaded from its configuration file like the
// program loads it.
class PanelOnSwitcher : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.Made());
        ASSERT_TRUE(sim.listening);
        const std::string folder = dir.Path().string();
        {
            Variables setup;
            ProgramSetup(setup, folder);
            setup.IPAddress = "127.0.0.1";
            setup.IPPort = sim.server.Port();
            setup.FaderCount = 3;
            setup.ProgramBus = 1;
            ResizeFaderArrays(setup, 3);
            for (int i = 0; i < 3; ++i) {
                setup.FaderDeviceID[i] = static_cast<std::int16_t>(i + 1);
                setup.FaderSource[i] = static_cast<std::int16_t>(i + 1);
            }
            ErrorLog setupLog(setup);
            ASSERT_TRUE(WriteConfiguration(setup, setupLog));
        }
        window = std::make_unique<frmMain>(v, log);
        QObject::connect(window.get(), &QWidget::windowTitleChanged,
                         [this](const QString& title) { titles.push_back(title.toStdString()); });
        window->Form_Load(folder);
        window->show();
    }

    bool Quiet() const { return LinkQuiet(v, *window); }

    // A poll tick, then the answers to what it asked, and again, until the panel says it is
    // connected.
    bool RunUntilConnected() {
        if (!WaitUntil([&] { return v.SocketConnected && sim.server.PanelCount() == 1; }))
            return false;
        for (int tick = 0; tick < 30; ++tick) {
            window->Link().PollTick();
            if (window->windowTitle() == CaptionConnected)
                return test::GainsShown(*window, v);
            WaitUntil([&] { return Quiet(); }, 2000);
        }
        return false;
    }

    test::TempFolder dir{"orl-faults"};
    InProcessSwitcher sim;
    Variables v;
    ErrorLog log{v};
    std::unique_ptr<frmMain> window;
    std::vector<std::string> titles;
};

} // namespace

TEST_F(PanelOnSwitcher, ReconnectsAHundredTimesToTheSameStateWithoutGrowing) {
    // The test gives every tick itself: a timer's tick between the drop and the look would
    // reconnect before the drop is seen.
    window->PollTimer().setInterval(24 * 3600 * 1000);
    ASSERT_TRUE(RunUntilConnected());
    const std::string first = Snapshot(*window);
    // The tables arrived: the first strip shows MIC 1, switched on and on the programme bus.
    EXPECT_TRUE(window->Strip(0).cmbSource->currentText().startsWith("MIC 1"));
    EXPECT_EQ(window->Strip(0).cmdOn->BackgroundColour(), OnColour);
    EXPECT_EQ(window->Strip(0).cmdBtn1->BackgroundColour(), ActiveColour);

    QElapsedTimer clock;
    clock.start();
    long residentAt10 = 0;
    int differing = 0;
    int withoutStartup = 0;
    for (int cycle = 1; cycle <= 100; ++cycle) {
        titles.clear();
        sim.server.DropAll();
        ASSERT_TRUE(WaitUntil([&] { return !v.SocketConnected; })) << "cycle " << cycle;
        EXPECT_EQ(v.StartupStep, 0);
        window->Link().PollTick(); // the tick that finds no connection reconnects
        ASSERT_TRUE(RunUntilConnected()) << "cycle " << cycle << ": " << Snapshot(*window);
        const std::vector<std::string> expected{CaptionDisconnected, CaptionWaiting,
                                                CaptionConnected};
        withoutStartup += titles != expected || v.StartupStep != StartupComplete;
        differing += Snapshot(*window) != first;
        if (cycle == 10)
            residentAt10 = ResidentKilobytes();
        // The program's event loop deletes the sockets closed with deleteLater; the
        // processEvents spin of this test does not, so it is done here.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    const long residentAt100 = ResidentKilobytes();
    RecordProperty("resident_growth_kb", static_cast<int>(residentAt100 - residentAt10));
    RecordProperty("cycles_ms", static_cast<int>(clock.elapsed()));
    EXPECT_EQ(withoutStartup, 0);
    EXPECT_EQ(differing, 0) << Snapshot(*window) << "\nfirst: " << first;
    EXPECT_EQ(sim.server.PanelCount(), 1);
    if (ResidentMemoryMeasurable) {
        EXPECT_LT(residentAt100 - residentAt10, 512) << "kB grown over 90 reconnections";
    }
    // The log holds the records of device data and channel attributes received, nothing else.
    for (const std::string& line : LogEntries(dir.Path().string()))
        ASSERT_TRUE(OfKind(line, {"Device IDs Starting with", "InChan Starting with"})) << line;
}

TEST_F(PanelOnSwitcher, AServerClosingDuringTheStartUpLeavesNothingStuckForTheNextConnection) {
    ASSERT_TRUE(RunUntilConnected());
    const std::string first = Snapshot(*window);
    for (int step = 1; step < StartupComplete; ++step) {
        SCOPED_TRACE("closed at start-up step " + std::to_string(step));
        sim.server.DropAll();
        ASSERT_TRUE(WaitUntil([&] { return !v.SocketConnected; }));
        // The sequence moves on with every answer, so the server is closed from a timer
        // that runs between the event-loop passes that carry requests and answers.
        int closedAt = -1;
        QTimer watcher;
        watcher.setInterval(0);
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            if (closedAt < 0 && v.SocketConnected && v.StartupStep >= step) {
                closedAt = v.StartupStep;
                sim.server.DropAll();
            }
        });
        watcher.start();
        window->Link().PollTick();
        ASSERT_TRUE(WaitUntil([&] { return closedAt >= 0 && !v.SocketConnected; }));
        watcher.stop();
        // Closed with the request of this step unanswered (or its answer on the way).
        ASSERT_LT(closedAt, StartupComplete);
        window->Link().PollTick();
        ASSERT_TRUE(RunUntilConnected()) << Snapshot(*window);
        EXPECT_EQ(Snapshot(*window), first);
    }
}

TEST(StalledServer, FaderMovesNeitherBlockTheWindowNorQueueWithoutBound) {
    // A server that accepts and then reads nothing: its socket takes one byte into its
    // own buffer, its kernel buffer is made small, and the panel's writes pile up.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QTcpSocket* peer = nullptr;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        peer = server.nextPendingConnection();
        peer->setReadBufferSize(1);
        peer->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    });

    ScratchPanel panel(server.serverPort());
    Variables& v = panel.v;
    frmMain& window = *panel.window;
    window.activateWindow();
    v.FaderDeviceID[0] = 7;
    v.StartupStep = StartupComplete; // no start-up requests ahead of the fader moves
    window.Link().ConnectToServer();
    ASSERT_TRUE(WaitUntil([&] { return v.SocketConnected && peer != nullptr; }));

    Heartbeat heartbeat;

    QSlider* slider = window.Strip(0).sliGain;
    slider->setFocus();
    const long residentBefore = ResidentKilobytes();
    long residentPeak = residentBefore;
    // Besides the moves, large messages on the same write path fill every buffer on the
    // way quickly, so that the adapter's own queue reaches its limit within the run.
    const Bytes bulk(64 * 1024, 0x7F);
    // Far more than the kernel's buffers and the adapter's queue hold together, offered
    // with a pass of the event loop between moves (at least 3 ms each).
    constexpr long long Offer = 80LL * 1024 * 1024;
    long long offered = 0;
    int moves = 0;
    while (offered <= Offer) {
        QTest::keyClick(slider, moves % 2 == 0 ? Qt::Key_PageUp : Qt::Key_PageDown);
        ++moves;
        window.Link().SendToSwitcher(bulk);
        offered += static_cast<long long>(bulk.size());
        QTest::qWait(3);
        residentPeak = std::max(residentPeak, ResidentKilobytes());
    }
    heartbeat.Stop();
    RecordProperty("largest_gap_ms", static_cast<int>(heartbeat.largestGap));
    RecordProperty("largest_wall_gap_ms", static_cast<int>(heartbeat.largestWallGap));
    RecordProperty("resident_growth_kb", static_cast<int>(residentPeak - residentBefore));
    RecordProperty("offered_mb", static_cast<int>(offered >> 20));
    RecordProperty("moves", moves);

    EXPECT_GT(heartbeat.ticks, 200) << "the window's event loop stalled";
    EXPECT_TRUE(v.SocketConnected);
    if (ResidentMemoryMeasurable) {
        EXPECT_LT(residentPeak - residentBefore, 24 * 1024)
            << "kB grown while " << offered << " bytes were offered";
    }

    // The server reads again: the first thing it gets is the first fader move.
    QByteArray received;
    QObject::connect(peer, &QTcpSocket::readyRead, [&] { received += peer->readAll(); });
    peer->setReadBufferSize(0);
    received += peer->readAll();
    ASSERT_TRUE(WaitUntil([&] { return received.size() >= 12; }));
    EXPECT_EQ(static_cast<std::uint8_t>(received[0]), 0xE3) << "a gain change";
    EXPECT_GT(moves, 100);
}

TEST(GarbageThenFrames, AMegabyteOfNoiseIsDroppedAndTheValidReportsAfterItApply) {
    constexpr std::size_t Megabyte = 1 << 20;
    std::mt19937 random(20261208);
    Bytes randomBytes(Megabyte);
    for (std::uint8_t& b : randomBytes)
        b = static_cast<std::uint8_t>(random() & 0xFF);
    Bytes unended(Megabyte, 0x11);
    unended[0] = wire::AlphaTable;

    const struct {
        const char* what;
        Bytes noise;
    } cases[] = {
        {"random bytes", randomBytes},
        {"data bytes without a command byte", Bytes(Megabyte, 0x2A)},
        {"a name table that never ends", unended},
        // Each pair is a message of its own, decoded one per event-loop pass like any
        // other, so a smaller amount keeps the test short.
        {"end bytes alone", Bytes(Megabyte / 8, wire::EndOfMessage)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LoopbackServer server;
        ScratchPanel panel(server.Port());
        Variables& v = panel.v;
        frmMain& window = *panel.window;
        v.FaderDeviceID[0] = 5;
        v.FaderSource[0] = 5; // input 5
        window.Link().ConnectToServer();
        ASSERT_TRUE(WaitUntil([&] { return v.SocketConnected; }));
        ASSERT_TRUE(server.WaitForConnection());
        ASSERT_NE(window.Strip(0).cmdOn->BackgroundColour(), OnColour);

        server.Send(c.noise);
        // Input 5 on at every console; then an input name table of three names.
        server.Send(HexToBytes("D6 7F 00 01 04 00 7F 7F 01 03 FF"));
        test::Frame names(wire::AlphaTable);
        names.Byte(wire::InputNameTable).Byte(4).Value14(3).Value14(0);
        for (const char* name : {"MIC1", "MIC2", "CD 1"}) {
            for (int n = 0; n < 4; ++n)
                names.Byte(name[n]);
            names.Value14(0);
        }
        server.Send(names.Finish());

        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(
            WaitUntil([&] { return v.InputNames.size() == 3 && v.ReceiveBuffer.empty(); }, 60000))
            << v.ReceiveBuffer.size() << " bytes still waiting";
        EXPECT_EQ(window.Strip(0).cmdOn->BackgroundColour(), OnColour);
        EXPECT_EQ(v.FaderOnState[0], 1);
        EXPECT_EQ(v.InputNames[0], "MIC1");
        EXPECT_EQ(v.InputNames[2], "CD 1");
        EXPECT_EQ(v.InputCount, 3);

        // Only what the decoder and the handlers report of broken input; nothing that
        // escaped them, and nothing about the log itself.
        const std::vector<std::string> entries = LogEntries(panel.dir.Path().string());
        for (const std::string& line : entries)
            ASSERT_TRUE(OfKind(
                line, {"Error Processing Command", "Error Processing Alpha Table",
                       "Error Processing Crosspoint map", "Error Receiving Device ID Info",
                       "Check Sum Error", "Device IDs Starting with", "InChan Starting with",
                       "Error Receiving Input Channel Attributes", "Error Processing Switcher Type",
                       "Error Receiving Channel On Off", "Error Receiving Opto Relay States",
                       "Error Processing Type Request"}))
                << line;
        RecordProperty(std::string("log_entries_") + std::to_string(&c - cases),
                       static_cast<int>(entries.size()));
        RecordProperty(std::string("ms_") + std::to_string(&c - cases),
                       static_cast<int>(clock.elapsed()));
    }
}

TEST_F(PanelOnSwitcher, StripsAddedOrReassignedInSetupShowTheSwitchersDataAtOnce) {
    ASSERT_TRUE(RunUntilConnected());
    // Devices 9 to 11 work inputs 9 to 11; give two of them a state of their own.
    ASSERT_TRUE(sim.model.SetChannelOn(9, 0, true)); // input 10 on at console 1
    ASSERT_TRUE(sim.model.SetGain(11, 899));
    // Setup's OK with five strips: strip 1 moved to device 9, strips 4 and 5 on 10 and 11.
    window->SetSetupDialogOpener([&](QWidget* parent) {
        frmSetup dialog(v, log, window->Link(), *window, parent);
        QTimer::singleShot(0, &dialog, [&] {
            auto* count = dialog.findChild<QLineEdit*>("txtCount");
            count->setText("5");
            QTest::keyClick(count, Qt::Key_Return);
            dialog.findChild<QLineEdit*>("txtChan(0)")->setText("9");
            dialog.findChild<QLineEdit*>("txtChan(3)")->setText("10");
            dialog.findChild<QLineEdit*>("txtChan(4)")->setText("11");
            dialog.findChild<QPushButton*>("cmdOk")->click();
        });
        dialog.exec();
    });
    window->findChild<QAction*>("mnuSetup")->trigger();
    ASSERT_EQ(window->StripCount(), 5);
    QElapsedTimer clock;
    clock.start();
    // On a quiet machine the data is shown 0.9-1.0 s after OK; the wait leaves room for a
    // loaded one.
    EXPECT_TRUE(WaitUntil([&] { return Quiet(); }, 3000));
    const std::string afterSetup = Snapshot(*window);
    RecordProperty("setup_to_data_ms", static_cast<int>(clock.elapsed()));
    EXPECT_TRUE(window->Strip(0).cmbSource->currentText().startsWith("MIC 9") ||
                window->Strip(0).cmbSource->currentIndex() == 9)
        << afterSetup;
    EXPECT_EQ(window->Strip(3).cmdOn->BackgroundColour(), OnColour) << afterSetup;

    // What a fresh start-up shows for the same strips.
    sim.server.DropAll();
    ASSERT_TRUE(WaitUntil([&] { return !v.SocketConnected; }));
    window->Link().PollTick();
    ASSERT_TRUE(RunUntilConnected());
    EXPECT_EQ(afterSetup, Snapshot(*window));
}

// Megabytes of command bytes with no end byte, then an end byte and a poll: the panel and
// the simulator each drop them in one pass and answer the poll.
TEST(BrokenOffBytes, MegabytesOfThemAreDroppedAndThePollAfterThemIsAnswered) {
    constexpr std::size_t Size = 4 << 20;
    for (const bool toSimulator : {false, true}) {
        for (const std::uint8_t fill : {std::uint8_t{0x80}, std::uint8_t{0xF0}}) {
            SCOPED_TRACE(std::string(toSimulator ? "simulator" : "panel") + ", fill " +
                         std::to_string(fill));
            Bytes junk(Size, fill);
            junk.push_back(wire::EndOfMessage);
            junk.push_back(wire::Poll);
            QElapsedTimer clock;
            bool answered = false;
            if (toSimulator) {
                InProcessSwitcher sim;
                ASSERT_TRUE(sim.listening);
                QTcpSocket panel;
                QByteArray received;
                QObject::connect(&panel, &QTcpSocket::readyRead,
                                 [&] { received += panel.readAll(); });
                panel.connectToHost(QHostAddress::LocalHost, sim.server.Port());
                ASSERT_TRUE(WaitUntil([&] { return received.contains('\xFF'); }))
                    << "no type request";
                panel.write("\x81\x09\x01\x0A\xFF", 5);
                received.clear();
                clock.start();
                panel.write(reinterpret_cast<const char*>(junk.data()),
                            static_cast<qint64>(junk.size()));
                answered = WaitUntil([&] { return received.contains('\xF4'); }, 20000);
            } else {
                LoopbackServer server;
                ScratchPanel scratch(server.Port());
                scratch.v.StartupStep = StartupComplete; // no requests in the way
                scratch.window->Link().ConnectToServer();
                ASSERT_TRUE(server.WaitForConnection());
                ASSERT_TRUE(WaitUntil([&] { return scratch.v.SocketConnected; }));
                server.Received().clear();
                clock.start();
                server.Send(junk);
                answered = WaitUntil(
                    [&] {
                        const Bytes& in = server.Received();
                        return std::find(in.begin(), in.end(), wire::PollAnswer) != in.end();
                    },
                    20000);
            }
            const qint64 ms = clock.elapsed();
            RecordProperty(std::string(toSimulator ? "sim_" : "panel_") + std::to_string(fill) +
                               "_ms",
                           static_cast<int>(ms));
            EXPECT_TRUE(answered);
        }
    }
}

// A window that counts the relay reports it is told about and checks that each shows the
// value the one before it was followed by.
class CountingPanel : public frmMain {
public:
    CountingPanel(Variables& v, ErrorLog& log) : frmMain(v, log), v_(v) {}
    void UpdateUserButtonTally() override {
        frmMain::UpdateUserButtonTally();
        outOfTurn += v_.RelayStates[0] != applied % test::FloodServer::BlockReports;
        ++applied;
    }
    long long applied = 0;
    long long outOfTurn = 0;

private:
    const Variables& v_;
};

TEST(Flood, ValidReportsFasterThanThePanelDecodesKeepItsMemoryBoundedAndLoseNothing) {
    using namespace std::chrono_literals;
    test::FloodServer server;
    ASSERT_NE(server.Port(), 0);
    test::TempFolder dir{"orl-faults"};
    Variables v;
    ProgramSetup(v, dir.MadePath().string());
    v.IPAddress = "127.0.0.1";
    v.IPPort = server.Port();
    ErrorLog log{v};
    CountingPanel window(v, log);
    window.show();

    const long residentBefore = ResidentKilobytes();
    long residentPeak = residentBefore;
    std::size_t bufferPeak = 0;
    Heartbeat heartbeat([&] {
        residentPeak = std::max(residentPeak, ResidentKilobytes());
        bufferPeak = std::max(bufferPeak, v.ReceiveBuffer.size());
    });
    server.Start(20s);
    window.Link().ConnectToServer();
    window.EnablePollTimer(true);
    ASSERT_TRUE(WaitUntil([&] { return server.flooding.load(); }));
    ASSERT_TRUE(WaitUntil([&] { return server.done.load(); }, 60000));
    ASSERT_TRUE(WaitUntil([&] { return window.applied >= server.reportsSent; }, 10000));
    heartbeat.Stop();

    const long long sent = server.reportsSent;
    RecordProperty("reports", static_cast<int>(sent));
    RecordProperty("resident_growth_kb", static_cast<int>(residentPeak - residentBefore));
    RecordProperty("largest_gap_ms", static_cast<int>(heartbeat.largestGap));
    RecordProperty("largest_wall_gap_ms", static_cast<int>(heartbeat.largestWallGap));
    RecordProperty("poll_answer_ms", static_cast<int>(server.answerMs));
    RecordProperty("buffer_peak_kb", static_cast<int>(bufferPeak >> 10));
    std::printf("%lld reports in 20 s; resident +%ld kB; largest gap %lld ms (%lld by the "
                "clock); poll answered after %lld ms; buffer peak %zu kB\n",
                sent, residentPeak - residentBefore, static_cast<long long>(heartbeat.largestGap),
                static_cast<long long>(heartbeat.largestWallGap), server.answerMs.load(),
                bufferPeak >> 10);

    EXPECT_GT(sent, 100000);
    EXPECT_GE(bufferPeak, TCPComm::LowWaterMark) << "the flood never outran the decoder";
    EXPECT_EQ(window.applied, sent);
    EXPECT_EQ(window.outOfTurn, 0);
    EXPECT_GE(server.pollsReceived, 10) << "the poll timer stalled during the flood";
    EXPECT_GE(server.answerMs, 0) << "the poll after the flood was never answered";
    // The window's event loop kept turning through the flood (a 10 ms timer over 20 s).
    EXPECT_GT(heartbeat.ticks, 100);
    EXPECT_TRUE(v.SocketConnected);
    if (ResidentMemoryMeasurable) {
        EXPECT_LT(residentPeak - residentBefore, 16 * 1024) << "kB grown during the flood";
    }
}
