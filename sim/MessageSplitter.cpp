#include "MessageSplitter.h"

#include "Framing.h"

namespace orl::sim {

void MessageSplitter::Append(const char* data, std::size_t count) {
    buffer_.Append(reinterpret_cast<const std::uint8_t*>(data), count);
}

void MessageSplitter::Drop(std::size_t count) {
    buffer_.Take(count);
    dropped_ += count;
}

std::size_t MessageSplitter::TakeDropped() {
    const std::size_t dropped = dropped_;
    dropped_ = 0;
    return dropped;
}

std::optional<Bytes> MessageSplitter::Next() {
    const wire::MessageFront front = wire::ExamineFront(buffer_);
    if (front.junk > 0)
        Drop(front.junk);
    if (front.length > 0)
        return buffer_.Take(front.length);
    dropped_ += wire::HoldUnfinished(buffer_, MaxPendingFrame);
    return std::nullopt;
}

} // namespace orl::sim
