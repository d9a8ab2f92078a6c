#include "MessageSplitter.h"

#include "Protocol.h"

namespace orl::sim {

namespace {

bool IsSingleByteCommand(std::uint8_t b) {
    return b == wire::SwitcherOffline || b == wire::LinkNoOp || b == wire::PollAnswer ||
           b == wire::Poll;
}

// Position of the first byte at or after `from` with the high bit set (a command byte or
// the end byte), or `size` when there is none.
std::size_t NextMarkedByte(const std::uint8_t* bytes, std::size_t from, std::size_t size) {
    while (from < size && !wire::IsCommand(bytes[from]))
        ++from;
    return from;
}

// Stray data bytes and frames broken off by a command byte before their end byte, in
// front of the next message: one pass, each byte looked at once.
std::size_t JunkInFront(const std::uint8_t* bytes, std::size_t size) {
    std::size_t at = NextMarkedByte(bytes, 0, size);
    while (at < size && !IsSingleByteCommand(bytes[at]) && bytes[at] != wire::EndOfMessage) {
        const std::size_t next = NextMarkedByte(bytes, at + 1, size);
        if (next == size || bytes[next] == wire::EndOfMessage)
            break;
        at = next;
    }
    return at;
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
    const std::size_t junk = JunkInFront(buffer_.data(), buffer_.size());
    if (junk > 0)
        Drop(junk);
    if (buffer_.empty())
        return std::nullopt;
    const std::uint8_t* bytes = buffer_.data();
    const std::size_t size = buffer_.size();
    if (IsSingleByteCommand(bytes[0]) || bytes[0] == wire::EndOfMessage)
        return buffer_.Take(1);
    const std::size_t end = NextMarkedByte(bytes, 1, size);
    if (end < size)
        return buffer_.Take(end + 1); // the byte found is the end byte
    if (size > MaxPendingFrame)
        Drop(size);
    return std::nullopt;
}

} // namespace orl::sim
