#pragma once
// The main window on a fresh temporary program folder, pointed at a server on this machine,
// for the tests and measurements that run a whole panel against a server of their own.

#include "ErrorLog.h"
#include "TempFolder.h"
#include "Variables.h"
#include "WaitUntil.h"
#include "frmMain.h"

#include <memory>

namespace orl::test {

// Nothing asked of the switcher is still unanswered and nothing received waits for decoding.
inline bool LinkQuiet(const Variables& v, frmMain& window) {
    return v.PendingRequestMask1 == 0 && v.PendingRequestMask2 == 0 && v.ReceiveBuffer.empty() &&
           !window.DecodeTimer().isActive();
}

// Ticks the poll by hand, as fast as the switcher answers, until the start-up sequence is
// complete and the title reads "ORL Console - Connected" (tmrPoll keeps running too; both
// only move the sequence on).
inline bool TickUntilConnected(frmMain& window, const Variables& v, int maxTicks = 40) {
    const auto connected = [&] { return window.windowTitle() == "ORL Console - Connected"; };
    for (int tick = 0; tick < maxTicks && !connected(); ++tick) {
        window.Link().PollTick();
        WaitUntil(
            [&] {
                return v.SocketConnected && v.PendingRequestMask1 == 0 &&
                       v.PendingRequestMask2 == 0;
            },
            1000);
    }
    return connected();
}

class ScratchPanel {
public:
    // Shown, not yet connected: the caller sets what its panel needs, then connects.
    explicit ScratchPanel(int port) {
        ProgramSetup(v, dir.MadePath().string());
        v.IPAddress = "127.0.0.1";
        v.IPPort = port;
        window = std::make_unique<frmMain>(v, log);
        window->show();
    }

    TempFolder dir{"orl-panel"};
    Variables v;
    ErrorLog log{v};
    std::unique_ptr<frmMain> window;
};

} // namespace orl::test
