// A signal ends the panel at once whatever dialog is open, as at logout or a service
// stop: SIGTERM, SIGINT and SIGHUP during the start-up dialogs. A panel that was never
// configured writes no configuration; an unreadable one is kept as it was.

#include "PanelPrograms.h"
#include "XServer.h"

#include <gtest/gtest.h>

#include <csignal>

namespace orl::test {
namespace {

TEST(Signals, EndThePanelDuringItsStartUpDialogsAndWriteNothingUnconfigured) {
    XServer x;
    ASSERT_TRUE(x.Up()) << x.Error().toStdString();
    struct Case {
        const char* what;
        int signal;
        QStringList configuration; // empty: a first start
        const char* openTitle;     // the dialog open when the signal comes
        bool enterFirst;           // go from the warning on to the setup dialog first
    };
    const QStringList unreadable = {"IP Address=127.0.0.1", "Console=99999"};
    const Case cases[] = {
        {"SIGTERM, the first-start warning open", SIGTERM, {}, "Configuration Error", false},
        {"SIGHUP, the first setup dialog open", SIGHUP, {}, "Setup", true},
        {"SIGINT, the unreadable configuration shown", SIGINT, unreadable, "Configuration Error",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PanelProgram panel(x, c.configuration);
        ASSERT_TRUE(panel.Running()) << panel.Report().toStdString();
        const QString before = panel.ReadFile("orlntpnl.ini");
        if (c.enterFirst) {
            const XWindow warning = x.WaitForWindow("Configuration Error");
            ASSERT_NE(warning, 0u) << panel.Report().toStdString();
            ASSERT_TRUE(x.Focus(warning));
            ASSERT_TRUE(x.Keys({"Return"}));
        }
        ASSERT_NE(x.WaitForWindow(c.openTitle), 0u)
            << x.Titles().toStdString() << panel.Report().toStdString();
        ::kill(static_cast<pid_t>(panel.Process().processId()), c.signal);
        ASSERT_TRUE(panel.Process().waitForFinished(10000)) << "the panel runs on";
        EXPECT_EQ(panel.Process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(panel.Process().exitCode(), 0);
        EXPECT_EQ(panel.ReadFile("orlntpnl.ini"), before);
    }
}

} // namespace
} // namespace orl::test
