// The number of a text and the address check on arbitrary operator text.

#include "IPAddressText.h"
#include "OrlError.h"
#include "Values.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double number = orl::NumberOfText(text);
    try {
        const std::int16_t value = orl::IntegerOfText(text);
        if (value != static_cast<std::int16_t>(orl::RoundHalfEven(number)))
            __builtin_trap();
    } catch (const orl::OrlError&) {
    }
    try {
        orl::LongOfText(text);
    } catch (const orl::OrlError&) {
    }
    orl::IsNumber(text);
    if (const auto address = orl::NormaliseIPAddress(text)) {
        // A normalised address is always four numbers 0..255 and normalises to itself.
        const auto again = orl::NormaliseIPAddress(*address);
        if (!again || *again != *address)
            __builtin_trap();
    }
    return 0;
}
