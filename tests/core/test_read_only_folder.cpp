// Saving the settings into a program folder that has become read-only: the failure is
// reported, the old file stays as it was, and a log that cannot be written either does
// not report itself without end.
//
// As root a folder's mode does not stop writes, so the save then runs in a child
// process under the unprivileged "nobody" and reports back through its exit status.

#include "Configuration.h"
#include "ErrorLog.h"
#include "Files.h"
#include "TempFolder.h"
#include "Variables.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

using namespace orl;
namespace fs = std::filesystem;
using orl::test::FileText;

namespace {

constexpr uid_t Nobody = 65534;

// Exit statuses of the save, as the child reports them.
enum SaveResult { Refused = 10, Saved = 11, ChildSetupFailed = 12 };

// Runs `save` without the right to write into read-only folders; returns its SaveResult,
// or -1 when it did not end normally (a crash, or a recursion that blew the stack).
int RunUnprivileged(const std::function<bool()>& save) {
    if (geteuid() != 0)
        return save() ? Saved : Refused;
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(Nobody) != 0 || setuid(Nobody) != 0)
            _exit(ChildSetupFailed);
        _exit(save() ? Saved : Refused);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

class ReadOnlyFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.Made());
        ASSERT_TRUE(logScratch.Made());
        ProgramSetup(v, folder.string());
        v.IPAddress = "10.1.2.3";
        v.FaderCount = 2;
        ResizeFaderArrays(v, 2);
        v.FaderDeviceID[1] = 12;
        ErrorLog setupLog(v);
        ASSERT_TRUE(WriteConfiguration(v, setupLog));
        before = FileText(Ini());
        ASSERT_FALSE(before.empty());

        // The operator's next settings, which cannot be saved.
        v.IPAddress = "10.9.9.9";
        v.FaderDeviceID[1] = 99;
        ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
        ASSERT_EQ(chmod(logFolder.c_str(), 0777), 0); // writable by the unprivileged child
    }
    void TearDown() override { chmod(folder.c_str(), 0700); }
    fs::path Ini() const { return folder / ConfigurationFileName; }

    test::TempFolder scratch{"orl-readonly"};
    test::TempFolder logScratch{"orl-logs"};
    const fs::path& folder = scratch.Path();
    const fs::path& logFolder = logScratch.Path();
    Variables v;
    std::string before;
};

} // namespace

TEST_F(ReadOnlyFolder, SavingReportsTheFailureAndKeepsTheOldFileByteForByte) {
    Variables logState;
    ProgramSetup(logState, logFolder.string());
    const int result = RunUnprivileged([&] {
        ErrorLog log(logState);
        return WriteConfiguration(v, log);
    });
    ASSERT_NE(result, ChildSetupFailed) << "could not become nobody";
    EXPECT_EQ(result, Refused);
    EXPECT_EQ(FileText(Ini()), before);
    EXPECT_FALSE(fs::exists(folder / ConfigurationTemporaryFileName));

    const std::string log = FileText(logFolder / "Errorlog.txt");
    const std::size_t at = log.find("Error Writing ini File: Error #  75");
    ASSERT_NE(at, std::string::npos) << log;
    const std::size_t lineStart = log.rfind("\r\n", at) + 2;
    EXPECT_EQ(log.substr(lineStart + 24, 10), "File Error");
    EXPECT_EQ(log.find("Error writing to Error file"), std::string::npos) << log;
}

TEST_F(ReadOnlyFolder, ALogInTheSameFolderFailsQuietlyAndTheCallReturns) {
    const int result = RunUnprivileged([&] {
        ErrorLog log(v);
        return WriteConfiguration(v, log);
    });
    ASSERT_NE(result, ChildSetupFailed) << "could not become nobody";
    EXPECT_EQ(result, Refused) << "-1: the save did not return normally";
    EXPECT_EQ(FileText(Ini()), before);
    EXPECT_FALSE(fs::exists(folder / "Errorlog.txt"));
    EXPECT_FALSE(fs::exists(folder / ConfigurationTemporaryFileName));
}
