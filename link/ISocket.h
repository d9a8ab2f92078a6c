#pragma once
// The operations the link relies on from its TCP client socket. Production code adapts
// QTcpSocket (QtSocket); tests use a fake or a real loopback server.

#include <cstdint>
#include <string>

namespace orl {

// Events the socket delivers, on the window thread.
class ISocketEvents {
public:
    virtual ~ISocketEvents() = default;
    virtual void OnSocketConnect() = 0;
    virtual void OnSocketReceive(long bytesWaiting) = 0;
    virtual void OnSocketClose() = 0;
};

class ISocket {
public:
    static constexpr int WouldBlock = 24035; // nothing more to read / write cannot proceed

    virtual ~ISocket() = default;
    virtual void SetEventSink(ISocketEvents* sink) = 0;
    virtual void SetRemoteHost(const std::string& address) = 0;
    virtual void SetRemotePort(std::int32_t port) = 0;
    // 0 when the attempt is under way (completion arrives as OnSocketConnect).
    virtual int Connect() = 0;
    virtual void Close() = 0;
    virtual void Reset() = 0;
    virtual bool Connected() const = 0;
    // Count written, below 1 on failure (LastError tells why).
    virtual long Write(const std::uint8_t* data, long length) = 0;
    virtual long BytesTaken() const = 0;
    // Count delivered, below 1 when nothing was delivered.
    virtual long Read(std::uint8_t* buffer, long count) = 0;
    virtual int LastError() const = 0;
};

} // namespace orl
