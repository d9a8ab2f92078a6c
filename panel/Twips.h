#pragma once
// Positions and sizes of the window layouts are in twips: 15 twips per pixel.

namespace orl {

constexpr int TwipsPerPixel = 15;
constexpr int ToPixels(int twips) {
    return twips / TwipsPerPixel;
}
constexpr int ToTwips(int pixels) {
    return pixels * TwipsPerPixel;
}

} // namespace orl
