#pragma once
// A panel state after ProgramSetup, an error log in a folder of its own, a recording
// window and the handlers under test; frames are written as hex.

#include "ByteManipulation.h"
#include "Bytes.h"
#include "ErrorLog.h"
#include "Fakes.h"
#include "IncomingHandlers.h"
#include "Variables.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace orl::test {

// The hex text of a frame without checksum and end byte; both are appended.
inline Bytes Framed(const std::string& hex) {
    Bytes frame = HexToBytes(hex);
    frame.push_back(CheckSum(frame, 0));
    frame.push_back(0xFF);
    return frame;
}

// Appends a 14-bit value, low group first.
inline void Append14(Bytes& frame, int value) {
    frame.push_back(static_cast<std::uint8_t>(value & 0x7F));
    frame.push_back(static_cast<std::uint8_t>(value >> 7));
}

// Appends checksum and end byte to a frame built byte by byte.
inline Bytes Finish(Bytes frame) {
    frame.push_back(CheckSum(frame, 0));
    frame.push_back(0xFF);
    return frame;
}

inline std::string SubscriptError(const std::string& message) {
    return message + ": Error #  9 - Subscript out of range";
}

struct LogEntry {
    std::string title;
    std::string message;
    bool operator==(const LogEntry&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const LogEntry& e) {
    return out << "[" << e.title << "] " << e.message;
}

class HandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = std::filesystem::temp_directory_path() /
                  ("orl_handlers_" + std::to_string(::getpid()) + "_" + info->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        ProgramSetup(v, folder_.string());
        log = std::make_unique<ErrorLog>(v.AppPath, [] {
            std::tm t{};
            t.tm_year = 126;
            t.tm_mon = 11;
            t.tm_mday = 7;
            t.tm_hour = 16;
            t.tm_min = 5;
            return t;
        });
        handlers = std::make_unique<IncomingHandlers>(v, *log, window);
    }
    void TearDown() override {
        handlers.reset();
        log.reset();
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    // Entry lines of Errorlog.txt (those that start with the date), split at the title
    // column (25) and the message column (61).
    std::vector<LogEntry> LogEntries() const {
        std::vector<LogEntry> entries;
        std::ifstream in(log->LogPath(), std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.empty() || line[0] < '0' || line[0] > '9' || line.size() < 60)
                continue;
            std::string title = line.substr(24, 36);
            title.erase(title.find_last_not_of(' ') + 1);
            entries.push_back({title, line.substr(60)});
        }
        return entries;
    }

    // Gives the panel `count` fader strips, all of them zero.
    void Faders(int count) {
        v.FaderCount = static_cast<std::int16_t>(count);
        RecreateFaderArrays(v, static_cast<std::size_t>(count));
    }

    Variables v;
    std::unique_ptr<ErrorLog> log;
    FakeWindow window;
    std::unique_ptr<IncomingHandlers> handlers;

private:
    std::filesystem::path folder_;
};

} // namespace orl::test
