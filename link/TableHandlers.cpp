// Placeholder bodies until the table handlers land.
#include "IncomingHandlers.h"

namespace orl {
void IncomingHandlers::ProcessAlphaTable(const Bytes&) {}
void IncomingHandlers::ProcessCrosspointMap(const Bytes&) {}
void IncomingHandlers::ReceiveDeviceIDInfo(const Bytes&) {}
void IncomingHandlers::ProcessInfoReply(const Bytes&) {}
void IncomingHandlers::ReceiveInputChannelAttributes(const Bytes&) {}
void IncomingHandlers::ProcessSwitcherType(const Bytes&) {}
} // namespace orl
