#include "ErrorLog.h"

#include "OrlError.h"
#include "Values.h"
#include "Variables.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace orl {

namespace fs = std::filesystem;

namespace {

// Appends `text` whole or not at all: when the disk takes only part of it, the file is
// cut back to where it ended, so no entry is left without its line end and the next one
// does not run on from it.
bool AppendWhole(int fd, const std::string& text) {
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return false;
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (::ftruncate(fd, status.st_size) != 0) {
                // Nothing more can be done; the caller reports the lost entry.
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

ErrorLog::ErrorLog(const Variables& state, Clock clock) : state_(state), clock_(std::move(clock)) {}

std::tm ErrorLog::LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::string ErrorLog::DateTimeText(const std::tm& when) {
    const int hour12 = when.tm_hour % 12 == 0 ? 12 : when.tm_hour % 12;
    return std::to_string(when.tm_mon + 1) + "/" + std::to_string(when.tm_mday) + "/" +
           std::to_string(when.tm_year + 1900) + " " + std::to_string(hour12) + ":" +
           FormatDigits(when.tm_min, 2) + ":" + FormatDigits(when.tm_sec, 2) +
           (when.tm_hour < 12 ? " AM" : " PM");
}

std::string ErrorLog::SetAsideName(const std::tm& when) {
    return "Errorlog " + FormatDigits(when.tm_mon + 1, 2) + FormatDigits(when.tm_mday, 2) +
           FormatDigits((when.tm_year + 1900) % 100, 2) + " " + FormatDigits(when.tm_hour, 2) +
           FormatDigits(when.tm_min, 2) + ".txt";
}

std::string ErrorLog::LogPath() const {
    return state_.AppPath + "Errorlog.txt";
}

void ErrorLog::ReportError(std::string_view message, std::string_view title) {
    const CurrentError error = DescribeCurrentError();
    const std::string number =
        error.number < 0 ? std::to_string(error.number) : " " + std::to_string(error.number);
    WriteErrorLog(std::string(message) + ": Error # " + number + " - " + error.description, title);
}

void ErrorLog::WriteErrorLog(std::string_view message, std::string_view title) {
    if (writing_)
        return;
    std::string line = DateTimeText(clock_());
    if (line.size() < 24)
        line.resize(24, ' ');
    line += title;
    if (line.size() < 60)
        line.resize(60, ' ');
    line += message;
    writing_ = true;
    try {
        WriteLine(line);
        writing_ = false;
    } catch (...) {
        writing_ = false;
        // When even the report of this failure cannot be written, it is dropped.
        if (reportingFailure_)
            return;
        reportingFailure_ = true;
        ReportError("Error writing to Error file", "File Error");
        reportingFailure_ = false;
    }
}

void ErrorLog::WriteLine(const std::string& line) {
    const std::string path = LogPath();
    std::error_code ec;
    if (fs::exists(path, ec) &&
        fs::file_size(path, ec) >= static_cast<std::uintmax_t>(SetAsideSize) && !ec) {
        // Renaming needs no space, so a full disk cannot leave a half copy behind; a log
        // that cannot be set aside takes the entry as it is.
        fs::rename(path, state_.AppPath + SetAsideName(clock_()), ec);
    }
    if (!fs::exists(path, ec))
        CreateErrorLog();
    // Only a log that begins with its whole header is appended to.
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        ThrowFileAccess();
    const bool written = AppendWhole(fd, line + "\r\n");
    ::close(fd);
    if (!written)
        ThrowFileAccess();
}

void ErrorLog::CreateErrorLog() {
    try {
        const std::string path = LogPath();
        std::error_code ec;
        fs::remove(path, ec);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0)
            return;
        const char* lines[] = {
            "             ORL Console",
            "",
            "                   Remote control surface for one console",
            "                   of a broadcast audio routing switcher",
            "                   Run-time failures are written here, never shown",
            "",
            "",
            "ORL Turret Soft Panel Error Logfile",
            "",
            " DATE     TIME           LOCATION                           MESSAGE DESCRIPTION",
            "--------------------------------------------------------------------------------",
        };
        std::string header;
        for (const char* text : lines)
            header += std::string(text) + "\r\n";
        const bool written = AppendWhole(fd, header);
        ::close(fd);
        if (!written)
            fs::remove(path, ec);
    } catch (...) {
        // Ends silently; WriteErrorLog then appends to whatever exists.
    }
}

} // namespace orl
