#pragma once
// The entries of an error log file as tests read them back: every line after the header's
// dashed rule is one entry, its title at column 25 and its message at column 61.

#include <ostream>
#include <string>
#include <vector>

namespace orl::test {

struct LogEntry {
    std::string title;
    std::string message;
    bool operator==(const LogEntry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const LogEntry& entry);

// The entry lines of the log at `path`, CR LF removed; none when the file is missing.
std::vector<std::string> ReadLogEntryLines(const std::string& path);

// The entries of the log at `path`, titles without their trailing blanks; none when the
// file is missing. A line too short for a column gives an empty title or message.
std::vector<LogEntry> ReadLogEntries(const std::string& path);

} // namespace orl::test
