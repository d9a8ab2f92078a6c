#include "SurfaceCommand.h"

#include <lo/lo.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace orl::surface {

namespace {

struct MessageFree {
    void operator()(lo_message m) const { lo_message_free(m); }
};
using Message = std::unique_ptr<std::remove_pointer_t<lo_message>, MessageFree>;

constexpr std::size_t ShownStringLength = 32;

// liblo's arguments lie at 4-byte steps in its buffer, not at the alignment of lo_arg:
// they are copied out, never read through the union.
template <typename T> T Value(const lo_arg* arg) {
    T value{};
    std::memcpy(&value, static_cast<const void*>(arg), sizeof value);
    return value;
}

const char* Text(const lo_arg* arg) {
    return reinterpret_cast<const char*>(arg);
}

// One argument in words: its type tag and its value ("i 1", "f -3.5", "s MIC").
std::string ArgumentText(char type, const lo_arg* arg) {
    char text[64];
    switch (type) {
    case LO_INT32:
        std::snprintf(text, sizeof text, "i %d", Value<std::int32_t>(arg));
        return text;
    case LO_INT64:
        std::snprintf(text, sizeof text, "h %lld",
                      static_cast<long long>(Value<std::int64_t>(arg)));
        return text;
    case LO_FLOAT:
        std::snprintf(text, sizeof text, "f %g", static_cast<double>(Value<float>(arg)));
        return text;
    case LO_DOUBLE:
        std::snprintf(text, sizeof text, "d %g", Value<double>(arg));
        return text;
    case LO_STRING:
    case LO_SYMBOL: {
        std::string shown(1, type);
        shown += ' ';
        for (const char* c = Text(arg); *c != '\0' && shown.size() < ShownStringLength + 2; ++c)
            shown += *c >= 0x20 && *c < 0x7F ? *c : '?';
        return shown;
    }
    default:
        return std::string(1, type);
    }
}

// A number argument: int32, int64, float or double (true and false count as 1 and 0 for
// presses); empty for any other type and for a value that is not finite.
std::optional<double> NumberOf(char type, const lo_arg* arg, bool truthValues) {
    double value = 0;
    switch (type) {
    case LO_INT32:
        value = Value<std::int32_t>(arg);
        break;
    case LO_INT64:
        value = static_cast<double>(Value<std::int64_t>(arg));
        break;
    case LO_FLOAT:
        value = Value<float>(arg);
        break;
    case LO_DOUBLE:
        value = Value<double>(arg);
        break;
    case LO_TRUE:
        if (!truthValues)
            return std::nullopt;
        value = 1;
        break;
    case LO_FALSE:
        if (!truthValues)
            return std::nullopt;
        value = 0;
        break;
    default:
        return std::nullopt;
    }
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

// "12" of "12/on": a number from 1 with at most MaxNumberDigits digits and no leading 0.
std::optional<int> LeadingNumber(std::string_view& rest) {
    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9')
        ++digits;
    if (digits == 0 || digits > static_cast<std::size_t>(MaxNumberDigits) || rest[0] == '0')
        return std::nullopt;
    int number = 0;
    std::from_chars(rest.data(), rest.data() + digits, number);
    rest.remove_prefix(digits);
    return number;
}

struct StripControl {
    std::string_view name;
    Control control;
};

constexpr StripControl StripControls[] = {
    {"on", Control::On},       {"off", Control::Off},     {"pgm", Control::Pgm},
    {"offln", Control::Offln}, {"cue", Control::Cue},     {"ifb", Control::Ifb},
    {"gain", Control::Gain},   {"fader", Control::Fader}, {"source", Control::Source},
};

// The control an address names, with its strip or button index; empty when it names none.
std::optional<Command> CommandOfAddress(std::string_view address) {
    Command command;
    if (address == "/subscribe") {
        command.control = Control::Subscribe;
        return command;
    }
    if (address == "/unsubscribe") {
        command.control = Control::Unsubscribe;
        return command;
    }
    if (address == "/lock") {
        command.control = Control::Lock;
        return command;
    }
    constexpr std::string_view ButtonPrefix = "/button/";
    if (address.starts_with(ButtonPrefix)) {
        address.remove_prefix(ButtonPrefix.size());
        const std::optional<int> number = LeadingNumber(address);
        if (!number || !address.empty())
            return std::nullopt;
        command.control = Control::Button;
        command.index = *number - 1;
        return command;
    }
    constexpr std::string_view StripPrefix = "/strip/";
    if (!address.starts_with(StripPrefix))
        return std::nullopt;
    address.remove_prefix(StripPrefix.size());
    const std::optional<int> number = LeadingNumber(address);
    if (!number || !address.starts_with('/'))
        return std::nullopt;
    address.remove_prefix(1);
    for (const StripControl& c : StripControls)
        if (address == c.name) {
            command.control = c.control;
            command.index = *number - 1;
            return command;
        }
    return std::nullopt;
}

// Reads the one value the control takes; false when the arguments do not carry it.
bool ReadValue(Command& command, const std::string& types, lo_arg** argv, std::string& problem) {
    constexpr int HighestPort = 65535;
    if (command.control == Control::Subscribe || command.control == Control::Unsubscribe) {
        if (types.empty())
            return true;
        const std::optional<double> port =
            types.size() == 1 ? NumberOf(types[0], argv[0], false) : std::nullopt;
        if (!port || *port < 1 || *port > HighestPort || *port != std::floor(*port)) {
            problem = "wants no argument or the UDP port that receives the state";
            return false;
        }
        command.value = *port;
        return true;
    }
    if (types.size() != 1) {
        problem = "wants one argument";
        return false;
    }
    switch (command.control) {
    case Control::Gain:
    case Control::Fader:
    case Control::Source: {
        const std::optional<double> number = NumberOf(types[0], argv[0], false);
        if (!number) {
            problem = "wants a finite number";
            return false;
        }
        if (command.control == Control::Source && (*number < 0 || *number != std::floor(*number))) {
            problem = "wants an input number (0 for none)";
            return false;
        }
        command.value = *number;
        return true;
    }
    default: {
        const std::optional<double> number = NumberOf(types[0], argv[0], true);
        if (!number) {
            problem = "wants 1 or 0";
            return false;
        }
        command.pressed = *number != 0;
        return true;
    }
    }
}

} // namespace

Reading ReadDatagram(const std::uint8_t* data, std::size_t size) {
    Reading reading;
    // liblo converts the arguments in place, so it reads a copy.
    std::vector<std::uint8_t> copy(data, data + size);
    if (copy.empty()) {
        reading.problem = "an empty datagram";
        return reading;
    }
    constexpr std::string_view Bundle = "#bundle";
    if (size >= Bundle.size() &&
        std::string_view(reinterpret_cast<const char*>(data), Bundle.size()) == Bundle) {
        reading.problem = "a bundle (send plain messages)";
        return reading;
    }
    int result = 0;
    const Message message(lo_message_deserialise(copy.data(), copy.size(), &result));
    if (!message) {
        reading.problem = "not an OSC message (liblo error " + std::to_string(result) + ")";
        return reading;
    }
    // The address is the first string of a message liblo accepted.
    const char* address = lo_get_path(copy.data(), static_cast<ssize_t>(copy.size()));
    if (address == nullptr) {
        reading.problem = "no address";
        return reading;
    }
    reading.address = address;
    const char* typeTags = lo_message_get_types(message.get());
    const std::string types = typeTags != nullptr ? typeTags : "";
    lo_arg** argv = lo_message_get_argv(message.get());
    if (static_cast<int>(types.size()) != lo_message_get_argc(message.get()) ||
        (!types.empty() && argv == nullptr)) {
        reading.problem = "arguments that do not match their type tags";
        return reading;
    }
    for (std::size_t k = 0; k < types.size(); ++k) {
        if (k > 0)
            reading.arguments += ", ";
        reading.arguments += ArgumentText(types[k], argv[k]);
    }

    std::optional<Command> command = CommandOfAddress(reading.address);
    if (!command) {
        reading.problem = "an unknown address";
        return reading;
    }
    if (!ReadValue(*command, types, argv, reading.problem))
        return reading;
    reading.command = command;
    return reading;
}

} // namespace orl::surface
