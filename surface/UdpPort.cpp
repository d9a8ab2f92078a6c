#include "UdpPort.h"

#include <cerrno>
#include <cstring>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orl {

namespace {

// The socket address of `address`:`port`; its length, 0 for an address of no IP family.
socklen_t SocketAddress(const QHostAddress& address, quint16 port, sockaddr_storage& out) {
    std::memset(&out, 0, sizeof out);
    bool v4 = false;
    const quint32 ip4 = address.toIPv4Address(&v4);
    if (v4 && address.protocol() == QAbstractSocket::IPv4Protocol) {
        auto* in = reinterpret_cast<sockaddr_in*>(&out);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr.s_addr = htonl(ip4);
        return sizeof(sockaddr_in);
    }
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&out);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        const Q_IPV6ADDR ip6 = address.toIPv6Address();
        std::memcpy(&in6->sin6_addr, ip6.c, sizeof ip6.c);
        return sizeof(sockaddr_in6);
    }
    return 0;
}

quint16 PortOf(const sockaddr_storage& address) {
    return ntohs(address.ss_family == AF_INET6
                     ? reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port
                     : reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
}

} // namespace

UdpPort::~UdpPort() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool UdpPort::Open(const QHostAddress& address, quint16 port, QString& error) {
    sockaddr_storage local{};
    const socklen_t length = SocketAddress(address, port, local);
    if (length == 0) {
        error = QStringLiteral("not an IP address");
        return false;
    }
    fd_ = ::socket(local.ss_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<const sockaddr*>(&local), length) != 0) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

quint16 UdpPort::LocalPort() const {
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (fd_ < 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return 0;
    return PortOf(local);
}

bool UdpPort::Receive(QByteArray& datagram, QHostAddress& from, quint16& fromPort) {
    if (fd_ < 0)
        return false;
    sockaddr_storage sender{};
    socklen_t length = sizeof sender;
    const ssize_t size = ::recvfrom(fd_, buffer_.data(), buffer_.size(), MSG_DONTWAIT,
                                    reinterpret_cast<sockaddr*>(&sender), &length);
    if (size < 0)
        return false;
    datagram = QByteArray(buffer_.data(), static_cast<qsizetype>(size));
    from = QHostAddress(reinterpret_cast<const sockaddr*>(&sender));
    fromPort = PortOf(sender);
    return true;
}

bool UdpPort::Send(const std::vector<std::uint8_t>& datagram, const QHostAddress& to,
                   quint16 toPort) {
    sockaddr_storage target{};
    const socklen_t length = SocketAddress(to, toPort, target);
    if (fd_ < 0 || length == 0)
        return false;
    return ::sendto(fd_, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr*>(&target), length) >= 0;
}

} // namespace orl
