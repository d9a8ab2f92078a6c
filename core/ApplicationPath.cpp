// The application path: portable next to the program, per user when installed, or the
// folder named on the command line.
#include "Configuration.h"
#include "Variables.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace orl {

namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

bool Writable(const std::string& folder) {
    std::error_code ec;
    return fs::is_directory(folder, ec) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool SameFolder(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && fs::equivalent(a, b, ec);
}

// Creates the folder when missing and seeds its configuration from the site's; returns
// the reason when the folder cannot be used.
std::string Prepare(const std::string& folder, const std::string& siteFolder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        return ec.message();
    if (!fs::is_directory(folder, ec))
        return std::strerror(ENOTDIR);
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return std::strerror(errno);
    const fs::path own = fs::path(folder) / ConfigurationFileName;
    const fs::path site = fs::path(siteFolder) / ConfigurationFileName;
    if (!fs::exists(own, ec) && fs::is_regular_file(site, ec)) {
        fs::copy_file(site, own, ec);
        if (ec)
            return "cannot copy " + site.string() + ": " + ec.message();
    }
    return {};
}

} // namespace

ApplicationFolder ApplicationPath(const ApplicationFolderChoice& choice) {
    std::string folder = choice.explicitFolder;
    if (folder.empty()) {
        if (Writable(choice.programFolder) &&
            !SameFolder(choice.programFolder, choice.installedFolder))
            return {WithSlash(choice.programFolder), {}};
        const bool absoluteConfigHome = !choice.configHome.empty() && choice.configHome[0] == '/';
        if (absoluteConfigHome)
            folder = choice.configHome + "/orl-console";
        else if (!choice.home.empty())
            folder = choice.home + "/.config/orl-console";
        else
            return {WithSlash(choice.programFolder), "no home folder is known for this user"};
    }
    folder = fs::path(folder).lexically_normal().string();
    const std::string reason = Prepare(folder, choice.siteFolder);
    ApplicationFolder result{WithSlash(folder), {}};
    if (!reason.empty())
        result.problem = result.path + ": " + reason;
    return result;
}

ApplicationFolderChoice ApplicationFolderChoiceOfThisUser(std::string programFolder,
                                                          std::string explicitFolder,
                                                          std::string installedFolder) {
    ApplicationFolderChoice choice;
    choice.programFolder = std::move(programFolder);
    choice.explicitFolder = std::move(explicitFolder);
    choice.installedFolder = std::move(installedFolder);
    if (const char* configHome = std::getenv("XDG_CONFIG_HOME"))
        choice.configHome = configHome;
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        choice.home = home;
    else if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir)
        choice.home = user->pw_dir;
    return choice;
}

} // namespace orl
