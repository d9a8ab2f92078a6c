// The decoder: cuts one message at a time off the front of the receive buffer, answers
// the single-byte link commands itself and hands framed messages to their handlers.
#include "TCPComm.h"

#include "ByteManipulation.h"
#include "Protocol.h"

#include <algorithm>
#include <cstddef>
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

namespace {

bool IsSingleByteCommand(std::uint8_t b) {
    return b == wire::Poll || b == wire::PollAnswer || b == wire::SwitcherOffline ||
           b == wire::LinkNoOp;
}

// Position of the first byte at or after `from` with the high bit set (a command byte or
// the end byte), or `size` when there is none.
std::size_t NextMarkedByte(const std::uint8_t* bytes, std::size_t from, std::size_t size) {
    while (from < size && !wire::IsCommand(bytes[from]))
        ++from;
    return from;
}

// What lies at the front of the buffer, found in one pass over it.
struct Front {
    std::size_t junk = 0;    // stray data bytes and broken-off messages before the message
    std::size_t stray = 0;   // of which stray data bytes before the first command byte
    std::size_t end = 0;     // position of the message's end byte, counted after the junk
    bool unfinished = false; // the message's end byte has not arrived yet
};

// A framed message is broken off when a command byte comes before its end byte: what
// precedes that command byte is junk, and the command byte starts the next message. Each
// byte is looked at once, however many broken messages lie in front.
Front ExamineFront(const ReceiveBuffer& buffer) {
    const std::uint8_t* bytes = buffer.data();
    const std::size_t size = buffer.size();
    Front front;
    std::size_t at = NextMarkedByte(bytes, 0, size);
    front.stray = at;
    while (at < size && !IsSingleByteCommand(bytes[at]) && bytes[at] != wire::EndOfMessage) {
        // Bytes the last call already looked through need no second look.
        const std::size_t from = at == 0 ? std::max<std::size_t>(1, buffer.Examined()) : at + 1;
        const std::size_t next = NextMarkedByte(bytes, from, size);
        if (next == size) {
            front.unfinished = true;
            break;
        }
        if (bytes[next] == wire::EndOfMessage) {
            front.end = next - at;
            break;
        }
        at = next;
    }
    front.junk = at;
    return front;
}

} // namespace

void TCPComm::DecodeBuffer() {
    DecodeStep step;
    try {
        ReceiveBuffer& buffer = v_.ReceiveBuffer;
        if (buffer.empty())
            return;
        step.kind = DecodeStep::CheckForCommand;
        const Front front = ExamineFront(buffer);
        if (front.stray == buffer.size()) {
            buffer.Clear(); // no command byte at all
            return;
        }

        step.kind = DecodeStep::RemoveExtraBytes;
        step.stray = static_cast<long>(front.stray);
        if (front.junk > 0)
            TrimBuffer(buffer, static_cast<long>(front.junk));

        const std::uint8_t command = buffer[0];
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

        if (front.unfinished) {
            // The rest is still on its way; a message longer than any table the switcher
            // sends never ends, so it is dropped rather than held without bound.
            buffer.SetExamined(buffer.size());
            if (buffer.size() > MaxMessageLength)
                TrimBuffer(buffer, static_cast<long>(buffer.size()));
            return;
        }

        // A lone end byte is a message of its own.
        const long length = command == wire::EndOfMessage ? 1 : static_cast<long>(front.end) + 1;
        step.kind = DecodeStep::GetMessage;
        step.length = length;
        const Bytes message = TrimBuffer(buffer, length);
        v_.PollsWithoutReply = 0;
        Dispatch(message);
        // The first step goes out with the connection; later ones follow their answers.
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
