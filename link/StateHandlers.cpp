// Placeholder bodies until the state handlers land.
#include "IncomingHandlers.h"

namespace orl {
void IncomingHandlers::ReceiveChannelOnOff(const Bytes&) {}
void IncomingHandlers::ReceiveOptoRelayStates(const Bytes&) {}
} // namespace orl
