// The OSC control surface over real UDP on loopback, against the simulator: a surface's
// press reaches the switcher as the same click in the window does, the switcher's reports
// reach a subscriber, a fader without a motor is picked up, and nothing is sent while the
// link is silent or the panel locked.

#include "OscSurface.h"
#include "PanelConfiguration.h"
#include "ScratchPanel.h"
#include "SimulatorProcess.h"
#include "TempFolder.h"
#include "frmMain.h"

#include <QTest>
#include <QUdpSocket>
#include <gtest/gtest.h>
#include <lo/lo.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

namespace orl {
namespace {

using test::TracedSimulator;
using test::WaitUntil;

// Three strips on devices 1, 2 and 13 (MIC 1, MIC 2, PHONE 1 with an IFB output); a relay
// toggle on relay 1, an opto toggle on opto 3 and an opto that follows its button on opto 4.
struct Panel {
    explicit Panel(quint16 simPort) {
        test::WriteConfigurationFile(QString::fromStdString(dir.MadePath().string()) +
                                         "/orlntpnl.ini",
                                     test::ConfigurationHead(simPort, {1, 2, 13}, false)
                                         << test::ButtonLines(1, 1000, "Relay Toggle", 1)
                                         << test::ButtonLines(3, 1100, "Opto Toggle", 3)
                                         << test::ButtonLines(4, 1111, "Opto Follows", 4, 4));
        window = std::make_unique<frmMain>(v, log);
        surface = std::make_unique<OscSurface>(*window, v, log);
        QString error;
        listening = surface->Listen(QHostAddress::LocalHost, 0, error);
        window->Form_Load(dir.Path().string());
        window->show();
    }
    bool StartUp() { return test::TickUntilConnected(*window, v); }

    test::TempFolder dir{"orl-surface"};
    Variables v;
    ErrorLog log{v};
    std::unique_ptr<frmMain> window;
    std::unique_ptr<OscSurface> surface;
    bool listening = false;
};

// The first line in [from, to) of a message received that a press sends, or -1.
int FirstPress(const TracedSimulator& sim, int from, int to) {
    for (int i = from; i < to; ++i) {
        const QString line = sim.Line(i);
        if (!line.contains(" <- "))
            continue;
        for (const char* kind : {"channel on/off", "crosspoint change", "simple take",
                                 "relay change", "opto change", "gain:", "source change"})
            if (line.contains(kind))
                return i;
    }
    return -1;
}

// A control surface: OSC messages made and read by liblo, over a UDP socket of its own.
class Surface {
public:
    explicit Surface(quint16 panelPort) : panelPort_(panelPort) {
        socket_.bind(QHostAddress::LocalHost, 0);
    }
    quint16 Port() const { return socket_.localPort(); }

    void Send(const char* address, const char* types = "", double value = 0) {
        lo_message m = lo_message_new();
        if (types[0] == 'i')
            lo_message_add_int32(m, static_cast<int>(value));
        else if (types[0] == 'f')
            lo_message_add_float(m, static_cast<float>(value));
        std::size_t size = 0;
        void* bytes = lo_message_serialise(m, address, nullptr, &size);
        SendBytes(QByteArray(static_cast<const char*>(bytes), static_cast<qsizetype>(size)));
        std::free(bytes);
        lo_message_free(m);
    }
    void SendBytes(const QByteArray& datagram) {
        socket_.writeDatagram(datagram, QHostAddress::LocalHost, panelPort_);
    }

    // The latest value told for each address, as "i 1", "f -3.5" or "s MIC 1".
    const std::map<std::string, std::string>& Told() {
        while (socket_.hasPendingDatagrams()) {
            QByteArray d(static_cast<qsizetype>(socket_.pendingDatagramSize()), '\0');
            socket_.readDatagram(d.data(), d.size());
            int result = 0;
            lo_message m =
                lo_message_deserialise(d.data(), static_cast<std::size_t>(d.size()), &result);
            if (m == nullptr)
                continue;
            const std::string address = lo_get_path(d.data(), d.size());
            const char type = lo_message_get_types(m)[0];
            // The argument's bytes copied out: liblo does not align them for lo_arg.
            const void* arg = lo_message_get_argv(m)[0];
            std::int32_t i = 0;
            float f = 0;
            std::memcpy(&i, arg, sizeof i);
            std::memcpy(&f, arg, sizeof f);
            told_[address] = type == 'i'   ? "i " + std::to_string(i)
                             : type == 'f' ? "f " + QString::number(f).toStdString()
                                           : "s " + std::string(static_cast<const char*>(arg));
            lo_message_free(m);
        }
        return told_;
    }
    bool WaitTold(const std::string& address, const std::string& value) {
        return WaitUntil([&] {
            const auto& told = Told();
            const auto it = told.find(address);
            return it != told.end() && it->second == value;
        });
    }

private:
    QUdpSocket socket_;
    quint16 panelPort_;
    std::map<std::string, std::string> told_;
};

// The panel started up on a simulator of its own, its surface listening, and one surface.
class ControlSurface : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(sim.Port(), 0);
        ASSERT_TRUE(panel.listening);
        ASSERT_TRUE(panel.StartUp());
    }
    TracedSimulator sim;
    Panel panel{sim.Port()};
    Surface surface{panel.surface->Port()};
};

TEST_F(ControlSurface, EachAddressReachesTheSwitcherAsTheWindowsClickDoes) {

    // The lines are those the simulator traces for the same clicks in the window.
    struct Row {
        const char* address;
        const char* types;
        double value;
        const char* reaches; // empty: the message sends nothing
    };
    const Row rows[] = {
        {"/strip/2/on", "i", 1, "channel on/off: input 2 console 1 on"},
        {"/strip/1/off", "i", 1, "channel on/off: input 1 console 1 off"},
        {"/strip/1/off", "i", 0, ""}, // the release of a click
        {"/strip/3/pgm", "i", 1, "assign device 13 (source 13) to bus 1"},
        {"/strip/3/offln", "i", 1, "assign device 13 (source 13) to bus 2"},
        {"/strip/3/cue", "f", 1, "assign device 13 (source 13) to bus 3"},
        {"/strip/3/ifb", "i", 1, "simple take 37 (IFB press): source 4 to output 1"},
        {"/strip/3/ifb", "i", 1, ""}, // held already
        {"/strip/3/ifb", "i", 0, "simple take 33 (IFB release): source 4 to output 1"},
        {"/strip/3/ifb", "i", 0, ""}, // released already
        {"/strip/2/gain", "f", -1.5, "gain: parameter 20, device 2, value 1009"},
        {"/strip/2/fader", "f", 781.0 / 920, "gain: parameter 20, device 2, value 1005"},
        {"/strip/1/source", "i", 9, "source change: device 1 to input 9"},
        {"/button/1", "i", 1, ""}, // a toggle acts when let go, as a click does
        {"/button/1", "i", 0, "relay change 68: relay 1 on"},
        {"/button/4", "i", 1, "opto change 100: opto 4 on"},
        {"/button/4", "i", 0, "opto change 96: opto 4 off"},
    };
    // A gain step on strip 3 is one frame: once its line is traced, so is every frame the
    // panel sent before it.
    int step = 0;
    const auto settled = [&] {
        ++step;
        const int mark = sim.Mark();
        surface.Send("/strip/3/gain", "f", -0.1 * (step % 2 + 1));
        return sim.WaitForLine(
            QString("gain: parameter 20, device 13, value %1").arg(1024 - (step % 2 + 1)), mark);
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.address) + " " + row.types + " " + std::to_string(row.value));
        if (row.reaches[0] != '\0') {
            const int mark = sim.Mark();
            surface.Send(row.address, row.types, row.value);
            EXPECT_GE(sim.WaitForLine(row.reaches, mark), 0) << sim.Tail(mark).toStdString();
            continue;
        }
        // Nothing goes: no press's frame between the two gain steps around it.
        const int before = settled();
        surface.Send(row.address, row.types, row.value);
        const int after = settled();
        ASSERT_GT(after, before);
        EXPECT_EQ(FirstPress(sim, before + 1, after), -1) << sim.Tail(before).toStdString();
    }
    EXPECT_EQ(panel.surface->IgnoredCount(), 0);

    // A burst of junk, more than the socket holds: the surface keeps reading after it.
    for (int k = 0; k < 2000; ++k)
        surface.SendBytes(QByteArray("/strip/1/nothing\0\0\0\0,i\0\0\0\0\0\1", 24));
    const int mark = sim.Mark();
    EXPECT_TRUE(WaitUntil([&] {
        surface.Send("/strip/2/off", "i", 1);
        return sim.Find("channel on/off: input 2 console 1 off", mark, sim.Mark()) >= 0;
    }));
    EXPECT_GT(panel.surface->IgnoredCount(), 0);
}

TEST_F(ControlSurface, ASubscriberHearsTheStateAndTheSwitchersReports) {
    Surface listener(panel.surface->Port()); // subscribed by `surface`

    surface.Send("/subscribe");
    surface.Send("/subscribe", "i", listener.Port());
    // The whole state at once.
    for (Surface* s : {&surface, &listener}) {
        EXPECT_TRUE(s->WaitTold("/link", "s live"));
        EXPECT_TRUE(s->WaitTold("/strip/1/on", "i 1"));
        EXPECT_TRUE(s->WaitTold("/strip/2/off", "i 1"));
        EXPECT_TRUE(s->WaitTold("/strip/1/pgm", "i 1"));
        EXPECT_TRUE(s->WaitTold("/strip/3/source", "s PHONE 1"));
        EXPECT_TRUE(s->WaitTold("/strip/2/gain", "f 0"));
        EXPECT_TRUE(s->WaitTold("/button/1", "i 0"));
        EXPECT_TRUE(s->WaitTold("/lock", "i 0"));
    }
    // Reports of the switcher, as the strips show them.
    sim.Process().write("relay 1 on\nopto 3 on\n");
    EXPECT_TRUE(surface.WaitTold("/button/1", "i 1"));
    EXPECT_TRUE(surface.WaitTold("/button/3", "i 1"));
    // Another panel's source change, reported by the switcher.
    panel.window->ChooseSource(0, 9);
    EXPECT_TRUE(surface.WaitTold("/strip/1/source", "s CD 1"));
    // A gain moved from another computer's fader (the window's slider here).
    panel.window->MoveGain(1, 964);
    EXPECT_TRUE(listener.WaitTold("/strip/2/gain", "f -6"));
    EXPECT_TRUE(
        listener.WaitTold("/strip/2/fader", "f " + QString::number(740.0f / 920).toStdString()));

    surface.Send("/unsubscribe");
    EXPECT_TRUE(WaitUntil([&] { return panel.surface->SubscriberCount() == 1; }));
}

TEST_F(ControlSurface, AFaderFarFromTheGainIsIgnoredUntilItCrossesIt) {
    ASSERT_EQ(panel.v.FaderGain[1], 1024); // strip 2 at 0 dB

    const int mark = sim.Mark();
    surface.Send("/strip/2/fader", "f", 1.0);  // +12 dB: far above
    surface.Send("/strip/2/gain", "f", 6.0);   // still above, not within 2 dB
    surface.Send("/strip/2/gain", "f", -30.0); // crossed: taken
    const int taken = sim.WaitForLine("gain: parameter 20, device 2, value 724", mark);
    ASSERT_GE(taken, 0) << sim.Tail(mark).toStdString();
    EXPECT_EQ(sim.Find("gain: parameter 20", mark, taken), -1) << sim.Tail(mark).toStdString();
    // In control now: a value far from the last one is taken too.
    surface.Send("/strip/2/gain", "f", -20.0);
    EXPECT_GE(sim.WaitForLine("gain: parameter 20, device 2, value 824", taken), 0);
}

TEST_F(ControlSurface, NothingIsSentWhileTheLinkIsSilentOrThePanelLocked) {
    int heard = 0; // messages the surface took in
    panel.surface->SetTrace([&heard](bool received, const std::string&) { heard += received; });
    surface.Send("/subscribe");
    ASSERT_TRUE(surface.WaitTold("/lock", "i 0"));

    // Locked: neither a surface nor the mouse acts, and the strips say so.
    surface.Send("/lock", "i", 1);
    ASSERT_TRUE(WaitUntil([&] { return panel.window->Locked(); }));
    EXPECT_TRUE(surface.WaitTold("/lock", "i 1"));
    EXPECT_TRUE(panel.window->Strip(0).lblLocked->isVisible());
    int mark = sim.Mark();
    surface.Send("/strip/2/on", "i", 1);
    surface.Send("/strip/3/ifb", "i", 1);
    surface.Send("/strip/3/ifb", "i", 0);
    surface.Send("/button/4", "i", 1);
    surface.Send("/button/4", "i", 0);
    surface.Send("/strip/1/gain", "f", -1);
    surface.Send("/strip/1/source", "i", 5);
    surface.SendBytes("/strip/1/on\0\0\0\0,i\0\0"); // its argument missing
    surface.Send("/strip/1/mute", "i", 1);
    surface.Send("/strip/1/source", "i", 33); // the switcher has 32 inputs
    QTest::mouseClick(panel.window->Strip(1).cmdOn, Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return panel.surface->IgnoredCount() == 3; }));
    // Unlocked: the next press is the first the switcher hears.
    panel.window->mnuLock_Click();
    EXPECT_FALSE(panel.window->Strip(0).lblLocked->isVisible());
    surface.Send("/strip/1/off", "i", 1);
    int next = sim.WaitForLine("channel on/off: input 1 console 1 off", mark);
    ASSERT_GE(next, 0);
    EXPECT_EQ(FirstPress(sim, mark, next), -1) << sim.Tail(mark).toStdString();
    // OFF also drives MIC 1's on-opto: the whole press is in before the switcher stops.
    ASSERT_GE(sim.WaitForLine("opto change 96: opto 1 off", next), 0);

    // Silent: the switcher stops answering polls.
    ::kill(static_cast<pid_t>(sim.Process().processId()), SIGSTOP);
    ASSERT_TRUE(WaitUntil(
        [&] {
            panel.window->Link().PollTick();
            return panel.window->Link().CurrentLinkState() == LinkState::Silent;
        },
        10000, 200));
    EXPECT_TRUE(surface.WaitTold("/link", "s silent"));
    mark = sim.Mark();
    surface.Send("/strip/1/on", "i", 1);
    surface.Send("/strip/3/pgm", "i", 1);
    surface.Send("/button/1", "i", 1);
    const int before = heard;
    surface.Send("/button/1", "i", 0);
    ASSERT_TRUE(WaitUntil([&] { return heard > before; })); // all four handled, in order
    ::kill(static_cast<pid_t>(sim.Process().processId()), SIGCONT);
    EXPECT_TRUE(surface.WaitTold("/link", "s live"));
    surface.Send("/strip/2/off", "i", 1);
    next = sim.WaitForLine("channel on/off: input 2 console 1 off", mark);
    ASSERT_GE(next, 0);
    EXPECT_EQ(FirstPress(sim, mark, next), -1) << sim.Tail(mark).toStdString();
}

} // namespace
} // namespace orl
