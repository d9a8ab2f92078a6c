#include "ErrorLog.h"

#include "OrlError.h"
#include "Values.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace orl {

namespace fs = std::filesystem;

ErrorLog::ErrorLog(const std::string& appPath, Clock clock)
    : appPath_(appPath), clock_(std::move(clock)) {}

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

std::string ErrorLog::LogPath() const { return appPath_ + "Errorlog.txt"; }

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
    if (fs::exists(path, ec) && fs::file_size(path, ec) >= static_cast<std::uintmax_t>(SetAsideSize) &&
        !ec) {
        const std::string aside = appPath_ + SetAsideName(clock_());
        fs::copy_file(path, aside, fs::copy_options::overwrite_existing);
        fs::remove(path);
    }
    if (!fs::exists(path, ec))
        CreateErrorLog();
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (!out)
        ThrowFileAccess();
    out << line << "\r\n";
    out.close();
    if (!out)
        ThrowFileAccess();
}

void ErrorLog::CreateErrorLog() {
    try {
        const std::string path = LogPath();
        std::error_code ec;
        fs::remove(path, ec);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!out)
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
        for (const char* text : lines)
            out << text << "\r\n";
    } catch (...) {
        // Ends silently; WriteErrorLog then appends to whatever exists.
    }
}

} // namespace orl
