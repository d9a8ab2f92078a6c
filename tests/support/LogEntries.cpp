#include "LogEntries.h"

#include <algorithm>
#include <fstream>

namespace orl::test {

namespace {

constexpr std::size_t TitleColumn = 24;   // 0-based
constexpr std::size_t MessageColumn = 60; // 0-based

bool IsRule(const std::string& line) {
    return !line.empty() && line.find_first_not_of('-') == std::string::npos;
}

} // namespace

std::ostream& operator<<(std::ostream& out, const LogEntry& entry) {
    return out << "[" << entry.title << "] " << entry.message;
}

std::vector<std::string> ReadLogEntryLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    const auto rule = std::find_if(lines.begin(), lines.end(), IsRule);
    if (rule != lines.end())
        lines.erase(lines.begin(), rule + 1);
    return lines;
}

std::vector<LogEntry> ReadLogEntries(const std::string& path) {
    std::vector<LogEntry> entries;
    for (const std::string& line : ReadLogEntryLines(path)) {
        std::string title =
            line.size() > TitleColumn ? line.substr(TitleColumn, MessageColumn - TitleColumn) : "";
        title.erase(title.find_last_not_of(' ') + 1);
        entries.push_back({title, line.size() > MessageColumn ? line.substr(MessageColumn) : ""});
    }
    return entries;
}

} // namespace orl::test
