// Two panels on one settings folder: saves that race leave one panel's whole file, and
// the second panel learns that the folder is held.

#include "Configuration.h"
#include "ErrorLog.h"
#include "Faders.h"
#include "Files.h"
#include "FolderLock.h"
#include "TempFolder.h"
#include "Variables.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

using namespace orl;
namespace fs = std::filesystem;

namespace {

// A panel of `faders` strips whose settings live in `folder`.
void Configure(Variables& v, const fs::path& folder, int faders) {
    ProgramSetup(v, folder.string());
    v.IPAddress = "10.0.0." + std::to_string(faders);
    test::Faders(v, faders, 100);
}

} // namespace

TEST(SharedFolder, PanelsClosingAtOnceLeaveOneOfTheirWholeFiles) {
    test::TempFolder shared("orl-shared");
    test::TempFolder apart("orl-apart");
    ASSERT_TRUE(shared.Made() && apart.Made());
    // What each panel writes on its own.
    std::string whole[2];
    const int faders[2] = {20, 2};
    for (int p = 0; p < 2; ++p) {
        Variables v;
        Configure(v, apart.Path(), faders[p]);
        ErrorLog log(v);
        ASSERT_TRUE(WriteConfiguration(v, log));
        whole[p] = test::FileText(apart.Path() / ConfigurationFileName);
    }
    ASSERT_NE(whole[0], whole[1]);

    const fs::path ini = shared.Path() / ConfigurationFileName;
    for (int round = 0; round < 50; ++round) {
        // Two processes, released at the same moment, each saving its settings.
        int go[2];
        ASSERT_EQ(::pipe(go), 0);
        pid_t children[2];
        for (int p = 0; p < 2; ++p) {
            children[p] = ::fork();
            ASSERT_GE(children[p], 0);
            if (children[p] == 0) {
                Variables v;
                Configure(v, shared.Path(), faders[p]);
                ErrorLog log(v);
                ::close(go[1]);
                char byte = 0;
                [[maybe_unused]] const ssize_t got = ::read(go[0], &byte, 1);
                ::_exit(WriteConfiguration(v, log) ? 0 : 1);
            }
        }
        ::close(go[0]);
        ::close(go[1]); // both read end-of-file at once
        for (const pid_t child : children) {
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
        }
        const std::string result = test::FileText(ini);
        EXPECT_TRUE(result == whole[0] || result == whole[1]) << "round " << round << ":\n"
                                                              << result;
    }
    EXPECT_FALSE(fs::exists(shared.Path() / "Errorlog.txt")) << test::ErrorLogText(shared.Path());
    for (const auto& entry : fs::directory_iterator(shared.Path()))
        EXPECT_EQ(entry.path().filename(), ConfigurationFileName) << "left behind";
}

TEST(SharedFolder, ASecondPanelFindsTheFolderHeldUntilTheFirstLetsGo) {
    test::TempFolder folder("orl-held");
    ASSERT_TRUE(folder.Made());
    const std::string path = folder.Path().string() + "/";
    auto first = std::make_unique<FolderLock>(path);
    EXPECT_FALSE(first->HeldByAnother());
    EXPECT_TRUE(FolderLock(path).HeldByAnother());
    first.reset();
    EXPECT_FALSE(FolderLock(path).HeldByAnother());
    // A folder that cannot hold the lock file tells nothing.
    EXPECT_FALSE(FolderLock(path + "missing/").HeldByAnother());
}
