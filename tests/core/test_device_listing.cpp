#include "DeviceListing.h"
#include "TempFolder.h"
#include "Variables.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace orl;
namespace fs = std::filesystem;

namespace {

class DeviceListing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.Made());
        ProgramSetup(v, folder.Path().string());
    }
    // The listing split at CR LF; a line end without CR fails the test.
    std::vector<std::string> Lines() const {
        std::ifstream in(folder.Path() / DeviceListingFileName, std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find('\n', start)) != std::string::npos;
             start = end + 1) {
            EXPECT_TRUE(end > start && text[end - 1] == '\r') << "line " << lines.size();
            lines.push_back(text.substr(start, end - start - 1));
        }
        EXPECT_EQ(start, text.size()) << "text after the last line end";
        return lines;
    }

    test::TempFolder folder{"orl-devices"};
    Variables v;
};

TEST_F(DeviceListing, ListsEveryDeviceIDAndIsReplacedOnEachUse) {
    v.DeviceIDs[5].Source = None;
    v.DeviceIDs[8192].Source = 42;
    PrintDeviceIDs(v);
    std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 8193u);
    EXPECT_EQ(lines[0], "ID:0000 - Src:0000");
    EXPECT_EQ(lines[5], "ID:0005 - Src:16383");
    EXPECT_EQ(lines[999], "ID:0999 - Src:0000");
    EXPECT_EQ(lines[8192], "ID:8192 - Src:0042");

    v.DeviceIDs[5].Source = 7;
    v.DeviceIDs[6].Source = -3;
    PrintDeviceIDs(v);
    lines = Lines();
    ASSERT_EQ(lines.size(), 8193u);
    EXPECT_EQ(lines[5], "ID:0005 - Src:0007");
    EXPECT_EQ(lines[6], "ID:0006 - Src:-0003");
}

TEST_F(DeviceListing, AFolderThatCannotBeWrittenEndsSilently) {
    const fs::path file = folder.Path() / "plain";
    std::ofstream(file) << "x";
    Variables w;
    ProgramSetup(w, file.string());
    EXPECT_NO_THROW(PrintDeviceIDs(w));
}

} // namespace
