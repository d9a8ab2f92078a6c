#pragma once
// The main window on a fresh temporary application folder, with a loopback server it can
// be connected to, for the tests of the panel.

#include "Bytes.h"
#include "Files.h"
#include "LoopbackServer.h"
#include "TempFolder.h"
#include "Variables.h"
#include "frmMain.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace orl::test {

class PanelTest : public ::testing::Test {
protected:
    // Derived set-ups call this first, through ASSERT_NO_FATAL_FAILURE. The window is not
    // shown yet.
    void SetUp() override {
        ASSERT_TRUE(dir.Made());
        ProgramSetup(v, dir.Path().string());
        window = std::make_unique<frmMain>(v, log);
    }

    // Points the panel at the loopback server and waits until both ends are connected.
    void ConnectToServer() {
        v.IPAddress = "127.0.0.1";
        v.IPPort = server.Port();
        window->Link().ConnectToServer();
        ASSERT_TRUE(WaitUntil([&] { return v.SocketConnected; }));
        ASSERT_TRUE(server.WaitForConnection());
        SentBytes(); // anything sent with the connection
    }

    // Everything the window sent since the last call. A poll byte sent behind it marks the
    // end, so "nothing" is proven, not waited for.
    Bytes SentBytes() {
        window->Link().SendToSwitcher(Bytes{0xF5});
        EXPECT_TRUE(WaitUntil([&] {
            const Bytes& r = server.Received();
            return !r.empty() && r.back() == 0xF5;
        }));
        Bytes bytes = server.Received();
        server.Received().clear();
        if (!bytes.empty())
            bytes.pop_back();
        return bytes;
    }

    // Everything the window sent since the last call, as hex.
    std::string Sent() { return BytesToHex(SentBytes()); }

    std::string LogText() const { return ErrorLogText(dir.Path()); }

    TempFolder dir{"orl-panel"};
    Variables v;
    ErrorLog log{v};
    LoopbackServer server;
    std::unique_ptr<frmMain> window;
};

} // namespace orl::test
