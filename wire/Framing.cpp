#include "Framing.h"

#include "ByteManipulation.h"
#include "Protocol.h"

#include <algorithm>

namespace orl::wire {

namespace {

// Position of the first byte at or after `from` with the high bit set (a command byte or
// the end byte), or `size` when there is none.
std::size_t NextMarkedByte(const std::uint8_t* bytes, std::size_t from, std::size_t size) {
    while (from < size && !IsCommand(bytes[from]))
        ++from;
    return from;
}

} // namespace

bool IsSingleByteCommand(std::uint8_t b) {
    return b == Poll || b == PollAnswer || b == SwitcherOffline || b == LinkNoOp;
}

bool ChecksumMatches(const Bytes& frame) {
    return frame.size() >= 3 && CheckSum(frame, 2) == frame[frame.size() - 2];
}

MessageFront ExamineFront(const ReceiveBuffer& buffer) {
    const std::uint8_t* bytes = buffer.data();
    const std::size_t size = buffer.size();
    MessageFront front;
    std::size_t at = NextMarkedByte(bytes, 0, size);
    front.stray = at;
    front.junk = at;
    if (at == size)
        return front;
    if (IsSingleByteCommand(bytes[at]) || bytes[at] == EndOfMessage) {
        front.length = 1;
        return front;
    }
    for (;;) {
        // Bytes the last look already went through need no second look.
        const std::size_t from = at == 0 ? std::max<std::size_t>(1, buffer.Examined()) : at + 1;
        const std::size_t next = NextMarkedByte(bytes, from, size);
        if (next == size)
            break; // unfinished
        if (bytes[next] == EndOfMessage) {
            front.length = next - at + 1;
            break;
        }
        at = next; // a command byte breaks the frame off and starts the next message
        front.junk = at;
        if (IsSingleByteCommand(bytes[at])) {
            front.length = 1;
            break;
        }
    }
    return front;
}

std::size_t HoldUnfinished(ReceiveBuffer& buffer, std::size_t limit) {
    buffer.SetExamined(buffer.size());
    if (buffer.size() <= limit)
        return 0;
    const std::size_t dropped = buffer.size();
    buffer.Clear();
    return dropped;
}

} // namespace orl::wire
