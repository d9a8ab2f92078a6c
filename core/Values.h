#pragma once
// Value conventions shared by every module: 16-bit integers and 32-bit longs that
// fail with an overflow instead of wrapping, and the number of a text.

#include <cstdint>
#include <string>
#include <string_view>

namespace orl {

// Rounds to the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double value);

// Narrowing that throws OrlError 6 (Overflow) when the value does not fit.
std::int16_t ToInteger(double value);
std::int16_t ToInteger(long long value);
std::int32_t ToLong(double value);
std::int32_t ToLong(long long value);

// The leading decimal number of a text: leading blanks skipped, optional sign, digits
// with an optional decimal point; reading stops at the first character that cannot
// continue the number. No number at all gives 0.
double NumberOfText(std::string_view text);

// NumberOfText rounded halves-to-even and narrowed (throws Overflow when it does not fit).
std::int16_t IntegerOfText(std::string_view text);
std::int32_t LongOfText(std::string_view text);

// True when the whole text (blanks around it allowed) is one decimal number.
bool IsNumber(std::string_view text);

// The number in decimal with at least `digits` digits (leading zeros), minus sign first
// when negative: FormatDigits(7, 4) == "0007", FormatDigits(16383, 4) == "16383".
std::string FormatDigits(long long value, int digits);

} // namespace orl
