#pragma once
// A new, empty folder under the system's temporary folder, removed with all it holds when
// the object goes.

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace orl::test {

class TempFolder {
public:
    // The folder is named `prefix`, a dash and six random characters.
    explicit TempFolder(const std::string& prefix) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / prefix).string() + "-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        if (Made())
            std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // False when the folder could not be made.
    bool Made() const { return !path_.empty(); }
    const std::filesystem::path& Path() const { return path_; }
    // The path, for a fixture's constructor, which cannot assert: throws when there is none.
    const std::filesystem::path& MadePath() const {
        if (!Made())
            throw std::runtime_error("no temporary folder could be made");
        return path_;
    }

private:
    std::filesystem::path path_;
};

} // namespace orl::test
