// Placeholder bodies until the configuration file lands.
#include "Configuration.h"

namespace orl {
bool ReadConfiguration(Variables&) { return false; }
bool WriteConfiguration(const Variables&, ErrorLog&) { return true; }
} // namespace orl
