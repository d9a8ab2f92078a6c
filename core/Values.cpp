#include "Values.h"

#include "OrlError.h"

#include <cctype>
#include <cmath>
#include <exception>
#include <limits>
#include <new>

namespace orl {

double RoundHalfEven(double value) {
    if (!std::isfinite(value))
        return value;
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5)
        return floor;
    if (diff > 0.5)
        return floor + 1.0;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

namespace {
template <typename T> T Narrow(double value) {
    const double rounded = RoundHalfEven(value);
    if (!(rounded >= static_cast<double>(std::numeric_limits<T>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<T>::max())))
        ThrowOverflow();
    return static_cast<T>(rounded);
}
template <typename T> T Narrow(long long value) {
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max())
        ThrowOverflow();
    return static_cast<T>(value);
}
} // namespace

std::int16_t ToInteger(double value) {
    return Narrow<std::int16_t>(value);
}
std::int16_t ToInteger(long long value) {
    return Narrow<std::int16_t>(value);
}
std::int32_t ToLong(double value) {
    return Narrow<std::int32_t>(value);
}
std::int32_t ToLong(long long value) {
    return Narrow<std::int32_t>(value);
}

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the number at the start of `text` (after blanks) and its value.
std::size_t ScanNumber(std::string_view text, double& value) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    double result = 0.0;
    double scale = 0.1;
    bool anyDigit = false;
    bool afterPoint = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (IsDigit(c)) {
            anyDigit = true;
            if (afterPoint) {
                result += (c - '0') * scale;
                scale /= 10.0;
            } else {
                result = result * 10.0 + (c - '0');
            }
        } else if (c == '.' && !afterPoint) {
            afterPoint = true;
        } else {
            break;
        }
    }
    value = anyDigit ? (negative ? -result : result) : 0.0;
    return anyDigit ? i : 0;
}
} // namespace

double NumberOfText(std::string_view text) {
    double value = 0.0;
    ScanNumber(text, value);
    return value;
}

std::int16_t IntegerOfText(std::string_view text) {
    return ToInteger(NumberOfText(text));
}
std::int32_t LongOfText(std::string_view text) {
    return ToLong(NumberOfText(text));
}

bool IsNumber(std::string_view text) {
    double value = 0.0;
    std::size_t end = ScanNumber(text, value);
    if (end == 0)
        return false;
    while (end < text.size() && IsBlank(text[end]))
        ++end;
    return end == text.size();
}

std::string FormatDigits(long long value, int digits) {
    std::string number = std::to_string(value < 0 ? -value : value);
    if (static_cast<int>(number.size()) < digits)
        number.insert(0, static_cast<std::size_t>(digits) - number.size(), '0');
    return value < 0 ? "-" + number : number;
}

CurrentError DescribeCurrentError() {
    const std::exception_ptr current = std::current_exception();
    if (!current)
        return {InternalError, "Internal error"};
    try {
        std::rethrow_exception(current);
    } catch (const OrlError& e) {
        return {e.Number(), e.Description()};
    } catch (const std::bad_alloc&) {
        return {OutOfMemory, "Out of memory"};
    } catch (const std::out_of_range&) {
        return {SubscriptOutOfRange, "Subscript out of range"};
    } catch (const std::exception& e) {
        return {InternalError, std::string("Internal error: ") + e.what()};
    } catch (...) {
        return {InternalError, "Internal error"};
    }
}

} // namespace orl
