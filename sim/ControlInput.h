#pragma once
// Reads the simulator's control lines from stdin without blocking the event loop and
// hands each complete line on. Stops quietly at the end of the input.

#include <QObject>

#include <functional>
#include <string>

class QSocketNotifier;

namespace orl::sim {

class ControlInput : public QObject {
public:
    explicit ControlInput(std::function<void(const std::string&)> onLine);

private:
    void ReadAvailable();

    std::function<void(const std::string&)> onLine_;
    QSocketNotifier* notifier_ = nullptr;
    std::string pending_;
};

} // namespace orl::sim
