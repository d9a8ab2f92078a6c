#include "IPAddressText.h"

#include "Values.h"

namespace orl {

namespace {
// The number of a part, rounded halves-to-even and clamped to 0..255. A part too large
// for 32 bits is clamped as well instead of failing.
int OctetOf(std::string_view part) {
    const double value = RoundHalfEven(NumberOfText(part));
    if (value > 255.0)
        return 255;
    if (!(value > 0.0))
        return 0;
    return static_cast<int>(value);
}
} // namespace

std::optional<std::string> NormaliseIPAddress(std::string_view text) {
    const std::size_t p1 = text.find('.');
    if (p1 == std::string_view::npos)
        return std::nullopt;
    const std::size_t p2 = text.find('.', p1 + 1);
    if (p2 == std::string_view::npos)
        return std::nullopt;
    const std::size_t p3 = text.find('.', p2 + 1);
    if (p3 == std::string_view::npos || p3 + 1 == text.size())
        return std::nullopt;
    const std::string_view parts[] = {text.substr(0, p1), text.substr(p1 + 1, p2 - p1 - 1),
                                      text.substr(p2 + 1, p3 - p2 - 1), text.substr(p3 + 1)};
    std::string address;
    for (const auto part : parts) {
        if (!address.empty())
            address += '.';
        address += std::to_string(OctetOf(part));
    }
    return address;
}

} // namespace orl
