#pragma once
// The server module on 127.0.0.1: accepts panels, asks each for its type, cuts what
// they send into messages, lets the switcher handle them, and delivers the answers to
// the sender and the reports to every panel. Also carries out the operator's control
// lines (bursts of reports, relay and opto changes).
//
// What a panel is owed is bounded: past HighWater unsent bytes its requests wait (unread,
// so TCP slows it down) until it has taken in all but LowWater. A panel that is behind
// (its socket holds DeviceAhead bytes or more, or anything waits in its outbox) is owed
// each changed device once, with the device's data as it is when the panel takes it.
// A panel that has taken nothing for StallMs while reports for every panel pile up past
// DropLimit is cut off; one that keeps reading never is. Other panels are never held up
// by one that does not read.

#include "Bytes.h"
#include "MessageSplitter.h"
#include "Options.h"
#include "Outbox.h"
#include "Switcher.h"
#include "Trace.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTcpServer>

#include <map>
#include <memory>
#include <string>

class QTcpSocket;

namespace orl::sim {

class SimulatorServer : public QObject {
public:
    static constexpr qint64 HighWater = 4 << 20;
    static constexpr qint64 LowWater = 1 << 20;
    static constexpr qint64 DropLimit = 8 << 20;
    static constexpr qint64 DeviceAhead = 64 << 10;
    static constexpr qint64 StallMs = 5000;

    SimulatorServer(Switcher& switcher, Trace& trace, const Options& options);

    bool Listen(quint16 port, std::string& error);
    quint16 Port() const { return server_.serverPort(); }
    int PanelCount() const { return static_cast<int>(connections_.size()); }
    // One control line; returns the answer for the operator (empty for none).
    std::string Command(const std::string& line);
    // Closes every panel connection from the server's side, as a restarting server would.
    void DropAll();

private:
    struct Connection {
        int id = 0;
        QTcpSocket* socket = nullptr;
        MessageSplitter splitter;
        bool identified = false;
        Outbox outbox;           // owed behind what the socket already holds
        bool paused = false;     // its requests wait until it has taken in what it is owed
        bool cut = false;        // cut off; closed on the next turn of the event loop
        bool nextTurn = false;   // its requests go on after the other panels had a turn
        QElapsedTimer lastTaken; // since the panel last took bytes in
    };

    Connection* Find(int id);
    void Accept();
    void Receive(int id);
    void Drained(int id);
    void Closed(int id);
    void Handle(Connection& from, const Bytes& message);
    void Deliver(Connection& from, const Outcome& outcome);
    void Send(Connection& to, const Bytes& frame, bool traced = true);
    // The latest data of a changed device, now or (when the panel is behind) once it
    // takes its outbox in.
    void SendDevice(Connection& to, int deviceID, const Bytes& frame);
    bool Behind(const Connection& to) const;
    void Pump(Connection& to);
    qint64 Owed(const Connection& to) const;
    void Cut(Connection& connection, const std::string& reason);
    void SendToAll(const Bytes& frame);
    void SendBurst(int count, int console);

    Switcher& switcher_;
    Trace& trace_;
    Options options_;
    QTcpServer server_;
    std::map<int, std::unique_ptr<Connection>> connections_;
    int nextID_ = 1;
};

} // namespace orl::sim
