#include "Frames.h"

namespace orl::test {

std::uint8_t Checksum(const Bytes& frame) {
    unsigned sum = 0;
    for (std::size_t i = 1; i < frame.size(); ++i)
        sum += frame[i];
    return static_cast<std::uint8_t>(sum & 0x7F);
}

bool ChecksumOK(const Bytes& frame) {
    if (frame.size() < 3 || frame.back() != 0xFF)
        return false;
    const Bytes body(frame.begin(), frame.end() - 2);
    return Checksum(body) == frame[frame.size() - 2];
}

Bytes Finish(Bytes frame) {
    frame.push_back(Checksum(frame));
    frame.push_back(0xFF);
    return frame;
}

Bytes Framed(std::string_view hex) {
    return Finish(HexToBytes(hex));
}

void Append14(Bytes& frame, int value) {
    frame.push_back(static_cast<std::uint8_t>(value & 0x7F));
    frame.push_back(static_cast<std::uint8_t>(value >> 7));
}

Frame& Frame::Byte(int value) {
    bytes_.push_back(static_cast<std::uint8_t>(value));
    return *this;
}

Frame& Frame::Value14(int value) {
    Append14(bytes_, value);
    return *this;
}

Frame& Frame::Value28(long value) {
    for (int shift = 0; shift < 28; shift += 7)
        bytes_.push_back(static_cast<std::uint8_t>((value >> shift) & 0x7F));
    return *this;
}

Frame& Frame::Text(std::string_view text) {
    for (const char c : text)
        bytes_.push_back(static_cast<std::uint8_t>(c));
    return *this;
}

Frame& Frame::Hex(std::string_view hex) {
    const Bytes bytes = HexToBytes(hex);
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

} // namespace orl::test
