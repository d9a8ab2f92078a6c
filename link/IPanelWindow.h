#pragma once
// What the link and the dialogs ask of the main window after they changed the panel
// state. frmMain implements it; tests hand the link a recording fake.

#include <cstdint>
#include <string>

namespace orl {

// Whether an operator's press can reach the switcher: Down while the socket is not
// connected, Silent while the switcher leaves polls unanswered, Live otherwise.
enum class LinkState { Down, Silent, Live };

class IPanelWindow {
public:
    virtual ~IPanelWindow() = default;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void EnablePollTimer(bool enabled) = 0;
    // Starts the decode timer (it stops itself once the receive buffer is empty).
    virtual void EnableDecodeTimer() = 0;
    // Applies a z-order: -1 above all other windows, -2 ordinary; position and size kept.
    virtual void SetStayOnTop(std::int32_t mode) = 0;

    virtual void InitSlider(int strip) = 0;
    virtual void InitAllSliders() = 0;
    virtual void UpdateActiveSource(int strip) = 0;
    virtual void UpdateBussButtonTally() = 0;
    virtual void UpdateUserButtonTally() = 0;
    // The link changed a strip's channel state (FaderOnState, FaderOnProgram, FaderOnOffline,
    // FaderOnCue); the strip shows it by its own rules. The link never chooses a colour.
    virtual void ShowChannelState(int strip) = 0;
    // The link went down, fell silent or came back: presses are refused unless Live, and
    // the strips say so.
    virtual void ShowLinkState(LinkState state) = 0;
};

} // namespace orl
