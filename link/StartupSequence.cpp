// The start-up request sequence: after each (re)connection the switcher's tables are
// fetched one request at a time, each step waiting until the previous one was answered.
#include "TCPComm.h"

#include "Protocol.h"
#include "Values.h"

namespace orl {

void TCPComm::RunStartupSequence() {
    try {
        switch (v_.StartupStep) {
        case 0:
            SendInfoRequest(wire::RequestInputNames, 0, wire::None14, 0);
            v_.StartupStep = 1;
            break;
        case 1:
            if (v_.PendingRequestMask1 != 0)
                return;
            SendInfoRequest(wire::RequestCrosspointMap, 0, wire::None14, 0);
            v_.StartupStep = 2;
            break;
        case 2:
            if (v_.PendingRequestMask1 != 0)
                return;
            SendInfoRequest(wire::RequestRelayStates, 0, wire::None14, 0);
            v_.StartupStep = 3;
            break;
        case 3:
            if (v_.PendingRequestMask1 != 0)
                return;
            SendInfoRequest(wire::RequestOptoStates, 0, wire::None14, 0);
            v_.StartupStep = 4;
            break;
        case 4:
            if (v_.PendingRequestMask1 != 0)
                return;
            SendInfoRequest(0, wire::RequestConsoleNames, wire::None14, 0);
            v_.StartupStep = 5;
            break;
        case 5:
            if (v_.PendingRequestMask2 != 0)
                return;
            for (long long i = 0; i < v_.FaderCount; ++i)
                SendInfoRequest(0, wire::RequestDeviceData, 1, v_.FaderDeviceID[i]);
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
