// The link's socket on QTcpSocket. Qt queues writes and delivers reads from its own
// buffers on the event loop; this adapter gives the link the non-blocking contract it
// relies on: would-block instead of waiting, a bounded write queue, and no close event
// for a close the panel did itself.
#include "QtSocket.h"

#include <algorithm>
#include <limits>

namespace orl {

namespace {
constexpr int NotConnectedError = 10057;
constexpr int SocketFailure = 10054;
} // namespace

QtSocket::QtSocket(QObject* parent) : QObject(parent), socket_(new QTcpSocket(this)) {
    Rewire();
}

void QtSocket::Rewire() {
    QTcpSocket* s = socket_;
    s->setReadBufferSize(ReadAheadBytes);
    connect(s, &QTcpSocket::connected, this, [this] {
        established_ = true;
        if (sink_)
            sink_->OnSocketConnect();
    });
    connect(s, &QTcpSocket::readyRead, this, [this, s] {
        if (sink_ && s == socket_)
            sink_->OnSocketReceive(static_cast<long>(
                std::min<qint64>(s->bytesAvailable(), std::numeric_limits<long>::max())));
    });
    connect(s, &QTcpSocket::disconnected, this, [this, s] {
        const bool wasEstablished = established_ && s == socket_;
        established_ = false;
        if (wasEstablished && sink_)
            sink_->OnSocketClose();
    });
    // A refused or unreachable connection is not an event: the socket falls back to the
    // unconnected state and the next poll tick tries again.
}

void QtSocket::Fresh() {
    QTcpSocket* old = socket_;
    disconnect(old, nullptr, this, nullptr);
    old->abort();
    old->deleteLater(); // we may be inside one of its signals
    socket_ = new QTcpSocket(this);
    established_ = false;
    Rewire();
}

void QtSocket::SetRemoteHost(const std::string& address) {
    host_ = QString::fromStdString(address).trimmed();
}

void QtSocket::SetRemotePort(std::int32_t port) {
    port_ = port >= 1 && port <= 65535 ? static_cast<quint16>(port) : 0;
}

int QtSocket::Connect() {
    if (socket_->state() != QAbstractSocket::UnconnectedState)
        return 0; // an attempt already under way is kept
    if (host_.isEmpty() || port_ == 0) {
        lastError_ = NotConnectedError;
        return 1;
    }
    bytesTaken_ = 0;
    lastError_ = 0;
    socket_->connectToHost(host_, port_);
    return 0;
}

void QtSocket::Close() {
    if (socket_->state() != QAbstractSocket::UnconnectedState || established_)
        Fresh();
}

void QtSocket::Reset() {
    Close();
    bytesTaken_ = 0;
    lastError_ = 0;
}

bool QtSocket::Connected() const {
    return socket_->state() == QAbstractSocket::ConnectedState;
}

long QtSocket::Write(const std::uint8_t* data, long length) {
    bytesTaken_ = 0;
    if (!Connected()) {
        lastError_ = NotConnectedError;
        return 0;
    }
    if (length < 1)
        return 0;
    if (socket_->bytesToWrite() > MaxQueuedBytes) {
        lastError_ = WouldBlock;
        return 0;
    }
    const qint64 written = socket_->write(reinterpret_cast<const char*>(data), length);
    if (written < 1) {
        lastError_ = SocketFailure;
        return 0;
    }
    bytesTaken_ = static_cast<long>(written);
    return bytesTaken_;
}

long QtSocket::Read(std::uint8_t* buffer, long count) {
    if (count < 1 || socket_->bytesAvailable() <= 0) {
        lastError_ = WouldBlock;
        return 0;
    }
    const qint64 read = socket_->read(reinterpret_cast<char*>(buffer), count);
    if (read < 0) {
        lastError_ = SocketFailure;
        return 0;
    }
    if (read == 0) {
        lastError_ = WouldBlock;
        return 0;
    }
    return static_cast<long>(read);
}

} // namespace orl
