#pragma once
// The switcher link: connection and polling, the decoder, the composers of outgoing
// commands and the start-up request sequence. Everything runs on the window thread.

#include "Bytes.h"
#include "ErrorLog.h"
#include "IPanelWindow.h"
#include "ISocket.h"
#include "IncomingHandlers.h"
#include "Variables.h"

#include <cstdint>
#include <string>

namespace orl {

constexpr const char* CaptionDisconnected = "ORL Console - Disconnected";
constexpr const char* CaptionWaiting = "ORL Console - Waiting";
constexpr const char* CaptionConnected = "ORL Console - Connected";

// The crosspoint change record the bus buttons fill, fields in their declared order.
struct CrosspointChange {
    std::int16_t DeviceID = 0;
    std::int16_t Source = 0;
    std::int16_t Bus = 0;
    std::int16_t Level1 = 1024; // not sent: 1024 stands in its place
    std::int16_t Gain = 0;
    std::int16_t Level2 = 1024;
    std::int16_t Level3 = 1024;
    std::int16_t Spare = 16383;
    std::int16_t Mode = 0;
    std::uint8_t SpareByte = 0;
    std::uint8_t OnFlag = 0;
    std::uint8_t AfterOnFlag = 0;
    std::int32_t ExtraWord = 0;
};

class TCPComm : public ISocketEvents {
public:
    static constexpr int PollTimeout = 200;          // the tick that finds 201 closes the link
    static constexpr int RequestRepeatReload = 60;   // repeated on every 61st tick
    static constexpr int ConnectedStep = 8;
    static constexpr int MaxPartialWrites = 16;      // a peer that stops reading cannot hold us

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
    void SendOptoChange(int value, int channel, int code);
    void RequestInchan(bool all);

    // Start-up request sequence: one step per call
    void RunStartupSequence();

    IncomingHandlers& Handlers() { return handlers_; }
    Variables& State() { return v_; }

private:
    void Dispatch(const Bytes& message);
    Variables& v_;
    ErrorLog& log_;
    ISocket& socket_;
    IPanelWindow& window_;
    IncomingHandlers handlers_;
};

} // namespace orl
