#pragma once
// SIGTERM, SIGINT and SIGHUP (the session ending, Ctrl+C, the terminal closing) reach the
// event loop as a call, so a program ends the way it would by its own hand. The handler
// only writes one byte to a socket pair that the loop watches. SIGPIPE is ignored: a
// reader that goes away (a panel, a trace pipe) is an error to handle, not the end.
// One object at a time; its socket pair is not inherited by programs it starts.

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
