#include "LinkTrace.h"

#include "Describe.h"

#include <cstdio>

Q_LOGGING_CATEGORY(orlLink, "orl.link", QtWarningMsg)

namespace orl {

LinkTrace::LinkTrace(int fd, Clock::time_point start)
    : writer_(fd >= 0 ? std::make_unique<LineWriter>(fd) : nullptr), start_(start) {}

void LinkTrace::Sent(const Bytes& message) {
    Line("->", wire::HexExcerpt(message), wire::DescribeFrame(message));
}

void LinkTrace::Received(const std::uint8_t* message, std::size_t length) {
    const Bytes frame(message, message + length);
    Line("<-", wire::HexExcerpt(frame), wire::DescribeFrame(frame));
}

void LinkTrace::Dropped(const std::uint8_t* bytes, std::size_t stray, std::size_t brokenOff) {
    const std::size_t count = stray + brokenOff;
    std::string why = std::to_string(count) + " bytes dropped: ";
    if (bytes == nullptr)
        why += "a frame longer than any table, which never ended";
    else if (brokenOff == 0)
        why += "data bytes before any command byte";
    else if (stray == 0)
        why += "a frame broken off by the next command byte";
    else
        why += std::to_string(stray) + " data bytes before any command byte, then " +
               std::to_string(brokenOff) + " of a frame broken off by the next command byte";
    Line("<-",
         bytes != nullptr ? wire::HexExcerpt(Bytes(bytes, bytes + count))
                          : "(" + std::to_string(count) + " bytes)",
         why);
}

void LinkTrace::Event(const std::string& text) {
    Line("--", text, {});
}

void LinkTrace::Surface(bool received, const std::string& text) {
    Line(received ? "<-" : "->", "OSC", text);
}

void LinkTrace::Line(const char* direction, const std::string& hex,
                     const std::string& meaning) noexcept {
    try {
        const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%.3f ", seconds);
        std::string line = stamp + std::string(direction) + " " + hex;
        if (!meaning.empty())
            line += "  " + meaning;
        if (writer_)
            writer_->Write(line);
        if (orlLink().isDebugEnabled())
            qCDebug(orlLink).noquote()
                << QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
    } catch (...) {
        // A trace line that cannot be made is not worth disturbing the link for.
    }
}

} // namespace orl
