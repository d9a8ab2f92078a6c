#pragma once
// The surface's UDP socket: bound to one address and port, never blocking, read when
// the event loop's notifier says a datagram waits.

#include <QByteArray>
#include <QHostAddress>
#include <QString>

#include <cstdint>
#include <vector>

namespace orl {

class UdpPort {
public:
    UdpPort() = default;
    ~UdpPort();
    UdpPort(const UdpPort&) = delete;
    UdpPort& operator=(const UdpPort&) = delete;

    // Binds `address`:`port` (0: any free port); false with the system's reason.
    bool Open(const QHostAddress& address, quint16 port, QString& error);
    int Descriptor() const { return fd_; }
    quint16 LocalPort() const;
    // The next datagram waiting, with its sender; false when none waits.
    bool Receive(QByteArray& datagram, QHostAddress& from, quint16& fromPort);
    // False when the datagram could not go now (the socket's buffer is full).
    bool Send(const std::vector<std::uint8_t>& datagram, const QHostAddress& to, quint16 toPort);

private:
    int fd_ = -1;
    std::vector<char> buffer_ = std::vector<char>(65536); // the largest UDP datagram
};

} // namespace orl
