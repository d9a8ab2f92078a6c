#pragma once
// The switcher link: connection and polling, the decoder, the composers of outgoing
// commands and the start-up request sequence. Everything runs on the window thread.

#include "Bytes.h"
#include "ErrorLog.h"
#include "ILinkTrace.h"
#include "IPanelWindow.h"
#include "ISocket.h"
#include "IncomingHandlers.h"
#include "Variables.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orl {

constexpr const char* CaptionDisconnected = "ORL Console - Disconnected";
constexpr const char* CaptionWaiting = "ORL Console - Waiting";
constexpr const char* CaptionConnected = "ORL Console - Connected";
constexpr const char* CaptionNotAnswering = "ORL Console - Not Answering";

// The crosspoint change record the bus buttons fill, fields in their declared order.
struct CrosspointChange {
    std::int16_t DeviceID = 0;
    std::int16_t Source = 0;
    std::int16_t Bus = 0;
    std::int16_t Gain = 0;
    std::int16_t Spare = None;
    std::int16_t Mode = 0;
    std::uint8_t OnFlag = 0;
    std::uint8_t AfterOnFlag = 0;
    std::int32_t ExtraWord = 0;
};

class TCPComm : public ISocketEvents {
public:
    static constexpr int PollTimeout = 200;        // the tick that finds 201 closes the link
    static constexpr int SilentAfterPolls = 3;     // unanswered polls that make a silent switcher
    static constexpr int RequestRepeatReload = 60; // repeated on every 61st tick
    static constexpr int FaderGainParameter = 20;  // the gain change that moves a fader
    static constexpr int MaxPartialWrites = 16;    // a peer that stops reading cannot hold us
    // The socket is read only while fewer undecoded bytes than the high-water mark wait;
    // once paused, reading resumes below the low-water mark. The rest waits in the
    // operating system, whose TCP window then slows the sender down.
    static constexpr std::size_t HighWaterMark = 512 << 10;
    static constexpr std::size_t LowWaterMark = 128 << 10;
    static constexpr long ReadChunk = 65536; // bytes taken from the socket per read
    // Longer than any table the switcher sends: a message still unfinished at this length
    // never ends and is dropped.
    static constexpr std::size_t MaxMessageLength = 16 << 20;

    TCPComm(Variables& v, ErrorLog& log, ISocket& socket, IPanelWindow& window);

    // Connection and polling
    void ConnectToServer();
    void DisconnectFromServer();
    void ShowConnection(bool online);
    void SendToSwitcher(const Bytes& message);
    void ProcessTypeRequest(const Bytes& message);
    void PollTick(); // tmrPoll, every 1000 ms
    void OnSocketConnect() override;
    void OnSocketReceive(long bytesWaiting) override;
    void OnSocketClose() override;
    // Down, Silent (a tick found the last 3 polls unanswered, whatever else arrived; the
    // next poll answer ends it) or Live.
    LinkState CurrentLinkState() const;
    // An operator's press goes out only while the link is live: a press the switcher
    // cannot take now must not reach it minutes later, nor light anything.
    bool Live() const { return CurrentLinkState() == LinkState::Live; }

    // Decoder
    void DecodeBuffer();
    // tmrDecode: decodes one message when bytes wait; false once the buffer is empty (or
    // holds only an incomplete message, which the next receive event resumes).
    bool DecodeTick();

    // Outgoing commands (composition fails without sending on a field out of range)
    void SendInfoRequest(std::int32_t word1, std::int32_t word2, int count, int firstIndex);
    void SendChannelOnOff(int source, int state, int flags, int console);
    void SendGainChange(int parameter, int value, int deviceID, int extra);
    void SendSourceChange(int source, int deviceID);
    void SendCrosspointChange(const CrosspointChange& record, bool assign);
    void SendSimpleTake(int first, int second, int code);
    void SendOptoChange(int value, int channel, wire::OptoChange code);
    void RequestInchan(bool all);

    // Start-up request sequence: one step per call
    void RunStartupSequence();
    // Runs the steps whose awaited answers have been processed, at once rather than on
    // the next poll tick; sets the connected title when the last step is done. Once
    // start-up is complete, moves the fetch of new strips' devices on likewise.
    void AdvanceStartupSequence();

    // The device IDs on the strips, strip by strip.
    std::vector<std::int16_t> StripDeviceIDs() const;
    // After Setup's OK: when start-up is complete, asks the switcher for the data of each
    // device ID on the strips that was not among `previousIDs`, with the requests of the
    // start-up sequence (one device per request, then the attributes of the sources they
    // report) and one step at a time; the strips are set once the answers are in.
    void RequestNewStripDevices(const std::vector<std::int16_t>& previousIDs);

    // Every message sent and received goes to `trace` as well; null (the default) for none.
    void SetTrace(ILinkTrace* trace) { trace_ = trace; }

    IncomingHandlers& Handlers() { return handlers_; }
    Variables& State() { return v_; }

private:
    void Dispatch(const Bytes& message);
    // The storage of the last decoded message, kept so that the next one needs no
    // allocation of its own.
    Bytes messageStorage_;
    // Reads what the socket holds while the receive buffer is below the high-water mark.
    void ReadSocket(long bytesWaiting);
    bool ReadingWanted() const;
    bool readPaused_ = false; // stopped at the high-water mark with bytes maybe waiting

    // A message came from the server: the link is not dead (201 polls without one are).
    void Heard();
    // The switcher answered a poll (0xF4): it is live, and the presses before are taken.
    void PollAnswered();
    // The link state and its title after a change of silence.
    void ShowCaption();
    void Disconnect(const char* reason);
    void TraceEvent(const std::string& text) const;
    // Tells the window when the link state changed since it last showed it.
    void ShowLinkState();
    bool silent_ = false;
    LinkState shownLink_ = LinkState::Down; // the window starts out showing a link down

    void AdvanceStripRefresh();
    enum class StripRefresh { Idle, Devices, Attributes };
    StripRefresh refreshStep_ = StripRefresh::Idle;
    std::vector<int> refreshStrips_;
    Variables& v_;
    ErrorLog& log_;
    ISocket& socket_;
    IPanelWindow& window_;
    IncomingHandlers handlers_;
    ILinkTrace* trace_ = nullptr;
};

} // namespace orl
