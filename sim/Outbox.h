#pragma once
// What the simulator still owes one panel, in the order it was sent: composed bytes not
// yet handed to the socket, bursts whose reports are composed only as the panel takes
// them in, and devices whose latest data it is owed (composed when taken, so a device
// that changes a thousand times while the panel is behind is sent once, as it is then).

#include "Bytes.h"
#include "Switcher.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace orl::sim {

class Outbox {
public:
    // The latest data of one device, as a frame.
    using DeviceFrame = std::function<Bytes(int deviceID)>;

    void Add(const Bytes& frame);
    void Add(std::shared_ptr<const BurstPlan> burst);
    // The device's latest data is owed; nothing more when it already is.
    void AddDevice(int deviceID);
    bool OwesDevice(int deviceID) const;
    bool Empty() const { return items_.empty(); }
    // Composed bytes waiting; a burst's reports count only once taken.
    std::size_t QueuedBytes() const { return queued_; }
    // Appends what is owed, in order, to `out` until it holds `budget` bytes or more, or
    // nothing is owed.
    void TakeInto(Bytes& out, std::size_t budget, const DeviceFrame& device);
    void Clear();

private:
    struct Item {
        Bytes bytes; // composed bytes, owed from `offset` on
        std::size_t offset = 0;
        std::shared_ptr<const BurstPlan> burst; // or a burst, owed from report `next` on
        int next = 0;
        std::vector<int> devices; // or devices, owed from `next` on
    };
    std::deque<Item> items_;
    std::vector<bool> owedDevices_; // by device ID
    std::size_t queued_ = 0;
};

} // namespace orl::sim
