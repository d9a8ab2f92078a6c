#pragma once
// What the simulator still owes one panel, in the order it was sent: composed bytes not
// yet handed to the socket, and bursts whose reports are composed only as the panel
// takes them in.

#include "Bytes.h"
#include "Switcher.h"

#include <cstddef>
#include <deque>
#include <memory>

namespace orl::sim {

class Outbox {
public:
    void Add(const Bytes& frame);
    void Add(std::shared_ptr<const BurstPlan> burst);
    bool Empty() const { return items_.empty(); }
    // Composed bytes waiting; a burst's reports count only once taken.
    std::size_t QueuedBytes() const { return queued_; }
    // Appends what is owed, in order, to `out` until it holds `budget` bytes or more, or
    // nothing is owed.
    void TakeInto(Bytes& out, std::size_t budget);
    void Clear();

private:
    struct Item {
        Bytes bytes; // composed bytes, owed from `offset` on
        std::size_t offset = 0;
        std::shared_ptr<const BurstPlan> burst; // or a burst, owed from report `next` on
        int next = 0;
    };
    std::deque<Item> items_;
    std::size_t queued_ = 0;
};

} // namespace orl::sim
