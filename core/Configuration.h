#pragma once
// The configuration file "orlntpnl.ini" in the program's folder: read once at start,
// rewritten whole on exit and on every confirmed setup.

#include "ErrorLog.h"
#include "Variables.h"

#include <chrono>
#include <string>

namespace orl {

constexpr const char* ConfigurationFileName = "orlntpnl.ini";
// Each write goes to a file of its own, this name followed by ".<process>.<n>", which is
// flushed to the disk and then renamed over the configuration file.
constexpr const char* ConfigurationTemporaryFileName = "orlntpnl.ini.tmp";
// A file that failed to load is kept under this name by the first save that replaces it.
constexpr const char* ConfigurationBackupFileName = "orlntpnl.ini.bak";

// A temporary file of a save whose process no longer runs, older than this, is left
// over from a killed panel.
constexpr std::chrono::seconds StaleTemporaryAge{60};
// Removes such files from `folder`; ReadConfiguration does it first, once at start.
void RemoveStaleTemporaryFiles(const std::string& folder);

// Reads AppPath + "orlntpnl.ini" into the panel state and marks the faders' devices
// (InitDeviceIDs), and marks the panel configured. False when the file does not exist (nothing
// changed). It has no error handling of its own: a failure (a number too large for 16 bits, a fader
// number beyond its array, ...) throws OrlError after the fields before it were applied, and marks
// the file unread (ConfigurationUnread, with the item that failed). Laying out the window (extra
// strips, user-button captions, z-order) is the caller's.
bool ReadConfiguration(Variables& v);

// Writes the whole file, CR LF line ends, into a temporary file of its own in the same
// folder, flushed to the disk, that then replaces the old one: a failure part-way leaves
// the old settings intact, and of two panels saving at once one whole file remains.
// A file that failed to load is first copied to orlntpnl.ini.bak; a successful write
// clears that mark and marks the panel configured. A failure is reported as "Error Writing ini
// File" / "File Error" and returns false.
bool WriteConfiguration(Variables& v, ErrorLog& log);

} // namespace orl
