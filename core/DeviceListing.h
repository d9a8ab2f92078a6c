#pragma once
// "DeviceID.txt": the whole device table, one line "ID:dddd - Src:dddd" per device ID
// 0 .. 8192, replaced on every use. Any failure ends the listing silently.

#include "Variables.h"

namespace orl {

constexpr const char* DeviceListingFileName = "DeviceID.txt";

void PrintDeviceIDs(const Variables& v);

} // namespace orl
