#pragma once
// What the switcher's tables mean for the strips and the user buttons, worked out as panel
// state: which buses carry a strip's device, and which relay or opto state a user button
// shows. The windows show the result; they decide nothing of it.

#include "Variables.h"

#include <optional>

namespace orl {

// True when the bus's entries (up to its entry count) name the device, plainly or with
// 8192 added. An entry count beyond the plain entries throws the subscript error.
bool BusCarriesDevice(const CrosspointRecord& bus, std::int16_t deviceID);

// Sets the strip's FaderOnProgram, FaderOnOffline and FaderOnCue from the crosspoint map:
// each is true when its bus is in the map and carries the strip's device. The flags are
// cleared first, one bus after the other, so a failure leaves the buses already done.
void AssignBusFlags(Variables& v, int strip);

// User button `k` follows the reported relay and opto states: its RelayState or OptoState
// takes the state of the relay or opto it drives, and the result says whether its tally
// is lit. Nothing (and nothing changed) when the channel its tally comes from is not in
// the state table; false for a button of no defined type.
std::optional<bool> TakeReportedState(Variables& v, int k);

} // namespace orl
