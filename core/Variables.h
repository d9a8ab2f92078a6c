#pragma once
// The panel state: one record that lives from start to exit and that every module
// reads and writes in place. Whoever changes a field that is on screen calls the
// window's refresh method itself.
//
// Conventions: integers are 16-bit, longs 32-bit; arrays are zero-based and fader,
// button, source, bus, console or channel n of the operator's view is element n - 1;
// None (16383) means none, undefined or all.

#include "Protocol.h"
#include "ReceiveBuffer.h"
#include "Table.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orl {

constexpr int MaxFaders = 20;
constexpr int DeviceIDCount = 8193; // device IDs 0 .. 8192
constexpr int MaxDeviceID = 8192;
constexpr std::int32_t StayOnTop = -1; // above all other windows
constexpr std::int32_t NotOnTop = -2;  // ordinary z-order
constexpr std::int16_t PanelModeDeviceID = 0;
constexpr std::int16_t PanelModeConsole = 1;
// StartupStep once every table of the start-up sequence has arrived.
constexpr std::int16_t StartupComplete = 8;

// Type codes of a user button: 1000 + 100 x (drives an opto) + 10 x (tally from Channel2)
// + behaviour (0 toggle, 1 follows the button, 2 momentary). A stored code below 1000 is
// read as Undefined; any other code is kept and the button does nothing.
enum class UserButtonType : std::int16_t {
    RelayToggle = 1000,
    RelayFollows = 1001,
    RelayMomentary = 1002,
    RelayToggleOptoTally = 1010,
    RelayFollowsOptoTally = 1011,
    RelayMomentaryOptoTally = 1012,
    OptoToggle = 1100,
    OptoFollows = 1101,
    OptoToggleOptoTally = 1110,
    OptoFollowsOptoTally = 1111,
    Undefined = None,
};
constexpr std::int16_t TypeCode(UserButtonType type) {
    return static_cast<std::int16_t>(type);
}
constexpr std::int16_t LowestUserButtonType = TypeCode(UserButtonType::RelayToggle);

struct UserButtonRecord {
    std::int16_t ButtonType = TypeCode(UserButtonType::Undefined); // a UserButtonType code
    std::string Label = "Inactive";
    std::int16_t Channel1 = None;
    std::int16_t Channel2 = None;
    std::int16_t RelayState = 0;
    std::int16_t OptoState = 0;
    // What the press of a "follows button" type sent, so that its release lets go of
    // the same relay or opto whatever changed meanwhile; HeldRelease 0: nothing held.
    std::int16_t HeldValue = 0;
    std::int16_t HeldChannel = 0;
    std::int16_t HeldRelease = 0;
};

struct DeviceIDRecord {
    std::int16_t Source = 0;        // zero-based input number, or None
    std::int16_t Gain = 0;          // gain position, 1024 = 0 dB
    std::uint8_t ChannelStatus = 0; // wire::ChannelOnStatus = on
    bool RequestPending = false;
};

struct InputChannelRecord {
    std::int16_t IFBOutput = 0;
    std::int16_t OnOpto = 0;
    std::int16_t OffOpto = 0;
    bool AttributesWanted = false;
};

// One bus of the crosspoint map, 393 words:
//   0..64    value 1 of the plain entries      65      bus byte (low) | entry count << 8
//   67..131  value 2 of the plain entries      132..196 value 3 of the plain entries
//   263      number of linked entries          264..295 value 1 of the linked entries
//   296..327 value 2 of the linked entries     328..359 value 3 of the linked entries
struct CrosspointRecord {
    static constexpr int WordCount = 393;
    static constexpr int BusInfoWord = 65;
    static constexpr int PlainValue2 = 67;
    static constexpr int PlainValue3 = 132;
    static constexpr int LinkedCountWord = 263;
    static constexpr int LinkedValue1 = 264;
    static constexpr int LinkedValue2 = 296;
    static constexpr int LinkedValue3 = 328;
    std::array<std::int16_t, WordCount> Words{};
};

struct Variables {
    // Configuration (orlntpnl.ini, setup dialogs)
    std::string IPAddress;
    std::int32_t IPPort = 1250;
    std::int16_t FaderCount = 1;
    std::int16_t PanelMode = PanelModeDeviceID;
    std::int16_t ConsoleNumber = 0;
    std::int16_t ProgramBus = 0;
    std::int16_t OfflineBus = 0;
    std::int16_t CueBus = 0;
    std::int16_t IFBSource = 0;
    std::int32_t StayOnTopMode = StayOnTop;
    bool EnableSourceSelect = true;
    bool DisplayButtonPanel = false;
    std::array<UserButtonRecord, 8> UserButtons{};
    std::int16_t RefreshRate = 1;
    std::int16_t TimeOut = 200;
    std::string UserName;
    std::string Password; // clear text in memory, scrambled in the file

    // Per fader, all sized FaderCount together
    Table<std::int16_t> FaderDeviceID;
    Table<std::int16_t> FaderSource;
    Table<std::int16_t> FaderGain;
    Table<std::int16_t> FaderOnState;
    Table<bool> FaderOnProgram;
    Table<bool> FaderOnOffline;
    Table<bool> FaderOnCue;
    // ON or OFF pressed since the last poll answer and not yet reported back: the state
    // the strip showed before the press (the switcher's last word), or NoPressPending.
    Table<std::int16_t> FaderOnStateBeforePress;
    // The IFB output a held IFB press took, or None while no take is held.
    Table<std::int16_t> FaderIFBHeld;

    // Tables received from the switcher
    std::int16_t InputCount = 256;
    Table<std::string> InputNames;
    Table<std::string> ConsoleNames;
    Table<InputChannelRecord> InputChannels;
    Table<DeviceIDRecord> DeviceIDs{DeviceIDCount};
    Table<CrosspointRecord> CrosspointMap;
    std::int16_t RelayCount = 256;
    Table<std::int16_t> RelayStates;
    Table<std::int16_t> OptoStates;

    // Program and link bookkeeping
    std::string AppPath; // always ends in '/'
    // orlntpnl.ini failed to load: closing leaves it as it is, and the next save keeps
    // it as orlntpnl.ini.bak first. The item being applied when it failed, for the operator.
    bool ConfigurationUnread = false;
    std::string ConfigurationFailedItem;
    // A configuration was read at start or saved since (Setup's OK): until then closing
    // the panel writes none, so the next start still asks for the server module.
    bool Configured = false;
    std::int16_t LoadedFaderCount = 1;
    std::int16_t StartupStep = 0;
    bool UpdatingControls = false;
    orl::ReceiveBuffer ReceiveBuffer;
    bool SocketConnected = false;
    bool SwitcherOnline = false;
    std::int16_t PollsWithoutReply = 0;
    std::int16_t PollsUnanswered = 0; // polls sent since the last poll answer (0xF4)
    std::int32_t PendingRequestMask1 = 0;
    std::int32_t PendingRequestMask2 = 0;
    std::int16_t RequestRepeatCountdown = 0;
    bool InchanRequestPending = false;
};

// What decides the application path: the folder that holds the panel's files.
struct ApplicationFolderChoice {
    std::string programFolder;   // the folder the program was started from
    std::string explicitFolder;  // --folder DIR; empty when not given
    std::string installedFolder; // where an installation puts the program; never portable
    std::string configHome;      // $XDG_CONFIG_HOME; only an absolute path counts
    std::string home;            // the user's home folder
    std::string siteFolder = "/etc/orl-console/"; // may hold the site's orlntpnl.ini
};

struct ApplicationFolder {
    std::string path;    // ends in '/'
    std::string problem; // empty, or the folder and the system's reason it cannot be used
};

// The folder is, in this order: the explicit folder; the program's folder when it is
// writable and not the installed one (a portable copy, used as it is); else
// configHome (or home + "/.config") + "/orl-console". The explicit and the per-user
// folder are created when missing, and start from the site's orlntpnl.ini when they
// hold none. An unusable folder is still the answer, with the reason in `problem`.
ApplicationFolder ApplicationPath(const ApplicationFolderChoice& choice);

// The choice for this process: $XDG_CONFIG_HOME, and $HOME or the password database.
ApplicationFolderChoice ApplicationFolderChoiceOfThisUser(std::string programFolder,
                                                          std::string explicitFolder,
                                                          std::string installedFolder);

// Initial values of the whole state; `appPath` is the application path (a '/' is
// appended when missing). Every per-fader array gets FaderCount (1) elements.
void ProgramSetup(Variables& v, const std::string& appPath);

// Re-creates every per-fader array with `count` elements of 0 / false.
void RecreateFaderArrays(Variables& v, std::size_t count);
// Resizes every per-fader array to `count`, keeping the entries that remain.
void ResizeFaderArrays(Variables& v, std::size_t count);

// Marks the device of every fader as awaiting data; stops silently at the first
// fader whose device ID lies outside 0 .. 8192.
void InitDeviceIDs(Variables& v);

constexpr std::int16_t NoPressPending = -1;
// An ON/OFF press on `strip` is about to change FaderOnState: the state shown before it
// is kept (the first of several presses keeps the switcher's) until the press is
// confirmed by a channel report or a poll answer.
void NoteOnOffPress(Variables& v, long long strip);
// The switcher has spoken for the strip's channel (a channel report, its device's data).
void ConfirmOnOffPress(Variables& v, long long strip);
// A poll answer came after the presses: the switcher has taken them.
void ConfirmOnOffPresses(Variables& v);
// The switcher fell silent or the link went down: every unconfirmed press goes back to
// the state the switcher last reported (FaderOnState and its device's ChannelStatus).
// The strips changed, for the window to show.
std::vector<int> RevertUnconfirmedOnOffPresses(Variables& v);

} // namespace orl
