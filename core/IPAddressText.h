#pragma once
// The setup dialog's address check: four numbers joined by dots, each written in decimal
// digits only, become four numbers 0..255 without leading zeros ("010.0.0.300" ->
// "10.0.0.255"); anything else (a host name, a missing or extra part, a sign, a blank) is
// refused.

#include <optional>
#include <string>
#include <string_view>

namespace orl {

std::optional<std::string> NormaliseIPAddress(std::string_view text);

} // namespace orl
