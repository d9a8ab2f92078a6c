#pragma once
// The two programs an operator test runs on its X server: the switcher simulator on a
// free loopback port, whose trace tells what the panel sent, and the built orl-console in
// a scratch folder of its own (its configuration, error log and listings live there).

#include "ChildProcess.h"
#include "PanelConfiguration.h"
#include "SimulatorProcess.h"
#include "TempFolder.h"
#include "XServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>

namespace orl::test {

// orl-console copied into a folder of its own, with a configuration file written from
// `configuration` (lines without their CR LF; none at all for a first start).
class PanelProgram {
public:
    PanelProgram(const XServer& x, const QStringList& configuration) : folder_("orl-operator") {
        if (!folder_.Made())
            return;
        dir_ = QString::fromStdString(folder_.Path().string());
        program_ = dir_ + "/orl-console";
        if (!QFile::copy(QStringLiteral(ORL_CONSOLE_PATH), program_))
            return;
        if (!configuration.isEmpty() &&
            !WriteConfigurationFile(FilePath("orlntpnl.ini"), configuration))
            return;
        process_.setProcessEnvironment(x.Environment());
        process_.setWorkingDirectory(dir_);
        process_.setStandardOutputFile(FilePath("panel.log"));
        process_.setStandardErrorFile(FilePath("panel.log"), QIODevice::Append);
        process_.setProgram(program_);
        EndWithTheTest(process_);
        process_.start();
        process_.waitForStarted(10000);
    }
    ~PanelProgram() { StopProcess(process_); }
    PanelProgram(const PanelProgram&) = delete;
    PanelProgram& operator=(const PanelProgram&) = delete;

    bool Running() const { return process_.state() == QProcess::Running; }
    // Whether the panel runs, and what it printed, for a failure message.
    QString Report() const {
        const QString state =
            Running() ? QStringLiteral("the panel is running")
                      : QStringLiteral("the panel ended with status %1").arg(process_.exitCode());
        return state + "; its output:\n" + ReadFile("panel.log");
    }
    QProcess& Process() { return process_; }
    QString FilePath(const QString& name) const { return dir_ + "/" + name; }
    // A file of the panel's folder as Latin-1 text; empty when it is not there.
    QString ReadFile(const QString& name) const {
        QFile file(FilePath(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    }

private:
    TempFolder folder_;
    QString dir_;
    QString program_;
    QProcess process_;
};

// A complete configuration: the server at 127.0.0.1:`port`, strips working the given
// device IDs, the bus and IFB numbers, and user button 1 a "Relay Toggle" on relay 1.
inline QStringList PanelConfiguration(quint16 port, const std::vector<int>& deviceIDs,
                                      bool stayOnTop = false) {
    QStringList lines = ConfigurationHead(port, deviceIDs, stayOnTop);
    lines << ButtonLines(1, 1000, "Talk", 1);
    for (int b = 2; b <= 8; ++b)
        lines << ButtonLines(b, 16383, "Inactive", 16383);
    lines << "Refresh Rate=1"
          << "Time Out=200"
          << "SECURITY"
          << "User Name="
          << "Password=";
    return lines;
}

} // namespace orl::test
