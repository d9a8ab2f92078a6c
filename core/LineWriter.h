#pragma once
// Writes lines of text (a trace) to a file descriptor without ever holding up the event
// loop. When it is a terminal nobody reads (output stopped with Ctrl-S, a stalled remote
// session), a pipe or a socket, lines wait in a small buffer, and once that is full they
// are dropped and counted; when the reader catches up the waiting lines follow, then one
// line "N trace lines dropped". Lines that cannot be written at all (a full disk, a
// reader gone) are dropped and counted the same way, and the count follows the next line
// that can be written.
//
// A terminal, pipe or FIFO is opened anew, non-blocking, for the writer alone: the
// descriptor it was given (shared with the shell that started the program) keeps its
// flags. A socket, which cannot be opened anew, is made non-blocking while the writer
// lives.

#include <QPointer>

#include <cstddef>
#include <string>
#include <string_view>

class QSocketNotifier;

namespace orl {

class LineWriter {
public:
    static constexpr std::size_t MaxWaiting = std::size_t{64} * 1024;

    // Writes to `fd`, which stays open and the caller's.
    explicit LineWriter(int fd);
    // What still waits gets one last chance; a pipe is handed back as it was found.
    ~LineWriter();
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // `line` without its line end.
    void Write(std::string_view line);

private:
    void Flush();
    void WatchUntilWritable();
    void DropWaiting();

    int fd_;
    bool ownFd_ = false;  // fd_ was opened by the writer, and is closed with it
    int savedFlags_ = -1; // the descriptor's flags before it was made non-blocking, or -1
    std::string waiting_;
    std::size_t dropped_ = 0;
    std::size_t noteBytes_ = 0; // the "dropped" line still at the front of waiting_
    std::size_t noteCount_ = 0; // and the count it tells
    QPointer<QSocketNotifier> notifier_;
};

} // namespace orl
