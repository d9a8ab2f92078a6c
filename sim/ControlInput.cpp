#include "ControlInput.h"

#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>

namespace orl::sim {

namespace {
constexpr std::size_t MaxLine = 1024;
}

ControlInput::ControlInput(std::function<void(const std::string&)> onLine)
    : onLine_(std::move(onLine)) {
    notifier_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadAvailable(); });
}

void ControlInput::ReadAvailable() {
    char chunk[4096];
    const ssize_t count = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (count < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (count <= 0) {
        notifier_->setEnabled(false);
        return;
    }
    pending_.append(chunk, static_cast<std::size_t>(count));
    std::size_t end;
    while ((end = pending_.find('\n')) != std::string::npos) {
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        onLine_(line);
    }
    if (pending_.size() > MaxLine)
        pending_.clear();
}

} // namespace orl::sim
