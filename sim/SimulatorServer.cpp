#include "SimulatorServer.h"

#include "Frames.h"
#include "Protocol.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

#include <sstream>
#include <vector>

namespace orl::sim {

namespace {

constexpr int RelayPulseMs = 300;
// What Qt reads from the kernel for one panel before the simulator takes it; beyond it
// the bytes wait in the kernel, and a panel sending faster than it is answered is slowed.
constexpr qint64 ReadBufferBytes = qint64{64} * 1024;
// The system's send buffer of a panel's socket.
constexpr int SocketSendBytes = 64 * 1024;
// Bytes taken from a panel's socket at a time.
constexpr qint64 ChunkBytes = qint64{64} * 1024;
// Bytes composed from a panel's outbox between two looks at the clock.
constexpr std::size_t PumpChunkBytes = 4096;
// A panel's requests are handled for this long at a time before the other panels get a
// turn (an answer with the whole device table takes milliseconds to compose).
constexpr qint64 TurnMs = 5;

QByteArray ToQt(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

std::string Megabytes(qint64 bytes) {
    return std::to_string((bytes + (1 << 19)) >> 20) + " MiB";
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

SimulatorServer::Connection* SimulatorServer::Find(int id) {
    const auto found = connections_.find(id);
    return found == connections_.end() ? nullptr : found->second.get();
}

void SimulatorServer::Accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        auto connection = std::make_unique<Connection>();
        connection->id = nextID_++;
        connection->socket = socket;
        connection->lastTaken.start();
        const int id = connection->id;
        socket->setParent(this);
        socket->setReadBufferSize(ReadBufferBytes);
        // What the system holds for a panel stays small, so that a panel that falls
        // behind is owed devices here, where the latest data wins, not old data there.
        socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, SocketSendBytes);
        connect(socket, &QTcpSocket::readyRead, this, [this, id] { Receive(id); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, id] { Drained(id); });
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
    Connection* connection = Find(id);
    if (connection == nullptr || connection->paused || connection->cut || connection->nextTurn)
        return;
    QElapsedTimer turn;
    turn.start();
    for (;;) {
        while (const auto message = connection->splitter.Next()) {
            Handle(*connection, *message);
            if (connection->cut)
                return;
            if (Owed(*connection) >= HighWater) {
                connection->paused = true;
                trace_.Line("#" + std::to_string(id) + " owed " + Megabytes(Owed(*connection)) +
                            ": its requests wait until it reads");
                return;
            }
            if (turn.elapsed() >= TurnMs) {
                connection->nextTurn = true;
                QTimer::singleShot(0, this, [this, id] {
                    if (Connection* waiting = Find(id)) {
                        waiting->nextTurn = false;
                        Receive(id);
                    }
                });
                return;
            }
        }
        const QByteArray data = connection->socket->read(ChunkBytes);
        if (data.isEmpty())
            break;
        connection->splitter.Append(data.constData(), static_cast<std::size_t>(data.size()));
    }
    if (const std::size_t dropped = connection->splitter.TakeDropped())
        trace_.Line("<- #" + std::to_string(id) + " dropped " + std::to_string(dropped) +
                    " stray or broken bytes");
}

void SimulatorServer::Handle(Connection& from, const Bytes& message) {
    const Outcome outcome = switcher_.Handle(message);
    if (!trace_.Quiet())
        trace_.Line("<- #" + std::to_string(from.id) + " " + outcome.text);
    Deliver(from, outcome);
    if (outcome.identified && !from.identified) {
        from.identified = true;
        if (options_.burstCount > 0)
            QTimer::singleShot(options_.burstAfterMs, this,
                               [this] { SendBurst(options_.burstCount, 0); });
    }
}

void SimulatorServer::Drained(int id) {
    Connection* connection = Find(id);
    if (connection == nullptr || connection->cut)
        return;
    connection->lastTaken.start();
    Pump(*connection);
    if (connection->paused && Owed(*connection) < LowWater) {
        connection->paused = false;
        Receive(id);
    }
}

void SimulatorServer::Deliver(Connection& from, const Outcome& outcome) {
    for (const Bytes& reply : outcome.replies)
        Send(from, reply);
    for (const Bytes& report : outcome.reports)
        SendToAll(report);
    for (const int device : outcome.changedDevices) {
        const Bytes frame = SingleDeviceFrame(switcher_.Model(), device);
        if (!trace_.Quiet())
            trace_.Line("-> all (" + std::to_string(connections_.size()) + ") " +
                        DescribeFrame(frame));
        for (auto& [id, connection] : connections_)
            SendDevice(*connection, device, frame);
    }
    for (int relay : outcome.pulsedRelays)
        QTimer::singleShot(RelayPulseMs, this,
                           [this, relay] { SendToAll(switcher_.EndRelayPulse(relay)); });
}

qint64 SimulatorServer::Owed(const Connection& to) const {
    return to.socket->bytesToWrite() + static_cast<qint64>(to.outbox.QueuedBytes());
}

// Straight to the socket while it holds little and nothing waits before it; otherwise
// behind what waits.
void SimulatorServer::Send(Connection& to, const Bytes& frame, bool traced) {
    if (to.cut)
        return;
    if (traced && !trace_.Quiet())
        trace_.Line("-> #" + std::to_string(to.id) + " " + DescribeFrame(frame));
    if (to.outbox.Empty() && to.socket->bytesToWrite() < HighWater) {
        to.socket->write(ToQt(frame));
        return;
    }
    to.outbox.Add(frame);
    if (Owed(to) > DropLimit && to.lastTaken.hasExpired(StallMs))
        Cut(to, "owed " + Megabytes(Owed(to)) + " it does not read");
}

bool SimulatorServer::Behind(const Connection& to) const {
    return !to.outbox.Empty() || to.socket->bytesToWrite() >= DeviceAhead;
}

void SimulatorServer::SendDevice(Connection& to, int deviceID, const Bytes& frame) {
    if (to.cut)
        return;
    if (Behind(to))
        to.outbox.AddDevice(deviceID);
    else
        to.socket->write(ToQt(frame));
}

// Tops the socket up from the outbox, for one turn at most: whatever it writes brings
// another bytesWritten, and with it the next turn.
void SimulatorServer::Pump(Connection& to) {
    QElapsedTimer turn;
    turn.start();
    Bytes chunk;
    const auto device = [this](int id) { return SingleDeviceFrame(switcher_.Model(), id); };
    // Device data is composed only as the socket runs low, so that it is the latest.
    while (!to.outbox.Empty() && to.socket->bytesToWrite() < DeviceAhead &&
           turn.elapsed() < TurnMs) {
        chunk.clear();
        to.outbox.TakeInto(chunk, PumpChunkBytes, device);
        to.socket->write(ToQt(chunk));
    }
}

void SimulatorServer::Cut(Connection& connection, const std::string& reason) {
    connection.cut = true;
    connection.outbox.Clear();
    trace_.Event("cut off #" + std::to_string(connection.id) + ": " + reason);
    const int id = connection.id;
    QTimer::singleShot(0, this, [this, id] {
        if (Connection* cut = Find(id)) {
            cut->socket->abort();
            Closed(id);
        }
    });
}

void SimulatorServer::SendToAll(const Bytes& frame) {
    if (!trace_.Quiet())
        trace_.Line("-> all (" + std::to_string(connections_.size()) + ") " + DescribeFrame(frame));
    for (auto& [id, connection] : connections_)
        Send(*connection, frame, false);
}

void SimulatorServer::SendBurst(int count, int console) {
    const auto plan = std::make_shared<const BurstPlan>(switcher_.StartBurst(count, console));
    for (auto& [id, connection] : connections_) {
        if (connection->cut)
            continue;
        connection->outbox.Add(plan);
        Pump(*connection);
    }
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
