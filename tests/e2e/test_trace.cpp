// The wire trace: one table of frames and what they say, read by the panel's describer
// and by the simulator's trace of what it received; orl-console --trace writing the
// panel's messages (and nothing without it); and the writer's count of dropped lines.

#include "ChildProcess.h"
#include "Describe.h"
#include "Files.h"
#include "Frames.h"
#include "LineWriter.h"
#include "PanelConfiguration.h"
#include "SimulatorProcess.h"
#include "Switcher.h"
#include "TempFolder.h"
#include "WaitUntil.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <termios.h>

#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace orl;

namespace {

struct Described {
    const char* frame; // hex; the checksum byte is filled in
    const char* meaning;
    bool panelCommand; // one the simulator handles as a switcher would
};

// Frames both ways, as they travel. "cs" stands for the checksum.
const Described Table[] = {
    {"F5", "poll", true},
    {"F4", "poll answer", false},
    {"F1", "offline", false},
    {"81 64 cs FF", "type request", false},
    {"81 09 01 cs FF", "type reply: panel type 9, value 1", true},
    {"F2 00 02 00 00 00 00 7F 7F 00 00 cs FF",
     "information request: words 256 0, count 16383, first 0: input names", true},
    {"F2 00 00 00 00 05 02 01 00 03 00 cs FF",
     "information request: words 0 261, count 1, first 3: console names input channel "
     "attributes device data",
     true},
    {"F2 00 00 00 00 00 00 00 00 00 00 cs FF",
     "information request: words 0 0, count 0, first 0: nothing asked", true},
    {"D6 7F 00 01 01 00 00 00 01 cs FF", "channel on/off: input 2 console 1 on", true},
    {"D6 7F 00 02 04 00 7F 7F 00 00 00 09 00 07 cs FF",
     "channel on/off: input 5 console all off input 1 console 10 state 7", false},
    {"E3 02 14 01 00 01 00 00 08 cs FF", "gain: parameter 20, device 1, value 1024", true},
    {"D3 01 01 00 05 07 00 7F 7F 00 cs FF", "source change: device 7 to none", true},
    {"D3 01 01 00 05 07 00 02 00 00 cs FF", "source change: device 7 to input 3", true},
    {"FE 24 18 02 00 00 00 0C 00 7F 7F 7F 7F 7F 7F 7F 04 00 00 00 00 00 00 00 08 00 08 00 08 "
     "00 00 cs FF",
     "crosspoint change: mode 3108 assign device 12 (source 3) to bus 1", true},
    {"FE 44 00 00 00 04 00 cs FF", "relay change 68: relay 5 on", true},
    {"FE 64 00 02 00 00 00 cs FF", "opto change 100: opto 3 on", true},
    {"FE 25 00 03 00 07 00 cs FF", "simple take 37 (IFB press): source 4 to output 7", true},
    {"FC 0A 08 02 00 00 00 cs FF", "input names: 2 of 8 characters, first 0", false},
    {"F6 00 01 00 01 00 01 00 01 05 00 00 00 cs FF",
     "crosspoint map: 1 buses from bus 2, devices 5", false},
    {"F7 28 01 00 04 00 01 cs FF", "relay states: relay 5 on", false},
    {"F7 1E 40 00 cs FF", "opto states: 64 entries", false},
    {"D9 00 00 03 00 0A 00 04 02 cs FF", "device data: 3 devices from 10", false},
    {"D9 00 01 01 00 04 02 07 00 02 00 00 00 00 08 00 00 00 40 cs FF",
     "device data: device 7 source 3 gain 1024 on", false},
    {"D0 0A 00 01 00 0C 00 cs FF", "input channel attributes: 1 from input 13", false},
    {"E5 01 00 00 05 00 00 00 cs FF", "switcher type 5", false},
    // What a trace must still say of broken frames
    {"D6 7F 00 01 01 00 cs FF", "frame cut short", false},
    {"F7 28 01 00 04 00 01 7F FF", "relay states: relay 5 on (checksum wrong)", false},
    {"FE 01 02 03 cs FF", "take of 6 bytes: not known", false},
    {"C4 01 cs FF", "command not known", false},
};

Bytes FrameOf(const Described& row) {
    std::string hex = row.frame;
    const std::size_t at = hex.find("cs");
    Bytes frame = HexToBytes(at == std::string::npos ? hex : hex.replace(at, 2, "00"));
    if (at != std::string::npos) {
        int sum = 0;
        for (std::size_t i = 1; i + 2 < frame.size(); ++i)
            sum += frame[i];
        frame[frame.size() - 2] = static_cast<std::uint8_t>(sum & 0x7F);
    }
    return frame;
}

} // namespace

TEST(Trace, EachFrameIsDescribedTheSameByThePanelAndTheSimulator) {
    sim::SwitcherModel model(sim::SwitcherSize{});
    sim::Switcher switcher(model);
    for (const Described& row : Table) {
        const Bytes frame = FrameOf(row);
        EXPECT_EQ(wire::DescribeFrame(frame), row.meaning) << row.frame;
        if (!row.panelCommand)
            continue;
        // The simulator's trace line: the command byte, the same words, then its notes.
        const std::string expected = BytesToHex(Bytes{frame[0]}) + " " + row.meaning;
        EXPECT_EQ(switcher.Handle(frame).text.substr(0, expected.size()), expected) << row.frame;
    }
    EXPECT_EQ(wire::HexExcerpt(Bytes(41, 0x01)),
              "01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 01 ... (41 bytes)");
}

namespace {

// orl-console on the simulator in a folder of its own, with `arguments`; its standard
// error kept in the folder.
class TracedPanel {
public:
    TracedPanel(quint16 port, const QStringList& arguments) : folder_("orl-trace") {
        dir_ = QString::fromStdString(folder_.MadePath().string());
        test::WriteConfigurationFile(dir_ + "/orlntpnl.ini",
                                     test::ConfigurationHead(port, {1}, false));
        process_.setStandardErrorFile(dir_ + "/stderr.txt");
        test::EndWithTheTest(process_);
        process_.start(ORL_CONSOLE_PATH, QStringList{"--folder", dir_} + arguments);
    }
    ~TracedPanel() { test::StopProcess(process_); }
    QString File(const QString& name) const {
        return QString::fromStdString(test::FileText((dir_ + "/" + name).toStdString()));
    }
    void Stop() { test::StopProcess(process_); }

private:
    test::TempFolder folder_;
    QString dir_;
    QProcess process_;
};

} // namespace

TEST(Trace, TraceWritesEveryMessageOfThePanelAndNothingWithoutIt) {
    test::SimulatorProcess sim({}, 0, /*traced=*/true);
    ASSERT_NE(sim.Port(), 0);
    {
        // Without --trace: once the switcher has this panel's poll, the panel has written
        // not one trace line.
        TracedPanel panel(sim.Port(), {});
        ASSERT_TRUE(sim.WaitForLine("<- #1 F5 poll", 20000));
        panel.Stop();
        EXPECT_FALSE(panel.File("stderr.txt").contains(" -> "))
            << panel.File("stderr.txt").toStdString();
    }

    test::TempFolder traceFolder("orl-trace-file");
    const QString traceFile = QString::fromStdString(traceFolder.MadePath().string()) + "/t.txt";
    {
        QFile existing(traceFile);
        ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
        existing.write("kept\n"); // appended to, not replaced
    }
    TracedPanel traced(sim.Port(), {"--trace=" + traceFile});
    const auto trace = [&] {
        return QString::fromStdString(test::FileText(traceFile.toStdString()));
    };
    ASSERT_TRUE(test::WaitUntil([&] { return trace().contains(" <- F4  poll answer\n"); }, 20000))
        << trace().toStdString();
    sim.WriteLine("burst 1");
    const QRegularExpression report(" <- D6 7F 00 01 00 00 00 00 0[01] [0-9A-F]{2} FF  channel "
                                    "on/off: input 1 console 1 o");
    ASSERT_TRUE(test::WaitUntil([&] { return trace().contains(report); }, 10000))
        << trace().toStdString();
    const QString text = trace();
    EXPECT_TRUE(text.startsWith("kept\n"));
    EXPECT_TRUE(text.contains(QRegularExpression(
        "\n\\d+\\.\\d{3} -> 81 09 01 0A FF  type reply: panel type 9, value 1\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(" -> F5  poll\n"));
}

// A FIFO nobody reads yet does not hold the start up: the panel connects and polls, and
// a reader that comes later finds the trace with the connection's events in it.
TEST(Trace, AFifoWithoutAReaderDoesNotHoldThePanelUp) {
    test::SimulatorProcess sim({}, 0, /*traced=*/true);
    ASSERT_NE(sim.Port(), 0);
    test::TempFolder fifoFolder("orl-trace-fifo");
    const std::string fifo = fifoFolder.MadePath().string() + "/trace";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    TracedPanel panel(sim.Port(), {"--trace=" + QString::fromStdString(fifo)});
    ASSERT_TRUE(sim.WaitForLine("<- #1 F5 poll", 20000));
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    std::string text;
    EXPECT_TRUE(test::WaitUntil([&] {
        char chunk[4096];
        for (ssize_t n; (n = ::read(reader, chunk, sizeof chunk)) > 0;)
            text.append(chunk, static_cast<std::size_t>(n));
        return text.find(" -> F5  poll\n") != std::string::npos;
    }));
    ::close(reader);
    EXPECT_NE(text.find(" -- connecting to 127.0.0.1:" + std::to_string(sim.Port()) + "\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(" -- connected\n"), std::string::npos) << text;
}

// The trace's writer behind a pipe or a terminal nobody reads (output stopped with
// Ctrl-S, a stalled remote session): writing never waits; the lines that do not fit are
// dropped and counted, and once the reader catches up it gets every kept line in order,
// then the one line that counts the dropped ones exactly, then what is written after.
// The descriptor handed over (shared with the shell) is left blocking as it was.
TEST(Trace, LinesAPipeOrTerminalCannotTakeAreCountedExactlyOnceTheReaderCatchesUp) {
    struct Ends {
        int write = -1, read = -1;
    };
    const struct {
        const char* what;
        std::function<Ends()> open;
        int written; // lines of 100 bytes: well beyond what the writer and the file hold
        bool exact;  // every line the file took arrives
    } rows[] = {
        {"pipe",
         [] {
             int ends[2] = {-1, -1};
             if (::pipe2(ends, O_CLOEXEC) != 0)
                 return Ends{};
             ::fcntl(ends[1], F_SETPIPE_SZ, 4096);
             return Ends{ends[1], ends[0]};
         },
         2000, true},
        {"pseudo-terminal",
         [] {
             const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
             if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
                 return Ends{};
             const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
             termios raw{};
             ::tcgetattr(slave, &raw);
             ::cfmakeraw(&raw);
             ::tcsetattr(slave, TCSANOW, &raw);
             return Ends{slave, master};
         },
         20000, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const Ends ends = row.open();
        ASSERT_GE(ends.write, 0);
        ASSERT_GE(ends.read, 0);
        const int flags = ::fcntl(ends.write, F_GETFL);
        ::fcntl(ends.read, F_SETFL, ::fcntl(ends.read, F_GETFL) | O_NONBLOCK);
        std::string received;
        {
            LineWriter writer(ends.write);
            for (int i = 0; i < row.written; ++i)
                writer.Write("line " + std::to_string(i) + std::string(90, '.'));
            EXPECT_EQ(::fcntl(ends.write, F_GETFL), flags);
            const auto drain = [&] {
                char chunk[4096];
                for (ssize_t n; (n = ::read(ends.read, chunk, sizeof chunk)) > 0;)
                    received.append(chunk, static_cast<std::size_t>(n));
            };
            ASSERT_TRUE(test::WaitUntil([&] {
                drain();
                return received.find(" trace lines dropped\n") != std::string::npos;
            }));
            writer.Write("after");
            ASSERT_TRUE(test::WaitUntil([&] {
                drain();
                return received.ends_with("after\n");
            }));
        }
        ::close(ends.read);
        ::close(ends.write);

        std::istringstream lines(received);
        std::string line;
        int kept = 0;
        int last = -1;
        while (std::getline(lines, line) && line.starts_with("line ")) {
            const int number = std::stoi(line.substr(5, line.find('.') - 5));
            // A terminal overrun by its own reader may lose some itself: there the
            // lines are only in order.
            if (row.exact)
                ASSERT_EQ(number, kept);
            else
                ASSERT_GT(number, last);
            last = number;
            ++kept;
        }
        EXPECT_GT(kept, 0);
        EXPECT_LT(kept, row.written);
        if (row.exact)
            EXPECT_EQ(line, std::to_string(row.written - kept) + " trace lines dropped");
        else
            EXPECT_TRUE(line.ends_with(" trace lines dropped")) << line;
        ASSERT_TRUE(std::getline(lines, line));
        EXPECT_EQ(line, "after");
        EXPECT_FALSE(std::getline(lines, line));
    }
}
