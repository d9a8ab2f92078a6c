#include "SimulatorServer.h"

#include "Frames.h"
#include "Protocol.h"

#include <QCoreApplication>
#include <QTcpSocket>
#include <QTimer>

#include <sstream>
#include <vector>

namespace orl::sim {

namespace {

constexpr int RelayPulseMs = 300;

QByteArray ToQt(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

} // namespace

SimulatorServer::SimulatorServer(Switcher& switcher, Trace& trace, const Options& options)
    : switcher_(switcher), trace_(trace), options_(options) {
    connect(&server_, &QTcpServer::newConnection, this, [this] { Accept(); });
}

bool SimulatorServer::Listen(quint16 port, std::string& error) {
    if (server_.listen(QHostAddress(QString::fromStdString(options_.bindAddress)), port))
        return true;
    error = server_.errorString().toStdString();
    return false;
}

void SimulatorServer::Accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        auto connection = std::make_unique<Connection>();
        connection->id = nextID_++;
        connection->socket = socket;
        const int id = connection->id;
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, id] { Receive(id); });
        connect(socket, &QTcpSocket::disconnected, this, [this, id] { Closed(id); });
        trace_.Line("connected #" + std::to_string(id) + " from port " +
                    std::to_string(socket->peerPort()));
        Connection& added = *connection;
        connections_.emplace(id, std::move(connection));
        Send(added, TypeRequestFrame());
    }
}

void SimulatorServer::Closed(int id) {
    const auto found = connections_.find(id);
    if (found == connections_.end())
        return;
    found->second->socket->deleteLater();
    connections_.erase(found);
    trace_.Line("disconnected #" + std::to_string(id));
}

void SimulatorServer::DropAll() {
    // A close may report itself at once and erase its connection: close from a copy.
    std::vector<QTcpSocket*> sockets;
    for (auto& [id, connection] : connections_)
        sockets.push_back(connection->socket);
    for (QTcpSocket* socket : sockets)
        socket->disconnectFromHost();
}

void SimulatorServer::Receive(int id) {
    auto found = connections_.find(id);
    if (found == connections_.end())
        return;
    Connection& connection = *found->second;
    const QByteArray data = connection.socket->readAll();
    connection.splitter.Append(data.constData(), static_cast<std::size_t>(data.size()));
    while (const auto message = connection.splitter.Next()) {
        const Outcome outcome = switcher_.Handle(*message);
        if (!trace_.Quiet())
            trace_.Line("<- #" + std::to_string(id) + " " + outcome.text);
        Deliver(connection, outcome);
        if (outcome.identified && !connection.identified) {
            connection.identified = true;
            if (options_.burstCount > 0)
                QTimer::singleShot(options_.burstAfterMs, this,
                                   [this] { SendBurst(options_.burstCount, 0); });
        }
    }
    if (const std::size_t dropped = connection.splitter.TakeDropped())
        trace_.Line("<- #" + std::to_string(id) + " dropped " + std::to_string(dropped) +
                    " stray or broken bytes");
}

void SimulatorServer::Deliver(Connection& from, const Outcome& outcome) {
    for (const Bytes& reply : outcome.replies)
        Send(from, reply);
    for (const Bytes& report : outcome.reports)
        SendToAll(report);
    for (int relay : outcome.pulsedRelays)
        QTimer::singleShot(RelayPulseMs, this,
                           [this, relay] { SendToAll(switcher_.EndRelayPulse(relay)); });
}

void SimulatorServer::Send(Connection& to, const Bytes& frame) {
    if (!trace_.Quiet())
        trace_.Line("-> #" + std::to_string(to.id) + " " + DescribeFrame(frame));
    to.socket->write(ToQt(frame));
}

void SimulatorServer::SendToAll(const Bytes& frame) {
    if (!trace_.Quiet())
        trace_.Line("-> all (" + std::to_string(connections_.size()) + ") " + DescribeFrame(frame));
    const QByteArray data = ToQt(frame);
    for (auto& [id, connection] : connections_)
        connection->socket->write(data);
}

void SimulatorServer::SendBurst(int count, int console) {
    QByteArray data;
    for (const Bytes& frame : switcher_.Burst(count, console))
        data.append(ToQt(frame));
    for (auto& [id, connection] : connections_)
        connection->socket->write(data);
    trace_.Line("-> all (" + std::to_string(connections_.size()) + ") burst of " +
                std::to_string(count) + " channel reports on console " +
                std::to_string(console + 1));
}

std::string SimulatorServer::Command(const std::string& line) {
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    if (verb.empty())
        return {};
    if (verb == "burst") {
        long long count = -1;
        long long console = 1;
        words >> count;
        if (!(words >> console))
            console = 1;
        if (count < 0 || count > 10000000 || console < 1 ||
            console > switcher_.Model().Size().consoles)
            return "usage: burst N [console], N up to 10000000";
        SendBurst(static_cast<int>(count), static_cast<int>(console - 1));
        return "burst " + std::to_string(count) + " sent to " + std::to_string(PanelCount()) +
               " panels";
    }
    if (verb == "relay" || verb == "opto") {
        long long channel = 0;
        std::string state;
        words >> channel >> state;
        if (channel < 1 || channel > HighestDeviceID + 1 || (state != "on" && state != "off"))
            return "usage: " + verb + " N on|off";
        const int index = static_cast<int>(channel - 1);
        const auto frames = verb == "relay" ? switcher_.SetRelay(index, state == "on")
                                            : switcher_.SetOpto(index, state == "on");
        if (frames.empty())
            return "no " + verb + " " + std::to_string(channel);
        for (const Bytes& frame : frames)
            SendToAll(frame);
        return verb + " " + std::to_string(channel) + " " + state;
    }
    if (verb == "panels")
        return "panels " + std::to_string(PanelCount());
    if (verb == "quit") {
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return "quitting";
    }
    return "unknown command: " + line;
}

} // namespace orl::sim
