#pragma once
// The two programs an operator test runs on its X server: the switcher simulator on a
// free loopback port, whose trace tells what the panel sent, and the built orl-console in
// a scratch folder of its own (its configuration, error log and listings live there).

#include "TempFolder.h"
#include "XServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>

namespace orl::test {

class TracedSimulator {
public:
    TracedSimulator() {
        QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] {
            while (process_.canReadLine())
                lines_ << QString::fromLatin1(process_.readLine()).trimmed();
        });
        process_.setProgram(QStringLiteral(ORL_SIM_PATH));
        EndWithTheTest(process_);
        process_.setArguments({"--port", "0"});
        process_.start();
        if (!process_.waitForStarted(5000))
            return;
        const QString prefix = QStringLiteral("listening on 127.0.0.1:");
        PollUntil([&] { return !lines_.isEmpty() || process_.state() != QProcess::Running; },
                  10000);
        if (!lines_.isEmpty() && lines_.front().startsWith(prefix))
            port_ = static_cast<quint16>(lines_.front().mid(prefix.size()).toUInt());
    }
    ~TracedSimulator() {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    TracedSimulator(const TracedSimulator&) = delete;
    TracedSimulator& operator=(const TracedSimulator&) = delete;

    // 0 when the simulator did not come up.
    quint16 Port() const { return port_; }
    // The number of trace lines so far: a mark to search from.
    int Mark() const { return static_cast<int>(lines_.size()); }
    // The index of the first trace line from `mark` on that contains `text`, once there
    // is one; -1 after the timeout.
    int WaitForLine(const QString& text, int mark, int timeoutMs = 5000) {
        int found = -1;
        PollUntil(
            [&] {
                found = Find(text, mark, static_cast<int>(lines_.size()));
                return found >= 0;
            },
            timeoutMs);
        return found;
    }
    // The index of the first line in [from, to) that contains `text`, or -1.
    int Find(const QString& text, int from, int to) const {
        for (int i = std::max(from, 0); i < to && i < lines_.size(); ++i)
            if (lines_[i].contains(text))
                return i;
        return -1;
    }
    // The last trace lines from `mark` on, polls left out, for a failure message.
    QString Tail(int mark = 0, int count = 12) const {
        QStringList tail;
        for (qsizetype i = lines_.size() - 1; i >= mark && i >= 0 && tail.size() < count; --i)
            if (!lines_[i].contains(QLatin1String(" poll")))
                tail.prepend(lines_[i]);
        return tail.join('\n');
    }

private:
    QProcess process_;
    QStringList lines_;
    quint16 port_ = 0;
};

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
        if (!configuration.isEmpty()) {
            QFile file(FilePath("orlntpnl.ini"));
            if (!file.open(QIODevice::WriteOnly))
                return;
            for (const QString& line : configuration)
                file.write(line.toLatin1() + "\r\n");
        }
        process_.setProcessEnvironment(x.Environment());
        process_.setWorkingDirectory(dir_);
        process_.setStandardOutputFile(FilePath("panel.log"));
        process_.setStandardErrorFile(FilePath("panel.log"), QIODevice::Append);
        process_.setProgram(program_);
        EndWithTheTest(process_);
        process_.start();
        process_.waitForStarted(10000);
    }
    ~PanelProgram() {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
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
    QStringList lines = {"[CONFIGURATION]",
                         "SETUP",
                         "IP Address=127.0.0.1",
                         QStringLiteral("IP Port=%1").arg(port),
                         "CONFIG",
                         "Program Bus=1",
                         "OffLine Bus=2",
                         "Cue Bus=3",
                         "IFB Source=4",
                         "Console=1",
                         QStringLiteral("Fader Count=%1").arg(deviceIDs.size())};
    for (std::size_t i = 0; i < deviceIDs.size(); ++i)
        lines << QStringLiteral("Device ID %1=%2").arg(i + 1).arg(deviceIDs[i])
              << QStringLiteral("Source %1=%2").arg(i + 1).arg(deviceIDs[i]);
    lines << "Panel Mode=0" << (stayOnTop ? "Stay On Top=Yes" : "Stay On Top=No")
          << "Enable Source Select=Yes"
          << "Display Button Panel=Yes";
    lines << "Button1_Type=1000"
          << "Button1_Label=Talk"
          << "Button1_Channel1=1"
          << "Button1_Channel2=16383";
    for (int b = 2; b <= 8; ++b)
        lines << QStringLiteral("Button%1_Type=16383").arg(b)
              << QStringLiteral("Button%1_Label=Inactive").arg(b)
              << QStringLiteral("Button%1_Channel1=16383").arg(b)
              << QStringLiteral("Button%1_Channel2=16383").arg(b);
    lines << "Refresh Rate=1"
          << "Time Out=200"
          << "SECURITY"
          << "User Name="
          << "Password=";
    return lines;
}

} // namespace orl::test
