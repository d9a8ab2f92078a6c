#pragma once
// The per-strip tables of a panel sized for a test.

#include "Variables.h"

#include <cstddef>
#include <cstdint>

namespace orl::test {

// Gives the panel `count` fader strips with their tables made anew, all zero; with a
// `firstDeviceID`, the strips work devices firstDeviceID, firstDeviceID + 1, ...
inline void Faders(Variables& v, int count, int firstDeviceID = 0) {
    v.FaderCount = static_cast<std::int16_t>(count);
    RecreateFaderArrays(v, static_cast<std::size_t>(count));
    if (firstDeviceID != 0)
        for (int i = 0; i < count; ++i)
            v.FaderDeviceID[i] = static_cast<std::int16_t>(firstDeviceID + i);
}

} // namespace orl::test
