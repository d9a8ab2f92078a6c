// Connection and polling: opening and closing the link to the server module, the
// socket's events, writing composed messages, the type handshake and the poll tick.
#include "TCPComm.h"

#include "ByteManipulation.h"
#include "FrameReader.h"
#include "FrameWriter.h"
#include "Framing.h"
#include "Protocol.h"
#include "Values.h"

#include <algorithm>
#include <string>
#include <vector>

namespace orl {

TCPComm::TCPComm(Variables& v, ErrorLog& log, ISocket& socket, IPanelWindow& window)
    : v_(v), log_(log), socket_(socket), window_(window), handlers_(v, log, window) {
    socket_.SetEventSink(this);
}

void TCPComm::ConnectToServer() {
    try {
        TraceEvent("connecting to " + v_.IPAddress + ":" + std::to_string(v_.IPPort));
        socket_.SetRemoteHost(v_.IPAddress);
        socket_.SetRemotePort(v_.IPPort);
        if (socket_.Connect() != 0) {
            // Failed at once: ready the socket for the next tick's attempt.
            socket_.Close();
            socket_.Reset();
        }
    } catch (...) {
        log_.ReportError("Error Connecting to Server", "Connection Error");
    }
}

void TCPComm::DisconnectFromServer() {
    Disconnect("by the panel");
}

void TCPComm::Disconnect(const char* reason) {
    try {
        if (v_.SocketConnected)
            TraceEvent(std::string("closed: ") + reason);
        socket_.Close();
        socket_.Reset();
        v_.SocketConnected = false;
        v_.SwitcherOnline = false;
        window_.SetCaption(CaptionDisconnected);
        v_.StartupStep = 0;
        silent_ = false;
        ShowLinkState();
        // The next start-up asks for every strip's device anyway.
        refreshStep_ = StripRefresh::Idle;
        refreshStrips_.clear();
    } catch (...) {
        log_.ReportError("Error Disconnecting from Server", "Connection Error");
    }
}

void TCPComm::ShowConnection(bool online) {
    try {
        if (online) {
            RunStartupSequence();
            v_.SwitcherOnline = true;
        } else {
            v_.SwitcherOnline = false;
        }
    } catch (...) {
        log_.ReportError("Error Showing Connection", "Program Error");
    }
}

void TCPComm::SendToSwitcher(const Bytes& message) {
    try {
        const long length = static_cast<long>(message.size());
        // The whole message is written again while the socket takes less than all of it,
        // but only a bounded number of times: a peer that stops reading must not hold
        // the window thread.
        for (int attempt = 0; attempt < MaxPartialWrites; ++attempt) {
            if (!socket_.Connected()) {
                Disconnect("the socket is no longer connected");
                return;
            }
            if (trace_ != nullptr && attempt == 0)
                trace_->Sent(message);
            const long written = socket_.Write(message.data(), length);
            if (written < 1 && socket_.LastError() != ISocket::WouldBlock)
                return; // dropped without a report
            if (socket_.BytesTaken() == length)
                return;
        }
    } catch (...) {
        log_.ReportError("Error sending to switcher", "Message Error");
    }
}

void TCPComm::ProcessTypeRequest(const Bytes& message) {
    try {
        // 81 64 cs FF, or 81 64 xx cs FF
        if (message.size() != 4 && message.size() != 5)
            return;
        if (!wire::ChecksumMatches(message))
            return;
        if (FrameReader(message).At(1) != wire::TypeRequestCode)
            return;
        SendToSwitcher(FrameWriter(wire::TypeRequest).Byte(wire::PanelType).Byte(1).Finish());
        window_.EnablePollTimer(true);
        // Identified: the start-up's first request goes out now rather than on the next
        // tick (a server module may ignore a panel that has not said what it is).
        if (v_.SocketConnected && v_.StartupStep == 0)
            AdvanceStartupSequence();
    } catch (...) {
        log_.ReportError("Error Processing Type Request", "Message Error");
    }
}

void TCPComm::PollTick() {
    try {
        if (!v_.SocketConnected) {
            ConnectToServer();
            return;
        }
        // Three polls went out a second or more ago and none was answered. Only a poll
        // answer counts: a panel buried under old reports is behind, not live.
        if (v_.PollsUnanswered >= SilentAfterPolls && !silent_) {
            silent_ = true;
            TraceEvent("switcher silent: " + std::to_string(v_.PollsUnanswered) +
                       " polls unanswered");
            ShowLinkState();
        }
        ShowCaption();
        if (v_.StartupStep < StartupComplete)
            RunStartupSequence();
        else
            AdvanceStartupSequence(); // a device fetch after Setup whose answer was late
        if (v_.InchanRequestPending)
            RequestInchan(false);
        if (v_.PollsWithoutReply > PollTimeout) {
            v_.PollsWithoutReply = 0;
            Disconnect("201 polls without any message");
            return;
        }
        if (v_.RequestRepeatCountdown <= 0) {
            SendInfoRequest(v_.PendingRequestMask1, v_.PendingRequestMask2, None, 0);
            v_.RequestRepeatCountdown = RequestRepeatReload;
        } else {
            v_.RequestRepeatCountdown = ToInteger(v_.RequestRepeatCountdown - 1LL);
        }
        v_.PollsWithoutReply = ToInteger(v_.PollsWithoutReply + 1LL);
        if (v_.PollsUnanswered < PollTimeout)
            v_.PollsUnanswered = ToInteger(v_.PollsUnanswered + 1LL);
        SendToSwitcher(Bytes{wire::Poll});
    } catch (...) {
        log_.ReportError("Error Sending Poll Timer", "Timer Error");
    }
}

void TCPComm::OnSocketConnect() {
    try {
        v_.SocketConnected = true;
        v_.PollsWithoutReply = 0;
        v_.PollsUnanswered = 0;
        TraceEvent("connected");
        // Bytes left over from the last connection mean nothing on this one; a fresh
        // buffer also hands back whatever storage a flood or a huge frame made it take.
        v_.ReceiveBuffer = ReceiveBuffer{};
        readPaused_ = false;
        silent_ = false;
        ShowLinkState();
        // The first step goes out once the panel has answered the switcher's type request,
        // or on the next poll tick when none comes.
        if (v_.StartupStep < StartupComplete)
            window_.SetCaption(CaptionWaiting);
    } catch (...) {
        log_.ReportError("Error Connecting from Server", "Socket Error");
    }
}

LinkState TCPComm::CurrentLinkState() const {
    if (!v_.SocketConnected)
        return LinkState::Down;
    return silent_ ? LinkState::Silent : LinkState::Live;
}

void TCPComm::ShowLinkState() {
    const LinkState state = CurrentLinkState();
    if (state == shownLink_)
        return;
    shownLink_ = state;
    // A press the switcher has not taken must not stay lit as if it had.
    if (state != LinkState::Live)
        for (const int strip : RevertUnconfirmedOnOffPresses(v_))
            window_.ShowChannelState(strip);
    window_.ShowLinkState(state);
}

void TCPComm::ShowCaption() {
    if (!v_.SocketConnected)
        return; // the disconnect set its own
    if (silent_)
        window_.SetCaption(CaptionNotAnswering);
    else
        window_.SetCaption(v_.StartupStep < StartupComplete ? CaptionWaiting : CaptionConnected);
}

void TCPComm::Heard() {
    v_.PollsWithoutReply = 0;
}

void TCPComm::PollAnswered() {
    v_.PollsWithoutReply = 0;
    v_.PollsUnanswered = 0;
    ConfirmOnOffPresses(v_);
    if (silent_) {
        silent_ = false;
        TraceEvent("switcher answering again");
        ShowLinkState();
        ShowCaption();
    }
}

void TCPComm::TraceEvent(const std::string& text) const {
    if (trace_ != nullptr)
        trace_->Event(text);
}

bool TCPComm::ReadingWanted() const {
    const ReceiveBuffer& buffer = v_.ReceiveBuffer;
    // A message that has not ended yet cannot be decoded without the rest of it.
    return buffer.size() < HighWaterMark || buffer.Examined() == buffer.size();
}

void TCPComm::OnSocketReceive(long bytesWaiting) {
    try {
        ReadSocket(bytesWaiting);
    } catch (...) {
        log_.ReportError("Error Receiving IP Message", "Socket Error");
    }
}

void TCPComm::ReadSocket(long bytesWaiting) {
    // One read buffer per event; a huge announcement does not make a huge allocation.
    bool appended = false;
    std::vector<std::uint8_t> chunk(
        static_cast<std::size_t>(std::clamp(bytesWaiting, 1L, ReadChunk)));
    for (;;) {
        if (!ReadingWanted()) {
            // The rest waits in the socket; the decoder drains the buffer and resumes.
            readPaused_ = true;
            window_.EnableDecodeTimer();
            DecodeBuffer();
            return;
        }
        const long count = socket_.Read(chunk.data(), static_cast<long>(chunk.size()));
        if (count >= 1) {
            v_.ReceiveBuffer.Append(chunk.data(), static_cast<std::size_t>(std::min<long>(
                                                      count, static_cast<long>(chunk.size()))));
            appended = true;
            continue;
        }
        if (socket_.LastError() == ISocket::WouldBlock) {
            window_.EnableDecodeTimer();
            DecodeBuffer();
        } else if (appended) {
            // Not decoded here; the decode timer picks the bytes up.
            window_.EnableDecodeTimer();
        }
        return;
    }
}

void TCPComm::OnSocketClose() {
    try {
        Disconnect("the server closed the connection");
    } catch (...) {
        log_.ReportError("Error Disconnecting from Server", "Socket Error");
    }
}

} // namespace orl
