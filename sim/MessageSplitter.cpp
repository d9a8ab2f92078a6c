#include "MessageSplitter.h"

#include "ByteManipulation.h"
#include "Protocol.h"

namespace orl::sim {

namespace {

bool IsSingleByteCommand(std::uint8_t b) {
    return b == wire::SwitcherOffline || b == wire::LinkNoOp || b == wire::PollAnswer ||
           b == wire::Poll;
}

} // namespace

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
    while (!buffer_.empty()) {
        const std::uint8_t* bytes = buffer_.data();
        const std::size_t size = buffer_.size();
        std::size_t stray = 0;
        while (stray < size && !wire::IsCommand(bytes[stray]))
            ++stray;
        if (stray > 0) {
            Drop(stray);
            continue;
        }
        if (IsSingleByteCommand(bytes[0]))
            return buffer_.Take(1);

        const long end = FindEOM(buffer_);
        const std::size_t scanTo = end > 0 ? static_cast<std::size_t>(end) - 1 : size;
        std::size_t broken = 0;
        for (std::size_t j = 1; j < scanTo && broken == 0; ++j)
            if (wire::IsCommand(bytes[j]))
                broken = j;
        if (broken > 0) {
            Drop(broken);
            continue;
        }
        if (end > 0)
            return buffer_.Take(static_cast<std::size_t>(end));
        if (size > MaxPendingFrame)
            Drop(size);
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace orl::sim
