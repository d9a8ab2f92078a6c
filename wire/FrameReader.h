#pragma once
// Reads the fields of one received frame at a cursor. Every read past the end throws
// OrlError 9 (Subscript out of range); handlers never index a frame by hand.

#include "Bytes.h"
#include "OrlError.h"

#include <cstddef>
#include <cstdint>

namespace orl {

class FrameReader {
public:
    explicit FrameReader(const Bytes& frame, std::size_t position = 1)
        : frame_(frame), position_(position) {}

    std::uint8_t Byte() { return At(position_++); }
    // 14-bit value: low group, then high group.
    std::int32_t Value14() {
        const std::int32_t low = Byte();
        return low + 128 * Byte();
    }
    // 28-bit value: four groups, least significant first.
    std::int32_t Value28() {
        std::int32_t value = 0;
        for (int shift = 0; shift < 28; shift += 7)
            value += static_cast<std::int32_t>(Byte()) << shift;
        return value;
    }
    void Skip(std::size_t count) {
        if (count > Remaining())
            ThrowSubscript();
        position_ += count;
    }

    std::uint8_t At(std::size_t position) const {
        if (position >= frame_.size())
            ThrowSubscript();
        return frame_[position];
    }
    std::size_t Position() const { return position_; }
    void SetPosition(std::size_t position) { position_ = position; }
    std::size_t Remaining() const {
        return position_ < frame_.size() ? frame_.size() - position_ : 0;
    }
    // True when the fields read so far, plus checksum and end byte, make up the frame.
    bool ConsumedAllButChecksum() const { return position_ + 2 == frame_.size(); }

private:
    const Bytes& frame_;
    std::size_t position_;
};

} // namespace orl
