#pragma once
// The setup dialog's address check: a text with at least three dots, not ending in the
// third, becomes four numbers 0..255 joined by dots ("10.0.0.300" -> "10.0.0.255",
// "1.2.3.4.5" -> "1.2.3.4", "a.b.c.d" -> "0.0.0.0"); anything else is refused.

#include <optional>
#include <string>
#include <string_view>

namespace orl {

std::optional<std::string> NormaliseIPAddress(std::string_view text);

} // namespace orl
