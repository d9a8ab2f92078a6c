#pragma once
// Figures the kernel keeps for a process in /proc/<process>/status, and the processor
// time of the calling thread.

#include <ctime>
#include <fstream>
#include <string>

namespace orl::test {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool Sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool Sanitized = true;
#else
inline constexpr bool Sanitized = false;
#endif
#else
inline constexpr bool Sanitized = false;
#endif

// Under AddressSanitizer freed memory is held in quarantine, so resident memory says
// nothing about what a process keeps.
inline constexpr bool ResidentMemoryMeasurable = !Sanitized;
// The sanitizers' checks change what each operation costs, so a ratio of processor times
// says nothing about the program itself: such checks run in the plain build only.
inline constexpr bool CostsMeasurable = !Sanitized;

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

// Processor time of the calling thread in nanoseconds: a busy machine that takes the
// core away does not count.
inline double ThreadCpuNanoseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

} // namespace orl::test
