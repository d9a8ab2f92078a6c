#pragma once
// Handlers of the tables and state reports the switcher sends. Each checks checksum and
// length against its own counts (a mismatching frame is dropped silently), stores what
// it carries in the panel state, clears its bit of the pending request words and tells
// the window what changed. A frame shorter than its counts promise is a reported failure;
// what was applied before stays applied.

#include "Bytes.h"
#include "ErrorLog.h"
#include "IPanelWindow.h"
#include "Variables.h"

#include <chrono>
#include <functional>

namespace orl {

class IncomingHandlers {
public:
    IncomingHandlers(Variables& v, ErrorLog& log, IPanelWindow& window)
        : v_(v), log_(log), window_(window) {}

    // Configuration tables
    void ProcessAlphaTable(const Bytes& message);    // 0xFC
    void ProcessCrosspointMap(const Bytes& message); // 0xF6
    void ReceiveDeviceIDInfo(const Bytes& message);  // 0xD9
    // 0xD0; no handler of its own: a message too short for its sub-type throws to the decoder
    void ProcessInfoReply(const Bytes& message);
    void ReceiveInputChannelAttributes(const Bytes& message); // 0xD0 sub-type 10
    void ProcessSwitcherType(const Bytes& message);           // 0xE5

    // State reports
    void ReceiveChannelOnOff(const Bytes& message);    // 0xD6
    void ReceiveOptoRelayStates(const Bytes& message); // 0xF7

    // The last switcher type accepted from an 0xE5 frame; -1 before any.
    int SwitcherTypeValue() const { return switcherType_; }

    // Device data the panel did not ask for (every panel hears of every gain move) is not
    // logged message by message: at most one line "N device data messages received"
    // every SummaryInterval, counting them.
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::seconds SummaryInterval{60};
    void SetClock(Clock clock) { clock_ = std::move(clock); }

private:
    void NoteUnrequestedDeviceData();
    Clock clock_ = [] { return std::chrono::steady_clock::now(); };
    long long unrequestedDeviceData_ = 0;
    std::chrono::steady_clock::time_point lastSummary_;
    bool summarised_ = false;

    Variables& v_;
    ErrorLog& log_;
    IPanelWindow& window_;
    int switcherType_ = -1;
};

} // namespace orl
