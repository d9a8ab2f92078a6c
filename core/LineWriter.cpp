#include "LineWriter.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace orl {

// A terminal, a pipe or a socket can stay full for good; a file on a disk cannot.
LineWriter::LineWriter(int fd) : fd_(fd) {
    struct stat status = {};
    if (::fstat(fd_, &status) != 0 || S_ISREG(status.st_mode))
        return;
    if (!S_ISSOCK(status.st_mode)) {
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        const int own = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (own >= 0) {
            fd_ = own;
            ownFd_ = true;
            return;
        }
    }
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0 && ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK) == 0)
        savedFlags_ = flags;
}

LineWriter::~LineWriter() {
    delete notifier_.data();
    Flush();
    if (savedFlags_ >= 0)
        ::fcntl(fd_, F_SETFL, savedFlags_);
    if (ownFd_)
        ::close(fd_);
}

void LineWriter::Write(std::string_view line) {
    if (!waiting_.empty() || dropped_ > 0)
        Flush();
    if (waiting_.size() + line.size() + 1 > MaxWaiting) {
        ++dropped_;
        return;
    }
    waiting_ += line;
    waiting_ += '\n';
    Flush();
}

// The waiting lines cannot be written: they count as dropped, with whatever count the
// "dropped" line among them was to tell.
void LineWriter::DropWaiting() {
    std::size_t lines =
        static_cast<std::size_t>(std::count(waiting_.begin(), waiting_.end(), '\n'));
    if (noteBytes_ > 0)
        lines = lines - 1 + noteCount_;
    dropped_ += lines;
    waiting_.clear();
    noteBytes_ = 0;
    noteCount_ = 0;
}

void LineWriter::Flush() {
    for (;;) {
        while (!waiting_.empty()) {
            const ssize_t written = ::write(fd_, waiting_.data(), waiting_.size());
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                WatchUntilWritable();
                return;
            }
            if (written <= 0) { // a full disk, a reader gone: these lines are lost
                DropWaiting();
                return;
            }
            const auto count = static_cast<std::size_t>(written);
            waiting_.erase(0, count);
            noteBytes_ = noteBytes_ > count ? noteBytes_ - count : 0;
            if (noteBytes_ == 0)
                noteCount_ = 0;
        }
        if (dropped_ == 0)
            break;
        waiting_ = std::to_string(dropped_) + " trace lines dropped\n";
        noteBytes_ = waiting_.size();
        noteCount_ = dropped_;
        dropped_ = 0;
    }
    if (notifier_)
        notifier_->setEnabled(false);
}

void LineWriter::WatchUntilWritable() {
    if (!notifier_ && QCoreApplication::instance() != nullptr) {
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Write, QCoreApplication::instance());
        QObject::connect(notifier_, &QSocketNotifier::activated, [this] { Flush(); });
    }
    if (notifier_)
        notifier_->setEnabled(true);
}

} // namespace orl
