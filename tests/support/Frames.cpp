#include "Frames.h"

#include <stdexcept>
#include <string>

namespace orl {

namespace {
int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

Bytes HexToBytes(std::string_view hex) {
    Bytes bytes;
    std::size_t i = 0;
    while (i < hex.size()) {
        if (hex[i] == ' ' || hex[i] == '\n' || hex[i] == '\t') {
            ++i;
            continue;
        }
        if (i + 1 >= hex.size() || HexDigit(hex[i]) < 0 || HexDigit(hex[i + 1]) < 0)
            throw std::invalid_argument("not a hex pair in \"" + std::string(hex) + "\"");
        bytes.push_back(static_cast<std::uint8_t>(HexDigit(hex[i]) * 16 + HexDigit(hex[i + 1])));
        i += 2;
    }
    return bytes;
}

} // namespace orl

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

std::string FramesHex(const Bytes& bytes) {
    std::string out;
    Bytes frame;
    for (std::uint8_t b : bytes) {
        frame.push_back(b);
        if (b == 0xFF) {
            out += (out.empty() ? "" : " | ") + BytesToHex(frame);
            frame.clear();
        }
    }
    return out;
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
