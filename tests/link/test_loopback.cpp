// The link on a real QTcpSocket against a test server on 127.0.0.1.
#include "Fakes.h"
#include "Frames.h"
#include "LoopbackServer.h"
#include "QtSocket.h"
#include "TCPComm.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

using namespace orl;
using namespace orl::test;

namespace {

// Forwards the socket's events to the link and counts the close events.
struct CountingSink : ISocketEvents {
    ISocketEvents* link = nullptr;
    int closes = 0;
    void OnSocketConnect() override { link->OnSocketConnect(); }
    void OnSocketReceive(long waiting) override { link->OnSocketReceive(waiting); }
    void OnSocketClose() override {
        ++closes;
        link->OnSocketClose();
    }
};

class Loopback : public ::testing::Test {
protected:
    Loopback() {
        ProgramSetup(v, folder_.MadePath().string());
        v.IPAddress = "127.0.0.1";
        v.IPPort = server.Port();
        v.StartupStep = 8;
        v.RequestRepeatCountdown = 60; // no request repeat in the ticks of these tests
        sink.link = &link;
        socket.SetEventSink(&sink);
    }
    void Connect() {
        link.ConnectToServer();
        ASSERT_TRUE(server.WaitForConnection());
        ASSERT_TRUE(WaitUntil([&] { return v.SocketConnected; }));
    }

    TempFolder folder_{"orl-loopback"};
    LoopbackServer server;
    Variables v;
    ErrorLog log{v};
    QtSocket socket;
    FakeWindow window;
    TCPComm link{v, log, socket, window};
    CountingSink sink;
};

} // namespace

TEST_F(Loopback, HandshakePollAndReconnectOverRealTcp) {
    Connect();

    server.Send(HexToBytes("81 64 64 FF"));
    ASSERT_TRUE(server.WaitForBytes(5));
    EXPECT_EQ(BytesToHex(server.Received()), "81 09 01 0A FF");
    EXPECT_TRUE(window.pollTimerEnabled);

    link.PollTick();
    ASSERT_TRUE(server.WaitForBytes(6));
    EXPECT_EQ(BytesToHex(server.Received()), "81 09 01 0A FF F5");
    EXPECT_EQ(v.PollsWithoutReply, 1);
    EXPECT_EQ(window.caption, CaptionConnected);

    server.Send(HexToBytes("F4"));
    ASSERT_TRUE(WaitUntil([&] { return v.PollsWithoutReply == 0; }));

    server.CloseConnection();
    ASSERT_TRUE(WaitUntil([&] { return window.caption == CaptionDisconnected; }));
    EXPECT_FALSE(v.SocketConnected);
    EXPECT_EQ(sink.closes, 1);

    link.PollTick();
    ASSERT_TRUE(server.WaitForConnection(2));
    ASSERT_TRUE(WaitUntil([&] { return v.SocketConnected; }));
    link.PollTick(); // the start-up sequence begins again from its first request
    ASSERT_TRUE(server.WaitForBytes(14, 1));
    EXPECT_EQ(BytesToHex(server.Received(1)), "F2 00 02 00 00 00 00 7F 7F 00 00 00 FF F5");
    EXPECT_EQ(window.caption, CaptionWaiting);
}

TEST_F(Loopback, ThePanelsOwnCloseDeliversNoCloseEvent) {
    Connect();
    link.DisconnectFromServer();
    EXPECT_FALSE(socket.Connected());
    // Let the server see the close and any late event arrive.
    ASSERT_TRUE(
        WaitUntil([&] { return server.Connection()->state() != QAbstractSocket::ConnectedState; }));
    WaitUntil([] { return false; }, 100);
    EXPECT_EQ(sink.closes, 0);
    EXPECT_EQ(window.caption, CaptionDisconnected);

    link.PollTick(); // connects again on the same adapter
    ASSERT_TRUE(server.WaitForConnection(2));
    ASSERT_TRUE(WaitUntil([&] { return v.SocketConnected; }));
}

TEST_F(Loopback, ARefusedConnectionIsNoEventAndTheNextTickTriesAgain) {
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        closedPort = probe.serverPort();
    }
    v.IPPort = closedPort;
    link.PollTick();
    WaitUntil([] { return false; }, 200);
    EXPECT_FALSE(v.SocketConnected);
    EXPECT_EQ(sink.closes, 0);

    v.IPPort = server.Port();
    link.PollTick();
    ASSERT_TRUE(server.WaitForConnection());
    ASSERT_TRUE(WaitUntil([&] { return v.SocketConnected; }));
}

TEST_F(Loopback, AWriteQueueThatIsFullReportsWouldBlock) {
    Connect();
    // Without the event loop running nothing leaves the queue.
    const Bytes chunk(64 * 1024, 0x10);
    long queued = 0;
    int writes = 0;
    for (; writes < 100; ++writes) {
        const long n = socket.Write(chunk.data(), static_cast<long>(chunk.size()));
        if (n < 1)
            break;
        EXPECT_EQ(socket.BytesTaken(), n);
        queued += n;
    }
    ASSERT_LT(writes, 100);
    EXPECT_EQ(socket.LastError(), ISocket::WouldBlock);
    EXPECT_EQ(socket.BytesTaken(), 0);
    EXPECT_LE(queued, QtSocket::MaxQueuedBytes + static_cast<long>(chunk.size()));
    link.SendToSwitcher(Bytes{0xF5}); // returns at once, dropped
    EXPECT_TRUE(v.SocketConnected);

    std::uint8_t byte = 0;
    EXPECT_EQ(socket.Read(&byte, 1), 0);
    EXPECT_EQ(socket.LastError(), ISocket::WouldBlock);
}
