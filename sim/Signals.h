#pragma once
// Turns SIGTERM and SIGINT into a clean quit of the event loop: the handler only writes
// a byte to a socket pair, and the loop reads it.

#include <QObject>

class QSocketNotifier;

namespace orl::sim {

class SignalWatcher : public QObject {
public:
    SignalWatcher();
    ~SignalWatcher() override;

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace orl::sim
