#pragma once
// The switcher behind the simulated server module: inputs with names and channel
// attributes, consoles, device IDs with source, gain and channel status, buses with the
// devices routed to them, relays and optos. Plain state with checked changes; knows
// nothing of frames or sockets.

#include "Protocol.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orl::sim {

struct SwitcherSize {
    int inputs = 32;
    int consoles = 8;
    int buses = 16;
    int relays = 64;
    int optos = 64;
};

constexpr int HighestDeviceID = 8192;
constexpr int MaxEntriesPerBus = 64;
constexpr int UnityGain = wire::ZeroDbPosition;
constexpr int NameLength = 8; // every name of a name table has this many characters

struct Device {
    int source = None; // 0-based input, or none
    int gain = UnityGain;
    int status = 0; // wire::ChannelOnStatus = channel on
};

struct InputChannel {
    int ifbOutput = None;
    int onOpto = None;
    int offOpto = None;
};

struct CrosspointEntry {
    int deviceID = 0;
    int companion = None; // the routed source (0-based), or none
};

class SwitcherModel {
public:
    explicit SwitcherModel(const SwitcherSize& size);

    const SwitcherSize& Size() const { return size_; }
    const std::vector<std::string>& InputNames() const { return inputNames_; }
    const std::vector<std::string>& ConsoleNames() const { return consoleNames_; }
    const std::vector<InputChannel>& InputChannels() const { return inputChannels_; }
    const std::vector<std::vector<CrosspointEntry>>& Buses() const { return buses_; }
    const std::vector<std::uint8_t>& Relays() const { return relays_; }
    const std::vector<std::uint8_t>& Optos() const { return optos_; }
    const Device& DeviceAt(int id) const; // id 0..8192, else throws OrlError 9
    bool ChannelOn(int input, int console) const;

    static bool IsDeviceID(int id) { return id >= 0 && id <= HighestDeviceID; }

    // Each change returns false, and changes nothing, when an index is outside the
    // switcher. `console` is 0-based; 16383 or 999 switch the input on every console.
    bool SetChannelOn(int input, int console, bool on);
    // source 0-based; outside the inputs = none. The device's status becomes its new
    // input's: on when that input was last switched on, off without an input.
    bool SetSource(int deviceID, int source);
    bool SetGain(int deviceID, int gain);
    bool Assign(int bus, int deviceID, int source); // false also when full or already there
    bool Remove(int bus, int deviceID);             // false when the device was not there
    bool SetRelay(int relay, bool on);
    bool SetOpto(int opto, bool on);

private:
    void RefreshDeviceStatus(int input, bool on);

    SwitcherSize size_;
    std::vector<std::string> inputNames_;
    std::vector<std::string> consoleNames_;
    std::vector<InputChannel> inputChannels_;
    std::vector<Device> devices_;
    std::vector<std::vector<int>> devicesOfInput_;     // the device IDs working each input
    std::vector<std::vector<std::uint8_t>> channelOn_; // [input][console]
    std::vector<std::uint8_t> inputStatus_;            // each input's last status change
    std::vector<std::vector<CrosspointEntry>> buses_;
    std::vector<std::uint8_t> relays_;
    std::vector<std::uint8_t> optos_;
};

// Names as a studio would have them: "MIC 1", "CD 1", "PHONE 1", ... padded with blanks
// to the name length.
std::vector<std::string> MakeInputNames(int count);
std::vector<std::string> MakeConsoleNames(int count);

} // namespace orl::sim
