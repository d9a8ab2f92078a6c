#include "Configuration.h"

#include "OrlError.h"
#include "Values.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

namespace orl {

namespace {

namespace fs = std::filesystem;

const char* const LineEnd = "\r\n";

// The file's items, read as comma-separated fields: leading spaces skipped; an item
// that begins with a double quote runs to the next double quote on its line (quotes
// dropped, and whatever follows up to the next comma or line end is discarded), or to
// the line end when the line holds no closing quote, so that a stray quote never takes
// the lines after it; any other item ends at the first comma or line end. CR LF, LF and
// CR all end a line.
std::vector<std::string> SplitItems(const std::string& text) {
    std::vector<std::string> items;
    const std::size_t size = text.size();
    std::size_t p = 0;
    const auto isEnd = [&](std::size_t i) {
        return text[i] == ',' || text[i] == '\r' || text[i] == '\n';
    };
    const auto skipDelimiter = [&]() {
        if (p >= size)
            return;
        if (text[p] == '\r') {
            ++p;
            if (p < size && text[p] == '\n')
                ++p;
        } else {
            ++p; // ',' or '\n'
        }
    };
    while (p < size) {
        while (p < size && text[p] == ' ')
            ++p;
        std::string item;
        if (p < size && text[p] == '"') {
            const std::size_t lineEnd = std::min(text.find_first_of("\r\n", p + 1), size);
            const std::size_t close = std::min(text.find('"', p + 1), lineEnd);
            item = text.substr(p + 1, close - p - 1);
            p = close < lineEnd ? close + 1 : lineEnd;
            while (p < size && !isEnd(p))
                ++p;
        } else {
            const std::size_t start = p;
            while (p < size && !isEnd(p))
                ++p;
            item = text.substr(start, p - start);
        }
        skipDelimiter();
        items.push_back(std::move(item));
    }
    return items;
}

// Up to `length` characters from the 1-based `position`; empty past the end.
std::string Mid(const std::string& text, std::size_t position, std::size_t length) {
    if (position - 1 >= text.size())
        return {};
    return text.substr(position - 1, length);
}

bool StartsWith(const std::string& text, std::string_view key) {
    return std::string_view(text).starts_with(key);
}

std::int16_t NotNegative(std::int16_t value) {
    return value < 0 ? std::int16_t{0} : value;
}

std::int16_t Limited(std::int16_t value, std::int16_t low, std::int16_t high) {
    return value < low ? low : (value > high ? high : value);
}

// "Device ID 12=345": the fader number stands at `numberPosition`, one digit when an "="
// follows it, else two; the value starts right after the "=".
void ApplyFaderValue(Table<std::int16_t>& table, const std::string& item,
                     std::size_t numberPosition) {
    const bool oneDigit = Mid(item, numberPosition + 1, 1) == "=";
    const std::int16_t fader = IntegerOfText(Mid(item, numberPosition, oneDigit ? 1 : 2));
    const std::int16_t value =
        NotNegative(IntegerOfText(Mid(item, numberPosition + (oneDigit ? 2 : 3), 5)));
    table[static_cast<long long>(fader) - 1] = value;
}

void ApplyButton(Variables& v, const std::string& item) {
    for (int b = 1; b <= 8; ++b) {
        const std::string prefix = "Button" + std::to_string(b);
        UserButtonRecord& button = v.UserButtons[static_cast<std::size_t>(b - 1)];
        if (StartsWith(item, prefix + "_Type")) {
            const std::int16_t type = IntegerOfText(Mid(item, 14, 15));
            button.ButtonType =
                type < LowestUserButtonType ? TypeCode(UserButtonType::Undefined) : type;
            return;
        }
        if (StartsWith(item, prefix + "_Label")) {
            button.Label = Mid(item, 15, 15);
            return;
        }
        if (StartsWith(item, prefix + "_Channel1")) {
            const std::int16_t channel = IntegerOfText(Mid(item, 18, 15));
            button.Channel1 = channel < 0 ? None : channel;
            return;
        }
        if (StartsWith(item, prefix + "_Channel2")) {
            const std::int16_t channel = IntegerOfText(Mid(item, 18, 15));
            button.Channel2 = channel < 0 ? None : channel;
            return;
        }
    }
}

// Applies one item; `passwordItem` keeps the last "Password" item, unscrambled at the end.
void ApplyItem(Variables& v, const std::string& item, std::optional<std::string>& passwordItem) {
    if (StartsWith(item, "IP Address")) {
        v.IPAddress = Mid(item, 12, 25);
        if (v.IPAddress.empty())
            v.IPAddress = "127.0.0.1";
    } else if (StartsWith(item, "IP Port")) {
        const std::int32_t port = LongOfText(Mid(item, 9, 5));
        v.IPPort = port <= 0 ? 1250 : port;
    } else if (StartsWith(item, "Fader Count")) {
        v.FaderCount = Limited(IntegerOfText(Mid(item, 13, 5)), 1, MaxFaders);
        RecreateFaderArrays(v, static_cast<std::size_t>(v.FaderCount));
    } else if (StartsWith(item, "Panel Mode")) {
        v.PanelMode = IntegerOfText(Mid(item, 12, 1));
    } else if (StartsWith(item, "Console")) {
        v.ConsoleNumber = NotNegative(IntegerOfText(Mid(item, 9, 5)));
    } else if (StartsWith(item, "Program Bus")) {
        v.ProgramBus = NotNegative(IntegerOfText(Mid(item, 13, 5)));
    } else if (StartsWith(item, "OffLine Bus")) {
        v.OfflineBus = NotNegative(IntegerOfText(Mid(item, 13, 5)));
    } else if (StartsWith(item, "Cue Bus")) {
        v.CueBus = NotNegative(IntegerOfText(Mid(item, 9, 5)));
    } else if (StartsWith(item, "IFB Source")) {
        v.IFBSource = NotNegative(IntegerOfText(Mid(item, 12, 5)));
    } else if (StartsWith(item, "Input ")) {
        ApplyFaderValue(v.FaderDeviceID, item, 7);
    } else if (StartsWith(item, "Device ID ")) {
        ApplyFaderValue(v.FaderDeviceID, item, 11);
    } else if (StartsWith(item, "Source ")) {
        ApplyFaderValue(v.FaderSource, item, 8);
    } else if (StartsWith(item, "Stay On Top")) {
        v.StayOnTopMode = Mid(item, 13, 5) == "Yes" ? StayOnTop : NotOnTop;
    } else if (StartsWith(item, "Enable Source Select")) {
        v.EnableSourceSelect = Mid(item, 22, 5) == "Yes";
    } else if (StartsWith(item, "Display Button Panel")) {
        v.DisplayButtonPanel = Mid(item, 22, 5) == "Yes";
    } else if (StartsWith(item, "Button")) {
        ApplyButton(v, item);
    } else if (StartsWith(item, "Refresh Rate")) {
        v.RefreshRate = Limited(IntegerOfText(Mid(item, 14, 5)), 1, 32500);
    } else if (StartsWith(item, "Time Out")) {
        v.TimeOut = Limited(IntegerOfText(Mid(item, 10, 5)), 1, 3600);
    } else if (StartsWith(item, "User Name")) {
        v.UserName = Mid(item, 11, 5);
    } else if (StartsWith(item, "Password")) {
        passwordItem = item;
    }
}

// Character i (from 1) of the password is stored with its 8-bit code raised by i.
std::string Scramble(const std::string& text, int direction) {
    std::string result = text;
    for (std::size_t i = 0; i < result.size(); ++i) {
        const int code =
            static_cast<unsigned char>(result[i]) + direction * static_cast<int>(i + 1);
        if (code < 0 || code > 255)
            ThrowInvalidCall();
        result[i] = static_cast<char>(static_cast<unsigned char>(code));
    }
    return result;
}

std::string ReadFileBytes(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec))
        ThrowFileAccess();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        ThrowFileAccess();
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        ThrowFileAccess();
    return text;
}

// The file that failed to load is copied aside whole before anything replaces it; a
// file the operator has removed meanwhile leaves nothing to keep.
void KeepUnreadFile(const std::string& path, const std::string& backup) {
    std::error_code ec;
    if (!fs::exists(path, ec))
        return;
    fs::copy_file(path, backup, fs::copy_options::overwrite_existing, ec);
    if (ec)
        ThrowFileAccess();
}

// The whole text, or false; a write cut short by a signal goes on.
bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Creates "orlntpnl.ini.tmp.<process>.<n>", a name no other write uses: not this
// process's earlier ones, nor another panel's on this folder (a name taken on a shared
// disk is skipped). Its path in `path`; -1 when none can be made.
int CreateTemporaryFile(const std::string& folder, std::string& path) {
    static unsigned long written = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = folder + ConfigurationTemporaryFileName + "." + std::to_string(::getpid()) + "." +
               std::to_string(++written);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            if (fd < 0)
                path.clear();
            return fd;
        }
    }
    path.clear();
    return -1;
}

// The rename itself reaches the disk only with its folder; failing that is not fatal,
// the file is in place either way.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    [[maybe_unused]] const int synced = ::fsync(fd);
    ::close(fd);
}

std::string YesNo(bool yes) {
    return yes ? "Yes" : "No";
}

std::string ComposeConfiguration(const Variables& v) {
    std::string out;
    const auto line = [&out](const std::string& text) { out += text + LineEnd; };
    const auto number = [](long long value) { return std::to_string(value); };
    line("[CONFIGURATION]");
    line("SETUP");
    line("IP Address=" + v.IPAddress);
    line("IP Port=" + number(v.IPPort));
    line("CONFIG");
    line("Program Bus=" + number(v.ProgramBus));
    line("OffLine Bus=" + number(v.OfflineBus));
    line("Cue Bus=" + number(v.CueBus));
    line("IFB Source=" + number(v.IFBSource));
    line("Console=" + number(v.ConsoleNumber));
    line("Fader Count=" + number(v.FaderCount));
    for (long long n = 1; n <= v.FaderCount; ++n) {
        line("Device ID " + number(n) + "=" + number(v.FaderDeviceID[n - 1]));
        line("Source " + number(n) + "=" + number(v.FaderSource[n - 1]));
    }
    line("Panel Mode=" + number(v.PanelMode));
    line("Stay On Top=" + YesNo(v.StayOnTopMode == StayOnTop));
    line("Enable Source Select=" + YesNo(v.EnableSourceSelect));
    line("Display Button Panel=" + YesNo(v.DisplayButtonPanel));
    for (std::size_t b = 1; b <= v.UserButtons.size(); ++b) {
        const UserButtonRecord& button = v.UserButtons[b - 1];
        const std::string prefix = "Button" + std::to_string(b);
        line(prefix + "_Type=" + number(button.ButtonType));
        line(prefix + "_Label=" + button.Label);
        line(prefix + "_Channel1=" + number(button.Channel1));
        line(prefix + "_Channel2=" + number(button.Channel2));
    }
    line("Refresh Rate=" + number(v.RefreshRate));
    line("Time Out=" + number(v.TimeOut));
    line("SECURITY");
    line("User Name=" + v.UserName);
    line("Password=" + Scramble(v.Password, +1));
    return out;
}

// The process number of "orlntpnl.ini.tmp.<process>.<n>", or 0 for any other name.
long TemporaryFileProcess(const std::string& name) {
    const std::string prefix = std::string(ConfigurationTemporaryFileName) + ".";
    if (name.compare(0, prefix.size(), prefix) != 0)
        return 0;
    const std::string rest = name.substr(prefix.size());
    const std::size_t dot = rest.find('.');
    const auto digits = [](std::string_view text) {
        return !text.empty() && text.size() <= 9 &&
               std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (dot == std::string::npos || !digits(std::string_view(rest).substr(0, dot)) ||
        !digits(std::string_view(rest).substr(dot + 1)))
        return 0;
    return std::stol(rest.substr(0, dot));
}

} // namespace

void RemoveStaleTemporaryFiles(const std::string& folder) {
    std::error_code ec;
    const auto now = fs::file_time_type::clock::now();
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const long process = TemporaryFileProcess(it->path().filename().string());
        if (process <= 0 || process == ::getpid())
            continue;
        // Only a save that cannot finish any more: its process is gone, and the file is
        // older than any save takes (a panel on another computer sharing the folder may
        // run under the same number).
        const bool gone = ::kill(static_cast<pid_t>(process), 0) != 0 && errno == ESRCH;
        std::error_code timeError;
        const auto written = it->last_write_time(timeError);
        if (gone && !timeError && now - written > StaleTemporaryAge && it->is_regular_file(ec))
            fs::remove(it->path(), ec);
        ec.clear();
    }
}

bool ReadConfiguration(Variables& v) {
    RemoveStaleTemporaryFiles(v.AppPath);
    const std::string path = v.AppPath + ConfigurationFileName;
    std::error_code ec;
    if (!fs::exists(path, ec))
        return false;
    std::vector<std::string> items;
    std::optional<std::string> passwordItem;
    const std::string* current = nullptr; // into items or passwordItem, which outlive the catch
    try {
        items = SplitItems(ReadFileBytes(path));
        for (const std::string& item : items) {
            current = &item;
            ApplyItem(v, item, passwordItem);
        }
        current = passwordItem ? &*passwordItem : nullptr;
        v.Password = passwordItem ? Scramble(Mid(*passwordItem, 10, 5), -1) : std::string();
    } catch (...) {
        // What was read stays applied, but the file on disk is all the operator has: it
        // must not be replaced by this partial picture of it.
        v.ConfigurationUnread = true;
        v.ConfigurationFailedItem = current ? current->substr(0, 256) : std::string();
        throw;
    }
    v.ConfigurationUnread = false;
    v.ConfigurationFailedItem.clear();
    v.Configured = true;
    InitDeviceIDs(v);
    return true;
}

bool WriteConfiguration(Variables& v, ErrorLog& log) {
    const std::string path = v.AppPath + ConfigurationFileName;
    std::string temporary;
    try {
        const std::string text = ComposeConfiguration(v);
        if (v.ConfigurationUnread)
            KeepUnreadFile(path, v.AppPath + ConfigurationBackupFileName);
        // A temporary file of this write's own: two panels saving into one folder at once
        // never write into the same file, and the rename leaves one of them whole.
        const int fd = CreateTemporaryFile(v.AppPath, temporary);
        if (fd < 0)
            ThrowFileAccess();
        const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
        if (::close(fd) != 0 || !written)
            ThrowFileAccess();
        if (::rename(temporary.c_str(), path.c_str()) != 0)
            ThrowFileAccess();
        temporary.clear();
        SyncFolder(v.AppPath);
        v.ConfigurationUnread = false;
        v.Configured = true;
        return true;
    } catch (...) {
        log.ReportError("Error Writing ini File", "File Error");
        if (!temporary.empty())
            ::unlink(temporary.c_str());
        return false;
    }
}

} // namespace orl
