#pragma once
// A link on a fake socket and a fake window, with the panel state set up as at load and
// the error log in a temporary folder.

#include "Fakes.h"
#include "TCPComm.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace orl::test {

inline std::filesystem::path MakeTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orl-link-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

// Lines of a CR LF text file, line ends removed.
inline std::vector<std::string> ReadLines(const std::filesystem::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

struct LogEntry {
    std::string title;
    std::string message;
};

class LinkTest : public ::testing::Test {
protected:
    LinkTest() : folder_(MakeTempFolder()), log(v.AppPath, [] { return std::tm{}; }) {
        ProgramSetup(v, folder_.string());
        socket.connected = true;
        v.SocketConnected = true;
    }
    ~LinkTest() override {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    // The entries of the error log (header skipped), split at columns 25 and 61.
    std::vector<LogEntry> LogEntries() const {
        std::vector<LogEntry> entries;
        const auto lines = ReadLines(log.LogPath());
        for (std::size_t i = 11; i < lines.size(); ++i) {
            const std::string& line = lines[i];
            const std::string title = line.size() > 24 ? line.substr(24, 36) : "";
            entries.push_back({title.substr(0, title.find_last_not_of(' ') + 1),
                               line.size() > 60 ? line.substr(60) : ""});
        }
        return entries;
    }
    // The bytes appear in the receive buffer as if the socket had delivered them.
    void Receive(const std::string& hex) { v.ReceiveBuffer.Append(HexToBytes(hex)); }
    std::string BufferHex() const { return BytesToHex(v.ReceiveBuffer.Contents()); }

    std::filesystem::path folder_;
    Variables v;
    ErrorLog log;
    FakeSocket socket;
    FakeWindow window;
    TCPComm link{v, log, socket, window};
};

} // namespace orl::test
