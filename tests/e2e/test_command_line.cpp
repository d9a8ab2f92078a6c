// Both programs answer --help and --version and refuse bad arguments without a display
// and without starting a window or a server.

#include "SimulatorProcess.h"
#include "TempFolder.h"
#include "WaitUntil.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the program with no display of any kind; -1 when it did not end within 10 s.
Outcome RunWithoutDisplay(const char* program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Outcome run;
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

} // namespace

TEST(CommandLine, HelpVersionAndBadArgumentsOfBothProgramsNeedNoDisplay) {
    const QString version = QStringLiteral(ORL_VERSION);
    struct Case {
        const char* program;
        QStringList arguments;
        int exitCode;
        QString out; // a pattern the output must match
        QString err; // a pattern the error output must match
    };
    const Case cases[] = {
        {ORL_CONSOLE_PATH, {"--version"}, 0, "^orl-console " + version + "\n$", "^$"},
        {ORL_CONSOLE_PATH, {"-v"}, 0, "^orl-console " + version + "\n$", "^$"},
        {ORL_CONSOLE_PATH, {"--help"}, 0, "^Usage: orl-console .*--version.*--folder <DIR>", "^$"},
        {ORL_CONSOLE_PATH, {"--bogus"}, 2, "^$", "'bogus'.*\nUsage: orl-console "},
        {ORL_CONSOLE_PATH, {"extra"}, 2, "^$", "'extra'.*\nUsage: orl-console "},
        {ORL_CONSOLE_PATH, {"--folder"}, 2, "^$", "folder.*\nUsage: orl-console "},
        {ORL_CONSOLE_PATH, {"--folder", ""}, 2, "^$", "wants a folder.*\nUsage: "},
        {ORL_CONSOLE_PATH,
         {"--folder", "a", "--folder", "b"},
         2,
         "^$",
         "more than once.*\nUsage: "},
        {ORL_CONSOLE_PATH, {"--trace", "--trace=t"}, 2, "^$", "more than once.*\nUsage: "},
        {ORL_CONSOLE_PATH, {"--trace="}, 2, "^$", "wants a file.*\nUsage: "},
        {ORL_CONSOLE_PATH, {"--help"}, 0, "--trace\\[=FILE\\]", "^$"},
        {ORL_SIM_PATH, {"--version"}, 0, "^orl-switcher-sim " + version + "\n$", "^$"},
        {ORL_SIM_PATH,
         {"--help"},
         0,
         "--bind <ADDRESS>.*default: 127\\.0\\.0\\.1.*default: 1250",
         "^$"},
        {ORL_SIM_PATH, {"--bind", "not-an-address"}, 2, "^$", "--bind wants an IP address"},
        {ORL_SIM_PATH, {"--bogus"}, 2, "^$", "'bogus'.*\nUsage: orl-switcher-sim "},
    };
    for (const Case& c : cases) {
        const Outcome run = RunWithoutDisplay(c.program, c.arguments);
        const QString what = QString(c.program).section('/', -1) + " " + c.arguments.join(' ');
        EXPECT_EQ(run.exitCode, c.exitCode) << what.toStdString() << "\n" << run.err.toStdString();
        const auto dotAll = QRegularExpression::DotMatchesEverythingOption;
        EXPECT_TRUE(QRegularExpression(c.out, dotAll).match(run.out).hasMatch())
            << what.toStdString() << " printed:\n"
            << run.out.toStdString();
        EXPECT_TRUE(QRegularExpression(c.err, dotAll).match(run.err).hasMatch())
            << what.toStdString() << " reported:\n"
            << run.err.toStdString();
    }
}

// A folder whose name is not UTF-8 (as the system hands it over: bytes) is that folder.
TEST(CommandLine, AFolderNameThatIsNotUtf8NamesThatSameFolder) {
    orl::test::TempFolder scratch("orl-bytes");
    ASSERT_TRUE(scratch.Made());
    const std::string folder = scratch.Path().string() + "/bad-\xFF\xFE-x";
    std::string program = ORL_CONSOLE_PATH;
    std::string option = "--folder";
    std::string value = folder;
    char* argv[] = {program.data(), option.data(), value.data(), nullptr};
    std::string platform = "QT_QPA_PLATFORM=offscreen";
    char* envp[] = {platform.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, argv[0], nullptr, nullptr, argv, envp), 0);
    // The folder is made before the first window; the panel is then ended.
    const bool made = orl::test::WaitUntil([&] { return std::filesystem::exists(folder); }, 20000);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    EXPECT_TRUE(made);
    for (const auto& entry : std::filesystem::directory_iterator(scratch.Path()))
        EXPECT_EQ(entry.path().string(), folder) << "another folder was made";
}

TEST(CommandLine, SimulatorBoundToEveryInterfaceSaysSoAndTakesLoopbackPanels) {
    orl::test::SimulatorProcess simulator({"--bind", "0.0.0.0"});
    const QRegularExpression listening("^listening on 0\\.0\\.0\\.0:([0-9]+)$");
    const QRegularExpressionMatch match = listening.match(simulator.FirstLine());
    ASSERT_TRUE(match.hasMatch()) << simulator.FirstLine().toStdString();
    orl::test::RawPanel panel(static_cast<quint16>(match.captured(1).toUInt()));
    EXPECT_TRUE(panel.Connected());
}
