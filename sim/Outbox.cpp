#include "Outbox.h"

#include <algorithm>

namespace orl::sim {

namespace {
// Bytes already taken from the front that are given back once they outweigh the rest.
constexpr std::size_t CompactAfter = std::size_t{64} * 1024;
} // namespace

void Outbox::Add(const Bytes& frame) {
    if (items_.empty() || items_.back().burst || !items_.back().devices.empty())
        items_.emplace_back();
    Bytes& bytes = items_.back().bytes;
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    queued_ += frame.size();
}

void Outbox::Add(std::shared_ptr<const BurstPlan> burst) {
    if (burst && burst->Count() > 0)
        items_.push_back(Item{{}, 0, std::move(burst), 0, {}});
}

void Outbox::AddDevice(int deviceID) {
    if (deviceID < 0 || OwesDevice(deviceID))
        return;
    const auto index = static_cast<std::size_t>(deviceID);
    if (owedDevices_.size() <= index)
        owedDevices_.resize(index + 1, false);
    owedDevices_[index] = true;
    if (items_.empty() || items_.back().devices.empty())
        items_.emplace_back();
    items_.back().devices.push_back(deviceID);
}

bool Outbox::OwesDevice(int deviceID) const {
    return deviceID >= 0 && static_cast<std::size_t>(deviceID) < owedDevices_.size() &&
           owedDevices_[static_cast<std::size_t>(deviceID)];
}

void Outbox::TakeInto(Bytes& out, std::size_t budget, const DeviceFrame& device) {
    while (out.size() < budget && !items_.empty()) {
        Item& front = items_.front();
        if (!front.devices.empty()) {
            auto next = static_cast<std::size_t>(front.next);
            while (next < front.devices.size() && out.size() < budget) {
                const int id = front.devices[next++];
                owedDevices_[static_cast<std::size_t>(id)] = false;
                const Bytes frame = device(id);
                out.insert(out.end(), frame.begin(), frame.end());
            }
            front.next = static_cast<int>(next);
            if (next >= front.devices.size())
                items_.pop_front();
            continue;
        }
        if (front.burst) {
            while (front.next < front.burst->Count() && out.size() < budget) {
                const Bytes frame = front.burst->Frame(front.next++);
                out.insert(out.end(), frame.begin(), frame.end());
            }
            if (front.next >= front.burst->Count())
                items_.pop_front();
            continue;
        }
        const std::size_t count = std::min(budget - out.size(), front.bytes.size() - front.offset);
        const auto from = front.bytes.begin() + static_cast<std::ptrdiff_t>(front.offset);
        out.insert(out.end(), from, from + static_cast<std::ptrdiff_t>(count));
        front.offset += count;
        queued_ -= count;
        if (front.offset == front.bytes.size()) {
            items_.pop_front();
        } else if (front.offset > CompactAfter && front.offset > front.bytes.size() / 2) {
            front.bytes.erase(front.bytes.begin(),
                              front.bytes.begin() + static_cast<std::ptrdiff_t>(front.offset));
            front.offset = 0;
        }
    }
}

void Outbox::Clear() {
    items_.clear();
    owedDevices_.clear();
    queued_ = 0;
}

} // namespace orl::sim
