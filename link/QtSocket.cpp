// The link's socket on QTcpSocket. Qt queues writes and delivers reads from its own
// buffers on the event loop; this adapter gives the link the non-blocking contract it
// relies on: would-block instead of waiting, a bounded write queue, and no close event
// for a close the panel did itself.
#include "QtSocket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orl {

namespace {
constexpr int NotConnectedError = 10057;
constexpr int SocketFailure = 10054;
} // namespace

QtSocket::QtSocket(QObject* parent) : QObject(parent), socket_(new QTcpSocket(this)) {
    Rewire();
}

QtSocket::~QtSocket() {
    AbandonAttempt();
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
    // What the panel wrote before closing goes out first (the release of a held button
    // as the panel closes).
    if (old->state() == QAbstractSocket::ConnectedState)
        old->flush();
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
    if (socket_->state() != QAbstractSocket::UnconnectedState || attemptFd_ >= 0)
        return 0; // an attempt already under way is kept
    if (host_.isEmpty() || port_ == 0) {
        lastError_ = NotConnectedError;
        return 1;
    }
    bytesTaken_ = 0;
    lastError_ = 0;
    // An address given as numbers is used as it is: no name lookup, one attempt. A name
    // is looked up by QTcpSocket.
    const QHostAddress address(host_);
    if (address.isNull())
        socket_->connectToHost(host_, port_);
    else if (!StartAttempt(address))
        return 1;
    return 0;
}

bool QtSocket::StartAttempt(const QHostAddress& address) {
    sockaddr_storage remote{};
    socklen_t length = 0;
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        auto* in = reinterpret_cast<sockaddr_in*>(&remote);
        in->sin_family = AF_INET;
        in->sin_port = htons(port_);
        in->sin_addr.s_addr = htonl(address.toIPv4Address());
        length = sizeof(sockaddr_in);
    } else {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&remote);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port_);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&in6->sin6_addr, bytes.c, sizeof bytes.c);
        length = sizeof(sockaddr_in6);
    }
    const int fd = ::socket(remote.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        lastError_ = SocketFailure;
        return false;
    }
    attemptFd_ = fd;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&remote), length) == 0) {
        FinishAttempt();
        return true;
    }
    if (errno != EINPROGRESS) {
        // Refused at once: like a refusal that arrives later, no event; the next poll
        // tick tries again.
        AbandonAttempt();
        return true;
    }
    attemptDone_ = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(attemptDone_, &QSocketNotifier::activated, this, [this] { FinishAttempt(); });
    return true;
}

void QtSocket::FinishAttempt() {
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(attemptFd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
        AbandonAttempt(); // refused or unreachable: not an event
        return;
    }
    const int fd = attemptFd_;
    DropNotifier();
    attemptFd_ = -1;
    if (!socket_->setSocketDescriptor(fd)) {
        ::close(fd);
        return;
    }
    socket_->setReadBufferSize(ReadAheadBytes);
    established_ = true;
    if (sink_)
        sink_->OnSocketConnect();
}

// The notifier may be the one whose signal is being handled: it is switched off now and
// deleted once back in the event loop.
void QtSocket::DropNotifier() {
    if (attemptDone_ == nullptr)
        return;
    attemptDone_->setEnabled(false);
    attemptDone_->deleteLater();
    attemptDone_ = nullptr;
}

void QtSocket::AbandonAttempt() {
    DropNotifier();
    if (attemptFd_ >= 0)
        ::close(attemptFd_);
    attemptFd_ = -1;
}

void QtSocket::Close() {
    AbandonAttempt();
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
