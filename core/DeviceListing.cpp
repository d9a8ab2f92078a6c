// Placeholder body until the device listing lands.
#include "DeviceListing.h"

namespace orl {
void PrintDeviceIDs(const Variables&) {}
} // namespace orl
