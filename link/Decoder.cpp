// The decoder: cuts one message at a time off the front of the receive buffer, answers
// the single-byte link commands itself and hands framed messages to their handlers.
#include "TCPComm.h"

#include "ByteManipulation.h"
#include "Protocol.h"

#include <string>

namespace orl {

namespace {

// Where DecodeBuffer is, for the title of its error report. The text is only built
// when a failure is reported, so a decode does not allocate for it.
struct DecodeStep {
    enum Kind {
        CheckForCommand,
        RemoveExtraBytes,
        DecodeCommand,
        GetMessage
    } kind = CheckForCommand;
    long stray = 0;
    int command = 0;
    long length = 0;

    std::string Label() const {
        switch (kind) {
        case CheckForCommand:
            return "Check for command";
        case RemoveExtraBytes:
            return "Remove extra bytes " + std::to_string(stray);
        case DecodeCommand:
            return "Decode command " + std::to_string(command);
        case GetMessage:
            return "Get message " + std::to_string(command) + " length " + std::to_string(length);
        }
        return {};
    }
};

} // namespace

void TCPComm::DecodeBuffer() {
    DecodeStep step;
    try {
        ReceiveBuffer &buffer = v_.ReceiveBuffer;
        for (;;) {
            if (buffer.empty())
                return;
            step.kind = DecodeStep::CheckForCommand;
            long stray = 0;
            std::uint8_t command = buffer[0];
            while (!wire::IsCommand(command)) {
                ++stray;
                if (static_cast<std::size_t>(stray) >= buffer.size()) {
                    buffer.Clear(); // no command byte at all
                    return;
                }
                command = buffer[static_cast<std::size_t>(stray)];
            }

            step.kind = DecodeStep::RemoveExtraBytes;
            step.stray = stray;
            if (stray > 0) {
                TrimBuffer(buffer, stray);
                continue;
            }

            step.kind = DecodeStep::DecodeCommand;
            step.command = command;
            switch (command) {
            case wire::Poll:
                TrimBuffer(buffer, 1);
                SendToSwitcher(Bytes{wire::PollAnswer});
                return;
            case wire::PollAnswer:
                TrimBuffer(buffer, 1);
                v_.PollsWithoutReply = 0;
                if (!v_.SwitcherOnline)
                    ShowConnection(true);
                return;
            case wire::SwitcherOffline:
                TrimBuffer(buffer, 1);
                v_.PollsWithoutReply = 0;
                if (v_.SwitcherOnline)
                    ShowConnection(false);
                return;
            case wire::LinkNoOp:
                TrimBuffer(buffer, 1);
                return;
            default:
                break;
            }

            const long length = FindEOM(buffer);
            if (length == 0)
                return; // not complete yet: the bytes wait for the rest

            // A command byte before the end byte means the message was broken off: drop
            // what precedes that byte and decode again from it.
            long brokenAt = 0;
            for (long j = 1; j <= length - 2; ++j) {
                if (wire::IsCommand(buffer[static_cast<std::size_t>(j)])) {
                    brokenAt = j;
                    break;
                }
            }
            if (brokenAt > 0) {
                TrimBuffer(buffer, brokenAt);
                continue;
            }

            step.kind = DecodeStep::GetMessage;
            step.length = length;
            const Bytes message = TrimBuffer(buffer, length);
            v_.PollsWithoutReply = 0;
            Dispatch(message);
            return;
        }
    } catch (...) {
        log_.ReportError("Error Processing Command", "Decode Error" + step.Label());
    }
}

bool TCPComm::DecodeTick() {
    if (v_.ReceiveBuffer.empty())
        return false;
    const std::size_t before = v_.ReceiveBuffer.size();
    DecodeBuffer();
    // An incomplete message that made no progress waits for the next receive event
    // (which starts the timer again) instead of spinning the timer.
    return !v_.ReceiveBuffer.empty() && v_.ReceiveBuffer.size() != before;
}

void TCPComm::Dispatch(const Bytes &message) {
    if (message.empty())
        return;
    switch (message.front()) {
    case wire::TypeRequest:
        ProcessTypeRequest(message);
        break;
    case wire::CrosspointMap:
        handlers_.ProcessCrosspointMap(message);
        break;
    case wire::AlphaTable:
        handlers_.ProcessAlphaTable(message);
        break;
    case wire::SwitcherType:
        handlers_.ProcessSwitcherType(message);
        break;
    case wire::DeviceIDInfo:
        handlers_.ReceiveDeviceIDInfo(message);
        break;
    case wire::InformationReply:
        handlers_.ProcessInfoReply(message);
        break;
    case wire::ChannelOnOff:
        handlers_.ReceiveChannelOnOff(message);
        break;
    case wire::OptoRelayStates:
        handlers_.ReceiveOptoRelayStates(message);
        break;
    default:
        break; // recognised or not, no handler: dropped
    }
}

} // namespace orl
