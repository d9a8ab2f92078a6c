#include "IPAddressText.h"

#include <array>
#include <cstddef>

namespace orl {

namespace {

constexpr int Parts = 4;
constexpr int Largest = 255;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A part made of digits only, as its value limited to 255; nothing for any other text.
std::optional<int> OctetOf(std::string_view part) {
    if (part.empty())
        return std::nullopt;
    int value = 0;
    for (const char c : part) {
        if (!IsDigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > Largest)
            value = Largest + 1; // stays small however many digits follow
    }
    return value > Largest ? Largest : value;
}

} // namespace

std::optional<std::string> NormaliseIPAddress(std::string_view text) {
    std::array<int, Parts> octets{};
    std::size_t start = 0;
    for (int k = 0; k < Parts; ++k) {
        const std::size_t dot = text.find('.', start);
        const bool last = k == Parts - 1;
        if (last != (dot == std::string_view::npos))
            return std::nullopt; // fewer or more than four parts
        const std::size_t end = last ? text.size() : dot;
        const std::optional<int> octet = OctetOf(text.substr(start, end - start));
        if (!octet)
            return std::nullopt;
        octets[static_cast<std::size_t>(k)] = *octet;
        start = end + 1;
    }
    std::string address;
    for (const int octet : octets) {
        if (!address.empty())
            address += '.';
        address += std::to_string(octet);
    }
    return address;
}

} // namespace orl
