#include "ErrorLog.h"

#include "OrlError.h"
#include "Values.h"
#include "Variables.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

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

std::string ErrorLog::SetAsideName(const std::tm& when, int number) {
    std::string name = SetAsideName(when);
    if (number > 1)
        name.insert(name.size() - 4, " (" + std::to_string(number) + ")");
    return name;
}

std::string ErrorLog::FreeSetAsideName(const std::tm& when) const {
    // A second set-aside in the same minute must not replace the first.
    std::error_code ec;
    for (int number = 1;; ++number) {
        std::string path = state_.AppPath + SetAsideName(when, number);
        if (!fs::exists(fs::symlink_status(path, ec)))
            return path;
    }
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

std::string ErrorLog::Entry(std::string_view message, std::string_view title) const {
    std::string line = DateTimeText(clock_());
    if (line.size() < 24)
        line.resize(24, ' ');
    line += title;
    if (line.size() < 60)
        line.resize(60, ' ');
    line += message;
    return line;
}

void ErrorLog::WriteErrorLog(std::string_view message, std::string_view title) {
    if (writing_)
        return;
    const std::string line = Entry(message, title);
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
    std::size_t removed = 0;
    if (fs::exists(path, ec) &&
        fs::file_size(path, ec) >= static_cast<std::uintmax_t>(SetAsideSize) && !ec) {
        // Renaming needs no space, so a full disk cannot leave a half copy behind; a log
        // that cannot be set aside takes the entry as it is.
        fs::rename(path, FreeSetAsideName(clock_()), ec);
        if (!ec)
            removed = RemoveOldSetAsides();
    }
    if (!fs::exists(path, ec))
        CreateErrorLog();
    // Only a log that begins with its whole header is appended to.
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        ThrowFileAccess();
    std::string text;
    if (removed > 0)
        text = Entry(std::to_string(removed) + " older set-aside error logs removed; the newest " +
                         std::to_string(MaxSetAsides) + " (at most " +
                         std::to_string(MaxSetAsideBytes / 1000000) + " MB together) are kept",
                     "Error Log") +
               "\r\n";
    text += line + "\r\n";
    const bool written = AppendWhole(fd, text);
    ::close(fd);
    if (!written)
        ThrowFileAccess();
}

namespace {

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "Errorlog MMDDYY HHMM.txt" or "Errorlog MMDDYY HHMM (N).txt", and nothing else of the
// folder.
bool IsSetAsideName(const std::string& name) {
    constexpr std::string_view Pattern = "Errorlog 000000 0000";
    constexpr std::string_view Extension = ".txt";
    if (name.size() < Pattern.size() + Extension.size() ||
        name.compare(name.size() - Extension.size(), Extension.size(), Extension) != 0)
        return false;
    for (std::size_t i = 0; i < Pattern.size(); ++i) {
        const bool digit = name[i] >= '0' && name[i] <= '9';
        if (Pattern[i] == '0' ? !digit : name[i] != Pattern[i])
            return false;
    }
    const std::string_view rest = std::string_view(name).substr(
        Pattern.size(), name.size() - Pattern.size() - Extension.size());
    if (rest.empty())
        return true;
    return rest.size() > 3 && rest.substr(0, 2) == " (" && rest.back() == ')' &&
           AllDigits(rest.substr(2, rest.size() - 3));
}

} // namespace

std::size_t ErrorLog::RemoveOldSetAsides() const {
    struct SetAside {
        fs::path path;
        fs::file_time_type written;
        std::uintmax_t size;
    };
    std::vector<SetAside> logs;
    std::error_code ec;
    for (fs::directory_iterator it(state_.AppPath, ec), end; !ec && it != end; it.increment(ec)) {
        if (!IsSetAsideName(it->path().filename().string()) || !it->is_regular_file(ec))
            continue;
        const fs::file_time_type written = it->last_write_time(ec);
        const std::uintmax_t size = it->file_size(ec);
        if (!ec)
            logs.push_back({it->path(), written, size});
    }
    // Newest first; the names alone do not sort by age (month first, two-digit year).
    std::sort(logs.begin(), logs.end(), [](const SetAside& a, const SetAside& b) {
        return a.written != b.written ? a.written > b.written : a.path > b.path;
    });
    std::size_t kept = 0;
    std::uintmax_t bytes = 0;
    std::size_t removed = 0;
    bool full = false;
    for (const SetAside& log : logs) {
        full = full || kept == MaxSetAsides || bytes + log.size > MaxSetAsideBytes;
        if (!full) {
            ++kept;
            bytes += log.size;
            continue;
        }
        if (fs::remove(log.path, ec))
            ++removed;
    }
    return removed;
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
