#pragma once
// The largest gap between ticks of a 10 ms timer on the event loop of the thread that
// made it. Time spent waiting for a processor that other programs hold is not the loop
// blocking, so it is taken off each gap (largestGap); largestWallGap keeps it.

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <fstream>
#include <functional>
#include <utility>

namespace orl::test {

// Nanoseconds this thread has spent ready to run but waiting for a processor, or -1 when
// the kernel does not keep the figure.
inline long long RunQueueWaitNs() {
    std::ifstream schedstat("/proc/thread-self/schedstat");
    long long running = 0, waiting = -1;
    if (!(schedstat >> running >> waiting))
        return -1;
    return waiting;
}

class Heartbeat {
public:
    // `onTick` runs on every tick (for sampling).
    explicit Heartbeat(std::function<void()> onTick = {}) : onTick_(std::move(onTick)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.start();
    }
    void Stop() { timer_.stop(); }
    int ticks = 0;
    qint64 largestGap = 0;
    qint64 largestWallGap = 0;

private:
    void Tick() {
        const long long waited = RunQueueWaitNs();
        if (ticks++ > 0) {
            const qint64 wall = sinceTick_.elapsed();
            largestWallGap = std::max(largestWallGap, wall);
            const qint64 preempted =
                waited >= 0 && waitedBefore_ >= 0 ? (waited - waitedBefore_) / 1000000 : 0;
            largestGap = std::max(largestGap, wall - preempted);
        }
        waitedBefore_ = waited;
        sinceTick_.restart();
        if (onTick_)
            onTick_();
    }
    QTimer timer_;
    QElapsedTimer sinceTick_;
    long long waitedBefore_ = -1;
    std::function<void()> onTick_;
};

} // namespace orl::test
