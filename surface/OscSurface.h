#pragma once
// The OSC control surface: one more view of the panel state beside the strips, and one
// more input through the window's press procedures and the rules they keep. Datagrams
// come and go on one UDP socket watched by the event loop; liblo reads and writes the
// messages.

#include "Feedback.h"
#include "GainPickup.h"
#include "SurfaceCommand.h"
#include "UdpPort.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace orl {

class ErrorLog;
class frmMain;
struct Variables;

class OscSurface : public QObject {
public:
    // A trace line: `received` true for a message that came in (or was ignored).
    using TraceLine = std::function<void(bool received, const std::string& text)>;

    static constexpr int ForgetAfterMs = 60000;   // a sender silent this long is forgotten
    static constexpr int FeedbackIntervalMs = 20; // at most 50 updates a second per control
    static constexpr int HoldBackMs = 500;        // a moving surface fader is not fought
    static constexpr int MaxSenders = 32;         // computers (and subscribers) remembered at once

    OscSurface(frmMain& window, const Variables& v, ErrorLog& log);
    ~OscSurface() override;
    OscSurface(const OscSurface&) = delete;
    OscSurface& operator=(const OscSurface&) = delete;

    // Listens on `address`:`port` (0: any free port); false with the system's reason.
    bool Listen(const QHostAddress& address, quint16 port, QString& error);
    quint16 Port() const { return socket_.LocalPort(); }
    void SetTrace(TraceLine trace) { trace_ = std::move(trace); }
    long long IgnoredCount() const { return ignored_; }
    int SubscriberCount() const { return static_cast<int>(subscribers_.size()); }

private:
    // A computer that sends: its fader state. Its messages may come from any port.
    struct Sender {
        QHostAddress address;
        QElapsedTimer heard;                        // since its last message
        std::map<int, surface::GainPickup> pickups; // by strip
        std::map<int, QElapsedTimer> faderMoved;    // by strip: its last gain or fader value
    };
    // Where the panel's state goes: an address and port, and what it was told last.
    struct Subscriber {
        QHostAddress address;
        quint16 port = 0;
        std::map<std::string, surface::FeedbackValue> told;
    };
    // One control as the panel shows it; `gainStrip` marks a strip's gain and fader.
    struct Shown {
        surface::FeedbackItem item;
        int gainStrip = -1;
    };

    void ReadDatagrams();
    void Handle(const QByteArray& datagram, const QHostAddress& from, quint16 port);
    void Act(const QHostAddress& from, const surface::Command& command);
    void MoveFader(Sender& sender, const surface::Command& command);
    Sender* Find(const QHostAddress& address);
    Sender* Remember(const QHostAddress& address);
    void Subscribe(const QHostAddress& address, quint16 port);
    void Unsubscribe(const QHostAddress& address, quint16 port);
    void ForgetSilentSenders();
    // Ends the presses held from `address` (every press when null), each with its release.
    void EndPresses(const QHostAddress* address);
    void Ignore(const std::string& what);
    void Trace(bool received, const std::string& text) const;
    std::string Refusal() const;

    std::vector<Shown> State() const;
    void StateShown();
    void RequestFlush(int delayMs);
    void Flush();
    // Tells `subscriber` what changed since it was last told; the milliseconds until a
    // held-back gain may go, -1 when none waits.
    int Tell(Subscriber& subscriber, const std::vector<Shown>& state);
    const Sender* SenderOf(const Subscriber& subscriber) const;

    frmMain& window_;
    const Variables& v_;
    ErrorLog& log_;
    UdpPort socket_;
    std::unique_ptr<QSocketNotifier> readable_;
    std::vector<Sender> senders_;
    std::vector<Subscriber> subscribers_;
    std::map<int, QHostAddress> heldIfb_;     // strip: the computer that holds its IFB
    std::map<int, QHostAddress> heldButtons_; // user button: the computer that holds it
    QTimer flushTimer_;
    QTimer forgetTimer_;
    QElapsedTimer lastFlush_;
    TraceLine trace_;
    long long ignored_ = 0;
};

} // namespace orl
