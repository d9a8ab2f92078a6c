#pragma once
// Writes the simulator's lines to stdout without ever holding up the event loop. When
// stdout is a pipe or socket nobody reads, lines wait in a small buffer, and once that is
// full they are dropped and counted; when the reader catches up the waiting lines follow,
// then one line "N trace lines dropped".

#include <QPointer>

#include <cstddef>
#include <string>

class QSocketNotifier;

namespace orl::sim {

class StdoutWriter {
public:
    static constexpr std::size_t MaxWaiting = std::size_t{64} * 1024;

    static StdoutWriter& Instance();
    // `line` without its line end.
    void Write(const std::string& line);

private:
    StdoutWriter();
    ~StdoutWriter();
    StdoutWriter(const StdoutWriter&) = delete;
    StdoutWriter& operator=(const StdoutWriter&) = delete;

    void Flush();
    void WatchUntilWritable();

    int savedFlags_ = -1; // stdout's flags before it was made non-blocking, or -1
    std::string waiting_;
    std::size_t dropped_ = 0;
    QPointer<QSocketNotifier> notifier_;
};

} // namespace orl::sim
