#include "OscSurface.h"

#include "ErrorLog.h"
#include "FaderStrip.h"
#include "Variables.h"
#include "frmMain.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace orl {

using surface::Command;
using surface::Control;
using surface::FeedbackItem;
using surface::FeedbackValue;

// The surface's travel is the window slider's.
static_assert(FaderStrip::SliderTop == -surface::TravelTop);
static_assert(FaderStrip::SliderBottom == -surface::TravelBottom);

namespace {

constexpr int DatagramsPerPass = 64; // then the window has its turn
constexpr int ForgetCheckMs = 5000;
constexpr int UserButtonCount = 8;
constexpr int OffPosition = 24;
constexpr int LowestSentPosition = 225;

std::string Number(int index) {
    return std::to_string(index + 1);
}

std::string StripAddress(int strip, const char* control) {
    return "/strip/" + Number(strip) + "/" + control;
}

std::string SenderText(const QHostAddress& address, quint16 port) {
    return address.toString().toStdString() + ":" + std::to_string(port);
}

bool IsStripControl(Control c) {
    return c != Control::Button && c != Control::Subscribe && c != Control::Unsubscribe &&
           c != Control::Lock;
}

// Controls whose sender is remembered: its subscription, a held press or a moving fader.
bool NeedsSender(Control c) {
    return c == Control::Subscribe || c == Control::Ifb || c == Control::Button ||
           c == Control::Gain || c == Control::Fader;
}

// The name a strip's source shows, in UTF-8 without its trailing blanks; "Undefined" for none.
std::string SourceName(const Variables& v, int strip) {
    const std::int16_t source = v.FaderSource[strip];
    if (source < 1 || source == None || !v.InputNames.Contains(source - 1))
        return "Undefined";
    const std::string& name = v.InputNames[source - 1];
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()))
        .trimmed()
        .toUtf8()
        .toStdString();
}

} // namespace

OscSurface::OscSurface(frmMain& window, const Variables& v, ErrorLog& log)
    : window_(window), v_(v), log_(log) {
    flushTimer_.setSingleShot(true);
    connect(&flushTimer_, &QTimer::timeout, this, [this] { Flush(); });
    forgetTimer_.setInterval(ForgetCheckMs);
    connect(&forgetTimer_, &QTimer::timeout, this, [this] { ForgetSilentSenders(); });
    connect(&window_, &frmMain::stateShown, this, [this] { StateShown(); });
    connect(&window_, &frmMain::unloading, this, [this] { EndPresses(nullptr); });
    lastFlush_.start();
}

OscSurface::~OscSurface() {
    disconnect(&window_, nullptr, this, nullptr);
}

bool OscSurface::Listen(const QHostAddress& address, quint16 port, QString& error) {
    if (!socket_.Open(address, port, error))
        return false;
    readable_ = std::make_unique<QSocketNotifier>(socket_.Descriptor(), QSocketNotifier::Read);
    connect(readable_.get(), &QSocketNotifier::activated, this, [this] { ReadDatagrams(); });
    return true;
}

// ---- Messages in ------------------------------------------------------------------------

// A flood waits its turn behind the window's own events: the notifier calls again on the
// next pass of the event loop while datagrams wait, and the kernel drops what does not fit.
void OscSurface::ReadDatagrams() {
    QByteArray datagram;
    QHostAddress from;
    quint16 port = 0;
    for (int n = 0; n < DatagramsPerPass && socket_.Receive(datagram, from, port); ++n) {
        try {
            Handle(datagram, from, port);
        } catch (...) {
            try {
                log_.ReportError("Unexpected Error", "Program Error");
            } catch (...) {
                // the log could not take it either; the surface goes on regardless
            }
        }
    }
}

void OscSurface::Handle(const QByteArray& datagram, const QHostAddress& from, quint16 port) {
    const surface::Reading reading =
        surface::ReadDatagram(reinterpret_cast<const std::uint8_t*>(datagram.constData()),
                              static_cast<std::size_t>(datagram.size()));
    std::string shown = reading.address.empty() ? "(" + std::to_string(datagram.size()) + " bytes)"
                                                : reading.address;
    if (!reading.arguments.empty())
        shown += " " + reading.arguments;
    shown += " from " + SenderText(from, port);
    if (Sender* sender = Find(from))
        sender->heard.start();
    if (!reading.command) {
        Ignore(shown + ": " + reading.problem);
        return;
    }
    const Command& command = *reading.command;
    if (IsStripControl(command.control) && command.index >= window_.StripCount()) {
        Ignore(shown + ": no strip " + Number(command.index));
        return;
    }
    if (command.control == Control::Source && command.value > v_.InputCount) {
        Ignore(shown + ": no input " + std::to_string(static_cast<int>(command.value)));
        return;
    }
    if (command.control == Control::Button && command.index >= UserButtonCount) {
        Ignore(shown + ": no user button " + Number(command.index));
        return;
    }
    const bool subscription =
        command.control == Control::Subscribe || command.control == Control::Unsubscribe;
    if ((NeedsSender(command.control) || subscription) && Find(from) == nullptr &&
        Remember(from) == nullptr) {
        Ignore(shown + ": " + std::to_string(MaxSenders) + " computers are heard already");
        return;
    }
    Trace(true, shown + (subscription ? std::string() : Refusal()));
    const quint16 receiver = command.value > 0 ? static_cast<quint16>(command.value) : port;
    if (command.control == Control::Subscribe)
        Subscribe(from, receiver);
    else if (command.control == Control::Unsubscribe)
        Unsubscribe(from, receiver);
    else
        Act(from, command);
}

// What the trace adds to a message that cannot act.
std::string OscSurface::Refusal() const {
    if (window_.Locked())
        return " (panel locked)";
    if (window_.PressesRefused())
        return " (no live link)";
    return {};
}

void OscSurface::Act(const QHostAddress& from, const Command& command) {
    const int i = command.index;
    switch (command.control) {
    case Control::On:
    case Control::Off:
    case Control::Pgm:
    case Control::Offln:
    case Control::Cue:
        if (!command.pressed)
            return; // the release of a click
        if (command.control == Control::On)
            window_.cmdOn_Click(i);
        else if (command.control == Control::Off)
            window_.cmdOff_Click(i);
        else if (command.control == Control::Pgm)
            window_.cmdBtn1_Click(i);
        else if (command.control == Control::Offln)
            window_.cmdBtn2_Click(i);
        else
            window_.cmdBtn3_Click(i);
        return;
    case Control::Ifb:
        // One press, one release: a second press or a release without a press is nothing.
        // A press the window holds already (the mouse's) is the window's to end.
        if (command.pressed) {
            if (heldIfb_.contains(i) || v_.FaderIFBHeld[i] != None)
                return;
            window_.cmdBtn4_MouseDown(i);
            if (v_.FaderIFBHeld[i] != None) // it reached the switcher
                heldIfb_.emplace(i, from);
        } else if (heldIfb_.erase(i) != 0) {
            window_.cmdBtn4_MouseUp(i);
        }
        return;
    case Control::Button:
        if (command.pressed) {
            if (heldButtons_.contains(i) || window_.PressesRefused())
                return;
            heldButtons_.emplace(i, from);
            window_.cmdUserButton_MouseDown(i);
        } else if (heldButtons_.erase(i) != 0) {
            // Let go over the button: the click, then the release, as the mouse makes them.
            window_.cmdUserButton_Click(i);
            window_.cmdUserButton_MouseUp(i);
        }
        return;
    case Control::Gain:
    case Control::Fader:
        if (Sender* sender = Find(from))
            MoveFader(*sender, command);
        return;
    case Control::Source:
        window_.ChooseSource(i, static_cast<int>(command.value));
        return;
    case Control::Lock:
        window_.SetLocked(command.pressed);
        return;
    case Control::Subscribe:
    case Control::Unsubscribe:
        return; // handled by Handle
    }
}

void OscSurface::MoveFader(Sender& sender, const Command& command) {
    const int i = command.index;
    sender.faderMoved[i].start();
    const int wanted = command.control == Control::Gain ? surface::PositionOfDb(command.value)
                                                        : surface::PositionOfFader(command.value);
    surface::GainPickup& pickup = sender.pickups[i];
    if (!pickup.Offer(v_.FaderGain[i], wanted)) {
        char at[48];
        std::snprintf(at, sizeof at, "%.1f dB", surface::DbOfPosition(v_.FaderGain[i]));
        Trace(true, "not picked up: strip " + Number(i) + " is at " + at);
        return;
    }
    const int sent = wanted < LowestSentPosition ? OffPosition : wanted;
    if (v_.FaderGain[i] != sent)
        window_.MoveGain(i, wanted);
    if (v_.FaderGain[i] == sent)
        pickup.Took(sent);
}

void OscSurface::Subscribe(const QHostAddress& address, quint16 port) {
    auto it = std::find_if(subscribers_.begin(), subscribers_.end(), [&](const Subscriber& s) {
        return s.port == port && s.address.isEqual(address);
    });
    if (it == subscribers_.end()) {
        if (static_cast<int>(subscribers_.size()) >= MaxSenders) {
            Ignore("/subscribe from " + SenderText(address, port) + ": " +
                   std::to_string(MaxSenders) + " subscribers already");
            return;
        }
        subscribers_.push_back({address, port, {}});
        it = subscribers_.end() - 1;
    }
    it->told.clear(); // the whole state, at once
    Tell(*it, State());
}

void OscSurface::Unsubscribe(const QHostAddress& address, quint16 port) {
    std::erase_if(subscribers_, [&](const Subscriber& s) {
        return s.port == port && s.address.isEqual(address);
    });
}

OscSurface::Sender* OscSurface::Find(const QHostAddress& address) {
    for (Sender& s : senders_)
        if (s.address.isEqual(address))
            return &s;
    return nullptr;
}

OscSurface::Sender* OscSurface::Remember(const QHostAddress& address) {
    if (static_cast<int>(senders_.size()) >= MaxSenders)
        ForgetSilentSenders();
    if (static_cast<int>(senders_.size()) >= MaxSenders)
        return nullptr;
    Sender& s = senders_.emplace_back();
    s.address = address;
    s.heard.start();
    if (!forgetTimer_.isActive())
        forgetTimer_.start();
    return &s;
}

// A computer silent for ForgetAfterMs is forgotten with its subscriptions, and the
// presses it holds end.
void OscSurface::ForgetSilentSenders() {
    for (std::size_t k = senders_.size(); k-- > 0;) {
        if (!senders_[k].heard.hasExpired(ForgetAfterMs))
            continue;
        const QHostAddress address = senders_[k].address;
        Trace(true, "forgotten after 60 s of silence: " + address.toString().toStdString());
        senders_.erase(senders_.begin() + static_cast<std::ptrdiff_t>(k));
        std::erase_if(subscribers_,
                      [&](const Subscriber& s) { return s.address.isEqual(address); });
        EndPresses(&address);
    }
    if (senders_.empty())
        forgetTimer_.stop();
}

void OscSurface::EndPresses(const QHostAddress* address) {
    const auto ending = [address](const auto& held) {
        return address == nullptr || held.second.isEqual(*address);
    };
    for (auto it = heldIfb_.begin(); it != heldIfb_.end();) {
        if (!ending(*it)) {
            ++it;
            continue;
        }
        const int i = it->first;
        it = heldIfb_.erase(it);
        if (i < window_.StripCount())
            window_.cmdBtn4_MouseUp(i);
    }
    for (auto it = heldButtons_.begin(); it != heldButtons_.end();) {
        if (!ending(*it)) {
            ++it;
            continue;
        }
        const int k = it->first;
        it = heldButtons_.erase(it);
        window_.cmdUserButton_MouseUp(k);
    }
}

void OscSurface::Ignore(const std::string& what) {
    ++ignored_;
    Trace(true, "ignored (" + std::to_string(ignored_) + " so far): " + what);
}

void OscSurface::Trace(bool received, const std::string& text) const {
    if (trace_)
        trace_(received, text);
}

// ---- Feedback out -----------------------------------------------------------------------

std::vector<OscSurface::Shown> OscSurface::State() const {
    std::vector<Shown> state;
    const LinkState link = window_.Link().CurrentLinkState();
    state.push_back({{"/link", std::string(link == LinkState::Live     ? "live"
                                           : link == LinkState::Silent ? "silent"
                                                                       : "down")}});
    state.push_back({{"/lock", window_.Locked() ? 1 : 0}});
    const int strips = std::min<int>(window_.StripCount(), v_.FaderCount);
    for (int i = 0; i < strips; ++i) {
        const bool on = v_.FaderOnState[i] == 1;
        state.push_back({{StripAddress(i, "on"), on ? 1 : 0}});
        state.push_back({{StripAddress(i, "off"), on ? 0 : 1}});
        state.push_back({{StripAddress(i, "pgm"), v_.FaderOnProgram[i] ? 1 : 0}});
        state.push_back({{StripAddress(i, "offln"), v_.FaderOnOffline[i] ? 1 : 0}});
        state.push_back({{StripAddress(i, "cue"), v_.FaderOnCue[i] ? 1 : 0}});
        const int gain = v_.FaderGain[i];
        state.push_back(
            {{StripAddress(i, "gain"), static_cast<float>(surface::DbOfPosition(gain))}, i});
        state.push_back(
            {{StripAddress(i, "fader"), static_cast<float>(surface::FaderOfPosition(gain))}, i});
        state.push_back({{StripAddress(i, "source"), SourceName(v_, i)}});
    }
    for (int k = 0; k < UserButtonCount; ++k)
        state.push_back({{"/button/" + Number(k), window_.UserButtonLit(k) ? 1 : 0}});
    return state;
}

void OscSurface::StateShown() {
    if (SubscriberCount() == 0)
        return;
    RequestFlush(std::max<int>(0, FeedbackIntervalMs - static_cast<int>(lastFlush_.elapsed())));
}

void OscSurface::RequestFlush(int delayMs) {
    if (!flushTimer_.isActive() || flushTimer_.remainingTime() > delayMs)
        flushTimer_.start(delayMs);
}

void OscSurface::Flush() {
    lastFlush_.start();
    if (subscribers_.empty())
        return;
    const std::vector<Shown> state = State();
    int next = -1;
    for (Subscriber& s : subscribers_) {
        const int wait = Tell(s, state);
        if (wait >= 0)
            next = next < 0 ? wait : std::min(next, wait);
    }
    if (next >= 0)
        RequestFlush(std::max(next, FeedbackIntervalMs));
}

const OscSurface::Sender* OscSurface::SenderOf(const Subscriber& subscriber) const {
    for (const Sender& s : senders_)
        if (s.address.isEqual(subscriber.address))
            return &s;
    return nullptr;
}

int OscSurface::Tell(Subscriber& subscriber, const std::vector<Shown>& state) {
    const Sender* sender = SenderOf(subscriber);
    int wait = -1;
    for (const Shown& shown : state) {
        const FeedbackItem& item = shown.item;
        const auto told = subscriber.told.find(item.address);
        if (told != subscriber.told.end() && told->second == item.value)
            continue;
        if (shown.gainStrip >= 0 && sender != nullptr) {
            // The surface's own fader is moving: the switcher's value waits until it rests.
            const auto moved = sender->faderMoved.find(shown.gainStrip);
            if (moved != sender->faderMoved.end() && !moved->second.hasExpired(HoldBackMs)) {
                const int left = HoldBackMs - static_cast<int>(moved->second.elapsed());
                wait = wait < 0 ? left : std::min(wait, left);
                continue;
            }
        }
        const std::vector<std::uint8_t> datagram = surface::FeedbackDatagram(item);
        const bool written =
            !datagram.empty() && socket_.Send(datagram, subscriber.address, subscriber.port);
        if (!written) {
            // The socket's buffer is full: the latest value goes with the next flush.
            wait = wait < 0 ? FeedbackIntervalMs : std::min(wait, FeedbackIntervalMs);
            continue;
        }
        subscriber.told[item.address] = item.value;
        Trace(false, item.address + " " + surface::FeedbackText(item.value) + " to " +
                         SenderText(subscriber.address, subscriber.port));
    }
    return wait;
}

} // namespace orl
