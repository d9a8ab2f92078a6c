#pragma once
// Composes one message: command byte, fields with their range checks, then the 7-bit
// checksum and the end byte. A field out of range throws OrlError 5 and nothing is sent.

#include "ByteManipulation.h"
#include "Bytes.h"
#include "OrlError.h"
#include "Protocol.h"

#include <cstdint>

namespace orl {

class FrameWriter {
public:
    explicit FrameWriter(std::uint8_t command) { bytes_.push_back(command); }

    FrameWriter& Byte(long long value) {
        if (value < 0 || value > 127)
            ThrowInvalidCall();
        bytes_.push_back(static_cast<std::uint8_t>(value));
        return *this;
    }
    FrameWriter& Value14(long long value) {
        if (value < 0 || value > 0x3FFF)
            ThrowInvalidCall();
        bytes_.push_back(static_cast<std::uint8_t>(value & 0x7F));
        bytes_.push_back(static_cast<std::uint8_t>(value >> 7));
        return *this;
    }
    FrameWriter& Value28(long long value) {
        if (value < 0 || value > 0x0FFFFFFF)
            ThrowInvalidCall();
        for (int shift = 0; shift < 28; shift += 7)
            bytes_.push_back(static_cast<std::uint8_t>((value >> shift) & 0x7F));
        return *this;
    }
    // Appends the checksum of everything after the command byte, then 0xFF.
    Bytes Finish() {
        bytes_.push_back(CheckSum(bytes_, 0));
        bytes_.push_back(wire::EndOfMessage);
        return bytes_;
    }

private:
    Bytes bytes_;
};

} // namespace orl
