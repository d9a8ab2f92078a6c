#pragma once
// Files as a test writes and reads them back: a whole file as its bytes, the error log of
// a folder, and text files (the configuration) written from their lines.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace orl::test {

// The bytes of the file at `path`; empty when it is missing.
inline std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The error log of the program folder `folder`, as bytes; empty when there is none.
inline std::string ErrorLogText(const std::filesystem::path& folder) {
    return FileText(folder / "Errorlog.txt");
}

// Writes `lines` each ended by CR LF, bytes as given (the configuration is Latin-1);
// false when the file could not be written.
inline bool WriteLines(const std::filesystem::path& path, const std::vector<std::string>& lines) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines)
        out << line << "\r\n";
    out.flush();
    return static_cast<bool>(out);
}

} // namespace orl::test
