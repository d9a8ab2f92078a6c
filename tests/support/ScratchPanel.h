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

// Every strip shows the gain the panel holds for it. The switcher's gain may wait one frame
// of the display to show, so a test that reads the strips waits for this first.
inline bool GainsShown(frmMain& window, const Variables& v) {
    return WaitUntil([&] {
        for (int i = 0; i < window.StripCount(); ++i)
            if (window.Strip(i).lblGain->text() !=
                FaderStrip::GainLabelText(v.FaderGain[i], FaderStrip::SwitcherOffThreshold))
                return false;
        return true;
    });
}

// Ticks the poll by hand, as fast as the switcher answers, until the start-up sequence is
// complete, the title reads "ORL Console - Connected" and the strips show the switcher's
// gains (tmrPoll keeps running too; both only move the sequence on).
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
    return connected() && GainsShown(window, v);
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
