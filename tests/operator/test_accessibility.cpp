// The running panel as a screen reader finds it: the accessibility tree read from outside
// the panel, over the desktop's accessibility bus (AT-SPI), by the client library screen
// readers use. The strips' controls are named apart, and a report from the switcher
// changes the state of the ON it lights. Runs in a D-Bus session of its own.

#include "OperatorDesk.h"

#include <QProcess>
#include <QTemporaryFile>

namespace orl::test {
namespace {

// Strip 1 works device 1 (MIC 1), strip 2 device 2 (MIC 2).
const std::vector<int> DeviceIDs = {1, 2};

Desk* const TheDesk = static_cast<Desk*>(::testing::AddGlobalTestEnvironment(new Desk(
    1, [](const auto& ports) { return PanelConfiguration(ports.at(0), DeviceIDs); }, true)));

// Prints every named button of orl-console's tree, one a line: its name, a tab, and
// "checked" when it is.
const char* const ReadTree = R"(
import sys
import pyatspi

def walk(node, depth=0):
    if node is None or depth > 40:
        return
    role = node.getRoleName()
    if ("button" in role or role == "check box") and node.name:
        checked = node.getState().contains(pyatspi.STATE_CHECKED)
        print(node.name + "\t" + ("checked" if checked else ""))
    for child in node:
        walk(child, depth + 1)

desktop = pyatspi.Registry.getDesktop(0)
apps = [a for a in desktop if a is not None and a.name == "orl-console"]
if not apps:
    print("no orl-console on the accessibility bus", file=sys.stderr)
    sys.exit(3)
walk(apps[0])
)";

class ScreenReader : public ::testing::Test {
protected:
    // The accessibility bus starts when asked for its address; without it there is
    // nothing to read.
    static void SetUpTestSuite() {
        QProcess ask;
        ask.start(QStringLiteral("dbus-send"), {"--session", "--print-reply", "--dest=org.a11y.Bus",
                                                "/org/a11y/bus", "org.a11y.Bus.GetAddress"});
        if (!ask.waitForFinished(20000) || ask.exitCode() != 0)
            skip_ = "the accessibility bus did not start (no D-Bus session with at-spi2-core): " +
                    QString::fromLocal8Bit(ask.readAllStandardError()).trimmed() +
                    ask.errorString();
    }
    void SetUp() override {
        if (!skip_.isEmpty())
            GTEST_SKIP() << skip_.toStdString();
        ASSERT_TRUE(FocusConnectedWindow(*TheDesk, window_));
    }

    // The named buttons and their checked state, once the panel is on the bus.
    QMap<QString, bool> Buttons() {
        QTemporaryFile script;
        script.open();
        script.write(ReadTree);
        script.flush();
        QMap<QString, bool> buttons;
        WaitUntil(
            [&] {
                QProcess reader;
                reader.setProcessEnvironment(TheDesk->X().Environment());
                reader.start(Python, {script.fileName()});
                reader.waitForFinished(20000);
                error_ = QString::fromLocal8Bit(reader.readAllStandardError());
                buttons.clear();
                for (const QString& line :
                     QString::fromUtf8(reader.readAllStandardOutput()).split('\n'))
                    if (const QStringList f = line.split('\t'); f.size() == 2)
                        buttons.insert(f[0], f[1] == QStringLiteral("checked"));
                return !buttons.isEmpty();
            },
            30000);
        return buttons;
    }

    static constexpr const char* Python = "/usr/bin/python3";
    static inline QString skip_;
    QString error_;
    XWindow window_ = 0;
};

TEST_F(ScreenReader, HearsTheStripsApartAndTheSwitchersReport) {
    const QString on1 = QStringLiteral("Strip 1, MIC 1, ON");
    QMap<QString, bool> buttons = Buttons();
    ASSERT_FALSE(buttons.isEmpty())
        << "nothing read from the accessibility bus: " << error_.toStdString();
    for (const QString& name :
         {on1, QStringLiteral("Strip 2, MIC 2, ON"), QStringLiteral("Strip 1, MIC 1, PGM"),
          QStringLiteral("Strip 2, MIC 2, OFF"), QStringLiteral("User button 1, Talk")})
        EXPECT_TRUE(buttons.contains(name)) << name.toStdString() << " in\n"
                                            << QStringList(buttons.keys()).join('\n').toStdString();
    ASSERT_TRUE(buttons.contains(on1));
    const bool before = buttons.value(on1);

    // The switcher reports input 1 switched over at console 1: strip 1's ON follows.
    const int mark = TheDesk->Simulator().Mark();
    TheDesk->Simulator().Process().write("burst 1\n");
    ASSERT_GE(TheDesk->Simulator().WaitForLine("burst of 1", mark), 0);
    bool after = before;
    EXPECT_TRUE(WaitUntil([&] {
        after = Buttons().value(on1, before);
        return after != before;
    })) << "ON stayed "
        << (before ? "checked" : "unchecked");
}

} // namespace
} // namespace orl::test
