#pragma once
// A link on a fake socket and a fake window, with the panel state set up as at load and
// the error log in a temporary folder.

#include "Fakes.h"
#include "Frames.h"
#include "LogEntries.h"
#include "TCPComm.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

namespace orl::test {

class LinkTest : public ::testing::Test {
protected:
    LinkTest() : log(v, [] { return std::tm{}; }) {
        ProgramSetup(v, folder_.MadePath().string());
        socket.connected = true;
        v.SocketConnected = true;
    }

    std::vector<LogEntry> LogEntries() const { return ReadLogEntries(log.LogPath()); }
    // The bytes appear in the receive buffer as if the socket had delivered them.
    void Receive(const std::string& hex) { v.ReceiveBuffer.Append(HexToBytes(hex)); }
    std::string BufferHex() const { return BytesToHex(v.ReceiveBuffer.Contents()); }

    TempFolder folder_{"orl-link"};
    Variables v;
    ErrorLog log;
    FakeSocket socket;
    FakeWindow window;
    TCPComm link{v, log, socket, window};
};

} // namespace orl::test
