#pragma once
// One control's state as a surface is told it: an address and one value, encoded as an
// OSC message by liblo.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace orl::surface {

using FeedbackValue = std::variant<int, float, std::string>;

struct FeedbackItem {
    std::string address; // "/strip/2/on"
    FeedbackValue value;
};

// The datagram that carries `item`; empty when liblo could not make it.
std::vector<std::uint8_t> FeedbackDatagram(const FeedbackItem& item);

// The value in words, for the trace: "i 1", "f -3.5", "s MIC 1".
std::string FeedbackText(const FeedbackValue& value);

} // namespace orl::surface
