// The start-up request sequence: after each (re)connection the switcher's tables are
// fetched one request at a time, each step waiting until the previous one was answered.
#include "TCPComm.h"

#include "Protocol.h"
#include "Values.h"

#include <algorithm>

namespace orl {

void TCPComm::RunStartupSequence() {
    try {
        switch (v_.StartupStep) {
        case 0:
            SendInfoRequest(wire::RequestInputNames, 0, None, 0);
            v_.StartupStep = 1;
            break;
        case 1:
            if (v_.PendingRequestMask1 != 0)
                return;
            SendInfoRequest(wire::RequestCrosspointMap, 0, None, 0);
            v_.StartupStep = 2;
            break;
        case 2:
            if (v_.PendingRequestMask1 != 0)
                return;
            SendInfoRequest(wire::RequestRelayStates, 0, None, 0);
            v_.StartupStep = 3;
            break;
        case 3:
            if (v_.PendingRequestMask1 != 0)
                return;
            SendInfoRequest(wire::RequestOptoStates, 0, None, 0);
            v_.StartupStep = 4;
            break;
        case 4:
            if (v_.PendingRequestMask1 != 0)
                return;
            SendInfoRequest(0, wire::RequestConsoleNames, None, 0);
            v_.StartupStep = 5;
            break;
        case 5:
            if (v_.PendingRequestMask2 != 0)
                return;
            // Every strip's device is awaited, not only the first to answer: the next
            // step asks for the attributes of the sources these answers report.
            for (long long i = 0; i < v_.FaderCount; ++i) {
                const std::int16_t id = v_.FaderDeviceID[i];
                if (v_.PanelMode != PanelModeConsole && v_.DeviceIDs.Contains(id))
                    v_.DeviceIDs[id].RequestPending = true;
                SendInfoRequest(0, wire::RequestDeviceData, 1, id);
            }
            v_.StartupStep = 6;
            break;
        case 6:
            if (v_.PendingRequestMask2 != 0)
                return;
            RequestInchan(true);
            v_.StartupStep = 7;
            break;
        case 7:
            if (v_.PendingRequestMask2 != 0)
                return;
            window_.InitAllSliders();
            v_.StartupStep = 8;
            break;
        default:
            break; // complete
        }
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
            window_.SetCaption(CaptionConnected);
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
            if (isIn(previousIDs, ids[i]))
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
            if (v_.PanelMode != PanelModeConsole && v_.DeviceIDs.Contains(id))
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
            const std::int16_t channel = ToInteger(v_.FaderSource[i] - 1LL);
            if (all || v_.InputChannels[channel].AttributesWanted)
                SendInfoRequest(0, wire::RequestChannelAttributes, 1, channel);
        }
    } catch (...) {
        // Stops at the first failure without a report; requests already sent stay sent.
    }
}

} // namespace orl
