#pragma once
// The error log "Errorlog.txt" in the program's folder. The operator never sees a
// run-time failure: every procedure of weight catches its own and hands a fixed message
// and title here. The log is set aside under "Errorlog MMDDYY HHMM.txt" once it
// reaches 1,024,000 bytes.

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace orl {

class ErrorLog {
public:
    using Clock = std::function<std::tm()>;
    static constexpr long long SetAsideSize = 1024000;

    // `appPath` is read at each write (it is the panel state's AppPath, set at load).
    explicit ErrorLog(const std::string& appPath, Clock clock = LocalNow);

    // Appends ": Error # <number> - <description>" of the failure being handled (call
    // it inside a catch block) to the message and writes the line.
    void ReportError(std::string_view message, std::string_view title);
    // Writes the message unchanged.
    void WriteErrorLog(std::string_view message, std::string_view title);
    void CreateErrorLog();

    std::string LogPath() const;
    static std::tm LocalNow();
    // "12/7/2026 4:05:00 PM": the short date and long time of the entry lines.
    static std::string DateTimeText(const std::tm& when);
    // "Errorlog 120726 1605.txt"
    static std::string SetAsideName(const std::tm& when);

private:
    void WriteLine(const std::string& line);
    const std::string& appPath_;
    Clock clock_;
    bool writing_ = false;
    bool reportingFailure_ = false; // a log that cannot be written must not report itself forever
};

} // namespace orl
