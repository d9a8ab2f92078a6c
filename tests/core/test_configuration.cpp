#include "Configuration.h"
#include "ErrorLog.h"
#include "Files.h"
#include "OrlError.h"
#include "TempFolder.h"
#include "Variables.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

using namespace orl;
namespace fs = std::filesystem;

namespace {

class ConfigurationFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.Made());
        ProgramSetup(v, folder.Path().string());
    }

    fs::path IniPath() const { return folder.Path() / ConfigurationFileName; }
    void WriteIni(const std::string& bytes) const {
        std::ofstream out(IniPath(), std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    static std::string Contents(const fs::path& path) { return test::FileText(path); }
    // Reads `bytes` as the configuration into a freshly set-up state.
    Variables ReadFrom(const std::string& bytes) {
        WriteIni(bytes);
        Variables fresh;
        ProgramSetup(fresh, folder.Path().string());
        EXPECT_TRUE(ReadConfiguration(fresh)) << bytes;
        return fresh;
    }

    test::TempFolder folder{"orl-config"};
    Variables v;
};

TEST_F(ConfigurationFile, AFileTheProgramWroteReadsBackToTheSameState) {
    v.IPAddress = "192.168.10.20";
    v.IPPort = 40001;
    v.ProgramBus = 3;
    v.OfflineBus = 4;
    v.CueBus = 5;
    v.IFBSource = 17;
    v.ConsoleNumber = 2;
    v.FaderCount = 12;
    RecreateFaderArrays(v, 12);
    for (int i = 0; i < 12; ++i) {
        v.FaderDeviceID[i] = static_cast<std::int16_t>(100 + i);
        v.FaderSource[i] = static_cast<std::int16_t>(i == 11 ? None : 200 + i);
    }
    v.PanelMode = PanelModeConsole;
    v.StayOnTopMode = NotOnTop;
    v.EnableSourceSelect = false;
    v.DisplayButtonPanel = true;
    v.UserButtons[0] = {1012, "Studio \xC9t\xE9 \xFF", 12, 13, 0, 0};
    v.UserButtons[7] = {1111, "A label longer than fifteen", 255, None, 0, 0};
    v.RefreshRate = 32500;
    v.TimeOut = 3600;
    v.UserName = "operator";
    v.Password = "s\xE9"
                 "cret!";

    ErrorLog log(v);
    ASSERT_TRUE(WriteConfiguration(v, log));
    Variables r;
    ProgramSetup(r, folder.Path().string());
    ASSERT_TRUE(ReadConfiguration(r));

    EXPECT_EQ(r.IPAddress, v.IPAddress);
    EXPECT_EQ(r.IPPort, v.IPPort);
    EXPECT_EQ(r.ProgramBus, 3);
    EXPECT_EQ(r.OfflineBus, 4);
    EXPECT_EQ(r.CueBus, 5);
    EXPECT_EQ(r.IFBSource, 17);
    EXPECT_EQ(r.ConsoleNumber, 2);
    EXPECT_EQ(r.FaderCount, 12);
    ASSERT_EQ(r.FaderDeviceID.size(), 12u);
    ASSERT_EQ(r.FaderOnCue.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(r.FaderDeviceID[i], v.FaderDeviceID[i]) << i;
        EXPECT_EQ(r.FaderSource[i], v.FaderSource[i]) << i;
        EXPECT_TRUE(r.DeviceIDs[100 + i].RequestPending) << i;
    }
    EXPECT_FALSE(r.DeviceIDs[0].RequestPending);
    EXPECT_EQ(r.PanelMode, PanelModeConsole);
    EXPECT_EQ(r.StayOnTopMode, NotOnTop);
    EXPECT_FALSE(r.EnableSourceSelect);
    EXPECT_TRUE(r.DisplayButtonPanel);
    EXPECT_EQ(r.UserButtons[0].ButtonType, 1012);
    EXPECT_EQ(r.UserButtons[0].Label, "Studio \xC9t\xE9 \xFF");
    EXPECT_EQ(r.UserButtons[0].Channel1, 12);
    EXPECT_EQ(r.UserButtons[0].Channel2, 13);
    for (int b = 1; b < 7; ++b) {
        EXPECT_EQ(r.UserButtons[b].ButtonType, None);
        EXPECT_EQ(r.UserButtons[b].Label, "Inactive");
        EXPECT_EQ(r.UserButtons[b].Channel1, None);
    }
    EXPECT_EQ(r.UserButtons[7].ButtonType, 1111);
    EXPECT_EQ(r.UserButtons[7].Label, "A label longer ");
    EXPECT_EQ(r.UserButtons[7].Channel1, 255);
    EXPECT_EQ(r.UserButtons[7].Channel2, None);
    EXPECT_EQ(r.RefreshRate, 32500);
    EXPECT_EQ(r.TimeOut, 3600);
    EXPECT_EQ(r.UserName, "opera");
    EXPECT_EQ(r.Password, "s\xE9"
                          "cre");
}

TEST_F(ConfigurationFile, WritesTheExactLinesOfAKnownState) {
    v.IPAddress = "10.0.0.5";
    v.FaderCount = 2;
    RecreateFaderArrays(v, 2);
    v.FaderDeviceID[0] = 12;
    v.FaderDeviceID[1] = 8192;
    v.FaderSource[0] = -1;
    v.FaderSource[1] = None;
    v.ConsoleNumber = 7;
    v.UserButtons[2] = {1100, "A,B", 4, 5, 0, 0};
    v.UserName = "ops";
    v.Password = "abc";
    ErrorLog log(v);
    ASSERT_TRUE(WriteConfiguration(v, log));
    std::string expected =
        "[CONFIGURATION]\r\nSETUP\r\nIP Address=10.0.0.5\r\nIP Port=1250\r\nCONFIG\r\n"
        "Program Bus=0\r\nOffLine Bus=0\r\nCue Bus=0\r\nIFB Source=0\r\nConsole=7\r\n"
        "Fader Count=2\r\nDevice ID 1=12\r\nSource 1=-1\r\nDevice ID 2=8192\r\n"
        "Source 2=16383\r\nPanel Mode=0\r\nStay On Top=Yes\r\nEnable Source Select=Yes\r\n"
        "Display Button Panel=No\r\n";
    for (int b = 1; b <= 8; ++b) {
        const std::string n = std::to_string(b);
        const bool third = b == 3;
        expected += "Button" + n + "_Type=" + (third ? "1100" : "16383") + "\r\n";
        expected += "Button" + n + "_Label=" + (third ? "A,B" : "Inactive") + "\r\n";
        expected += "Button" + n + "_Channel1=" + (third ? "4" : "16383") + "\r\n";
        expected += "Button" + n + "_Channel2=" + (third ? "5" : "16383") + "\r\n";
    }
    expected += "Refresh Rate=1\r\nTime Out=200\r\nSECURITY\r\nUser Name=ops\r\nPassword=bdf\r\n";
    EXPECT_EQ(Contents(IniPath()), expected);
    EXPECT_FALSE(fs::exists(folder.Path() / ConfigurationTemporaryFileName));

    // Read back: the comma cuts the label, the password unscrambles.
    Variables r = ReadFrom(Contents(IniPath()));
    EXPECT_EQ(r.UserButtons[2].Label, "A");
    EXPECT_EQ(r.Password, "abc");
    EXPECT_EQ(r.FaderSource[0], 0); // negative is read back as 0
}

TEST_F(ConfigurationFile, NoFileChangesNothing) {
    v.IPPort = 999;
    EXPECT_FALSE(ReadConfiguration(v));
    EXPECT_EQ(v.IPPort, 999);
    EXPECT_EQ(v.FaderCount, 1);
}

TEST_F(ConfigurationFile, LinesAreReadWithTheirLimitsAndDefaults) {
    struct Case {
        const char* name;
        std::string bytes;
        std::function<void(const Variables&)> check;
    };
    const Case cases[] = {
        {"fader count 0", "Fader Count=0\r\n",
         [](const Variables& r) {
             EXPECT_EQ(r.FaderCount, 1);
             EXPECT_EQ(r.FaderSource.size(), 1u);
         }},
        {"fader count -3", "Fader Count=-3\r\n",
         [](const Variables& r) { EXPECT_EQ(r.FaderCount, 1); }},
        {"fader count 25", "Fader Count=25\r\n",
         [](const Variables& r) {
             EXPECT_EQ(r.FaderCount, 20);
             EXPECT_EQ(r.FaderDeviceID.size(), 20u);
             EXPECT_EQ(r.FaderOnProgram.size(), 20u);
         }},
        {"fader count re-creates the arrays",
         "Fader Count=2\r\nDevice ID 1=5\r\nSource 2=9\r\nFader Count=3\r\nDevice ID 3=4\r\n",
         [](const Variables& r) {
             EXPECT_EQ(r.FaderDeviceID[0], 0);
             EXPECT_EQ(r.FaderSource[1], 0);
             EXPECT_EQ(r.FaderDeviceID[2], 4);
         }},
        {"port 0", "IP Port=0\r\n", [](const Variables& r) { EXPECT_EQ(r.IPPort, 1250); }},
        {"port 99999", "IP Port=99999\r\n", [](const Variables& r) { EXPECT_EQ(r.IPPort, 99999); }},
        {"empty address", "IP Address=\r\n",
         [](const Variables& r) { EXPECT_EQ(r.IPAddress, "127.0.0.1"); }},
        {"quoted item keeps its comma", "\"IP Address=10.1.1.1,x\" trailing\r\n",
         [](const Variables& r) { EXPECT_EQ(r.IPAddress, "10.1.1.1,x"); }},
        {"leading spaces", "   Console=12\r\n",
         [](const Variables& r) { EXPECT_EQ(r.ConsoleNumber, 12); }},
        {"keys match with case", "console=12\r\nCONFIG\r\n\r\nProgram bus=3\r\n",
         [](const Variables& r) {
             EXPECT_EQ(r.ConsoleNumber, 0);
             EXPECT_EQ(r.ProgramBus, 0);
         }},
        {"negative buses",
         "Console=-4\r\nProgram Bus=-1\r\nOffLine Bus=2.5\r\nCue Bus=3.5\r\nIFB Source=-9\r\n",
         [](const Variables& r) {
             EXPECT_EQ(r.ConsoleNumber, 0);
             EXPECT_EQ(r.ProgramBus, 0);
             EXPECT_EQ(r.OfflineBus, 2);
             EXPECT_EQ(r.CueBus, 4);
             EXPECT_EQ(r.IFBSource, 0);
         }},
        {"panel mode takes one character", "Panel Mode=17\r\n",
         [](const Variables& r) { EXPECT_EQ(r.PanelMode, 1); }},
        {"button 3 type 5 and channel -1",
         "Button3_Type=1010\r\nButton3_Type=5\r\nButton3_Channel1=-1\r\nButton3_Channel2=8\r\n",
         [](const Variables& r) {
             EXPECT_EQ(r.UserButtons[2].ButtonType, None);
             EXPECT_EQ(r.UserButtons[2].Channel1, None);
             EXPECT_EQ(r.UserButtons[2].Channel2, 8);
         }},
        {"button 8 label, button 10 ignored", "Button8_Label=Talk,Back\r\nButton10_Type=1000\r\n",
         [](const Variables& r) {
             EXPECT_EQ(r.UserButtons[7].Label, "Talk");
             EXPECT_EQ(r.UserButtons[0].ButtonType, None);
         }},
        {"yes in lower case",
         "Stay On Top=yes\r\nEnable Source Select=yes\r\nDisplay Button Panel=Yes\r\n",
         [](const Variables& r) {
             EXPECT_EQ(r.StayOnTopMode, NotOnTop);
             EXPECT_FALSE(r.EnableSourceSelect);
             EXPECT_TRUE(r.DisplayButtonPanel);
         }},
        {"two-digit device ID line", "Fader Count=12\r\nDevice ID 12=345\r\n",
         [](const Variables& r) {
             EXPECT_EQ(r.FaderDeviceID[11], 345);
             EXPECT_TRUE(r.DeviceIDs[345].RequestPending);
         }},
        {"input line", "Fader Count=2\r\nInput 2=7\r\nSource 1=-5\r\nSource 2=33\r\n",
         [](const Variables& r) {
             EXPECT_EQ(r.FaderDeviceID[1], 7);
             EXPECT_EQ(r.FaderSource[0], 0);
             EXPECT_EQ(r.FaderSource[1], 33);
         }},
        {"refresh rate and time out limits", "Refresh Rate=32767\r\nTime Out=0\r\n",
         [](const Variables& r) {
             EXPECT_EQ(r.RefreshRate, 32500);
             EXPECT_EQ(r.TimeOut, 1);
         }},
        {"user name and password cut to five", "User Name=abcdefgh\r\nPassword=bdfhjl\r\n",
         [](const Variables& r) {
             EXPECT_EQ(r.UserName, "abcde");
             EXPECT_EQ(r.Password, "abcde");
         }},
        {"last password wins, none before", "Password=b\r\nPassword=bdf\r\n",
         [](const Variables& r) { EXPECT_EQ(r.Password, "abc"); }},
        {"LF-only lines", "IP Address=1.2.3.4\nIP Port=77\nFader Count=2\nSource 2=5\n",
         [](const Variables& r) {
             EXPECT_EQ(r.IPAddress, "1.2.3.4");
             EXPECT_EQ(r.IPPort, 77);
             EXPECT_EQ(r.FaderSource[1], 5);
         }},
        {"empty file", "", [](const Variables& r) { EXPECT_EQ(r.FaderCount, 1); }},
        // A label with a comma and an opening quote, as a button dialog of old could store
        // it: the quote ends with its line, the lines after it are read.
        {"a stray quote ends with its line",
         "Button1_Label=Cue,\"Talk\r\nButton1_Channel1=5\r\nButton2_Type=1000\r\n"
         "User Name=op\r\n",
         [](const Variables& r) {
             EXPECT_EQ(r.UserButtons[0].Label, "Cue");
             EXPECT_EQ(r.UserButtons[0].Channel1, 5);
             EXPECT_EQ(r.UserButtons[1].ButtonType, 1000);
             EXPECT_EQ(r.UserName, "op");
         }},
        {"an unclosed quoted item is its line", "\"IP Address=10.0.0.1\nIP Port=77\n",
         [](const Variables& r) {
             EXPECT_EQ(r.IPAddress, "10.0.0.1");
             EXPECT_EQ(r.IPPort, 77);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.check(ReadFrom(c.bytes));
    }
}

TEST_F(ConfigurationFile, AFailureStopsTheReadingWithTheEarlierFieldsApplied) {
    struct Case {
        const char* name;
        std::string bytes;
        int error;
        std::function<void(const Variables&)> check;
    };
    const Case cases[] = {
        // Before the fader count line every per-fader array has the one element of the
        // initial state, so only fader 1 can be set there.
        {"source line before the fader count",
         "IP Port=77\r\nSource 1=4\r\nSource 2=4\r\nFader Count=3\r\n", SubscriptOutOfRange,
         [](const Variables& r) {
             EXPECT_EQ(r.IPPort, 77);
             EXPECT_EQ(r.FaderSource[0], 4);
             EXPECT_EQ(r.FaderCount, 1);
         }},
        {"number too big", "IP Port=77\r\nConsole=99999\r\nCue Bus=3\r\n", OverflowError,
         [](const Variables& r) {
             EXPECT_EQ(r.IPPort, 77);
             EXPECT_EQ(r.ConsoleNumber, 0);
             EXPECT_EQ(r.CueBus, 0);
         }},
        {"button type too big", "Button1_Type=123456789012345\r\n", OverflowError, nullptr},
        {"fader number beyond the array", "Fader Count=2\r\nDevice ID 1=9\r\nDevice ID 3=1\r\n",
         SubscriptOutOfRange,
         [](const Variables& r) {
             EXPECT_EQ(r.FaderDeviceID[0], 9);
             EXPECT_FALSE(r.DeviceIDs[9].RequestPending); // InitDeviceIDs never ran
         }},
        {"fader number 0", "Input 0=5\r\n", SubscriptOutOfRange, nullptr},
        {"password below code 0", "User Name=bob\r\nPassword=\x01\x01\r\n", InvalidProcedureCall,
         [](const Variables& r) {
             EXPECT_EQ(r.UserName, "bob");
             EXPECT_EQ(r.Password, "");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIni(c.bytes);
        Variables r;
        ProgramSetup(r, folder.Path().string());
        try {
            ReadConfiguration(r);
            ADD_FAILURE() << "did not fail";
        } catch (const OrlError& e) {
            EXPECT_EQ(e.Number(), c.error);
        }
        if (c.check)
            c.check(r);
    }

    fs::remove(IniPath());
    fs::create_directory(IniPath());
    try {
        ReadConfiguration(v);
        ADD_FAILURE() << "an unreadable file did not fail";
    } catch (const OrlError& e) {
        EXPECT_EQ(e.Number(), PathFileAccessError);
    }
}

TEST_F(ConfigurationFile, AFailedWriteIsReportedAndKeepsThePreviousFile) {
    const std::string previous = "[CONFIGURATION]\r\nIP Port=4242\r\n\xE9\r\n";
    ErrorLog log(v);
    const auto logText = [&] { return Contents(log.LogPath()); };

    // The file's place is taken by a folder: the finished write cannot be put there, and
    // its temporary file goes.
    fs::create_directories(IniPath() / "inside");
    EXPECT_FALSE(WriteConfiguration(v, log));
    EXPECT_NE(logText().find("File Error"), std::string::npos);
    EXPECT_NE(logText().find("Error Writing ini File: Error #  75 - "), std::string::npos);
    for (const auto& entry : fs::directory_iterator(folder.Path()))
        EXPECT_EQ(entry.path().filename().string().find(ConfigurationTemporaryFileName),
                  std::string::npos);
    fs::remove_all(IniPath());
    WriteIni(previous);

    // A password character that cannot be scrambled: nothing is written.
    v.Password = "a\xFF";
    EXPECT_FALSE(WriteConfiguration(v, log));
    EXPECT_EQ(Contents(IniPath()), previous);
    EXPECT_FALSE(fs::exists(folder.Path() / ConfigurationTemporaryFileName));
    EXPECT_NE(logText().find("Error Writing ini File: Error #  5 - "), std::string::npos);
    v.Password = "\xFE"; // 254 + 1 still fits
    EXPECT_TRUE(WriteConfiguration(v, log));
    EXPECT_NE(Contents(IniPath()).find("Password=\xFF\r\n"), std::string::npos);
}

TEST_F(ConfigurationFile, AFolderThatIsAFileFailsWithoutThrowing) {
    const fs::path file = folder.Path() / "plain";
    std::ofstream(file) << "x";
    Variables w;
    ProgramSetup(w, file.string());
    ErrorLog log(v); // the log itself stays writable in the real folder
    EXPECT_FALSE(WriteConfiguration(w, log));
    EXPECT_NE(Contents(log.LogPath()).find("Error Writing ini File"), std::string::npos);
    EXPECT_FALSE(ReadConfiguration(w));
}

// A panel killed while it saved left its temporary file behind; the next start removes it,
// and only it: never a save that may still finish.
TEST_F(ConfigurationFile, TheTemporaryFileOfAKilledSaveIsRemovedAtTheNextStart) {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child); // a process that no longer runs
    const std::string dead = std::to_string(child);
    const std::string self = std::to_string(::getpid());
    const auto now = fs::file_time_type::clock::now();
    const struct {
        std::string name;
        fs::file_time_type written;
        bool removed;
    } rows[] = {
        {"orlntpnl.ini.tmp." + dead + ".3", now - std::chrono::minutes(2), true},
        {"orlntpnl.ini.tmp." + dead + ".4", now, false}, // may be a save under way elsewhere
        {"orlntpnl.ini.tmp." + self + ".1", now - std::chrono::minutes(2), false},
        {"orlntpnl.ini.tmp.1.1", now - std::chrono::minutes(2), false}, // init runs
        {"orlntpnl.ini.tmp.x" + dead + ".1", now - std::chrono::minutes(2), false},
        {"orlntpnl.ini.tmp." + dead, now - std::chrono::minutes(2), false},
    };
    for (const auto& row : rows) {
        std::ofstream(folder.Path() / row.name) << "[Setup]";
        fs::last_write_time(folder.Path() / row.name, row.written);
    }
    EXPECT_FALSE(ReadConfiguration(v)); // there is no orlntpnl.ini
    for (const auto& row : rows)
        EXPECT_EQ(fs::exists(folder.Path() / row.name), !row.removed) << row.name;
}

} // namespace
