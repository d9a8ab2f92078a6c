#include "StdoutWriter.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orl::sim {

StdoutWriter& StdoutWriter::Instance() {
    static StdoutWriter writer;
    return writer;
}

// Only a pipe or a socket can stay full for good; a terminal or a file is left as it is.
StdoutWriter::StdoutWriter() {
    struct stat status = {};
    if (::fstat(STDOUT_FILENO, &status) != 0 ||
        !(S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode)))
        return;
    const int flags = ::fcntl(STDOUT_FILENO, F_GETFL);
    if (flags >= 0 && ::fcntl(STDOUT_FILENO, F_SETFL, flags | O_NONBLOCK) == 0)
        savedFlags_ = flags;
}

// What still waits gets one last chance; the pipe is handed back as it was found.
StdoutWriter::~StdoutWriter() {
    Flush();
    if (savedFlags_ >= 0)
        ::fcntl(STDOUT_FILENO, F_SETFL, savedFlags_);
}

void StdoutWriter::Write(const std::string& line) {
    if (!waiting_.empty())
        Flush();
    if (waiting_.size() + line.size() + 1 > MaxWaiting) {
        ++dropped_;
        return;
    }
    waiting_ += line;
    waiting_ += '\n';
    Flush();
}

void StdoutWriter::Flush() {
    for (;;) {
        while (!waiting_.empty()) {
            const ssize_t written = ::write(STDOUT_FILENO, waiting_.data(), waiting_.size());
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                WatchUntilWritable();
                return;
            }
            if (written <= 0) { // closed or broken: nobody will ever read these lines
                waiting_.clear();
                break;
            }
            waiting_.erase(0, static_cast<std::size_t>(written));
        }
        if (dropped_ == 0)
            break;
        waiting_ = std::to_string(dropped_) + " trace lines dropped\n";
        dropped_ = 0;
    }
    if (notifier_)
        notifier_->setEnabled(false);
}

void StdoutWriter::WatchUntilWritable() {
    if (!notifier_ && QCoreApplication::instance() != nullptr) {
        notifier_ = new QSocketNotifier(STDOUT_FILENO, QSocketNotifier::Write,
                                        QCoreApplication::instance());
        QObject::connect(notifier_, &QSocketNotifier::activated, [this] { Flush(); });
    }
    if (notifier_)
        notifier_->setEnabled(true);
}

} // namespace orl::sim
