#pragma once
// The link's socket on QTcpSocket: non-blocking, events delivered on the window thread.
// The only file of link/ that includes Qt Network.

#include "ISocket.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTcpSocket>

namespace orl {

class QtSocket : public QObject, public ISocket {
    Q_OBJECT
public:
    // Beyond this many unsent bytes a write reports would-block instead of queueing more.
    static constexpr qint64 MaxQueuedBytes = 1 << 20;
    // Qt reads no more than this from the operating system ahead of the link: what the
    // link does not take yet stays in the kernel, where TCP slows the sender down. (A
    // read-ahead much smaller than the link's high-water mark stalls bursts.)
    static constexpr qint64 ReadAheadBytes = 128 << 10;

    explicit QtSocket(QObject* parent = nullptr);
    ~QtSocket() override;

    void SetEventSink(ISocketEvents* sink) override { sink_ = sink; }
    void SetRemoteHost(const std::string& address) override;
    void SetRemotePort(std::int32_t port) override;
    int Connect() override;
    void Close() override;
    void Reset() override;
    bool Connected() const override;
    long Write(const std::uint8_t* data, long length) override;
    long BytesTaken() const override { return bytesTaken_; }
    long Read(std::uint8_t* buffer, long count) override;
    int LastError() const override { return lastError_; }

private:
    void Rewire();
    // One connection attempt to an address given as numbers, made on a socket of our own
    // and handed to the QTcpSocket once it is established: QTcpSocket itself tries a
    // refused connection twice. False when the attempt could not be started.
    bool StartAttempt(const QHostAddress& address);
    void FinishAttempt();
    void AbandonAttempt();
    int attemptFd_ = -1;
    void DropNotifier();
    QSocketNotifier* attemptDone_ = nullptr; // a child of this socket
    // Drops the current socket without any event and starts a fresh one.
    void Fresh();
    QTcpSocket* socket_ = nullptr;
    ISocketEvents* sink_ = nullptr;
    QString host_;
    quint16 port_ = 0;
    long bytesTaken_ = 0;
    int lastError_ = 0;
    bool established_ = false; // the connect event was delivered for this socket
};

} // namespace orl
