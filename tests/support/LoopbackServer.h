#pragma once
// A test server on 127.0.0.1 (port 0): accepts connections, records what each one sent
// and sends what a test asks. All waiting spins the Qt event loop with a deadline.

#include "Bytes.h"
#include "WaitUntil.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <vector>

namespace orl::test {

class LoopbackServer {
public:
    LoopbackServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                clients_.push_back(s);
                received_.emplace_back();
                const std::size_t index = clients_.size() - 1;
                QObject::connect(s, &QTcpSocket::readyRead, [this, s, index] {
                    const QByteArray data = s->readAll();
                    received_[index].insert(received_[index].end(), data.begin(), data.end());
                    if (onReceive)
                        onReceive(index);
                });
            }
        });
    }

    quint16 Port() const { return server_.serverPort(); }
    int ConnectionCount() const { return static_cast<int>(clients_.size()); }
    bool WaitForConnection(int count = 1, int timeoutMs = 5000) {
        return WaitUntil([&] { return ConnectionCount() >= count; }, timeoutMs);
    }
    // Bytes received on connection `index` (the newest when -1).
    Bytes& Received(int index = -1) {
        return received_.at(index < 0 ? received_.size() - 1 : static_cast<std::size_t>(index));
    }
    bool WaitForBytes(std::size_t count, int index = -1, int timeoutMs = 5000) {
        return WaitUntil([&] { return !received_.empty() && Received(index).size() >= count; },
                         timeoutMs);
    }
    void Send(const Bytes& bytes, int index = -1) {
        QTcpSocket* s =
            clients_.at(index < 0 ? clients_.size() - 1 : static_cast<std::size_t>(index));
        s->write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        s->flush();
    }
    // Closes the server's side of connection `index`.
    void CloseConnection(int index = -1) {
        clients_.at(index < 0 ? clients_.size() - 1 : static_cast<std::size_t>(index))->close();
    }
    QTcpSocket* Connection(int index = -1) {
        return clients_.at(index < 0 ? clients_.size() - 1 : static_cast<std::size_t>(index));
    }

    // Called with the connection index after new bytes arrived.
    std::function<void(std::size_t)> onReceive;

private:
    QTcpServer server_;
    std::vector<QTcpSocket*> clients_;
    std::vector<Bytes> received_;
};

} // namespace orl::test
