#include "SwitcherModel.h"

#include "OrlError.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace orl::sim {

namespace {

struct InputGroup {
    std::string_view name;
    int count;
};

// One studio's worth of inputs; a larger switcher numbers the rest plainly.
constexpr std::array<InputGroup, 8> StudioInputs = {{
    {"MIC", 8},
    {"CD", 4},
    {"PHONE", 4},
    {"LINE", 6},
    {"REMOTE", 4},
    {"SAT", 2},
    {"NET", 2},
    {"TAPE", 2},
}};

constexpr std::array<std::string_view, 8> StudioConsoles = {"AIR 1", "AIR 2",  "PROD 1", "PROD 2",
                                                            "NEWS",  "SPORTS", "EDIT 1", "EDIT 2"};

std::string Padded(std::string name) {
    name.resize(NameLength, ' ');
    return name;
}

// Group name and number within the group of input `index` (0-based); "IN" past the studio.
std::pair<std::string_view, int> GroupOf(int index) {
    int first = 0;
    for (const InputGroup& group : StudioInputs) {
        if (index < first + group.count)
            return {group.name, index - first + 1};
        first += group.count;
    }
    return {"IN", index + 1};
}

} // namespace

std::vector<std::string> MakeInputNames(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        const auto [group, number] = GroupOf(i);
        names.push_back(Padded(std::string(group) + " " + std::to_string(number)));
    }
    return names;
}

std::vector<std::string> MakeConsoleNames(int count) {
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i)
        names.push_back(Padded(i < static_cast<int>(StudioConsoles.size())
                                   ? std::string(StudioConsoles[static_cast<std::size_t>(i)])
                                   : "CON " + std::to_string(i + 1)));
    return names;
}

SwitcherModel::SwitcherModel(const SwitcherSize& size)
    : size_(size), inputNames_(MakeInputNames(size.inputs)),
      consoleNames_(MakeConsoleNames(size.consoles)),
      inputChannels_(static_cast<std::size_t>(size.inputs)), devices_(HighestDeviceID + 1),
      devicesOfInput_(static_cast<std::size_t>(size.inputs)),
      channelOn_(static_cast<std::size_t>(size.inputs),
                 std::vector<std::uint8_t>(static_cast<std::size_t>(size.consoles), 0)),
      inputStatus_(static_cast<std::size_t>(size.inputs), 0),
      buses_(static_cast<std::size_t>(size.buses)),
      relays_(static_cast<std::size_t>(size.relays), 0),
      optos_(static_cast<std::size_t>(size.optos), 0) {
    const auto opto = [&](int channel) { return channel < size.optos ? channel : None; };
    int cdCount = 0;
    int ifbCount = 0;
    for (int i = 0; i < size.inputs; ++i) {
        InputChannel& channel = inputChannels_[static_cast<std::size_t>(i)];
        const std::string_view group = GroupOf(i).first;
        if (group == "MIC") {
            channel.onOpto = opto(i); // the on-air light of the microphone
        } else if (group == "CD") {
            channel.onOpto = opto(32 + 2 * cdCount);  // start pulse
            channel.offOpto = opto(33 + 2 * cdCount); // stop pulse
            ++cdCount;
        } else if (group == "PHONE" || group == "REMOTE") {
            // The mix-minus feed back to the caller. A simple take carries the output as
            // one 7-bit byte, so IFB outputs are numbered within 1 to 127.
            channel.ifbOutput = ++ifbCount;
        }
    }
    // Device d works input d out of the box.
    for (int d = 1; d <= size.inputs && d <= HighestDeviceID; ++d)
        SetSource(d, d - 1);
    // A studio on air: MIC 1 and MIC 2 on the program bus, MIC 1 switched on at console 1.
    for (int d = 1; d <= 2 && d <= size.inputs; ++d)
        Assign(0, d, d - 1);
    SetChannelOn(0, 0, true);
}

const Device& SwitcherModel::DeviceAt(int id) const {
    if (!IsDeviceID(id))
        ThrowSubscript();
    return devices_[static_cast<std::size_t>(id)];
}

bool SwitcherModel::ChannelOn(int input, int console) const {
    if (input < 0 || input >= size_.inputs || console < 0 || console >= size_.consoles)
        return false;
    return channelOn_[static_cast<std::size_t>(input)][static_cast<std::size_t>(console)] != 0;
}

bool SwitcherModel::SetChannelOn(int input, int console, bool on) {
    if (input < 0 || input >= size_.inputs)
        return false;
    auto& consoles = channelOn_[static_cast<std::size_t>(input)];
    if (console == None || console == wire::EveryConsole) {
        std::fill(consoles.begin(), consoles.end(), on ? 1 : 0);
    } else if (console >= 0 && console < size_.consoles) {
        consoles[static_cast<std::size_t>(console)] = on ? 1 : 0;
    } else {
        return false;
    }
    RefreshDeviceStatus(input, on);
    return true;
}

void SwitcherModel::RefreshDeviceStatus(int input, bool on) {
    inputStatus_[static_cast<std::size_t>(input)] = on ? wire::ChannelOnStatus : 0;
    for (int id : devicesOfInput_[static_cast<std::size_t>(input)])
        devices_[static_cast<std::size_t>(id)].status =
            inputStatus_[static_cast<std::size_t>(input)];
}

bool SwitcherModel::SetSource(int deviceID, int source) {
    if (!IsDeviceID(deviceID))
        return false;
    Device& device = devices_[static_cast<std::size_t>(deviceID)];
    if (device.source != None) {
        auto& old = devicesOfInput_[static_cast<std::size_t>(device.source)];
        old.erase(std::remove(old.begin(), old.end(), deviceID), old.end());
    }
    device.source = source >= 0 && source < size_.inputs ? source : None;
    device.status = 0;
    if (device.source != None) {
        devicesOfInput_[static_cast<std::size_t>(device.source)].push_back(deviceID);
        device.status = inputStatus_[static_cast<std::size_t>(device.source)];
    }
    return true;
}

bool SwitcherModel::SetGain(int deviceID, int gain) {
    if (!IsDeviceID(deviceID) || gain < 0 || gain > None)
        return false;
    devices_[static_cast<std::size_t>(deviceID)].gain = gain;
    return true;
}

bool SwitcherModel::Assign(int bus, int deviceID, int source) {
    if (bus < 0 || bus >= size_.buses || !IsDeviceID(deviceID))
        return false;
    auto& entries = buses_[static_cast<std::size_t>(bus)];
    const bool present = std::any_of(entries.begin(), entries.end(), [&](const CrosspointEntry& e) {
        return e.deviceID == deviceID;
    });
    if (present || static_cast<int>(entries.size()) >= MaxEntriesPerBus)
        return false;
    entries.push_back({deviceID, source >= 0 && source < size_.inputs ? source : None});
    return true;
}

bool SwitcherModel::Remove(int bus, int deviceID) {
    if (bus < 0 || bus >= size_.buses)
        return false;
    auto& entries = buses_[static_cast<std::size_t>(bus)];
    const auto kept = std::remove_if(entries.begin(), entries.end(), [&](const CrosspointEntry& e) {
        return e.deviceID == deviceID;
    });
    const bool removed = kept != entries.end();
    entries.erase(kept, entries.end());
    return removed;
}

bool SwitcherModel::SetRelay(int relay, bool on) {
    if (relay < 0 || relay >= size_.relays)
        return false;
    relays_[static_cast<std::size_t>(relay)] = on ? 1 : 0;
    return true;
}

bool SwitcherModel::SetOpto(int opto, bool on) {
    if (opto < 0 || opto >= size_.optos)
        return false;
    optos_[static_cast<std::size_t>(opto)] = on ? 1 : 0;
    return true;
}

} // namespace orl::sim
