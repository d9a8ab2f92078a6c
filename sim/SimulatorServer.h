#pragma once
// The server module on 127.0.0.1: accepts panels, asks each for its type, cuts what
// they send into messages, lets the switcher handle them, and delivers the answers to
// the sender and the reports to every panel. Also carries out the operator's control
// lines (bursts of reports, relay and opto changes).

#include "Bytes.h"
#include "MessageSplitter.h"
#include "Options.h"
#include "Switcher.h"
#include "Trace.h"

#include <QObject>
#include <QTcpServer>

#include <map>
#include <memory>
#include <string>

class QTcpSocket;

namespace orl::sim {

class SimulatorServer : public QObject {
public:
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
    };

    void Accept();
    void Receive(int id);
    void Closed(int id);
    void Deliver(Connection& from, const Outcome& outcome);
    void Send(Connection& to, const Bytes& frame);
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
