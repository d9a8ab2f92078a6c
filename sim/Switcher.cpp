#include "Switcher.h"

#include "CommandLayouts.h"
#include "Describe.h"
#include "Frames.h"
#include "OrlError.h"
#include "Protocol.h"
#include "Trace.h"

#include <algorithm>
#include <sstream>

namespace orl::sim {

namespace {

std::string Hex2(std::uint8_t value) {
    return BytesToHex(Bytes{value});
}

// "D6 channel on/off: input 2 console 1 on": the command byte and what the frame says.
std::string Described(const Bytes& message) {
    return Hex2(message[0]) + " " + wire::DescribeFrame(message);
}

std::string IgnoredText(const char* what) {
    return std::string(what) + ": ignored, checksum, length or fixed bytes wrong";
}

} // namespace

Outcome Switcher::Handle(const Bytes& message) {
    Outcome outcome;
    if (message.empty())
        return outcome;
    const std::uint8_t command = message[0];
    try {
        switch (command) {
        case wire::Poll:
            outcome.text = Described(message);
            outcome.replies.push_back({wire::PollAnswer});
            break;
        case wire::PollAnswer:
        case wire::SwitcherOffline:
        case wire::LinkNoOp:
            outcome.text = Described(message);
            break;
        case wire::TypeRequest:
            if (const auto reply = ReadTypeReply(message)) {
                outcome.identified = reply->type == wire::PanelType;
                outcome.text =
                    Described(message) + (outcome.identified ? "" : " (not a panel: ignored)");
            } else {
                outcome.text = IgnoredText("81 type reply");
            }
            break;
        case wire::InfoRequest:
            AnswerInfoRequest(message, outcome);
            break;
        case wire::ChannelOnOff:
            ApplyChannelOnOff(message, outcome);
            break;
        case wire::GainChange:
            ApplyGain(message, outcome);
            break;
        case wire::SourceChange:
            ApplySource(message, outcome);
            break;
        case wire::Take:
            ApplyTake(message, outcome);
            break;
        default:
            outcome.text = Hex2(command) + ": not a panel command, ignored";
            break;
        }
    } catch (const OrlError& error) {
        outcome = Outcome{};
        outcome.text = Hex2(command) + ": malformed, ignored (" + error.Description() + ")";
    }
    outcome.text += " [" + wire::HexExcerpt(message) + "]";
    return outcome;
}

void Switcher::AnswerInfoRequest(const Bytes& message, Outcome& outcome) {
    const auto request = ReadInfoRequest(message);
    if (!request) {
        outcome.text = IgnoredText("F2 information request");
        return;
    }
    std::ostringstream text;
    text << Described(message);
    const int first = request->first;
    const int count = request->count;
    std::int32_t unknown1 = request->word1;
    std::int32_t unknown2 = request->word2;
    const auto asked = [&](std::int32_t& unknown, std::int32_t word, std::int32_t bit) {
        unknown &= ~bit;
        return (word & bit) != 0;
    };
    if (asked(unknown1, request->word1, wire::RequestInputNames)) {
        outcome.replies.push_back(
            NameTableFrame(wire::InputNameTable, model_.InputNames(), first, count));
    }
    if (asked(unknown1, request->word1, wire::RequestCrosspointMap)) {
        outcome.replies.push_back(CrosspointMapFrame(model_, first, count));
    }
    if (asked(unknown1, request->word1, wire::RequestRelayStates)) {
        outcome.replies.push_back(StateTableFrame(wire::RelayTable, model_.Relays(), first, count));
    }
    if (asked(unknown1, request->word1, wire::RequestOptoStates)) {
        outcome.replies.push_back(StateTableFrame(wire::OptoTable, model_.Optos(), first, count));
    }
    if (asked(unknown2, request->word2, wire::RequestConsoleNames)) {
        outcome.replies.push_back(
            NameTableFrame(wire::ConsoleNameTable, model_.ConsoleNames(), first, count));
    }
    if (asked(unknown2, request->word2, wire::RequestChannelAttributes)) {
        outcome.replies.push_back(InputChannelAttributesFrame(model_, first, count));
    }
    if (asked(unknown2, request->word2, wire::RequestDeviceData)) {
        if (count != 1)
            outcome.replies.push_back(DeviceRangeFrame(model_, first, count));
        else if (SwitcherModel::IsDeviceID(first))
            outcome.replies.push_back(SingleDeviceFrame(model_, first));
        else
            text << " (no device " << first << ")";
    }
    if (unknown1 != 0 || unknown2 != 0)
        text << " (unknown bits not answered)";
    outcome.text = text.str();
}

void Switcher::ApplyChannelOnOff(const Bytes& message, Outcome& outcome) {
    const auto entries = ReadChannelOnOff(message);
    if (!entries) {
        outcome.text = IgnoredText("D6 channel on/off");
        return;
    }
    std::vector<ChannelState> applied;
    for (const ChannelState& entry : *entries)
        if ((entry.state == 0 || entry.state == 1) &&
            model_.SetChannelOn(entry.input, entry.console, entry.state == 1))
            applied.push_back(entry);
    outcome.text = Described(message);
    if (applied.size() != entries->size())
        outcome.text += " (" + std::to_string(entries->size() - applied.size()) + " not applied)";
    for (std::size_t i = 0; i < applied.size(); i += 127)
        outcome.reports.push_back(ChannelReportFrame(std::vector<ChannelState>(
            applied.begin() + static_cast<std::ptrdiff_t>(i),
            applied.begin() + static_cast<std::ptrdiff_t>(std::min(applied.size(), i + 127)))));
}

void Switcher::ApplyGain(const Bytes& message, Outcome& outcome) {
    const auto command = ReadGainChange(message);
    if (!command) {
        outcome.text = IgnoredText("E3 gain");
        return;
    }
    constexpr int GainParameter = 20;
    outcome.text = Described(message);
    if (command->parameter == GainParameter && model_.SetGain(command->deviceID, command->value)) {
        outcome.text += " (stored)";
        // Every panel on the device follows the new gain.
        outcome.changedDevices.push_back(command->deviceID);
    } else
        outcome.text += " (not applied)";
}

void Switcher::ApplySource(const Bytes& message, Outcome& outcome) {
    const auto command = ReadSourceChange(message);
    if (!command) {
        outcome.text = IgnoredText("D3 source change");
        return;
    }
    outcome.text = Described(message);
    if (model_.SetSource(command->deviceID, command->source))
        outcome.changedDevices.push_back(command->deviceID);
    else
        outcome.text += " (no such device)";
}

void Switcher::ApplyTake(const Bytes& message, Outcome& outcome) {
    if (message.size() == wire::crosspoint::Length)
        ApplyCrosspoint(message, outcome);
    else if (message.size() == wire::take::Length)
        ApplyShortTake(message, outcome);
    else
        outcome.text =
            "FE take of " + std::to_string(message.size()) + " bytes: not known, ignored";
}

void Switcher::ApplyCrosspoint(const Bytes& message, Outcome& outcome) {
    const auto command = ReadCrosspointChange(message);
    if (!command) {
        outcome.text = IgnoredText("FE crosspoint change");
        return;
    }
    // Both bus-button modes carry the 2048 and 1024 bits; 36 assigns, 32 removes.
    const int action = command->mode & ~(wire::CrosspointModeBit | wire::CrosspointAssignFlag);
    if (action != wire::CrosspointAssign && action != wire::CrosspointRemove) {
        outcome.text = Described(message) + ", ignored";
        return;
    }
    const bool assign = action == wire::CrosspointAssign;
    std::ostringstream text;
    text << Described(message);
    const bool changed = assign ? model_.Assign(command->bus, command->deviceID, command->source)
                                : model_.Remove(command->bus, command->deviceID);
    if (!changed)
        text << " (no change)";
    if (command->bus < model_.Size().buses)
        outcome.reports.push_back(CrosspointMapFrame(model_, command->bus, 1));
    else
        text << " (no such bus)";
    outcome.text = text.str();
}

void Switcher::ApplyShortTake(const Bytes& message, Outcome& outcome) {
    const auto code = ReadOptoChange(message);
    if (!code) {
        outcome.text = IgnoredText("FE take");
        return;
    }
    switch (code->code) {
    case wire::IFBPress:
    case wire::IFBRelease: {
        const auto take = ReadSimpleTake(message);
        if (!take)
            return;
        outcome.text = Described(message);
        return;
    }
    case wire::Code(wire::OptoChange::RelayOff):
    case wire::Code(wire::OptoChange::RelayOn):
    case wire::Code(wire::OptoChange::RelayPulse): {
        const int relay = code->field2; // relays travel in the value field
        const bool on = code->code != wire::Code(wire::OptoChange::RelayOff);
        outcome.text = Described(message);
        if (!model_.SetRelay(relay, on)) {
            outcome.text += " (no such relay)";
            return;
        }
        outcome.reports.push_back(StateChangeFrame(wire::RelayTable, relay, on));
        if (code->code == wire::Code(wire::OptoChange::RelayPulse))
            outcome.pulsedRelays.push_back(relay);
        return;
    }
    case wire::Code(wire::OptoChange::OptoOff):
    case wire::Code(wire::OptoChange::OptoOn): {
        const int opto = code->field1; // optos travel in the channel field
        const bool on = code->code == wire::Code(wire::OptoChange::OptoOn);
        outcome.text = Described(message);
        if (!model_.SetOpto(opto, on)) {
            outcome.text += " (no such opto)";
            return;
        }
        outcome.reports.push_back(StateChangeFrame(wire::OptoTable, opto, on));
        return;
    }
    default:
        outcome.text = Described(message) + ", ignored";
    }
}

Bytes Switcher::EndRelayPulse(int relay) {
    model_.SetRelay(relay, false);
    return StateChangeFrame(wire::RelayTable, relay, false);
}

BurstPlan::BurstPlan(std::vector<std::uint8_t> startOn, int count, int console)
    : startOn_(std::move(startOn)), count_(startOn_.empty() ? 0 : std::max(count, 0)),
      console_(console) {}

int BurstPlan::StateOf(int k) const {
    const int inputs = static_cast<int>(startOn_.size());
    const bool toggledOddTimes =
        (k / inputs) % 2 == 0; // report k is its input's (k / inputs + 1)th
    return (startOn_[static_cast<std::size_t>(k % inputs)] != 0) != toggledOddTimes ? 1 : 0;
}

Bytes BurstPlan::Frame(int k) const {
    return ChannelReportFrame({{k % static_cast<int>(startOn_.size()), console_, StateOf(k)}});
}

BurstPlan Switcher::StartBurst(int count, int console) {
    const int inputs = model_.Size().inputs;
    std::vector<std::uint8_t> startOn(static_cast<std::size_t>(inputs));
    for (int i = 0; i < inputs; ++i)
        startOn[static_cast<std::size_t>(i)] = model_.ChannelOn(i, console) ? 1 : 0;
    BurstPlan plan(std::move(startOn), count, console);
    // Each input ends in the state of its last report.
    for (int i = 0; i < inputs && i < plan.Count(); ++i) {
        const int last = i + inputs * ((plan.Count() - 1 - i) / inputs);
        model_.SetChannelOn(i, console, plan.StateOf(last) == 1);
    }
    return plan;
}

std::vector<Bytes> Switcher::SetRelay(int relay, bool on) {
    if (!model_.SetRelay(relay, on))
        return {};
    return {StateChangeFrame(wire::RelayTable, relay, on)};
}

std::vector<Bytes> Switcher::SetOpto(int opto, bool on) {
    if (!model_.SetOpto(opto, on))
        return {};
    return {StateChangeFrame(wire::OptoTable, opto, on)};
}

} // namespace orl::sim
