// The whole-program figures of scripts/bench, printed as one table with their goals set
// near what the panel does today, so that a regression shows: decoder throughput and the
// cost of dropping broken-off bytes (from bench_decoder's JSON), an end-to-end burst into
// a running panel, the time from connecting to "Connected", the processor time of a report
// that recolours a strip, memory growth, the answer to a poll and the longest event-loop
// stall under a flood of reports, single-device data (every panel hears of every gain
// move) into a running panel, the slowest poll answer of 40 panels while 8 move gains,
// start-up time, peak memory after a large switcher's tables, and the idle cost of a
// connected panel. The test suite checks outcomes only;
// these figures are measured here.
//
//   bench_driver --decoder-json FILE --console PATH --sim PATH
//   bench_driver --only-connect --sim PATH
//   bench_driver --only-gain-moves --sim PATH
//
// Exits 1 when a figure misses its goal, 2 when something could not be measured.

#include "Configuration.h"
#include "FloodServer.h"
#include "Frames.h"
#include "Heartbeat.h"
#include "Options.h"
#include "ProcStatus.h"
#include "ScratchPanel.h"
#include "SimulatorServer.h"
#include "Switcher.h"
#include "SwitcherModel.h"
#include "TempFolder.h"
#include "Trace.h"
#include "WaitUntil.h"
#include "frmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using namespace orl;
using orl::test::LinkQuiet;
using orl::test::ScratchPanel;

namespace {

// Checks often, so that a figure is not rounded up to the next slice of the event loop.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    return test::WaitUntil(done, timeoutMs, 5);
}

// Waits without spinning, so that the driver does not take a processor from what it measures.
void Pause(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Row {
    std::string figure;
    std::string measured;
    std::string goal;
    bool met = false;
};

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "bench_driver: %s\n", why.c_str());
    std::exit(2);
}

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Thousands(double value) {
    const std::string digits = std::to_string(static_cast<long long>(value + 0.5));
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// ---- Decoder ------------------------------------------------------------------------------

std::vector<Row> DecoderRows(const QString& jsonPath) {
    QFile file(jsonPath);
    if (!file.open(QIODevice::ReadOnly))
        Fail("cannot read " + jsonPath.toStdString());
    const QJsonArray benchmarks = QJsonDocument::fromJson(file.readAll())["benchmarks"].toArray();
    std::optional<double> costShort, costLong, rate, brokenOffNs;
    for (const QJsonValue& entry : benchmarks) {
        const QJsonObject b = entry.toObject();
        const QString name = b["name"].toString();
        const QString unit = b["time_unit"].toString();
        const double nsPerUnit = unit == "s" ? 1e9 : unit == "ms" ? 1e6 : unit == "us" ? 1e3 : 1;
        const double perIteration = b["cpu_time"].toDouble() * nsPerUnit;
        if (name == "DrainChannelReports/1000") {
            costShort = perIteration / 1000;
        } else if (name == "DrainChannelReports/100000") {
            costLong = perIteration / 100000;
            rate = b["items_per_second"].toDouble();
        } else if (name == "DropBrokenOffBytes") {
            brokenOffNs = perIteration;
        }
    }
    if (!costShort || !costLong || !rate || !brokenOffNs)
        Fail("bench_decoder's JSON lacks DrainChannelReports/1000, /100000 or "
             "DropBrokenOffBytes");
    const double ratio = *costLong / *costShort;
    const double msPerMb = *brokenOffNs / 1e6 / 4;
    return {
        {"decoder: 11-byte channel reports, 100,000 queued", Thousands(*rate) + " msg/s",
         ">= 25,000,000 msg/s", *rate >= 25e6},
        {"decoder: per-message cost, 100,000 vs 1,000 queued", Fixed(ratio, 2) + " x", "<= 1.5",
         ratio <= 1.5},
        {"decoder: command bytes without an end byte, per MB", Fixed(msPerMb, 2) + " ms", "< 2 ms",
         msPerMb < 2},
    };
}

// ---- End-to-end burst -----------------------------------------------------------------------

struct InProcessSwitcher {
    InProcessSwitcher() {
        options.port = 0;
        options.quiet = true;
    }
    sim::Options options;
    sim::SwitcherModel model{options.size};
    sim::Switcher switcher{model};
    sim::Trace trace{true};
    sim::SimulatorServer server{switcher, trace, options};
};

Row BurstRow() {
    constexpr int Count = 10000;
    InProcessSwitcher sim;
    std::string error;
    if (!sim.server.Listen(0, error))
        Fail("no simulator for the burst: " + error);
    ScratchPanel panel(sim.server.Port());
    if (!panel.dir.Made())
        Fail("no scratch folder for the burst");
    Variables& v = panel.v;
    frmMain& window = *panel.window;
    v.ConsoleNumber = 1;
    v.FaderDeviceID[0] = 1;
    window.Link().ConnectToServer();
    const auto quiet = [&] { return LinkQuiet(v, window); };
    if (!WaitUntil([&] { return v.SocketConnected; }, 5000))
        Fail("the panel did not connect to the in-process simulator");
    for (int tick = 0; tick < 30 && window.windowTitle() != CaptionConnected; ++tick) {
        WaitUntil(quiet, 2000);
        window.Link().PollTick();
    }
    if (window.windowTitle() != CaptionConnected || v.RelayStates.size() < 8)
        Fail("the panel did not finish its start-up with the in-process simulator");

    // The relay report sent behind the burst is applied after its last report.
    std::vector<double> rates;
    for (int run = 0; run < 3; ++run) {
        const bool on = run % 2 == 0;
        QElapsedTimer clock;
        clock.start();
        sim.server.Command("burst " + std::to_string(Count) + " 1");
        sim.server.Command(std::string("relay 5 ") + (on ? "on" : "off"));
        if (!WaitUntil([&] { return v.RelayStates[4] == (on ? 1 : 0) && v.ReceiveBuffer.empty(); },
                       60000))
            Fail("the burst was not applied within a minute");
        rates.push_back(Count / (static_cast<double>(clock.nsecsElapsed()) / 1e9));
        WaitUntil(quiet, 2000);
    }
    const double rate = Median(rates);
    return {"end-to-end burst of 10,000 channel reports (median of 3)", Thousands(rate) + " msg/s",
            ">= 250,000 msg/s", rate >= 250000};
}

// ---- Tally-changing burst --------------------------------------------------------------------

// A switcher of one input: each report of its burst switches that input on or off, and the
// one strip shown follows it, so every report recolours the strip's ON and OFF buttons.
Row TallyBurstRow() {
    constexpr int Count = 20001; // odd, so every run leaves the channel switched over
    sim::Options options;
    options.port = 0;
    options.quiet = true;
    options.size.inputs = 1;
    sim::SwitcherModel model{options.size};
    sim::Switcher switcher{model};
    sim::Trace trace{true};
    sim::SimulatorServer server{switcher, trace, options};
    std::string error;
    if (!server.Listen(0, error))
        Fail("no simulator for the tally burst: " + error);
    ScratchPanel panel(server.Port());
    Variables& v = panel.v;
    frmMain& window = *panel.window;
    v.ConsoleNumber = 1;
    v.PanelMode = PanelModeConsole;
    v.FaderDeviceID[0] = 1;
    v.FaderSource[0] = 1;
    window.Link().ConnectToServer();
    const auto quiet = [&] { return LinkQuiet(v, window); };
    if (!WaitUntil([&] { return v.SocketConnected; }, 5000))
        Fail("the panel did not connect for the tally burst");
    for (int tick = 0; tick < 30 && window.windowTitle() != CaptionConnected; ++tick) {
        WaitUntil(quiet, 2000);
        window.Link().PollTick();
    }
    if (window.windowTitle() != CaptionConnected || !window.Strip(0).cmdOn->isVisible())
        Fail("the panel did not show its strip after start-up for the tally burst");

    std::vector<double> rates;
    for (int run = 0; run < 3; ++run) {
        const bool relayOn = run % 2 == 0;
        QElapsedTimer clock;
        clock.start();
        server.Command("burst " + std::to_string(Count) + " 1");
        server.Command(std::string("relay 5 ") + (relayOn ? "on" : "off"));
        if (!WaitUntil(
                [&] { return v.RelayStates[4] == (relayOn ? 1 : 0) && v.ReceiveBuffer.empty(); },
                120000))
            Fail("the tally burst was not applied within two minutes");
        rates.push_back(Count / (static_cast<double>(clock.nsecsElapsed()) / 1e9));
        const bool on = model.ChannelOn(0, 0);
        if (window.Strip(0).cmdOn->BackgroundColour() != (on ? OnColour : IdleColour) ||
            window.Strip(0).cmdOff->BackgroundColour() != (on ? IdleColour : ActiveColour))
            Fail("the strip's ON/OFF tally does not show the switcher's state after the burst");
        WaitUntil(quiet, 2000);
    }
    const double rate = Median(rates);
    return {"burst of 20,001 reports toggling a shown strip's ON/OFF (median of 3)",
            Thousands(rate) + " msg/s", ">= 250,000 msg/s", rate >= 250000};
}

// ---- Processes ------------------------------------------------------------------------------

// utime + stime in clock ticks.
long long CpuTicks(qint64 pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int n = 3; fields >> field; ++n) { // field 3 is the state
        if (n == 14)
            utime = std::stoll(field);
        if (n == 15) {
            stime = std::stoll(field);
            break;
        }
    }
    return utime + stime;
}

// A simulator process on a free port; stopped on destruction.
class SimulatorProcess {
public:
    SimulatorProcess(const QString& path, const QStringList& extra) {
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start(path, QStringList{"--port", "0", "--quiet"} + extra);
        if (!process_.waitForStarted(5000) || !process_.waitForReadyRead(10000))
            Fail("the simulator did not start");
        const QString line = QString::fromLatin1(process_.readLine()).trimmed();
        port_ = line.section(':', -1).toInt();
        if (port_ == 0)
            Fail("the simulator said " + line.toStdString());
    }
    ~SimulatorProcess() {
        process_.write("quit\n");
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    int Port() const { return port_; }

private:
    QProcess process_;
    int port_ = 0;
};

// A folder holding a copy of the panel program and its configuration: the program keeps
// its files beside itself.
class ProgramFolder {
public:
    ProgramFolder(const QString& console, int port, int faders) {
        if (!dir_.Made())
            Fail("no scratch folder");
        program_ = QString::fromStdString((dir_.Path() / "orl-console").string());
        if (!QFile::copy(console, program_))
            Fail("cannot copy " + console.toStdString());
        QFile::setPermissions(program_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Variables v;
        ProgramSetup(v, dir_.Path().string());
        v.IPAddress = "127.0.0.1";
        v.IPPort = port;
        v.FaderCount = static_cast<std::int16_t>(faders);
        v.StayOnTopMode = NotOnTop;
        ResizeFaderArrays(v, static_cast<std::size_t>(faders));
        for (int i = 0; i < faders; ++i) {
            v.FaderDeviceID[i] = static_cast<std::int16_t>(i + 1);
            v.FaderSource[i] = static_cast<std::int16_t>(i + 1);
        }
        ErrorLog log(v);
        if (!WriteConfiguration(v, log))
            Fail("cannot write the scratch configuration");
    }
    QString Program() const { return program_; }
    QString Folder() const { return QString::fromStdString(dir_.Path().string()); }

private:
    test::TempFolder dir_{"orl-bench"};
    QString program_;
};

QProcess* StartPanel(const ProgramFolder& folder, bool reportShown) {
    auto* process = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    if (reportShown)
        env.insert("ORL_REPORT_SHOWN", "1");
    process->setProcessEnvironment(env);
    process->setWorkingDirectory(folder.Folder());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(folder.Program(), {});
    return process;
}

Row StartupRow(const ProgramFolder& folder) {
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        QProcess* panel = StartPanel(folder, true);
        QByteArray out;
        while (!out.contains("shown") && panel->waitForReadyRead(10000))
            out += panel->readAllStandardOutput();
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (!out.contains("shown"))
            Fail("the panel never reported its window shown");
        times.push_back(ms);
        panel->waitForFinished(5000);
        delete panel;
    }
    const double ms = Median(times);
    return {"start-up to the first shown window (median of 5)", Fixed(ms, 0) + " ms", "< 200 ms",
            ms < 200};
}

std::vector<Row> ConnectedPanelRows(const QString& console, const QString& simPath) {
    constexpr int StartupWaitMs = 4000;
    constexpr int IdleSeconds = 30;
    SimulatorProcess sim(simPath, {"--inputs", "1024", "--buses", "8192"});
    ProgramFolder folder(console, sim.Port(), 20);
    std::vector<Row> rows;
    rows.push_back(StartupRow(folder));

    QProcess* panel = StartPanel(folder, false);
    if (!panel->waitForStarted(5000))
        Fail("the panel did not start");
    const qint64 pid = panel->processId();
    Pause(StartupWaitMs); // the start-up sequence itself takes well under a second
    const long peakKb = test::StatusKilobytes(std::to_string(pid), "VmHWM");
    // The last step of the start-up asks for every strip's channel attributes, and each
    // answer is recorded in the panel's log.
    int attributeAnswers = 0;
    {
        std::ifstream in(folder.Folder().toStdString() + "/Errorlog.txt");
        for (std::string line; std::getline(in, line);)
            attributeAnswers += line.find("InChan Starting with") != std::string::npos;
    }
    const long long ticksBefore = CpuTicks(pid);
    QElapsedTimer clock;
    clock.start();
    Pause(IdleSeconds * 1000);
    const long long ticks = CpuTicks(pid) - ticksBefore;
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const bool alive = panel->state() == QProcess::Running;
    panel->terminate();
    if (!panel->waitForFinished(3000))
        panel->kill();
    panel->waitForFinished(3000);
    delete panel;
    if (!alive || peakKb < 0 || ticksBefore < 0)
        Fail("the connected panel ended early");
    if (attributeAnswers < 20)
        Fail("the panel had not finished its start-up after " + std::to_string(StartupWaitMs) +
             " ms");
    const double percent =
        100.0 * static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK)) / seconds;
    const double peakMb = static_cast<double>(peakKb) / 1024.0;
    rows.push_back({"peak memory, 20 strips, 1024 inputs, 8192 buses", Fixed(peakMb, 1) + " MB",
                    "< 70 MB", peakMb < 70});
    rows.push_back({"idle cost of the connected, polled panel over 30 s",
                    Fixed(percent, 2) + " % of a core", "< 0.2 %", percent < 0.2});
    return rows;
}

// ---- Connecting ------------------------------------------------------------------------------

// Milliseconds from asking to connect to "ORL Console - Connected", for a new connection and
// for a reconnection (the panel drops the link and connects again), median of 5 each. The
// panel runs in-process with its poll timer as in the program; the simulator is a process.
std::pair<double, double> ConnectMs(const QString& simPath, const QStringList& simArgs,
                                    int faders) {
    SimulatorProcess sim(simPath, simArgs);
    std::vector<double> first, again;
    for (int run = 0; run < 5; ++run) {
        ScratchPanel panel(sim.Port());
        Variables& v = panel.v;
        frmMain& window = *panel.window;
        v.ConsoleNumber = 1;
        v.FaderCount = static_cast<std::int16_t>(faders);
        ResizeFaderArrays(v, static_cast<std::size_t>(faders));
        for (int i = 0; i < faders; ++i) {
            v.FaderDeviceID[i] = static_cast<std::int16_t>(i + 1);
            v.FaderSource[i] = static_cast<std::int16_t>(i + 1);
        }
        InitDeviceIDs(v);
        window.LoadFaders();
        window.EnablePollTimer(true);
        for (std::vector<double>* times : {&first, &again}) {
            if (times == &again) {
                window.Link().DisconnectFromServer();
                WaitUntil([&] { return LinkQuiet(v, window); }, 500);
            }
            QElapsedTimer clock;
            clock.start();
            window.Link().ConnectToServer();
            if (!WaitUntil([&] { return window.windowTitle() == CaptionConnected; }, 30000))
                Fail("the panel did not connect to the simulator within 30 s");
            times->push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        }
    }
    return {Median(first), Median(again)};
}

std::vector<Row> ConnectRows(const QString& simPath) {
    const auto [small, smallAgain] = ConnectMs(simPath, {}, 3);
    const auto [large, largeAgain] =
        ConnectMs(simPath, {"--inputs", "1024", "--buses", "8192"}, 20);
    return {
        {"connect to \"Connected\", 3 strips (median of 5)", Fixed(small, 0) + " ms", "< 100 ms",
         small < 100},
        {"reconnect to \"Connected\", 3 strips (median of 5)", Fixed(smallAgain, 0) + " ms",
         "< 100 ms", smallAgain < 100},
        {"connect to \"Connected\", 20 strips, 1024 inputs, 8192 buses", Fixed(large, 0) + " ms",
         "< 200 ms", large < 200},
        {"reconnect to \"Connected\", 20 strips, 1024 inputs, 8192 buses",
         Fixed(largeAgain, 0) + " ms", "< 200 ms", largeAgain < 200},
    };
}

// ---- Flood ---------------------------------------------------------------------------------

// A panel while a server sends valid reports faster than it decodes them, for 20 s: the
// growth of its peak resident memory, how long the poll sent after the flood waits for its
// answer (behind what is still queued), and the longest the window's event loop went
// without a pass (time the machine gave to other programs taken off).
std::vector<Row> FloodRows() {
    test::FloodServer server;
    if (server.Port() == 0)
        Fail("no server for the flood");
    ScratchPanel panel(server.Port());
    const long before = test::StatusKilobytes("self", "VmRSS");
    long peak = before;
    test::Heartbeat heartbeat(
        [&] { peak = std::max(peak, test::StatusKilobytes("self", "VmRSS")); });
    server.Start(std::chrono::seconds(20));
    panel.window->Link().ConnectToServer();
    panel.window->EnablePollTimer(true);
    if (!WaitUntil([&] { return server.done.load(); }, 90000) || server.answerMs < 0)
        Fail("the flood did not end with an answered poll");
    heartbeat.Stop();
    const double mb = static_cast<double>(peak - before) / 1024.0;
    const auto answerMs = static_cast<double>(server.answerMs.load());
    const auto stallMs = static_cast<double>(heartbeat.largestGap);
    return {
        {"memory growth under a 20 s flood of " +
             Thousands(static_cast<double>(server.reportsSent.load())) + " reports",
         Fixed(mb, 1) + " MB", "< 4 MB", mb < 4},
        {"poll answered after a 20 s flood", Fixed(answerMs, 0) + " ms", "< 1000 ms",
         answerMs < 1000},
        {"worst event-loop stall during a 20 s flood", Fixed(stallMs, 0) + " ms", "<= 50 ms",
         stallMs <= 50},
    };
}

// ---- Tally cost ----------------------------------------------------------------------------

// The processor time of decoding a channel report that switches a shown strip's channel
// over, so that its ON and OFF buttons are recoloured: 2,000 reports, best of 5 runs.
Row TallyCostRow() {
    ScratchPanel panel(1);
    Variables& v = panel.v;
    frmMain& window = *panel.window;
    v.ConsoleNumber = 1;
    v.FaderSource[0] = 1;
    v.FaderDeviceID[0] = 1;
    WaitUntil([] { return false; }, 100); // the window is laid out and shown
    constexpr int Count = 2000;
    double best = 1e300;
    for (int run = 0; run < 5; ++run) {
        for (int i = 0; i < Count; ++i)
            v.ReceiveBuffer.Append(
                test::Frame(0xD6).Hex("7F 00 01 00 00 00 00").Byte(i % 2 == 0 ? 1 : 0).Finish());
        const double start = test::ThreadCpuNanoseconds();
        while (window.Link().DecodeTick()) {
        }
        best = std::min(best, (test::ThreadCpuNanoseconds() - start) / Count);
    }
    if (window.Strip(0).cmdOff->BackgroundColour() != ActiveColour)
        Fail("the tally reports were not shown");
    const double us = best / 1000;
    return {"tally: a report recolouring a shown strip, processor time", Fixed(us, 2) + " us",
            "< 0.2 us", us < 0.2};
}

// ---- Gain moves ----------------------------------------------------------------------------

// An in-process panel of 8 strips on devices 1 to 8, laid out and shown.
void EightStrips(ScratchPanel& panel) {
    Variables& v = panel.v;
    v.FaderCount = 8;
    ResizeFaderArrays(v, 8);
    for (int i = 0; i < 8; ++i) {
        v.FaderDeviceID[i] = static_cast<std::int16_t>(i + 1);
        v.FaderSource[i] = static_cast<std::int16_t>(i + 1);
    }
    panel.window->LoadFaders();
}

// A server floods a running panel of 8 strips with one device's data at a time (what every
// panel hears of every gain move), each moving a shown strip, as fast as the panel takes
// them in, for 10 s; then its poll is answered.
std::vector<Row> DeviceDataRows() {
    Bytes block;
    for (int n = 0; n < test::FloodServer::BlockReports; ++n) {
        const int device = 1 + n % 8;
        const Bytes frame = test::Frame(0xD9)
                                .Hex("00 01 01 00 04 02")
                                .Value14(device)
                                .Value14(device)
                                .Value14(0)
                                .Value14(300 + 5 * n)
                                .Value14(0)
                                .Hex("00 40")
                                .Finish();
        block.insert(block.end(), frame.begin(), frame.end());
    }
    test::FloodServer server(block);
    if (server.Port() == 0)
        Fail("no server for the device data");
    ScratchPanel panel(server.Port());
    EightStrips(panel);
    constexpr int Seconds = 10;
    server.Start(std::chrono::seconds(Seconds));
    panel.window->Link().ConnectToServer();
    if (!WaitUntil([&] { return server.done.load(); }, 90000) || server.answerMs < 0)
        Fail("the device data flood did not end with an answered poll");
    const double rate = static_cast<double>(server.reportsSent.load()) / Seconds;
    const auto answerMs = static_cast<double>(server.answerMs.load());
    if (panel.v.FaderGain[7] < 300)
        Fail("the device data did not reach the strips");
    return {{"single-device data into a running panel, 8 strips shown", Thousands(rate) + " msg/s",
             ">= 100,000 msg/s", rate >= 100000},
            {"poll answered after 10 s of single-device data", Fixed(answerMs, 0) + " ms",
             "< 1000 ms", answerMs < 1000}};
}

// The longest a panel waited for the answer to its poll: the time from each 0xF5 sent to
// the next 0xF4 received.
class PollTimer : public ILinkTrace {
public:
    void Sent(const Bytes& message) override {
        if (message.size() == 1 && message[0] == 0xF5 && !asked_.isValid())
            asked_.start();
    }
    void Received(const std::uint8_t* message, std::size_t length) override {
        if (length != 1 || message[0] != 0xF4 || !asked_.isValid())
            return;
        worstMs = std::max(worstMs, asked_.elapsed());
        ++answers;
        asked_.invalidate();
    }
    void Dropped(const std::uint8_t*, std::size_t, std::size_t) override {}
    void Event(const std::string&) override {}
    // An unanswered poll counts for as long as it waits.
    qint64 WorstMs() const { return std::max(worstMs, asked_.isValid() ? asked_.elapsed() : 0); }
    qint64 worstMs = 0;
    int answers = 0;

private:
    QElapsedTimer asked_;
};

// 40 panels of 8 strips on one simulator (a process), all in this process as the same
// thread's work, their windows not shown; 8 of them move a gain each, 100 times a second,
// for 20 s, and every panel is told of every move. The longest any panel waited for a
// poll's answer.
Row ManyPanelsRow(const QString& simPath) {
    constexpr int Panels = 40;
    constexpr int Movers = 8;
    constexpr int MoveEveryMs = 10;
    constexpr int Seconds = 20;
    SimulatorProcess sim(simPath, {});
    std::vector<std::unique_ptr<ScratchPanel>> panels;
    std::vector<std::unique_ptr<PollTimer>> timers;
    for (int p = 0; p < Panels; ++p) {
        panels.push_back(std::make_unique<ScratchPanel>(sim.Port()));
        ScratchPanel& panel = *panels.back();
        panel.v.ConsoleNumber = 1;
        EightStrips(panel);
        // Each panel of a studio paints on a computer of its own; here forty would paint
        // on one thread, which measures that thread, not the link.
        panel.window->hide();
        timers.push_back(std::make_unique<PollTimer>());
        panel.window->Link().SetTrace(timers.back().get());
        panel.window->Link().ConnectToServer();
        panel.window->EnablePollTimer(true);
    }
    if (!WaitUntil(
            [&] {
                return std::all_of(panels.begin(), panels.end(), [](const auto& panel) {
                    return panel->window->windowTitle() == CaptionConnected;
                });
            },
            60000))
        Fail("the 40 panels did not all connect");
    for (auto& timer : timers)
        timer->worstMs = 0;
    int moves = 0;
    QTimer mover;
    QObject::connect(&mover, &QTimer::timeout, [&] {
        for (int m = 0; m < Movers; ++m) {
            const int gain = 300 + (moves / Movers * 7 + m * 100) % 800;
            panels[static_cast<std::size_t>(m)]->window->Link().SendGainChange(
                TCPComm::FaderGainParameter, gain, m + 1, None);
            ++moves;
        }
    });
    mover.start(MoveEveryMs);
    Pause(Seconds * 1000);
    mover.stop();
    qint64 worst = 0;
    int fewest = 1 << 30;
    for (const auto& timer : timers) {
        worst = std::max(worst, timer->WorstMs());
        fewest = std::min(fewest, timer->answers);
    }
    // A poll still waiting counts as long as it has waited; a panel that had few answers
    // in the time is said.
    const auto ms = static_cast<double>(worst);
    std::fprintf(stderr, "bench_driver: 40 panels: %d moves, fewest poll answers %d in %d s\n",
                 moves, fewest, Seconds);
    return {"40 panels in one process, 8 moving gains (" +
                Thousands(moves / static_cast<double>(Seconds)) + " moves/s): slowest poll",
            Fixed(ms, 0) + " ms", "< 1000 ms", ms < 1000 && fewest >= Seconds / 2};
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform's remarks would break up the table.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({"decoder-json", "bench_decoder's JSON output.", "FILE"});
    parser.addOption({"console", "The orl-console program.", "PATH"});
    parser.addOption({"sim", "The orl-switcher-sim program.", "PATH"});
    parser.addOption({"only-connect", "Only the rows of connecting to \"Connected\"."});
    parser.addOption({"only-gain-moves", "Only the rows of device data and many panels."});
    parser.process(app);
    std::vector<Row> rows;
    if (parser.isSet("only-connect") && parser.isSet("sim")) {
        rows = ConnectRows(parser.value("sim"));
    } else if (parser.isSet("only-gain-moves") && parser.isSet("sim")) {
        rows = DeviceDataRows();
        rows.push_back(ManyPanelsRow(parser.value("sim")));
    } else {
        if (!parser.isSet("decoder-json") || !parser.isSet("console") || !parser.isSet("sim"))
            Fail("usage: bench_driver --decoder-json FILE --console PATH --sim PATH");
        rows = DecoderRows(parser.value("decoder-json"));
        rows.push_back(BurstRow());
        rows.push_back(TallyBurstRow());
        for (Row& row : ConnectRows(parser.value("sim")))
            rows.push_back(std::move(row));
        rows.push_back(TallyCostRow());
        for (Row& row : FloodRows())
            rows.push_back(std::move(row));
        for (Row& row : DeviceDataRows())
            rows.push_back(std::move(row));
        rows.push_back(ManyPanelsRow(parser.value("sim")));
        for (Row& row : ConnectedPanelRows(parser.value("console"), parser.value("sim")))
            rows.push_back(std::move(row));
    }

    std::size_t width = 0;
    for (const Row& row : rows)
        width = std::max(width, row.figure.size());
    const auto line = [&](const std::string& a, const std::string& b, const std::string& c,
                          const std::string& d) {
        std::printf("| %-*s | %20s | %19s | %-4s |\n", static_cast<int>(width), a.c_str(),
                    b.c_str(), c.c_str(), d.c_str());
    };
    line("Figure", "Measured", "Goal", "Met");
    std::printf("|%s|%s|%s|%s|\n", std::string(width + 2, '-').c_str(),
                std::string(22, '-').c_str(), std::string(21, '-').c_str(),
                std::string(6, '-').c_str());
    bool all = true;
    for (const Row& row : rows) {
        line(row.figure, row.measured, row.goal, row.met ? "yes" : "no");
        all = all && row.met;
    }
    return all ? 0 : 1;
}
