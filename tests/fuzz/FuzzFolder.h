#pragma once
// A scratch folder for the files a fuzz target makes the program write (error log,
// configuration), in memory-backed storage when the machine has it.

#include <filesystem>
#include <string>
#include <unistd.h>

namespace orl::fuzz {

inline const std::string& ScratchFolder() {
    static const std::string folder = [] {
        const std::filesystem::path base = std::filesystem::exists("/dev/shm")
                                               ? "/dev/shm"
                                               : std::filesystem::temp_directory_path();
        const auto path = base / ("orl-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path.string() + "/";
    }();
    return folder;
}

} // namespace orl::fuzz
