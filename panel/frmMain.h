#pragma once
// The main window: fader strips, channel and bus buttons, source selectors, the
// user-button column, the menus, the socket and the two timers.

#include "ButtonColumn.h"
#include "ColourButton.h"
#include "ErrorLog.h"
#include "FaderStrip.h"
#include "IPanelWindow.h"
#include "OrlError.h"
#include "QtSocket.h"
#include "TCPComm.h"
#include "Variables.h"

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QAction;
class QScrollArea;

namespace orl {

class frmAbout;
class PressLock;

class frmMain : public QMainWindow, public IPanelWindow {
    Q_OBJECT
public:
    // Opens the setup dialog modally over `parent` (set by the program; tests may set
    // their own).
    using SetupDialogOpener = std::function<void(QWidget* parent)>;

    frmMain(Variables& v, ErrorLog& log, QWidget* parent = nullptr);
    ~frmMain() override;

    void SetSetupDialogOpener(SetupDialogOpener opener) { openSetupDialog_ = std::move(opener); }

    // Life cycle. `appPath` is the program's folder (the executable's folder when empty).
    void Form_Load(const std::string& appPath = {});
    void Form_Unload();
    void mnuSetup_Click();
    void mnuDebug_Click();
    void mnuExit_Click();
    void mnuAbout_Click();
    void mnuLock_Click();

    // The panel lock: every operator press (mouse, keyboard, control surface) is refused,
    // while the tallies, gains and sources keep following the switcher.
    void SetLocked(bool locked);
    bool Locked() const;
    // True while a press cannot act: the link is not live, or the panel is locked.
    bool PressesRefused() const;

    // Fader strips
    void LoadFaders();
    void UnloadFaders();
    void InitSlider(int index) override;
    void InitAllSliders() override;
    void sliGain_Scroll(int index); // the gain-move handler
    // The key codes of Home and End in sliGain_KeyUp: releasing either sends the gain.
    static constexpr int KeyEnd = 35;
    static constexpr int KeyHome = 36;
    void sliGain_KeyUp(int index, int keyCode);
    void cmdZerodb_Click(int index);
    // The slider put at `gainPosition` and moved there, as by the operator (a control
    // surface's fader).
    void MoveGain(int index, int gainPosition);

    // Channel and bus buttons
    void cmdOn_Click(int index);
    void cmdOff_Click(int index);
    void cmdBtn1_Click(int index);
    void cmdBtn2_Click(int index);
    void cmdBtn3_Click(int index);
    void cmdBtn4_MouseDown(int index);
    void cmdBtn4_MouseUp(int index);
    void UpdateBussButtonTally() override;

    // Source selection
    void LoadInputCombo(int index);
    void UpdateActiveSource(int index) override;
    void cmbSource_Click(int index);
    void cmbSource_KeyPress(int index, int keyAscii);
    // Leaving the selector puts the current choice back; only a pick or Enter chooses.
    void cmbSource_LostFocus(int index);
    // Entry `entry` of the list (0 "Undefined", n input n) picked, as by the operator.
    void ChooseSource(int index, int entry);

    // User buttons
    void SetupButtons();
    void cmdUserButton_Click(int index);
    void cmdUserButton_MouseDown(int index);
    void cmdUserButton_MouseUp(int index);
    void UpdateUserButtonTally() override;
    // Whether the user button shows its tally lit.
    bool UserButtonLit(int index) const;

    // IPanelWindow
    void SetCaption(const std::string& caption) override;
    void EnablePollTimer(bool enabled) override;
    void EnableDecodeTimer() override;
    void SetStayOnTop(std::int32_t mode) override;
    void ShowChannelState(int strip) override;
    void ShowLinkState(LinkState state) override;

    // Lays out the user-button column and the window width by the rule of the setup menu.
    void LayOutButtonColumn();
    // Brings the window in line with what the setup dialog left: the button column, the
    // source selectors' enabled state, the user-button captions and all tallies.
    void ApplySetupToWindow();

    // For tests and the program
    TCPComm& Link() { return link_; }
    // The one lookup of a strip by index: any index without a strip throws the subscript
    // error. The strip's controls are reached through it.
    const FaderStrip& Strip(int index) const;
    int StripCount() const { return static_cast<int>(strips_.size()); }
    ColourButton* UserButton(int index) const { return column_->Button(index); }
    QFrame* ButtonFrame() const { return column_->Frame(); }
    QTimer& PollTimer() { return tmrPoll_; }
    QTimer& DecodeTimer() { return tmrDecode_; }
    int WindowWidthTwips() const;
    void SetWindowWidthTwips(int twips);

signals:
    // The strips, the user buttons, the link state or the lock show something new: the
    // other views of the panel (a control surface) follow.
    void stateShown();
    // The panel closes: presses other inputs hold end now, while the link can carry them.
    void unloading();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The keys that reach strip N's slider: Ctrl+1 .. Ctrl+9, Ctrl+0 for the tenth.
    static constexpr int StripKeyCount = 10;
    void FocusStrip(int index);

private:
    void CreateMenus();
    void CreateStripKeys();
    FaderStrip& MutableStrip(int index);
    // ON or OFF pressed on a strip; nothing happens unless the press can reach the switcher.
    void SwitchChannel(int index, bool on);
    // The switcher's gain for a strip, once the operator's hold on the slider allows it.
    void TakeSwitcherGain(int index, int gainPosition);
    void AddStrip(); // a new strip at the right-hand end, wired to its handlers
    void RemoveStrip(int index);
    void ConnectStripSignals(int index);
    void ConnectUserButtons();
    void ChainTabOrder(); // strips left to right, then the button column
    int LastStripLeft() const;
    void FollowWithButtonColumn();
    void FitToScreen();
    // Opens the setup dialog, then brings the strips in line with the fader count it left.
    void RunSetupDialog();
    void ShowUnreadConfiguration(const CurrentError& error);
    void SaveConfigurationOnClose();
    // Runs a handler that has no error handling of its own: an unexpected failure is
    // reported, never ends the program.
    void Guarded(const std::function<void()>& action);
    // The one guard policy of the window's handlers: each is guarded where it is connected.
    template <typename Sender, typename Signal>
    void ConnectGuarded(Sender* sender, Signal signal, std::function<void()> handler) {
        connect(sender, signal, this, [this, handler = std::move(handler)] { Guarded(handler); });
    }

    Variables& v_;
    ErrorLog& log_;
    QtSocket scktSwitcher_;
    TCPComm link_;
    QTimer tmrDecode_;
    QTimer tmrPoll_;
    QScrollArea* client_ = nullptr; // scrolls the panel when the screen is too small
    QWidget* panel_ = nullptr;      // the dark blue client area
    std::vector<std::unique_ptr<FaderStrip>> strips_;
    std::unique_ptr<ButtonColumn> column_; // frBtns and cmdUserButton(0 .. 7)
    frmAbout* about_ = nullptr;
    QAction* mnuLock_ = nullptr;
    std::unique_ptr<PressLock> lock_;
    SetupDialogOpener openSetupDialog_;
    bool unloaded_ = false;
    bool keyMoveInProgress_ = false; // Home/End: the move is sent on key release
    int windowWidthTwips_ = 0;       // the exact width last set, for a lossless read-back
};

} // namespace orl
