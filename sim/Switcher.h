#pragma once
// What the switcher does with each message a panel sends: answers polls and information
// requests to the sender, applies commands to the model and reports the result to every
// panel. Knows nothing of sockets; the server delivers what an Outcome lists.

#include "Bytes.h"
#include "SwitcherModel.h"

#include <string>
#include <vector>

namespace orl::sim {

struct Outcome {
    std::string text;           // one line: what the message was and what was done
    std::vector<Bytes> replies; // to the panel that sent the message
    std::vector<Bytes> reports; // to every connected panel
    // Devices whose data changed: every panel is told their latest data (a panel that
    // is behind only once per device, however often it changed meanwhile).
    std::vector<int> changedDevices;
    std::vector<int> pulsedRelays; // relays switched on by a pulse, to be switched off soon
    bool identified = false;       // the panel answered the type request as a panel
};

// A burst of channel on/off reports on one console, each toggling one input, the inputs
// taken in turn. The switcher applies the whole burst at once; each report is composed
// only when a panel is ready to take it, so a burst costs the same however long it is.
class BurstPlan {
public:
    BurstPlan(std::vector<std::uint8_t> startOn, int count, int console);
    int Count() const { return count_; }
    int Console() const { return console_; }
    // The state report k (0-based, below Count()) sets its input to.
    int StateOf(int k) const;
    Bytes Frame(int k) const;

private:
    std::vector<std::uint8_t> startOn_; // each input's state on the console before the burst
    int count_;
    int console_;
};

class Switcher {
public:
    explicit Switcher(SwitcherModel& model) : model_(model) {}

    Outcome Handle(const Bytes& message);
    // Switches a pulsed relay off again; the state report for every panel.
    Bytes EndRelayPulse(int relay);
    // Applies a burst of `count` reports on console `console` (0-based) and returns the
    // plan that composes its reports.
    BurstPlan StartBurst(int count, int console);
    // Sets a relay or opto from the operator of the simulator; the report, or nothing
    // when the channel does not exist.
    std::vector<Bytes> SetRelay(int relay, bool on);
    std::vector<Bytes> SetOpto(int opto, bool on);

    SwitcherModel& Model() { return model_; }

private:
    void AnswerInfoRequest(const Bytes& message, Outcome& outcome);
    void ApplyChannelOnOff(const Bytes& message, Outcome& outcome);
    void ApplyGain(const Bytes& message, Outcome& outcome);
    void ApplySource(const Bytes& message, Outcome& outcome);
    void ApplyTake(const Bytes& message, Outcome& outcome);
    void ApplyCrosspoint(const Bytes& message, Outcome& outcome);
    void ApplyShortTake(const Bytes& message, Outcome& outcome);

    SwitcherModel& model_;
};

} // namespace orl::sim
