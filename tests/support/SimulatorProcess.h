#pragma once
// The simulator as a child process on a free loopback port (its trace read line by line,
// or kept whole for a test to search), and raw TCP clients that stand in for a panel.

#include "Bytes.h"
#include "ChildProcess.h"
#include "Frames.h"
#include "ProcStatus.h"
#include "WaitUntil.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTcpSocket>

#include <algorithm>
#include <optional>
#include <string>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orl::test {

class SimulatorProcess {
public:
    // Starts the simulator with --port `port`, --quiet unless `traced`, and the extra
    // arguments; Port() is 0 when it did not come up.
    explicit SimulatorProcess(const QStringList& extra = {}, quint16 port = 0,
                              bool traced = false) {
        process_.setProgram(QStringLiteral(ORL_SIM_PATH));
        QStringList arguments{"--port", QString::number(port)};
        if (!traced)
            arguments << "--quiet";
        process_.setArguments(arguments + extra);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        EndWithTheTest(process_);
        process_.start();
        if (!process_.waitForStarted(5000))
            return;
        WaitUntil([&] { return process_.canReadLine() || process_.state() != QProcess::Running; },
                  10000);
        firstLine_ = QString::fromLatin1(process_.readLine()).trimmed();
        const QString prefix = QStringLiteral("listening on 127.0.0.1:");
        if (firstLine_.startsWith(prefix))
            port_ = static_cast<quint16>(firstLine_.mid(prefix.size()).toUInt());
    }
    ~SimulatorProcess() { Stop(); }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    quint16 Port() const { return port_; }
    // Its resident memory in kilobytes, -1 when unknown.
    long ResidentKilobytes() const {
        return StatusKilobytes(std::to_string(process_.processId()), "VmRSS");
    }
    QString FirstLine() const { return firstLine_; }
    QProcess& Process() { return process_; }
    bool Running() const { return process_.state() == QProcess::Running; }
    void WriteLine(const QString& line) { process_.write((line + "\n").toLatin1()); }
    // The next line the simulator prints, within the timeout; empty when none came.
    QString ReadLine(int timeoutMs = 5000) {
        WaitUntil([&] { return process_.canReadLine(); }, timeoutMs);
        return QString::fromLatin1(process_.readLine()).trimmed();
    }
    // Reads lines until one contains `text`; false when none did within the timeout.
    bool WaitForLine(const QString& text, int timeoutMs = 5000) {
        return WaitUntil(
            [&] {
                while (process_.canReadLine())
                    if (QString::fromLatin1(process_.readLine()).contains(text))
                        return true;
                return false;
            },
            timeoutMs);
    }
    // SIGTERM, then a kill when it does not stop within the timeout.
    void Stop(int timeoutMs = 5000) { StopProcess(process_, timeoutMs); }

private:
    QProcess process_;
    QString firstLine_;
    quint16 port_ = 0;
};

// The simulator with its trace (every message it received or sent, one a line) kept for a
// test to search: a test takes a mark, acts, then looks for a line from that mark on.
class TracedSimulator {
public:
    TracedSimulator() : simulator_({}, 0, true) {
        QObject::connect(&simulator_.Process(), &QProcess::readyReadStandardOutput,
                         [this] { Collect(); });
        Collect();
    }
    // Stopping the simulator reads what it still prints: nothing may be collected then.
    ~TracedSimulator() {
        QObject::disconnect(&simulator_.Process(), &QProcess::readyReadStandardOutput, nullptr,
                            nullptr);
    }
    TracedSimulator(const TracedSimulator&) = delete;
    TracedSimulator& operator=(const TracedSimulator&) = delete;

    // 0 when the simulator did not come up.
    quint16 Port() const { return simulator_.Port(); }
    // The simulator's process (a test may stop and continue it).
    QProcess& Process() { return simulator_.Process(); }
    // The number of trace lines so far: a mark to search from.
    int Mark() const { return static_cast<int>(lines_.size()); }
    // The index of the first trace line from `mark` on that contains `text`, once there
    // is one; -1 after the timeout.
    int WaitForLine(const QString& text, int mark, int timeoutMs = 5000) {
        int found = -1;
        WaitUntil(
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
    QString Line(int i) const { return i >= 0 && i < lines_.size() ? lines_[i] : QString(); }
    // The last trace lines from `mark` on, polls left out, for a failure message.
    QString Tail(int mark = 0, int count = 12) const {
        QStringList tail;
        for (qsizetype i = lines_.size() - 1; i >= mark && i >= 0 && tail.size() < count; --i)
            if (!lines_[i].contains(QLatin1String(" poll")))
                tail.prepend(lines_[i]);
        return tail.join('\n');
    }

private:
    void Collect() {
        while (simulator_.Process().canReadLine())
            lines_ << QString::fromLatin1(simulator_.Process().readLine()).trimmed();
    }

    SimulatorProcess simulator_;
    QStringList lines_;
};

// A panel reduced to its socket: sends bytes, and cuts received bytes into messages
// (0xF4 alone, or a frame up to 0xFF).
class RawPanel {
public:
    explicit RawPanel(quint16 port) {
        QObject::connect(&socket_, &QTcpSocket::readyRead, [this] {
            const QByteArray data = socket_.readAll();
            pending_.insert(pending_.end(), data.begin(), data.end());
        });
        socket_.connectToHost(QHostAddress::LocalHost, port);
        WaitUntil([&] { return socket_.state() == QAbstractSocket::ConnectedState; });
    }

    bool Connected() const { return socket_.state() == QAbstractSocket::ConnectedState; }
    void Send(const Bytes& bytes) {
        socket_.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qint64>(bytes.size()));
        socket_.flush();
    }
    void Send(std::string_view hex) { Send(HexToBytes(hex)); }

    // The next message, or nothing within the timeout.
    std::optional<Bytes> Next(int timeoutMs = 3000) {
        std::optional<Bytes> message;
        WaitUntil([&] { return (message = Cut()).has_value(); }, timeoutMs);
        return message;
    }
    // The next message whose command byte is `command`, skipping others.
    std::optional<Bytes> NextOf(std::uint8_t command, int timeoutMs = 3000) {
        std::optional<Bytes> found;
        WaitUntil(
            [&] {
                while (auto message = Cut())
                    if (!message->empty() && (*message)[0] == command) {
                        found = message;
                        return true;
                    }
                return false;
            },
            timeoutMs);
        return found;
    }
    // Answers the type request as a panel does.
    bool Handshake() {
        const auto request = Next();
        if (!request || *request != HexToBytes("81 64 64 FF"))
            return false;
        Send("81 09 01 0A FF");
        return true;
    }
    std::size_t PendingBytes() const { return pending_.size(); }

private:
    std::optional<Bytes> Cut() {
        if (pending_.empty())
            return std::nullopt;
        std::size_t length = 1;
        if (pending_[0] != 0xF4) {
            const auto end = std::find(pending_.begin(), pending_.end(), std::uint8_t{0xFF});
            if (end == pending_.end())
                return std::nullopt;
            length = static_cast<std::size_t>(end - pending_.begin()) + 1;
        }
        Bytes message(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
        return message;
    }

    QTcpSocket socket_;
    Bytes pending_;
};

// A plain non-blocking client socket, so nothing it sends waits in this process: a client
// that never reads, or one that reads only a little at a time through a small receive
// buffer (`receiveBuffer` bytes; the system's default when 0).
class PlainClient {
public:
    explicit PlainClient(quint16 port, int receiveBuffer = 0) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (receiveBuffer > 0)
            ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return;
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
        connected_ = true;
    }
    ~PlainClient() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    PlainClient(const PlainClient&) = delete;
    PlainClient& operator=(const PlainClient&) = delete;

    bool Connected() const { return connected_; }
    // Up to `most` bytes, appended to `into`; false once the other end closed the socket.
    bool Read(Bytes& into, std::size_t most) {
        std::uint8_t buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, std::min(most, sizeof buffer), 0);
        if (n == 0)
            return false;
        if (n > 0)
            into.insert(into.end(), buffer, buffer + n);
        return true;
    }
    // Sends what the socket takes without waiting; the bytes it took.
    std::size_t SendSome(const Bytes& bytes) {
        const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        return sent > 0 ? static_cast<std::size_t>(sent) : 0;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

// Milliseconds from a poll to its answer, or -1 when no answer came within two seconds.
inline long long PollAnswerMs(RawPanel& panel) {
    QElapsedTimer clock;
    clock.start();
    panel.Send(HexToBytes("F5"));
    const auto answer = panel.NextOf(0xF4, 15000);
    return answer ? clock.elapsed() : -1;
}

} // namespace orl::test
