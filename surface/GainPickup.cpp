#include "GainPickup.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace orl::surface {

namespace {

int OnTravel(int position) {
    return std::clamp(position, TravelBottom, TravelTop);
}

} // namespace

int PositionOfDb(double dB) {
    const double position = ZeroDbPosition + std::clamp(dB, -1000.0, 1000.0) * 10.0;
    return OnTravel(static_cast<int>(std::lround(position)));
}

int PositionOfFader(double travel) {
    const double t = std::clamp(travel, 0.0, 1.0);
    return TravelBottom + static_cast<int>(std::lround(t * (TravelTop - TravelBottom)));
}

double DbOfPosition(int position) {
    return (OnTravel(position) - ZeroDbPosition) / 10.0;
}

double FaderOfPosition(int position) {
    return static_cast<double>(OnTravel(position) - TravelBottom) / (TravelTop - TravelBottom);
}

bool GainPickup::Offer(int current, int wanted) {
    const int gain = OnTravel(current);
    const std::optional<int> previous = last_;
    last_ = wanted;
    if (taken_ && *taken_ == current)
        return true;
    taken_.reset(); // the gain moved since (or never was this fader's): pick it up again
    if (std::abs(wanted - gain) <= PickupWindow)
        return true;
    return previous && (*previous - gain) * (wanted - gain) <= 0;
}

} // namespace orl::surface
