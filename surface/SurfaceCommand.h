#pragma once
// What one datagram from a control surface asks of the panel. liblo decodes the OSC
// message; this reads its address and arguments into a command, or says why it is
// ignored. Free of Qt, so that the fuzz target can feed it any bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace orl::surface {

enum class Control {
    On,          // /strip/N/on      1: a click on ON
    Off,         // /strip/N/off     1: a click on OFF
    Pgm,         // /strip/N/pgm     1: a click on PGM
    Offln,       // /strip/N/offln   1: a click on OFFLN
    Cue,         // /strip/N/cue     1: a click on CUE
    Ifb,         // /strip/N/ifb     1 / 0: IFB pressed / released
    Gain,        // /strip/N/gain    dB
    Fader,       // /strip/N/fader   0.0 (bottom) .. 1.0 (top) of the slider's travel
    Source,      // /strip/N/source  input number (0: none)
    Button,      // /button/K        1 / 0: user button pressed / released
    Subscribe,   // /subscribe [PORT] the sender (at PORT when given) receives the state
    Unsubscribe, // /unsubscribe [PORT]
    Lock,        // /lock            1 / 0: the panel locked / unlocked
};

struct Command {
    Control control = Control::Subscribe;
    int index = -1;       // strip or user button counted from 0; -1 for the others
    bool pressed = false; // the press controls and Lock: a value other than 0
    double value = 0;     // Gain, Fader and Source; Subscribe and Unsubscribe: PORT or 0
};

struct Reading {
    std::optional<Command> command; // empty: the datagram is ignored, for `problem`
    std::string address;            // as received, when it could be read
    std::string arguments;          // the arguments in words, for the trace
    std::string problem;
};

// Strips and user buttons are numbered from 1 in an address, with at most this many digits.
constexpr int MaxNumberDigits = 3;

Reading ReadDatagram(const std::uint8_t* data, std::size_t size);

} // namespace orl::surface
