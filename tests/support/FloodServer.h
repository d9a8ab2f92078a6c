#pragma once
// A server on 127.0.0.1 (port 0) that, once a panel has connected, sends valid relay reports
// as fast as TCP takes them for a given time, then one poll, and times the panel's answer.
// It runs on a thread of its own with blocking writes, so a panel that reads slower than
// the flood comes is what slows it down.

#include "Bytes.h"
#include "Frames.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>
#include <utility>

namespace orl::test {

class FloodServer {
public:
    // Reports come in blocks of this many; report n sets relay 1 to n modulo 128.
    static constexpr int BlockReports = 128;

    // Floods with `block` (BlockReports messages) over and over instead.
    explicit FloodServer(Bytes block) : FloodServer() { block_ = std::move(block); }

    FloodServer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t length = sizeof address;
        if (listener_ < 0 ||
            ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 1) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
        for (int n = 0; n < BlockReports; ++n) {
            const Bytes report = Frame(0xF7).Hex("28 01 00 00 00").Byte(n).Finish();
            block_.insert(block_.end(), report.begin(), report.end());
        }
    }
    ~FloodServer() {
        stop_ = true;
        if (worker_.joinable())
            worker_.join();
        if (connection_ >= 0)
            ::close(connection_);
        if (listener_ >= 0)
            ::close(listener_);
    }

    int Port() const { return port_; }
    static int ReportBytes() { return 9; }

    // Accepts one panel and floods it for `duration`; the send buffer is kept small, as a
    // server module's own buffering is not the panel's to bound.
    void Start(std::chrono::milliseconds duration) {
        worker_ = std::thread([this, duration] { Run(duration); });
    }

    std::atomic<long long> reportsSent{0};
    std::atomic<int> pollsReceived{0}; // the panel's own polls, read during the flood
    std::atomic<bool> flooding{false};
    std::atomic<bool> done{false};
    std::atomic<long long> answerMs{-1}; // from the poll after the flood to the panel's F4

private:
    void Run(std::chrono::milliseconds duration) {
        pollfd pending{listener_, POLLIN, 0};
        while (!stop_ && ::poll(&pending, 1, 100) == 0) {
        }
        connection_ = stop_ ? -1 : ::accept(listener_, nullptr, nullptr);
        if (connection_ < 0) {
            done = true;
            return;
        }
        const int sendBuffer = 64 * 1024;
        ::setsockopt(connection_, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
        // Blocked writes give up now and then, so that the server can be stopped.
        const timeval patience{0, 200000};
        ::setsockopt(connection_, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
        flooding = true;
        const auto end = std::chrono::steady_clock::now() + duration;
        while (!stop_ && std::chrono::steady_clock::now() < end) {
            if (!SendAll(block_.data(), block_.size()))
                break;
            reportsSent += BlockReports;
            Drain(false);
        }
        flooding = false;
        const std::uint8_t poll = 0xF5;
        const auto asked = std::chrono::steady_clock::now();
        if (SendAll(&poll, 1) && WaitForAnswer(std::chrono::seconds(30)))
            answerMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - asked)
                           .count();
        done = true;
    }

    bool SendAll(const std::uint8_t* data, std::size_t size) {
        while (size > 0 && !stop_) {
            const ssize_t sent = ::send(connection_, data, size, MSG_NOSIGNAL);
            if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                continue;
            if (sent <= 0)
                return false;
            data += sent;
            size -= static_cast<std::size_t>(sent);
        }
        return size == 0;
    }

    // Reads what the panel sent; true once an F4 (its answer to a poll) came.
    bool Drain(bool wait) {
        std::uint8_t buffer[4096];
        pollfd readable{connection_, POLLIN, 0};
        while (::poll(&readable, 1, wait ? 100 : 0) > 0) {
            const ssize_t got = ::recv(connection_, buffer, sizeof buffer, MSG_DONTWAIT);
            if (got <= 0)
                return false;
            for (ssize_t i = 0; i < got; ++i) {
                if (buffer[i] == 0xF5)
                    ++pollsReceived;
                if (buffer[i] == 0xF4)
                    return true;
            }
        }
        return false;
    }

    bool WaitForAnswer(std::chrono::seconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!stop_ && std::chrono::steady_clock::now() < end)
            if (Drain(true))
                return true;
        return false;
    }

    int listener_ = -1;
    int connection_ = -1;
    int port_ = 0;
    Bytes block_;
    std::thread worker_;
    std::atomic<bool> stop_{false};
};

} // namespace orl::test
