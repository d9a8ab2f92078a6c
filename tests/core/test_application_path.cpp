// Where the panel keeps its files: next to a portable copy, per user for an installed
// one, or the folder named on the command line; new folders start from the site's
// configuration.

#include "Configuration.h"
#include "Files.h"
#include "TempFolder.h"
#include "Variables.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace orl;
namespace fs = std::filesystem;
using orl::test::FileText;

namespace {

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

TEST(ApplicationPath, ChoosesPortableInstalledOrExplicitFolderAndSeedsNewOnes) {
    test::TempFolder scratch("orl-apppath");
    ASSERT_TRUE(scratch.Made());
    const std::string root = scratch.Path().string();
    const std::string site = "[CONFIGURATION]\r\nIP Port=1251\r\n";
    Write(scratch.Path() / "etc" / ConfigurationFileName, site);
    Write(scratch.Path() / "mine" / ConfigurationFileName, "IP Port=7\r\n");
    fs::create_directories(scratch.Path() / "portable");
    fs::create_directories(scratch.Path() / "usr/bin");
    Write(scratch.Path() / "afile", "x");

    struct Case {
        const char* what;
        std::string program, explicitFolder, configHome, home;
        std::string expected; // relative to the scratch folder unless absolute
        std::string seeded;   // the configuration found there afterwards; "-" for none
    };
    const Case cases[] = {
        {"writable program folder: portable, never seeded", "portable", "", "cfg", "home",
         "portable/", "-"},
        {"installed program folder, although writable", "usr/bin", "", root + "/cfg", "home",
         "cfg/orl-console/", site},
        {"missing program folder, no XDG_CONFIG_HOME", "gone/bin", "", "", root + "/home",
         "home/.config/orl-console/", site},
        {"a relative XDG_CONFIG_HOME does not count", "gone/bin", "", "rel", root + "/home2",
         "home2/.config/orl-console/", site},
        {"explicit folder, created and seeded", "portable", root + "/a/b/../c", "", "", "a/c/",
         site},
        {"explicit folder keeps its own configuration", "usr/bin", root + "/mine", "", "", "mine/",
         "IP Port=7\r\n"},
    };
    for (const Case& c : cases) {
        ApplicationFolderChoice choice;
        choice.programFolder = root + "/" + c.program;
        choice.explicitFolder = c.explicitFolder;
        choice.installedFolder = root + "/usr/bin";
        choice.configHome = c.configHome;
        choice.home = c.home;
        choice.siteFolder = root + "/etc/";
        const ApplicationFolder folder = ApplicationPath(choice);
        EXPECT_EQ(folder.path, root + "/" + c.expected) << c.what;
        EXPECT_EQ(folder.problem, "") << c.what;
        const fs::path ini = fs::path(folder.path) / ConfigurationFileName;
        EXPECT_EQ(fs::exists(ini) ? FileText(ini) : "-", c.seeded) << c.what;
    }
}

TEST(ApplicationPath, AnUnusableFolderIsStillTheAnswerWithItsPathAndTheSystemsReason) {
    test::TempFolder scratch("orl-apppath");
    ASSERT_TRUE(scratch.Made());
    Write(scratch.Path() / "afile", "x");
    ApplicationFolderChoice choice;
    choice.programFolder = scratch.Path().string();
    choice.explicitFolder = (scratch.Path() / "afile" / "console").string();
    choice.siteFolder = scratch.Path().string();

    const ApplicationFolder folder = ApplicationPath(choice);
    EXPECT_EQ(folder.path, choice.explicitFolder + "/");
    EXPECT_EQ(folder.problem, folder.path + ": Not a directory");

    // Without any home folder the per-user folder cannot be named at all.
    choice.explicitFolder.clear();
    choice.programFolder = (scratch.Path() / "gone").string();
    EXPECT_NE(ApplicationPath(choice).problem, "");
}
