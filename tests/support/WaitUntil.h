#pragma once
// Waiting in a test: the Qt event loop runs (sockets, timers, child processes) until a
// condition holds or a deadline passes.

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

namespace orl::test {

// Runs the event loop, `sliceMs` at a time, until `done` is true or `timeoutMs` passes;
// returns done().
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000, int sliceMs = 10) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, sliceMs);
    }
    return true;
}

} // namespace orl::test
