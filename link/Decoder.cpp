// The decoder: cuts one message at a time off the front of the receive buffer, answers
// the single-byte link commands itself and hands framed messages to their handlers.
#include "TCPComm.h"

#include "ByteManipulation.h"
#include "Framing.h"
#include "Protocol.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>

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
        ReceiveBuffer& buffer = v_.ReceiveBuffer;
        if (buffer.empty())
            return;
        step.kind = DecodeStep::CheckForCommand;
        const wire::MessageFront front = wire::ExamineFront(buffer);
        if (front.stray == buffer.size()) {
            if (trace_ != nullptr)
                trace_->Dropped(buffer.data(), buffer.size(), 0);
            buffer.Clear(); // no command byte at all
            return;
        }

        step.kind = DecodeStep::RemoveExtraBytes;
        step.stray = static_cast<long>(front.stray);
        if (front.junk > 0) {
            if (trace_ != nullptr)
                trace_->Dropped(buffer.data(), front.stray, front.junk - front.stray);
            TrimBuffer(buffer, static_cast<long>(front.junk));
        }

        const std::uint8_t command = buffer[0];
        step.kind = DecodeStep::DecodeCommand;
        step.command = command;
        if (trace_ != nullptr && wire::IsSingleByteCommand(command))
            trace_->Received(buffer.data(), 1);
        switch (command) {
        case wire::Poll:
            TrimBuffer(buffer, 1);
            SendToSwitcher(Bytes{wire::PollAnswer});
            return;
        case wire::PollAnswer:
            TrimBuffer(buffer, 1);
            PollAnswered();
            if (!v_.SwitcherOnline)
                ShowConnection(true);
            return;
        case wire::SwitcherOffline:
            TrimBuffer(buffer, 1);
            Heard();
            if (v_.SwitcherOnline)
                ShowConnection(false);
            return;
        case wire::LinkNoOp:
            TrimBuffer(buffer, 1);
            return;
        default:
            break;
        }

        if (front.length == 0) {
            // The rest is still on its way; a message longer than any table the switcher
            // sends never ends, so it is dropped rather than held without bound.
            const std::size_t dropped = wire::HoldUnfinished(buffer, MaxMessageLength);
            if (trace_ != nullptr && dropped > 0)
                trace_->Dropped(nullptr, 0, dropped);
            return;
        }

        const auto length = static_cast<long>(front.length);
        step.kind = DecodeStep::GetMessage;
        step.length = length;
        // Taken out while in use: a decode started from within a handler gets its own.
        Bytes message = std::move(messageStorage_);
        buffer.Take(static_cast<std::size_t>(length), message);
        if (trace_ != nullptr)
            trace_->Received(message.data(), message.size());
        Heard();
        Dispatch(message);
        messageStorage_ = std::move(message);
        // Once the first step is out, the later ones follow their answers.
        if (v_.StartupStep > 0)
            AdvanceStartupSequence();
    } catch (...) {
        log_.ReportError("Error Processing Command", "Decode Error" + step.Label());
    }
}

bool TCPComm::DecodeTick() {
    ReceiveBuffer& buffer = v_.ReceiveBuffer;
    if (buffer.empty() && !readPaused_)
        return false;
    std::size_t before = buffer.size();
    DecodeBuffer();
    bool progress = buffer.size() != before;
    if (readPaused_ && (buffer.size() < LowWaterMark || buffer.Examined() == buffer.size())) {
        readPaused_ = false;
        before = buffer.size();
        try {
            ReadSocket(ReadChunk);
        } catch (...) {
            log_.ReportError("Error Receiving IP Message", "Socket Error");
        }
        progress = progress || buffer.size() != before;
    }
    // While reading is paused more bytes may wait in the socket. Otherwise an incomplete
    // message that made no progress waits for the next receive event (which starts the
    // timer again) instead of spinning the timer.
    return readPaused_ || (!buffer.empty() && progress);
}

void TCPComm::Dispatch(const Bytes& message) {
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
