#pragma once
// What every operator test binary sets up once, as a GoogleTest environment: its own X
// server, the simulators, and orl-console on that display; plus the checks the tests make
// of what the switcher received and what the screen shows.

#include "PanelPrograms.h"
#include "XServer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace orl::test {

inline const QString Connected = QStringLiteral("ORL Console - Connected");
// The start-up sequence paces itself by the one-second poll; sanitizer builds are slower.
constexpr int ConnectTimeoutMs = 45000;

class Desk : public ::testing::Environment {
public:
    // The panel's configuration from the simulators' ports; empty for a first start.
    using Configuration = std::function<QStringList(const std::vector<quint16>& ports)>;

    // Starts `simulators` simulators and the panel on a screen of `screen` pixels; with
    // `connect`, waits until the panel shows itself connected.
    Desk(int simulators, Configuration configuration, bool connect,
         QString screen = QStringLiteral("1280x1024"))
        : simulatorCount_(simulators), configuration_(std::move(configuration)), connect_(connect),
          screen_(std::move(screen)) {}

    void SetUp() override {
        x_ = std::make_unique<XServer>(screen_);
        if (!x_->Up())
            return Fail("no X server: " + x_->Error());
        std::vector<quint16> ports;
        for (int k = 0; k < simulatorCount_; ++k) {
            simulators_.push_back(std::make_unique<TracedSimulator>());
            if (simulators_.back()->Port() == 0)
                return Fail("the simulator did not start");
            ports.push_back(simulators_.back()->Port());
        }
        panel_ = std::make_unique<PanelProgram>(*x_, configuration_(ports));
        if (!panel_->Running())
            return Fail("orl-console did not start");
        if (connect_ && x_->WaitForWindow(Connected, ConnectTimeoutMs) == 0)
            return Fail("the panel's title never read \"" + Connected + "\"; " + Report());
    }
    void TearDown() override {
        panel_.reset();
        simulators_.clear();
        x_.reset();
    }

    // The windows on the display, the simulator's trace and the panel's state, for a
    // failure message.
    QString Report() const {
        return "windows:\n" + x_->Titles() + "\nsimulator trace:\n" + simulators_.front()->Tail() +
               "\n" + panel_->Report();
    }
    // Empty when the desk is ready for the operator; else why not.
    QString Failure() const { return failure_; }
    const XServer& X() const { return *x_; }
    TracedSimulator& Simulator(int k = 0) { return *simulators_.at(static_cast<std::size_t>(k)); }
    PanelProgram& Panel() { return *panel_; }

private:
    void Fail(const QString& why) { failure_ = why; }

    int simulatorCount_;
    Configuration configuration_;
    bool connect_;
    QString screen_;
    std::unique_ptr<XServer> x_;
    std::vector<std::unique_ptr<TracedSimulator>> simulators_;
    std::unique_ptr<PanelProgram> panel_;
    QString failure_;
};

// Waits for the panel's connected main window and gives it the keyboard.
inline ::testing::AssertionResult FocusConnectedWindow(Desk& desk, XWindow& window) {
    if (!desk.Failure().isEmpty())
        return ::testing::AssertionFailure() << desk.Failure().toStdString();
    window = desk.X().WaitForWindow(Connected);
    if (window == 0)
        return ::testing::AssertionFailure() << "no window titled " << Connected.toStdString();
    if (!desk.X().Focus(window))
        return ::testing::AssertionFailure() << "the main window did not take the keyboard";
    return ::testing::AssertionSuccess();
}

// The switcher receives a message whose trace contains `text`, from trace line `mark` on.
inline ::testing::AssertionResult Received(TracedSimulator& simulator, const QString& text,
                                           int mark, int timeoutMs = 5000) {
    if (simulator.WaitForLine(text, mark, timeoutMs) >= 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "the switcher never received \"" << text.toStdString() << "\"; trace:\n"
           << simulator.Tail(mark).toStdString();
}

// Most of the inside of `button` shows the colour `rgb` (the tally), within the timeout.
inline ::testing::AssertionResult Shows(const XServer& x, const QRect& button, QRgb rgb,
                                        int timeoutMs = 5000) {
    const QRect inside = button.adjusted(4, 4, -4, -4); // clear of the border
    double share = 0;
    WaitUntil(
        [&] {
            share = ColourShare(x.Screenshot(), inside, rgb);
            return share > 0.5;
        },
        timeoutMs);
    if (share > 0.5)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "only " << share << " of the button shows #"
                                         << QString::number(rgb & 0xFFFFFF, 16).toStdString();
}

} // namespace orl::test
