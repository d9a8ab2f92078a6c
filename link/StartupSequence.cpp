// The start-up request sequence: after each (re)connection the switcher's tables are
// fetched one request at a time, each step waiting until the previous one was answered.
#include "TCPComm.h"

#include "Protocol.h"
#include "Values.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace orl {

namespace {

// The request word that must be 0 again (every bit of the previous request answered)
// before a step acts.
enum class Awaits { Nothing, Word1, Word2 };

enum class Action {
    WholeTable,      // one request: the step's words, count 16383 (everything), first index 0
    EachStripDevice, // per strip, in order: the step's words, count 1, the strip's device ID
    EachStripSource, // RequestInchan(true): 0, 4, 1, source - 1 per strip, in order
    SetAllStrips,    // the window sets every strip from the answers (InitAllSliders)
};

struct StartupStepRow {
    Awaits awaits;
    Action action;
    std::int32_t word1;
    std::int32_t word2;
};

// Step n runs while StartupStep is n and, once its action is done, makes it n + 1; after
// the last, StartupStep is StartupComplete.
constexpr std::array<StartupStepRow, StartupComplete> StartupSteps{{
    {Awaits::Nothing, Action::WholeTable, wire::RequestInputNames, 0},
    {Awaits::Word1, Action::WholeTable, wire::RequestCrosspointMap, 0},
    {Awaits::Word1, Action::WholeTable, wire::RequestRelayStates, 0},
    {Awaits::Word1, Action::WholeTable, wire::RequestOptoStates, 0},
    {Awaits::Word1, Action::WholeTable, 0, wire::RequestConsoleNames},
    {Awaits::Word2, Action::EachStripDevice, 0, wire::RequestDeviceData},
    {Awaits::Word2, Action::EachStripSource, 0, 0},
    {Awaits::Word2, Action::SetAllStrips, 0, 0},
}};

} // namespace

void TCPComm::RunStartupSequence() {
    try {
        const std::int16_t step = v_.StartupStep;
        if (step < 0 || step >= StartupComplete)
            return; // complete
        const StartupStepRow& row = StartupSteps.at(static_cast<std::size_t>(step));
        if ((row.awaits == Awaits::Word1 && v_.PendingRequestMask1 != 0) ||
            (row.awaits == Awaits::Word2 && v_.PendingRequestMask2 != 0))
            return;
        switch (row.action) {
        case Action::WholeTable:
            SendInfoRequest(row.word1, row.word2, None, 0);
            break;
        case Action::EachStripDevice:
            // Every strip's device is awaited, not only the first to answer: the next
            // step asks for the attributes of the sources these answers report.
            // A device ID outside 0 to 8192 (from a hand-edited configuration) is not
            // asked for: the switcher has no such device and the start-up must not wait.
            for (long long i = 0; i < v_.FaderCount; ++i) {
                const std::int16_t id = v_.FaderDeviceID[i];
                if (!v_.DeviceIDs.Contains(id))
                    continue;
                if (v_.PanelMode != PanelModeConsole)
                    v_.DeviceIDs[id].RequestPending = true;
                SendInfoRequest(row.word1, row.word2, 1, id);
            }
            break;
        case Action::EachStripSource:
            RequestInchan(true);
            break;
        case Action::SetAllStrips:
            window_.InitAllSliders();
            break;
        }
        v_.StartupStep = static_cast<std::int16_t>(step + 1);
    } catch (...) {
        // Ends the call silently; the next call tries the same step again.
    }
}

void TCPComm::AdvanceStartupSequence() {
    if (!v_.SocketConnected)
        return;
    if (v_.StartupStep >= StartupComplete) {
        if (refreshStep_ != StripRefresh::Idle)
            AdvanceStripRefresh();
        return;
    }
    for (;;) {
        const std::int16_t before = v_.StartupStep;
        RunStartupSequence();
        if (v_.StartupStep >= StartupComplete) {
            ShowCaption();
            return;
        }
        if (v_.StartupStep == before)
            return; // waiting for an answer
    }
}

std::vector<std::int16_t> TCPComm::StripDeviceIDs() const {
    std::vector<std::int16_t> ids;
    for (long long i = 0; i < v_.FaderCount && v_.FaderDeviceID.Contains(i); ++i)
        ids.push_back(v_.FaderDeviceID[i]);
    return ids;
}

void TCPComm::RequestNewStripDevices(const std::vector<std::int16_t>& previousIDs) {
    try {
        if (!v_.SocketConnected || v_.StartupStep < StartupComplete)
            return; // the start-up sequence asks for every strip's device itself
        const auto isIn = [](const auto& list, auto value) {
            return std::find(list.begin(), list.end(), value) != list.end();
        };
        const std::vector<std::int16_t> ids = StripDeviceIDs();
        std::vector<std::int16_t> newIDs;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            // A device ID the switcher cannot have is not asked for.
            if (isIn(previousIDs, ids[i]) || !v_.DeviceIDs.Contains(ids[i]))
                continue;
            if (!isIn(refreshStrips_, static_cast<int>(i)))
                refreshStrips_.push_back(static_cast<int>(i));
            if (!isIn(newIDs, ids[i]))
                newIDs.push_back(ids[i]);
        }
        if (newIDs.empty())
            return;
        refreshStep_ = StripRefresh::Devices;
        for (const std::int16_t id : newIDs) {
            if (v_.PanelMode != PanelModeConsole)
                v_.DeviceIDs[id].RequestPending = true;
            SendInfoRequest(0, wire::RequestDeviceData, 1, id);
        }
        AdvanceStripRefresh(); // nothing to wait for in Console mode
    } catch (...) {
        // Like a start-up step: ends silently; the strips keep what they show.
    }
}

// Waits, like the start-up sequence, until the request word of the last step is 0.
void TCPComm::AdvanceStripRefresh() {
    try {
        if (refreshStep_ == StripRefresh::Devices) {
            if (v_.PendingRequestMask2 != 0)
                return;
            refreshStep_ = StripRefresh::Attributes;
            std::vector<std::int16_t> channels;
            for (const int strip : refreshStrips_) {
                if (strip >= v_.FaderCount || v_.FaderSource[strip] == None)
                    continue;
                const std::int16_t channel = ToInteger(v_.FaderSource[strip] - 1LL);
                if (std::find(channels.begin(), channels.end(), channel) == channels.end())
                    channels.push_back(channel);
            }
            for (const std::int16_t channel : channels)
                SendInfoRequest(0, wire::RequestChannelAttributes, 1, channel);
        }
        if (refreshStep_ == StripRefresh::Attributes) {
            if (v_.PendingRequestMask2 != 0)
                return;
            const std::vector<int> strips = std::move(refreshStrips_);
            refreshStrips_.clear();
            refreshStep_ = StripRefresh::Idle;
            for (const int strip : strips)
                if (strip < v_.FaderCount)
                    window_.InitSlider(strip);
        }
    } catch (...) {
        refreshStrips_.clear();
        refreshStep_ = StripRefresh::Idle;
    }
}

void TCPComm::RequestInchan(bool all) {
    try {
        for (long long i = 0; i < v_.FaderCount; ++i) {
            if (v_.FaderSource[i] == None)
                continue; // a strip without a source has no input channel to ask about
            const std::int16_t channel = ToInteger(v_.FaderSource[i] - 1LL);
            if (all || v_.InputChannels[channel].AttributesWanted)
                SendInfoRequest(0, wire::RequestChannelAttributes, 1, channel);
        }
    } catch (...) {
        // Stops at the first failure without a report; requests already sent stay sent.
    }
}

} // namespace orl
