#pragma once
// The error log "Errorlog.txt" in the program's folder. The operator never sees a
// run-time failure: every procedure of weight catches its own and hands a fixed message
// and title here. The log is set aside under "Errorlog MMDDYY HHMM.txt" once it
// reaches 1,024,000 bytes (" (2)", " (3)" ... before ".txt" when that name is taken); of the
// set-aside logs the newest are kept, at most MaxSetAsides of them and MaxSetAsideBytes together,
// so a chatty switcher cannot fill the disk. When older ones are removed, the new log's first entry
// says how many.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace orl {

struct Variables;

class ErrorLog {
public:
    using Clock = std::function<std::tm()>;
    static constexpr long long SetAsideSize = 1024000;
    static constexpr std::size_t MaxSetAsides = 10;
    static constexpr std::uintmax_t MaxSetAsideBytes = 20000000;

    // The log lives in the state's AppPath, read at each write: the window that owns the
    // log sets the folder at load, after the log was made. Only a state that outlives the
    // log will do, so a temporary one is refused.
    explicit ErrorLog(const Variables& state, Clock clock = LocalNow);
    ErrorLog(const Variables&& state, Clock clock = LocalNow) = delete;

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
    // "Errorlog 120726 1605 (2).txt" for the number 2; the plain name for 1.
    static std::string SetAsideName(const std::tm& when, int number);

private:
    void WriteLine(const std::string& line);
    // Removes the oldest set-aside logs beyond the bound; how many it removed.
    std::size_t RemoveOldSetAsides() const;
    std::string Entry(std::string_view message, std::string_view title) const;
    // The folder's path for the set-aside log: the first of its names not taken.
    std::string FreeSetAsideName(const std::tm& when) const;
    const Variables& state_;
    Clock clock_;
    bool writing_ = false;
    bool reportingFailure_ = false; // a log that cannot be written must not report itself forever
};

} // namespace orl
