#pragma once
// Checks shared by the handlers of incoming reports and tables (StateHandlers.cpp,
// TableHandlers.cpp).

#include "ByteManipulation.h"
#include "Bytes.h"
#include "FrameReader.h"
#include "OrlError.h"

#include <cstddef>

namespace orl::handler_support {

// The received checksum (the byte before the end byte) against the 7-bit sum of the data
// bytes. A message too short to hold a checksum is a read outside the frame.
inline bool ChecksumMatches(const Bytes& message) {
    if (message.size() < 2)
        ThrowSubscript();
    return CheckSum(message, 2) == FrameReader(message).At(message.size() - 2);
}

// Fails like a read past the end when the next `count` bytes would reach into the
// checksum or the end byte: values taken from there must never be stored, and a truncated
// entry fails before anything of it is applied.
inline void RequireData(const FrameReader& frame, std::size_t count) {
    if (frame.Remaining() < count + 2)
        ThrowSubscript();
}

} // namespace orl::handler_support
