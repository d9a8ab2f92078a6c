#pragma once
// Recording fakes of the window and the socket for tests of the link.

#include "Bytes.h"
#include "IPanelWindow.h"
#include "ISocket.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace orl::test {

class FakeWindow : public IPanelWindow {
public:
    std::string caption;
    bool pollTimerEnabled = false;
    int decodeTimerStarts = 0;
    std::int32_t stayOnTop = 0;
    std::vector<std::string> calls; // "InitSlider 2", "UpdateActiveSource 0", ...
    LinkState linkState = LinkState::Down;

    void SetCaption(const std::string& text) override { caption = text; }
    void EnablePollTimer(bool enabled) override { pollTimerEnabled = enabled; }
    void EnableDecodeTimer() override { ++decodeTimerStarts; }
    void SetStayOnTop(std::int32_t mode) override { stayOnTop = mode; }
    void InitSlider(int strip) override { calls.push_back("InitSlider " + std::to_string(strip)); }
    void InitAllSliders() override { calls.push_back("InitAllSliders"); }
    void UpdateActiveSource(int strip) override {
        calls.push_back("UpdateActiveSource " + std::to_string(strip));
    }
    void UpdateBussButtonTally() override { calls.push_back("UpdateBussButtonTally"); }
    void UpdateUserButtonTally() override { calls.push_back("UpdateUserButtonTally"); }
    void ShowChannelState(int strip) override {
        calls.push_back("ShowChannelState " + std::to_string(strip));
    }
    void ShowLinkState(LinkState state) override { linkState = state; }
    int CountOf(const std::string& call) const {
        int n = 0;
        for (const auto& c : calls)
            n += c == call;
        return n;
    }
};

// A socket that is connected on demand, records every write and delivers queued bytes.
class FakeSocket : public ISocket {
public:
    ISocketEvents* sink = nullptr;
    std::string host;
    std::int32_t port = 0;
    bool connected = false;
    int connectStatus = 0; // what Connect() returns
    int connects = 0, closes = 0, resets = 0;
    std::vector<Bytes> written; // one entry per successful Write call
    long takeLimit = -1;        // when >= 0, Write takes at most this many bytes
    long writeResult = 0;       // when < 1 after a call, the write failed
    int lastError = 0;
    Bytes incoming; // delivered by Read

    void SetEventSink(ISocketEvents* s) override { sink = s; }
    void SetRemoteHost(const std::string& address) override { host = address; }
    void SetRemotePort(std::int32_t p) override { port = p; }
    int Connect() override {
        ++connects;
        return connectStatus;
    }
    void Close() override {
        ++closes;
        connected = false;
    }
    void Reset() override { ++resets; }
    bool Connected() const override { return connected; }
    long Write(const std::uint8_t* data, long length) override {
        taken_ = takeLimit >= 0 && takeLimit < length ? takeLimit : length;
        written.emplace_back(data, data + length);
        return length;
    }
    long BytesTaken() const override { return taken_; }
    long Read(std::uint8_t* buffer, long count) override {
        if (incoming.empty()) {
            lastError = WouldBlock;
            return 0;
        }
        long n = std::min<long>(count, static_cast<long>(incoming.size()));
        std::copy(incoming.begin(), incoming.begin() + n, buffer);
        incoming.erase(incoming.begin(), incoming.begin() + n);
        return n;
    }
    int LastError() const override { return lastError; }

    // Simulates the server: bytes arrive and the receive event fires.
    void Deliver(const Bytes& bytes) {
        incoming.insert(incoming.end(), bytes.begin(), bytes.end());
        if (sink)
            sink->OnSocketReceive(static_cast<long>(incoming.size()));
    }
    std::vector<std::string> WrittenHex() const {
        std::vector<std::string> out;
        for (const auto& w : written)
            out.push_back(BytesToHex(w));
        return out;
    }

private:
    long taken_ = 0;
};

} // namespace orl::test
