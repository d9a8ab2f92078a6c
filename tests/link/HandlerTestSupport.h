#pragma once
// A panel state after ProgramSetup, an error log in a folder of its own, a recording
// window and the handlers under test; frames are written as hex.

#include "Bytes.h"
#include "ErrorLog.h"
#include "Faders.h"
#include "Fakes.h"
#include "Frames.h"
#include "IncomingHandlers.h"
#include "LogEntries.h"
#include "TempFolder.h"
#include "Variables.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace orl::test {

inline std::string SubscriptError(const std::string& message) {
    return message + ": Error #  9 - Subscript out of range";
}

class HandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Made());
        ProgramSetup(v, folder_.Path().string());
        log = std::make_unique<ErrorLog>(v, [] {
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
    }

    std::vector<LogEntry> LogEntries() const { return ReadLogEntries(log->LogPath()); }

    // Gives the panel `count` fader strips, all of them zero.
    void Faders(int count) { test::Faders(v, count); }

    Variables v;
    std::unique_ptr<ErrorLog> log;
    FakeWindow window;
    std::unique_ptr<IncomingHandlers> handlers;

private:
    TempFolder folder_{"orl-handlers"};
};

} // namespace orl::test
