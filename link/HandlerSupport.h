#pragma once
// Checks shared by the handlers of incoming reports and tables (StateHandlers.cpp,
// TableHandlers.cpp).

#include "ByteManipulation.h"
#include "Bytes.h"
#include "FrameReader.h"
#include "Framing.h"
#include "OrlError.h"

#include <cstddef>
#include <cstdint>

namespace orl::handler_support {

// The checksum and the end byte that follow the last field of every frame.
constexpr std::size_t FrameTrailer = 2;

// The received checksum against the 7-bit sum of the data bytes. A message of one byte
// is a read outside the frame, reported by the handler.
inline bool ChecksumMatches(const Bytes& message) {
    if (message.size() < 2)
        ThrowSubscript();
    return wire::ChecksumMatches(message);
}

// Fails like a read past the end when the next `count` bytes would reach into the
// checksum or the end byte: values taken from there must never be stored, and a truncated
// entry fails before anything of it is applied.
inline void RequireData(const FrameReader& frame, std::size_t count) {
    if (frame.Remaining() < count + FrameTrailer)
        ThrowSubscript();
}

// The byte or the 14-bit value at a fixed position of a frame (a read outside it throws).
inline std::uint8_t ByteAt(const Bytes& message, std::size_t position) {
    return FrameReader(message).At(position);
}
inline std::int32_t Value14At(const Bytes& message, std::size_t position) {
    return FrameReader(message, position).Value14();
}

} // namespace orl::handler_support
