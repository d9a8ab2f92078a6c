#pragma once
// SIGTERM, SIGINT and SIGHUP close the main window as the operator would, so the
// settings are saved when the session ends or the process is stopped.

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace orl {

class TerminationSignal : public QObject {
public:
    // `onSignal` runs on the event loop's thread, once per signal received.
    explicit TerminationSignal(std::function<void()> onSignal);
    ~TerminationSignal() override;
    TerminationSignal(const TerminationSignal&) = delete;
    TerminationSignal& operator=(const TerminationSignal&) = delete;

private:
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace orl
