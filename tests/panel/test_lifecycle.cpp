// The main window's life cycle: first start without a configuration, start with one,
// the setup menu, exit and unload, and failures that must not end the program.
#include "Configuration.h"
#include "Files.h"
#include "Frames.h"
#include "LoopbackServer.h"
#include "TempFolder.h"
#include "Twips.h"
#include "frmMain.h"

#include <QAction>
#include <QFile>
#include <QMessageBox>
#include <QTcpSocket>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace orl {
namespace {

using test::LoopbackServer;
using test::WaitUntil;

// Closes whatever modal box turns up, recording what it showed.
class ModalCloser {
public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon;
    };
    ModalCloser() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen.push_back({box->windowTitle(), box->text(), box->icon()});
                box->button(QMessageBox::Ok)->click();
            }
        });
        timer_.start();
    }
    std::vector<Seen> seen;

private:
    QTimer timer_;
};

std::string ReadText(const QString& path) {
    return test::FileText(path.toStdString());
}

class Lifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<frmMain>(v, log);
        window->SetSetupDialogOpener([this](QWidget* parent) {
            ++openerCalls;
            openerSawBox = !closer.seen.empty();
            EXPECT_EQ(parent, window.get());
            if (onSetup)
                onSetup();
        });
    }

    QString Path(const char* name) const {
        return QString::fromStdString(dir.Path().string()) + "/" + name;
    }

    void WriteConfiguration(const std::vector<std::string>& lines) {
        ASSERT_TRUE(test::WriteLines(Path("orlntpnl.ini").toStdString(), lines));
    }

    std::vector<std::string> ThreeFaders(const std::string& stayOnTop = "No") {
        return {"[CONFIGURATION]",
                "SETUP",
                "IP Address=127.0.0.1",
                "IP Port=" + std::to_string(server.Port()),
                "CONFIG",
                "Console=2",
                "Fader Count=3",
                "Device ID 1=5",
                "Source 1=1",
                "Device ID 2=6",
                "Source 2=2",
                "Device ID 3=7",
                "Source 3=3",
                "Panel Mode=0",
                "Stay On Top=" + stayOnTop,
                "Enable Source Select=Yes",
                "Display Button Panel=Yes",
                "Button1_Label=Mics"};
    }

    void Load() { window->Form_Load(dir.MadePath().string()); }

    std::string ErrorLogText() const { return test::ErrorLogText(dir.Path()); }

    QAction* Menu(const char* name) const { return window->findChild<QAction*>(name); }

    test::TempFolder dir{"orl-lifecycle"};
    Variables v;
    ErrorLog log{v};
    LoopbackServer server;
    ModalCloser closer;
    std::unique_ptr<frmMain> window;
    int openerCalls = 0;
    bool openerSawBox = false;
    std::function<void()> onSetup;
};

TEST_F(Lifecycle, FirstStartWarnsThenOpensSetupAndBringsStripsInLine) {
    for (const int countAfterSetup : {1, 2}) {
        SCOPED_TRACE(countAfterSetup);
        SetUp();
        closer.seen.clear();
        openerCalls = 0;
        onSetup = [&] {
            v.FaderCount = static_cast<std::int16_t>(countAfterSetup);
            ResizeFaderArrays(v, static_cast<std::size_t>(countAfterSetup));
        };
        Load();
        ASSERT_EQ(closer.seen.size(), 1u);
        EXPECT_EQ(closer.seen[0].title, "Configuration Error");
        EXPECT_EQ(closer.seen[0].text, "System Not Yet Configured.\rPlease specify the IP Address "
                                       "of the Computer running the Server Module");
        EXPECT_EQ(closer.seen[0].icon, QMessageBox::Warning);
        EXPECT_EQ(openerCalls, 1);
        EXPECT_TRUE(openerSawBox);
        EXPECT_EQ(window->windowTitle(), "ORL Console - Disconnected");
        EXPECT_EQ(v.AppPath, dir.Path().string() + "/");
        EXPECT_EQ(window->StripCount(), countAfterSetup);
        EXPECT_EQ(v.LoadedFaderCount, countAfterSetup);
        EXPECT_FALSE(window->PollTimer().isActive());
        // Setup left without OK: the panel is still unconfigured and closes without a file,
        // so that its next start asks for the server module again.
        window->close();
        EXPECT_FALSE(QFile::exists(Path("orlntpnl.ini")));
    }
    EXPECT_EQ(server.ConnectionCount(), 0);
}

TEST_F(Lifecycle, StartWithConfigurationLaysOutTheWindowAndConnects) {
    WriteConfiguration(ThreeFaders());
    Load();
    EXPECT_TRUE(closer.seen.empty());
    EXPECT_EQ(openerCalls, 0);
    ASSERT_EQ(window->StripCount(), 3);
    EXPECT_EQ(LeftTwips(window->Strip(0).frSlider), 120);
    EXPECT_EQ(LeftTwips(window->Strip(2).frSlider), 3560);
    EXPECT_EQ(window->WindowWidthTwips(), 7200);
    EXPECT_TRUE(window->ButtonFrame()->isVisibleTo(window.get()));
    EXPECT_EQ(window->UserButton(0)->text(), "Mics");
    EXPECT_EQ(window->UserButton(1)->text(), "Inactive");
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(v.DeviceIDs[6].RequestPending);
    EXPECT_TRUE(window->PollTimer().isActive());
    EXPECT_EQ(window->PollTimer().interval(), 1000);
    EXPECT_TRUE(server.WaitForConnection());
    EXPECT_TRUE(WaitUntil([&] { return v.SocketConnected; }));

    // The first tick after the connect event sends the first request of the start-up.
    window->Link().PollTick();
    EXPECT_EQ(window->windowTitle(), "ORL Console - Waiting");
    ASSERT_TRUE(server.WaitForBytes(13));
    EXPECT_EQ(server.Received()[0], 0xF2);
}

TEST_F(Lifecycle, OneFaderConfigurationKeepsTheStripAndFollowsTheColumnAndLayer) {
    WriteConfiguration({"IP Address=127.0.0.1", "IP Port=" + std::to_string(server.Port()),
                        "Fader Count=1", "Stay On Top=Yes", "Display Button Panel=Yes"});
    Load();
    ASSERT_EQ(window->StripCount(), 1);
    EXPECT_EQ(LeftTwips(window->Strip(0).frSlider), 240);
    EXPECT_EQ(LeftTwips(window->ButtonFrame()), 1960);
    EXPECT_EQ(window->WindowWidthTwips(), 3880);
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(Lifecycle, ExitWritesTheConfigurationAndUnloadRunsOnce) {
    WriteConfiguration(ThreeFaders());
    Load();
    ASSERT_TRUE(server.WaitForConnection());
    window->show();
    auto* other = new QWidget(window.get(), Qt::Window);
    other->show();

    // IFB held on strip 1 (input 1, IFB output 9) as the panel closes.
    v.FaderSource[0] = 1;
    v.IFBSource = 4;
    v.InputChannels[0] = {9, 20, None, false};
    QTest::mousePress(window->Strip(0).cmdBtn4, Qt::LeftButton);
    v.ConsoleNumber = 7;
    Menu("mnuExit")->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(other->isVisible());
    EXPECT_FALSE(window->PollTimer().isActive());
    EXPECT_FALSE(window->DecodeTimer().isActive());
    const std::string written = ReadText(Path("orlntpnl.ini"));
    EXPECT_NE(written.find("Console=7\r\n"), std::string::npos);
    EXPECT_NE(written.find("Fader Count=3\r\nDevice ID 1=5\r\n"), std::string::npos);
    EXPECT_TRUE(WaitUntil(
        [&] { return server.Connection()->state() == QAbstractSocket::UnconnectedState; }));
    // The take (IFB source 4 to output 9) went out, and its release was the last thing
    // before the link closed.
    const std::string received = BytesToHex(server.Received());
    EXPECT_NE(received.find(BytesToHex(test::Framed("FE 25 00 03 00 09 00"))), std::string::npos);
    EXPECT_TRUE(received.ends_with(BytesToHex(test::Framed("FE 21 00 03 00 09 00")))) << received;

    // A second close finds the window unloaded and writes nothing more.
    ASSERT_TRUE(QFile::remove(Path("orlntpnl.ini")));
    window->close();
    window->Form_Unload();
    EXPECT_FALSE(QFile::exists(Path("orlntpnl.ini")));
}

TEST_F(Lifecycle, FailureWhileReadingEndsTheLoadAndIsReported) {
    WriteConfiguration({"IP Address=127.0.0.1", "IP Port=" + std::to_string(server.Port()),
                        "Console=99999", "Fader Count=3"});
    Load();
    const std::string logText = ErrorLogText();
    EXPECT_NE(logText.find("Program Error"), std::string::npos);
    EXPECT_NE(logText.find("Error Loading Form: Error #"), std::string::npos);
    EXPECT_NE(logText.find("Overflow"), std::string::npos);
    EXPECT_EQ(window->StripCount(), 1);
    EXPECT_FALSE(window->PollTimer().isActive());
    EXPECT_EQ(openerCalls, 0);
    // A connection of the test's own, opened after the load, and a byte over it: once the
    // server has the byte, a connection the panel had begun would have arrived before it.
    QTcpSocket marker;
    marker.connectToHost(QHostAddress::LocalHost, server.Port());
    ASSERT_TRUE(server.WaitForConnection());
    marker.write("\xF5", 1);
    ASSERT_TRUE(server.WaitForBytes(1));
    EXPECT_EQ(server.ConnectionCount(), 1) << "the panel connected";
}

// A file that fails to load is all the operator has: closing must not replace it with
// what was read before the failure, and the first confirmed setup keeps it as .bak.
TEST_F(Lifecycle, AFileThatFailsToLoadIsShownKeptOnCloseAndBackedUpBySetup) {
    struct Case {
        const char* replace; // this line of the good file ...
        const char* with;    // ... becomes this one ("" drops nothing, adds `extra`)
        const char* failingLine;
        const char* error;
    } cases[] = {
        {"Fader Count=3", "Fader Count=2.5", "Device ID 3=7", "Subscript out of range"},
        {"Fader Count=3", "Fader Count=0", "Device ID 2=6", "Subscript out of range"},
        {"Fader Count=3", "Fader Count=1e9", "Device ID 2=6", "Subscript out of range"},
        {"Panel Mode=0", "Device ID 5=", "Device ID 5=", "Subscript out of range"},
        {"Console=2", "Console=40000", "Console=40000", "Overflow"},
        {"Password=bdf", "Password=a\x01", "Password=a\x01", "Invalid procedure call"},
    };
    const QString ini = Path("orlntpnl.ini");
    const QString bak = Path("orlntpnl.ini.bak");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.with);
        std::vector<std::string> lines = ThreeFaders();
        lines.insert(lines.end(), {"Button1_Type=1000", "Button1_Channel1=4", "Button8_Label=Talk",
                                   "SECURITY", "User Name=oper", "Password=bdf"});
        std::replace(lines.begin(), lines.end(), std::string(c.replace), std::string(c.with));
        WriteConfiguration(lines);
        const std::string original = ReadText(ini);
        QFile::remove(bak);

        for (const char* leaveBy : {"close", "mnuExit"}) {
            SetUp();
            closer.seen.clear();
            Load();
            ASSERT_EQ(closer.seen.size(), 1u) << leaveBy;
            EXPECT_EQ(closer.seen[0].title, "Configuration Error");
            EXPECT_EQ(closer.seen[0].icon, QMessageBox::Warning);
            const QString text = closer.seen[0].text;
            EXPECT_TRUE(
                text.contains(QStringLiteral("Line: ") + QString::fromLatin1(c.failingLine)))
                << text.toStdString();
            EXPECT_TRUE(text.contains(QString::fromLatin1(c.error))) << text.toStdString();
            EXPECT_NE(ErrorLogText().find("Error Loading Form: Error #"), std::string::npos);
            EXPECT_FALSE(window->PollTimer().isActive());
            window->show();
            if (std::string(leaveBy) == "close")
                window->close();
            else
                Menu("mnuExit")->trigger();
            EXPECT_EQ(ReadText(ini), original) << leaveBy;
            EXPECT_FALSE(QFile::exists(bak));
        }

        // Setup's OK saves the settings shown in the dialog: the unread file goes to .bak
        // first, once; later saves replace only orlntpnl.ini.
        SetUp();
        Load();
        onSetup = [&] {
            v.UserName = "new";
            EXPECT_TRUE(orl::WriteConfiguration(v, log));
        };
        Menu("mnuSetup")->trigger();
        onSetup = nullptr;
        EXPECT_EQ(ReadText(bak), original);
        EXPECT_NE(ReadText(ini).find("User Name=new\r\n"), std::string::npos);
        v.UserName = "later";
        window->close();
        EXPECT_NE(ReadText(ini).find("User Name=later\r\n"), std::string::npos);
        EXPECT_EQ(ReadText(bak), original);
    }
    EXPECT_EQ(server.ConnectionCount(), 0);
}

TEST_F(Lifecycle, SetupMenuReappliesTheStateToTheWindow) {
    WriteConfiguration(ThreeFaders("Yes"));
    Load();
    window->show();
    const QPoint position = window->pos();
    ASSERT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    bool onTopDuringSetup = true;
    onSetup = [&] {
        onTopDuringSetup = window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        v.FaderCount = 2;
        ResizeFaderArrays(v, 2);
        v.DisplayButtonPanel = false;
        v.EnableSourceSelect = false;
        v.UserButtons[1].Label = "Talk";
    };
    Menu("mnuSetup")->trigger();
    EXPECT_EQ(openerCalls, 1);
    EXPECT_FALSE(onTopDuringSetup);
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), position);
    ASSERT_EQ(window->StripCount(), 2);
    EXPECT_EQ(window->WindowWidthTwips(), 1840 + 1920);
    EXPECT_FALSE(window->ButtonFrame()->isVisibleTo(window.get()));
    EXPECT_FALSE(window->Strip(0).cmbSource->isEnabled());
    EXPECT_FALSE(window->Strip(1).cmbSource->isEnabled());
    EXPECT_EQ(window->UserButton(1)->text(), "Talk");

    // The column comes back at the last strip's left + 1720 whether or not the count changed.
    onSetup = [&] { v.DisplayButtonPanel = true; };
    Menu("mnuSetup")->trigger();
    EXPECT_EQ(LeftTwips(window->ButtonFrame()), 1840 + 1720);
    EXPECT_EQ(window->WindowWidthTwips(), 1840 + 1720 + 1920);
}

TEST_F(Lifecycle, MenuFailuresAreLoggedAndTheWindowCarriesOn) {
    ProgramSetup(v, dir.MadePath().string());
    onSetup = [] { throw OrlError(SubscriptOutOfRange, "Subscript out of range"); };
    Menu("mnuSetup")->trigger();
    EXPECT_NE(ErrorLogText().find("Program Error"), std::string::npos);
    EXPECT_NE(ErrorLogText().find("Subscript out of range"), std::string::npos);

    Menu("mnuDebug")->trigger();
    EXPECT_TRUE(QFile::exists(Path("DeviceID.txt")));
    EXPECT_EQ(window->StripCount(), 1);
}

} // namespace
} // namespace orl
