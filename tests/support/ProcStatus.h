#pragma once
// Figures the kernel keeps for a process in /proc/<process>/status.

#include <fstream>
#include <string>

namespace orl::test {

// The kilobytes of `field` ("VmRSS", "VmHWM", ...) for `process` ("self" or a process id),
// or -1 when the file or the field is missing.
inline long StatusKilobytes(const std::string& process, const char* field) {
    std::ifstream status("/proc/" + process + "/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(key.size()));
    return -1;
}

} // namespace orl::test
