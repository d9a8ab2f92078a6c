#pragma once
// Colours of the main window, as 0x00BBGGRR values (blue in the high byte).

#include <cstdint>

namespace orl {

using Colour = std::uint32_t;

constexpr Colour PanelColour = 0x00C00000;  // dark blue: window, frames, labels
constexpr Colour IdleColour = 0x00F4FFFE;   // off-white: every button at rest
constexpr Colour ActiveColour = 0x00C0FFFF; // light yellow: OFF lit, bus assigned, tally on
constexpr Colour OnColour = 0x00FFFFC0;     // light cyan: ON lit

constexpr int RedOf(Colour c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(Colour c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int BlueOf(Colour c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
constexpr Colour RGBColour(int r, int g, int b) {
    return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}

} // namespace orl
