// A control surface's datagrams: any bytes read as an OSC message and a command, and the
// gain a command asks for always on the slider's travel.

#include "Feedback.h"
#include "GainPickup.h"
#include "SurfaceCommand.h"

#include <cstddef>
#include <cstdint>

using orl::surface::Control;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const orl::surface::Reading reading = orl::surface::ReadDatagram(data, size);
    if (!reading.command)
        return 0;
    const orl::surface::Command& c = *reading.command;
    if (c.control != Control::Subscribe && c.control != Control::Unsubscribe &&
        c.control != Control::Lock && (c.index < 0 || c.index >= 999))
        __builtin_trap();
    if (c.control == Control::Gain || c.control == Control::Fader) {
        const int position = c.control == Control::Gain ? orl::surface::PositionOfDb(c.value)
                                                        : orl::surface::PositionOfFader(c.value);
        if (position < orl::surface::TravelBottom || position > orl::surface::TravelTop)
            __builtin_trap();
        orl::surface::GainPickup pickup;
        pickup.Offer(1024, position);
    }
    // The address read back as a message of the panel's own makes the same command.
    const std::vector<std::uint8_t> again = orl::surface::FeedbackDatagram({reading.address, 1});
    if (again.empty())
        __builtin_trap();
    const orl::surface::Reading echo = orl::surface::ReadDatagram(again.data(), again.size());
    if (!echo.command || echo.command->control != c.control || echo.command->index != c.index)
        __builtin_trap();
    return 0;
}
