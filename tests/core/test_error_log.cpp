#include "ErrorLog.h"
#include "Files.h"
#include "OrlError.h"
#include "TempFolder.h"
#include "Variables.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

using namespace orl;
namespace fs = std::filesystem;
using orl::test::FileText;

namespace {

std::tm At(int year, int month, int day, int hour, int minute, int second = 0) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

std::vector<std::string> Lines(const fs::path& path) {
    const std::string text = FileText(path);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

class ErrorLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.Made());
        ProgramSetup(state, folder.string());
    }
    fs::path LogFile() const { return folder / "Errorlog.txt"; }
    // A log of exactly `size` bytes: header, then filler lines.
    void MakeLogOfSize(std::uintmax_t size) {
        log.CreateErrorLog();
        std::ofstream out(LogFile(), std::ios::binary | std::ios::app);
        const std::uintmax_t have = fs::file_size(LogFile());
        out << std::string(size - have - 2, 'x') << "\r\n";
        out.close();
        ASSERT_EQ(fs::file_size(LogFile()), size);
    }

    test::TempFolder scratch{"orl-log"};
    const fs::path& folder = scratch.Path();
    Variables state;
    std::tm now = At(2026, 12, 7, 16, 5);
    ErrorLog log{state, [this] { return now; }};
};

} // namespace

TEST_F(ErrorLogTest, TheFirstEntryCreatesTheHeaderAndBecomesLineTwelve) {
    log.WriteErrorLog("Error Loading Form", "Program Error");
    const auto lines = Lines(LogFile());
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0].find_first_not_of(' '), 13u);
    EXPECT_EQ(lines[1], "");
    for (int i : {2, 3, 4})
        EXPECT_EQ(lines[static_cast<std::size_t>(i)].find_first_not_of(' '), 19u) << i;
    EXPECT_EQ(lines[5], "");
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(lines[7], "ORL Turret Soft Panel Error Logfile");
    EXPECT_EQ(lines[8], "");
    EXPECT_EQ(lines[9].find("DATE"), 1u);
    EXPECT_EQ(lines[9].find("TIME"), 10u);
    EXPECT_EQ(lines[9].find("LOCATION"), 25u);
    EXPECT_EQ(lines[9].find("MESSAGE DESCRIPTION"), 60u);
    EXPECT_EQ(lines[10], std::string(80, '-'));
    EXPECT_EQ(lines[11],
              "12/7/2026 4:05:00 PM    Program Error                       Error Loading Form");
}

TEST_F(ErrorLogTest, TheMessageStartsAtColumn61UnlessTheTitleRunsPastIt) {
    struct Case {
        std::size_t titleLength;
        std::size_t messageAt; // 0-based
    } cases[] = {{13, 60}, {35, 60}, {36, 60}, {40, 64}, {0, 60}};
    for (const auto& c : cases) {
        const std::string title(c.titleLength, 'T');
        log.WriteErrorLog("the message", title);
        const std::string line = Lines(LogFile()).back();
        EXPECT_EQ(line.substr(0, 24), "12/7/2026 4:05:00 PM    ");
        EXPECT_EQ(line.substr(24, c.titleLength), title);
        EXPECT_EQ(line.find("the message"), c.messageAt) << c.titleLength;
        EXPECT_EQ(line.find_first_not_of(' ', 24 + c.titleLength), c.messageAt) << c.titleLength;
    }
}

TEST_F(ErrorLogTest, ReportErrorAddsTheNumberAndDescriptionOfTheCurrentFailure) {
    struct Case {
        int number;
        const char* description;
        const char* expected;
    } cases[] = {
        {6, "Overflow", "Error Loading Form: Error #  6 - Overflow"},
        {75, "Path/File access error", "Error Loading Form: Error #  75 - Path/File access error"},
        {-5, "Odd", "Error Loading Form: Error # -5 - Odd"},
    };
    for (const auto& c : cases) {
        try {
            throw OrlError(c.number, c.description);
        } catch (...) {
            log.ReportError("Error Loading Form", "Program Error");
        }
        EXPECT_EQ(Lines(LogFile()).back().substr(60), c.expected);
    }
}

TEST_F(ErrorLogTest, ALogAtItsLimitIsSetAsideUnderTheDateAndTime) {
    EXPECT_EQ(ErrorLog::SetAsideName(now), "Errorlog 120726 1605.txt");
    const fs::path aside = folder / "Errorlog 120726 1605.txt";

    MakeLogOfSize(1023999);
    log.WriteErrorLog("below", "Limit");
    EXPECT_FALSE(fs::exists(aside));
    EXPECT_GT(fs::file_size(LogFile()), 1023999u);

    // Set-asides of the same minute never replace one another: " (2)", " (3)" ...
    const std::string older = "an older set-aside of the same minute";
    std::ofstream(aside, std::ios::binary) << older;
    for (const char* name : {"Errorlog 120726 1605 (2).txt", "Errorlog 120726 1605 (3).txt"}) {
        SCOPED_TRACE(name);
        MakeLogOfSize(1024000);
        log.WriteErrorLog("at", "Limit");
        ASSERT_TRUE(fs::exists(folder / name));
        EXPECT_EQ(fs::file_size(folder / name), 1024000u);
        const auto lines = Lines(LogFile());
        ASSERT_EQ(lines.size(), 12u);
        EXPECT_EQ(lines[11].substr(60), "at");
    }
    EXPECT_EQ(FileText(aside), older);
}

TEST_F(ErrorLogTest, ALogDeletedBetweenEntriesIsCreatedAgain) {
    log.WriteErrorLog("first", "One");
    fs::remove(LogFile());
    log.WriteErrorLog("second", "Two");
    const auto lines = Lines(LogFile());
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[11].substr(60), "second");
}

TEST_F(ErrorLogTest, ALogThatCannotBeWrittenIsDroppedWithoutRecursion) {
    std::ofstream(folder / "afile") << "a regular file, not a folder";
    state.AppPath = (folder / "afile").string() + "/";
    log.WriteErrorLog("lost", "Title");
    try {
        throw OrlError(6, "Overflow");
    } catch (...) {
        log.ReportError("lost too", "Title");
    }
    EXPECT_FALSE(fs::exists(LogFile()));

    // Once the folder is usable again, logging works as before.
    state.AppPath = folder.string() + "/";
    log.WriteErrorLog("kept", "Title");
    const auto lines = Lines(LogFile());
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[11].substr(60), "kept");
}

// The program makes its log before the window loads and sets the folder, so the log reads
// the folder from the panel state at each entry; a temporary it would outlive is refused.
TEST(ErrorLogFolder, FollowsTheStateItWasMadeWithAndTakesNoTemporary) {
    static_assert(!std::is_constructible_v<ErrorLog, std::string>);
    static_assert(!std::is_constructible_v<ErrorLog, const char*>);
    static_assert(!std::is_constructible_v<ErrorLog, Variables>);
    static_assert(std::is_constructible_v<ErrorLog, Variables&>);
    test::TempFolder folder("orl-log-state");
    ASSERT_TRUE(folder.Made());
    Variables state;
    ErrorLog log(state);
    ProgramSetup(state, folder.Path().string());
    log.WriteErrorLog("after load", "Program Error");
    ASSERT_TRUE(fs::exists(folder.Path() / "Errorlog.txt"));
    EXPECT_EQ(Lines(folder.Path() / "Errorlog.txt").back().substr(60), "after load");
}

TEST(ErrorLogText, DateAndTimeInShortDateAndLongTimeForm) {
    EXPECT_EQ(ErrorLog::DateTimeText(At(2026, 12, 7, 16, 5)), "12/7/2026 4:05:00 PM");
    EXPECT_EQ(ErrorLog::DateTimeText(At(2026, 1, 31, 0, 0, 9)), "1/31/2026 12:00:09 AM");
    EXPECT_EQ(ErrorLog::DateTimeText(At(2027, 3, 2, 12, 30)), "3/2/2027 12:30:00 PM");
    EXPECT_EQ(ErrorLog::SetAsideName(At(2030, 2, 3, 0, 7)), "Errorlog 020330 0007.txt");
}

TEST_F(ErrorLogTest, ANameTakenBySomethingElseIsPassedOver) {
    // A folder of the set-aside name is left as it is; the log goes to the next name.
    const fs::path aside = folder / ErrorLog::SetAsideName(now);
    fs::create_directory(aside);
    std::ofstream(aside / "keep") << "in the way";
    MakeLogOfSize(1024000);
    log.WriteErrorLog("still logged", "Limit");
    EXPECT_EQ(FileText(aside / "keep"), "in the way");
    EXPECT_EQ(fs::file_size(folder / ErrorLog::SetAsideName(now, 2)), 1024000u);
    const auto lines = Lines(LogFile());
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[11].substr(60), "still logged");
}

// ---- A full disk ----------------------------------------------------------------------------
//
// A small tmpfs stands in for the full disk. It is mounted in a child process with a
// mount namespace of its own, so it disappears with the child whatever happens; the child
// copies what the log left into the test's folder and reports through its exit status.
// Mounting needs root (as in CI); elsewhere these tests are skipped.

namespace {

enum ChildStatus { ChildDone = 0, NoTmpfs = 77, ChildFailed = 78 };

const std::size_t Page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));

// Writes pages of filler until the disk takes no more.
bool FillDisk(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return false;
    const std::string chunk(Page, 'f');
    while (::write(fd, chunk.data(), chunk.size()) > 0) {
    }
    const bool full = errno == ENOSPC;
    ::close(fd);
    return full;
}

// Runs `scenario` on a tmpfs of `pages` pages at `disk`; returns a ChildStatus.
int OnSmallDisk(const fs::path& disk, std::size_t pages,
                const std::function<bool(const std::string& diskPath)>& scenario) {
    fs::create_directory(disk);
    const pid_t child = fork();
    if (child < 0)
        return ChildFailed;
    if (child == 0) {
        const std::string size = "size=" + std::to_string(pages * Page);
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", disk.c_str(), "tmpfs", 0, size.c_str()) != 0)
            _exit(NoTmpfs);
        _exit(scenario(disk.string() + "/") ? ChildDone : ChildFailed);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return ChildFailed;
    return WEXITSTATUS(status);
}

#define RUN_ON_SMALL_DISK(pages, scenario)                                                         \
    do {                                                                                           \
        const int status = OnSmallDisk(folder / "disk", pages, scenario);                          \
        if (status == NoTmpfs)                                                                     \
            GTEST_SKIP() << "simulating a full disk needs root to mount a small tmpfs";            \
        ASSERT_EQ(status, ChildDone) << "the scenario on the small disk failed";                   \
    } while (false)

} // namespace

TEST_F(ErrorLogTest, OnAFullDiskAnEntryIsWrittenWholeOrNotAtAll) {
    const std::string lost = "no room for this entry";
    const std::size_t lostLength = 60 + lost.size() + 2;
    // Bytes left in the log's last page once the disk is full.
    for (const std::size_t room : {std::size_t{0}, std::size_t{1}, lostLength - 1, lostLength}) {
        SCOPED_TRACE(room);
        const fs::path kept = folder / ("log-" + std::to_string(room));
        RUN_ON_SMALL_DISK(16, [&](const std::string& disk) {
            Variables onDisk;
            ProgramSetup(onDisk, disk);
            ErrorLog small(onDisk, [this] { return now; });
            small.WriteErrorLog("first", "One");
            const fs::path logFile = disk + "Errorlog.txt";
            const std::size_t used = fs::file_size(logFile) % Page;
            std::size_t pad = (2 * Page - room - used) % Page;
            if (pad < 2)
                pad += Page;
            std::ofstream(logFile, std::ios::binary | std::ios::app)
                << std::string(pad - 2, 'x') << "\r\n";
            if (!FillDisk(disk + "filler"))
                return false;
            small.WriteErrorLog(lost, "Full");
            fs::remove(disk + "filler");
            small.WriteErrorLog("after", "Space again");
            fs::copy_file(logFile, kept);
            return true;
        });
        const auto lines = Lines(kept);
        const bool fits = room >= lostLength;
        ASSERT_EQ(lines.size(), fits ? 15u : 14u);
        EXPECT_EQ(lines[11].substr(60), "first");
        if (fits) {
            EXPECT_EQ(lines[13].substr(60), lost);
        }
        EXPECT_EQ(lines.back().substr(60), "after");
        for (const std::string& line : lines)
            EXPECT_EQ(line.find('\r'), std::string::npos) << line;
    }
}

TEST_F(ErrorLogTest, OnAFullDiskAFullLogIsSetAsideAndANewOneStarted) {
    const fs::path keptLog = folder / "log";
    const fs::path keptAside = folder / "aside";
    const std::size_t diskPages = static_cast<std::size_t>(ErrorLog::SetAsideSize) / Page + 8;
    RUN_ON_SMALL_DISK(diskPages, [&](const std::string& disk) {
        Variables onDisk;
        ProgramSetup(onDisk, disk);
        ErrorLog small(onDisk, [this] { return now; });
        const fs::path logFile = disk + "Errorlog.txt";
        small.CreateErrorLog();
        const std::size_t header = fs::file_size(logFile);
        std::ofstream(logFile, std::ios::binary | std::ios::app)
            << std::string(static_cast<std::size_t>(ErrorLog::SetAsideSize) - header - 2, 'x')
            << "\r\n";
        // One page stays free: room for a new log, not for a copy of the old one.
        std::ofstream(disk + "spare", std::ios::binary) << std::string(Page, 's');
        if (!FillDisk(disk + "filler"))
            return false;
        fs::remove(disk + "spare");
        small.WriteErrorLog("at the limit", "Full");
        fs::copy_file(logFile, keptLog);
        fs::copy_file(disk + ErrorLog::SetAsideName(now), keptAside);
        return true;
    });
    EXPECT_EQ(fs::file_size(keptAside), static_cast<std::size_t>(ErrorLog::SetAsideSize));
    EXPECT_EQ(FileText(keptAside).substr(static_cast<std::size_t>(ErrorLog::SetAsideSize) - 4),
              "xx\r\n");
    const auto lines = Lines(keptLog);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[11].substr(60), "at the limit");
}

TEST_F(ErrorLogTest, SetAsideLogsAreKeptWithinTheirBoundAndTheRemovalIsLogged) {
    struct Case {
        const char* what;
        int older;           // set-asides already there, each older than the last
        std::uintmax_t size; // bytes each
        std::size_t removed; // of them, by the next set-aside
    };
    const Case cases[] = {
        {"few and small: all kept", 5, 1000, 0},
        {"twelve: the newest 10 of 13 kept", 12, 1000, 3},
        {"three of 8 MB: within 20 MB with the new 1 MB", 3, 8000000, 1},
    };
    const fs::path other = folder / "Errorlog 1207 1605.txt"; // not set-aside names
    const fs::path other2 = folder / "Errorlog 120726 1605 (x).txt";
    std::ofstream(other) << "kept";
    std::ofstream(other2) << "kept";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path() != other && entry.path() != other2)
                fs::remove(entry.path());
        const auto age = fs::file_time_type::clock::now();
        std::vector<fs::path> older;
        for (int k = 0; k < c.older; ++k) {
            // Numbered names of a minute that had several count as well.
            older.push_back(folder / ("Errorlog 0101" + std::to_string(10 + k) + " 0000" +
                                      (k % 2 == 1 ? " (2)" : "") + ".txt"));
            std::ofstream(older.back()).close();
            fs::resize_file(older.back(), c.size);
            fs::last_write_time(older.back(), age - std::chrono::hours(k + 1));
        }
        MakeLogOfSize(ErrorLog::SetAsideSize);
        log.WriteErrorLog("entry", "Limit");

        EXPECT_TRUE(fs::exists(folder / ErrorLog::SetAsideName(now)));
        for (std::size_t k = 0; k < older.size(); ++k)
            EXPECT_EQ(fs::exists(older[k]), k < older.size() - c.removed) << older[k];
        EXPECT_TRUE(fs::exists(other));
        EXPECT_TRUE(fs::exists(other2));
        const auto lines = Lines(LogFile());
        ASSERT_EQ(lines.size(), c.removed > 0 ? 13u : 12u);
        if (c.removed > 0) {
            EXPECT_EQ(lines[11].substr(24, 9), "Error Log");
            EXPECT_EQ(lines[11].substr(60), std::to_string(c.removed) +
                                                " older set-aside error logs removed; the "
                                                "newest 10 (at most 20 MB together) are kept");
        }
        EXPECT_EQ(lines.back().substr(60), "entry");
    }
}
