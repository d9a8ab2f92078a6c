// Setup from the running panel's menu, by keyboard on an X display: the dialogs leave the
// main window as it was (the same X window, kept on top), a changed port takes the panel
// to the switcher on that port, and Exit writes what was set.

#include "OperatorDesk.h"
#include "PanelScreen.h"

namespace orl::test {
namespace {

// Two switchers: the panel starts on the first and is moved to the second. The window is
// kept on top, so every dialog takes it out of that state and puts it back.
Desk* const TheDesk = static_cast<Desk*>(::testing::AddGlobalTestEnvironment(new Desk(
    2,
    [](const auto& ports) {
        return PanelConfiguration(ports.at(0), {1, 2}, true);
    },
    true)));

class SetupFromTheMenu : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FocusConnectedWindow(*TheDesk, window_)); }
    // Opens a dialog with the keys `open` and waits for the window titled `title`.
    void Open(const QStringList& open, const QString& title) {
        ASSERT_TRUE(TheDesk->X().Keys(open));
        ASSERT_NE(TheDesk->X().WaitForWindow(title), 0u) << title.toStdString() << " did not open";
    }
    void Close(const QStringList& close, const QString& title) {
        ASSERT_TRUE(TheDesk->X().Keys(close));
        ASSERT_TRUE(TheDesk->X().WaitUntilGone(title)) << title.toStdString() << " did not close";
    }

    XWindow window_ = 0;
};

TEST_F(SetupFromTheMenu, DialogsLeaveTheMainWindowAsItWas) {
    struct Row {
        const char* dialog;
        QStringList open;
        QStringList close;
    };
    const Row rows[] = {
        {"ORL Server Module Information", {"alt+h", "a"}, {"alt+o"}},
        {"Setup", {"alt+f", "s"}, {"alt+c"}},
    };
    const QRect before = TheDesk->X().Geometry(window_);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.dialog);
        ASSERT_TRUE(TheDesk->X().Focus(TheDesk->X().WaitForWindow(Connected)));
        Open(row.open, row.dialog);
        Close(row.close, row.dialog);
        const auto windows = TheDesk->X().Windows(Connected);
        EXPECT_EQ(windows, std::vector<XWindow>{window_})
            << "the main window was made anew instead of keeping its X window";
        if (!windows.empty()) {
            EXPECT_EQ(TheDesk->X().Geometry(windows.front()), before);
        }
    }
}

TEST_F(SetupFromTheMenu, ChangedPortTakesThePanelToThatSwitcher) {
    TracedSimulator& first = TheDesk->Simulator(0);
    TracedSimulator& second = TheDesk->Simulator(1);
    const int firstMark = first.Mark();
    Open({"alt+f", "s"}, "Setup");
    // The port field has the focus when the dialog opens.
    ASSERT_TRUE(TheDesk->X().Keys({"ctrl+a"}));
    ASSERT_TRUE(TheDesk->X().Type(QString::number(second.Port())));
    Close({"alt+o"}, "Setup");

    EXPECT_TRUE(Received(first, "disconnected #1", firstMark, 10000));
    // The whole start-up sequence runs again on the new switcher, up to the attributes
    // of the strips' inputs, and the title says so.
    ASSERT_TRUE(Received(second, "81 type reply", 0, 10000));
    ASSERT_TRUE(Received(second, "input channel attributes", 0, ConnectTimeoutMs));
    const XWindow window = TheDesk->X().WaitForWindow(Connected, ConnectTimeoutMs);
    ASSERT_NE(window, 0u);

    // An operator action now reaches the second switcher.
    ASSERT_TRUE(TheDesk->X().Focus(window));
    const PanelScreen screen(TheDesk->X().Geometry(window), 2);
    const int secondMark = second.Mark();
    TheDesk->X().Click(screen.StripControl(1, OnButton).center());
    EXPECT_TRUE(Received(second, "D6 channel on/off: input 2 console 1 on", secondMark));
}

TEST_F(SetupFromTheMenu, ExitWritesTheConfigurationAndEnds) {
    ASSERT_TRUE(TheDesk->X().Keys({"alt+f", "x"}));
    QProcess& panel = TheDesk->Panel().Process();
    ASSERT_TRUE(WaitUntil([&] { return panel.state() == QProcess::NotRunning; }, 15000))
        << "the panel did not end";
    EXPECT_EQ(panel.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(panel.exitCode(), 0);
    const QString configuration = TheDesk->Panel().ReadFile("orlntpnl.ini");
    EXPECT_TRUE(
        configuration.contains(QStringLiteral("IP Port=%1\r\n").arg(TheDesk->Simulator(1).Port())))
        << configuration.toStdString();
    EXPECT_TRUE(Received(TheDesk->Simulator(1), "disconnected #1", 0));
}

} // namespace
} // namespace orl::test
