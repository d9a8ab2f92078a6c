#pragma once
// A surface's gain and fader values in the panel's gain positions (1024 = 0 dB, one unit
// 0.1 dB), and the pickup of a fader without a motor: a value far from the strip's gain
// is ignored until the fader crosses the gain or comes within PickupWindow of it.

#include "Protocol.h"

#include <optional>

namespace orl::surface {

// The travel of the window's gain slider: +12 dB at the top, -80 dB at the bottom.
constexpr int TravelTop = 1144;
constexpr int TravelBottom = 224;
using wire::ZeroDbPosition;

// The position of a gain in dB, or of a fader's 0.0 (bottom) .. 1.0 (top), on the travel.
int PositionOfDb(double dB);
int PositionOfFader(double travel);
// What a surface is told of a position; "off" (below the travel) reads as the bottom.
double DbOfPosition(int position);
double FaderOfPosition(int position);

class GainPickup {
public:
    static constexpr int PickupWindow = 20; // 2 dB

    // The fader asks for `wanted` while the strip's gain is `current`: true when it has
    // control (it took it earlier and nobody moved the gain since, or it comes within
    // PickupWindow of the gain or crosses it now) and `wanted` is to be taken.
    bool Offer(int current, int wanted);
    // The strip's gain after the fader's value was taken.
    void Took(int gain) { taken_ = gain; }

private:
    std::optional<int> last_;  // the fader's previous value
    std::optional<int> taken_; // the gain this fader left the strip at
};

} // namespace orl::surface
