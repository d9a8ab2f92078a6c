// The main window: its frame, menus, timers and socket, its life cycle (load, setup,
// exit, unload) and the keyboard routing of the strip controls.

#include "frmMain.h"

#include "Configuration.h"
#include "Controls.h"
#include "DeviceListing.h"
#include "FocusRing.h"
#include "Look.h"
#include "OrlError.h"
#include "PressLock.h"
#include "ScreenFit.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollArea>
#include <QShortcut>
#include <QShowEvent>
#include <QWindow>

#include <algorithm>

namespace orl {

namespace {

constexpr int ClientWidth = 4545;
constexpr int ClientHeight = 9825;
constexpr int PollInterval = 1000;

// The code the key-release handler works with: KeyHome, KeyEnd, the character code of
// plain keys, 0 for anything else.
int KeyCodeOf(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Home:
        return frmMain::KeyHome;
    case Qt::Key_End:
        return frmMain::KeyEnd;
    default:
        return event->key() > 0 && event->key() < 128 ? event->key() : 0;
    }
}

} // namespace

frmMain::frmMain(Variables& v, ErrorLog& log, QWidget* parent)
    : QMainWindow(parent), v_(v), log_(log), link_(v, log, scktSwitcher_, *this) {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("ORL Console"));
    CreateMenus();

    panel_ = new QWidget;
    panel_->setObjectName(QStringLiteral("panel"));
    PaintBackground(panel_, PanelColour);
    panel_->setFixedHeight(ToPixels(ClientHeight)); // the height never changes
    client_ = MakeScrollingClient(this, panel_);
    PaintBackground(client_->viewport(), PanelColour);
    setCentralWidget(client_);
    lock_ = std::make_unique<PressLock>(panel_);

    AddStrip();
    column_ = std::make_unique<ButtonColumn>(panel_);
    new FocusRing(panel_);
    CreateStripKeys();
    column_->Frame()->setEnabled(link_.Live());
    ConnectUserButtons();
    ChainTabOrder();
    SetWindowWidthTwips(ClientWidth);

    tmrPoll_.setInterval(PollInterval);
    ConnectGuarded(&tmrPoll_, &QTimer::timeout, [this] { link_.PollTick(); });
    // One message per event-loop pass while bytes wait; the timer stops itself when the
    // buffer is empty, so an idle panel costs nothing.
    tmrDecode_.setInterval(0);
    connect(&tmrDecode_, &QTimer::timeout, this, [this] {
        bool more = false;
        Guarded([&] { more = link_.DecodeTick(); });
        if (!more)
            tmrDecode_.stop();
    });
}

frmMain::~frmMain() {
    tmrDecode_.stop();
    tmrPoll_.stop();
    // The socket outlives the link by declaration order: no late event may reach it.
    scktSwitcher_.SetEventSink(nullptr);
    scktSwitcher_.Close();
    // The strip controls go while the handlers they are wired to still exist.
    // One by one from the end: a strip leaves the list before its controls are deleted, so
    // the focus changes their deletion causes never reach a half-deleted strip.
    while (!strips_.empty())
        strips_.pop_back();
    column_.reset();
    delete client_; // and the panel in it
    client_ = nullptr;
    panel_ = nullptr;
}

void frmMain::CreateMenus() {
    QMenu* mnuFIle = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFIle->setObjectName(QStringLiteral("mnuFIle"));
    QAction* mnuSetup = mnuFIle->addAction(QStringLiteral("&Setup"));
    mnuSetup->setObjectName(QStringLiteral("mnuSetup"));
    QAction* mnuDebug = mnuFIle->addAction(QStringLiteral("&Debug"));
    mnuDebug->setObjectName(QStringLiteral("mnuDebug"));
    mnuLock_ = mnuFIle->addAction(QStringLiteral("&Lock"));
    mnuLock_->setObjectName(QStringLiteral("mnuLock"));
    QAction* mnuExit = mnuFIle->addAction(QStringLiteral("E&xit"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    QAction* mnuAbout = mnuHelp->addAction(QStringLiteral("&About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));

    ConnectGuarded(mnuSetup, &QAction::triggered, [this] { mnuSetup_Click(); });
    ConnectGuarded(mnuDebug, &QAction::triggered, [this] { mnuDebug_Click(); });
    ConnectGuarded(mnuLock_, &QAction::triggered, [this] { mnuLock_Click(); });
    ConnectGuarded(mnuExit, &QAction::triggered, [this] { mnuExit_Click(); });
    ConnectGuarded(mnuAbout, &QAction::triggered, [this] { mnuAbout_Click(); });
}

// Ctrl+1 .. Ctrl+9 and Ctrl+0 (the tenth) put the keyboard on that strip's slider; the
// menus' access keys are Alt and a letter.
void frmMain::CreateStripKeys() {
    for (int n = 1; n <= StripKeyCount; ++n) {
        const int digit = n % StripKeyCount;
        const QKeyCombination keys(Qt::ControlModifier, static_cast<Qt::Key>(Qt::Key_0 + digit));
        auto* key = new QShortcut(QKeySequence(keys), this);
        key->setObjectName(QStringLiteral("stripKey%1").arg(n));
        connect(key, &QShortcut::activated, this, [this, n] { FocusStrip(n - 1); });
    }
}

void frmMain::FocusStrip(int index) {
    if (index < 0 || index >= StripCount())
        return;
    QSlider* slider = Strip(index).sliGain;
    client_->ensureWidgetVisible(slider);
    slider->setFocus(Qt::ShortcutFocusReason);
}

void frmMain::Guarded(const std::function<void()>& action) {
    try {
        action();
    } catch (...) {
        try {
            log_.ReportError("Unexpected Error", "Program Error");
        } catch (...) {
            // the log could not take it either; the program goes on regardless
        }
    }
}

// ---- Life cycle -----------------------------------------------------------------------

void frmMain::Form_Load(const std::string& appPath) {
    try {
        try {
            ProgramSetup(v_, appPath.empty() ? QCoreApplication::applicationDirPath().toStdString()
                                             : appPath);
            SetCaption(CaptionDisconnected);
            tmrPoll_.stop();
        } catch (...) {
            log_.ReportError("Error on program setup", "Program Error");
        }
        // The socket needs no settings: QtSocket is a non-blocking raw TCP client as is.

        if (ReadConfiguration(v_)) {
            if (v_.FaderCount > 1)
                LoadFaders();
            SetupButtons();
            SetStayOnTop(v_.StayOnTopMode);
            LayOutButtonColumn();
            link_.ConnectToServer();
            tmrPoll_.start();
            return;
        }

        QMessageBox box(QMessageBox::Warning, QStringLiteral("Configuration Error"),
                        QStringLiteral("System Not Yet Configured.") + QChar(13) +
                            QStringLiteral("Please specify the IP Address of the Computer "
                                           "running the Server Module"),
                        QMessageBox::Ok, this);
        box.exec();
        if (unloaded_) // ended (by a signal) while the box was open
            return;
        RunSetupDialog();
        if (unloaded_)
            return;
        // What the operator configured shows at once, as after the setup menu item.
        ApplySetupToWindow();
    } catch (...) {
        log_.ReportError("Error Loading Form", "Program Error");
        if (v_.ConfigurationUnread)
            ShowUnreadConfiguration(DescribeCurrentError());
    }
}

// Without this the operator sees only "Disconnected" and has no way to tell why.
void frmMain::ShowUnreadConfiguration(const CurrentError& error) {
    constexpr std::size_t ShownLength = 80;
    const std::string& item = v_.ConfigurationFailedItem;
    QString text = QStringLiteral("The settings in orlntpnl.ini could not be read, so the panel "
                                  "does not connect. The file is kept as it is.");
    if (!item.empty()) {
        const std::string shown =
            item.size() > ShownLength ? item.substr(0, ShownLength) + "..." : item;
        text += QStringLiteral("\nLine: ") + FromText(shown);
    }
    text += QStringLiteral("\nError # %1 - %2")
                .arg(error.number)
                .arg(QString::fromStdString(error.description));
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Configuration Error"), text,
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void frmMain::mnuSetup_Click() {
    SetStayOnTop(NotOnTop);
    const std::vector<std::int16_t> deviceIDs = link_.StripDeviceIDs();
    RunSetupDialog();
    link_.RequestNewStripDevices(deviceIDs);
    SetStayOnTop(v_.StayOnTopMode);
    ApplySetupToWindow();
}

void frmMain::ApplySetupToWindow() {
    LayOutButtonColumn();
    for (int i = 0; i < v_.FaderCount; ++i)
        Strip(i).cmbSource->setEnabled(v_.EnableSourceSelect);
    SetupButtons();
    UpdateUserButtonTally();
    UpdateBussButtonTally();
}

void frmMain::RunSetupDialog() {
    if (openSetupDialog_)
        openSetupDialog_(this);
    if (v_.LoadedFaderCount < v_.FaderCount)
        LoadFaders();
    else if (v_.FaderCount < v_.LoadedFaderCount)
        UnloadFaders();
}

void frmMain::mnuDebug_Click() {
    PrintDeviceIDs(v_);
}

void frmMain::mnuExit_Click() {
    SaveConfigurationOnClose();
    close();
}

// A file that failed to load is left as it is: only a confirmed setup replaces it. A panel
// never configured writes none, so that the next start still asks for the server module.
void frmMain::SaveConfigurationOnClose() {
    if (v_.Configured && !v_.ConfigurationUnread)
        WriteConfiguration(v_, log_);
}

void frmMain::Form_Unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    emit unloading();
    // A button still held is let go while the link can still carry its release.
    for (ColourButton* button : findChildren<ColourButton*>())
        button->EndPress();
    tmrDecode_.stop();
    tmrPoll_.stop();
    scktSwitcher_.Close();
    // The program's other windows (the server information window) are owned by this one;
    // the most recently created goes first.
    const QList<QWidget*> children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if ((*it)->isWindow() && (*it)->isVisible())
            (*it)->close();
    SaveConfigurationOnClose();
}

// Enter on a focused button clicks it, as Space does.
void frmMain::keyPressEvent(QKeyEvent* event) {
    if (!ClickFocusedButton(this, event))
        QMainWindow::keyPressEvent(event);
}

void frmMain::closeEvent(QCloseEvent* event) {
    Guarded([this] { Form_Unload(); });
    event->accept();
}

// ---- What the link asks of the window ---------------------------------------------------

void frmMain::SetCaption(const std::string& caption) {
    setWindowTitle(FromText(caption));
}

void frmMain::EnablePollTimer(bool enabled) {
    if (!enabled)
        tmrPoll_.stop();
    else if (!tmrPoll_.isActive()) // enabling a running timer does not restart its period
        tmrPoll_.start();
}

void frmMain::EnableDecodeTimer() {
    if (!tmrDecode_.isActive())
        tmrDecode_.start();
}

void frmMain::SetStayOnTop(std::int32_t mode) {
    const bool onTop = mode == StayOnTop;
    Qt::WindowFlags flags = windowFlags();
    if (onTop == flags.testFlag(Qt::WindowStaysOnTopHint))
        return;
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    QWindow* native = windowHandle();
    if (native == nullptr) {
        // No native window yet: it is made with the flag when the window is first shown.
        setWindowFlags(flags);
        return;
    }
    // The layer changes on the existing native window (the window manager's "above" state).
    // Setting the widget's flags instead would destroy and re-create it, and a modal dialog
    // still open over it would lose its owner and end up behind the panel.
    overrideWindowFlags(flags);
    native->setFlags(flags);
}

// ---- Window geometry --------------------------------------------------------------------

// Unlike the layout after adding or removing strips, a hidden column also brings the
// window's right edge back to the last strip.
void frmMain::LayOutButtonColumn() {
    const int last = LastStripLeft();
    SetWindowWidthTwips(
        column_->Follow(last, v_.DisplayButtonPanel).value_or(last + RightEdgeAllowance));
}

// On the platforms the panel runs on the window has no frame of its own in the widget
// geometry, so the outer width is the width of the client area the layout sets.
int frmMain::WindowWidthTwips() const {
    return windowWidthTwips_ > 0 ? windowWidthTwips_ : ToTwips(width());
}

void frmMain::SetWindowWidthTwips(int twips) {
    windowWidthTwips_ = twips;
    panel_->setFixedSize(ToPixels(twips), ToPixels(ClientHeight));
    FitToScreen();
}

// The window is as large as the panel when the screen has room for it; otherwise the
// panel scrolls inside it and the window stays within the screen.
void frmMain::FitToScreen() {
    const int menuHeight = menuBar()->sizeHint().height();
    const QSize visible = FitClientToScreen(this, client_, panel_->size(), menuHeight);
    client_->setMinimumSize(visible);
    layout()->activate(); // the window's own minimum follows at once, before the resize
    resize(visible.width(), visible.height() + menuHeight);
    KeepOnScreen(this);
}

void frmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The window's frame is known from now on, and the window's place.
    if (!event->spontaneous())
        QMetaObject::invokeMethod(this, &frmMain::FitToScreen, Qt::QueuedConnection);
}

// ---- Keyboard routing of the strip controls ---------------------------------------------

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const bool keyEvent = type == QEvent::KeyPress || type == QEvent::KeyRelease;
    if (!keyEvent && type != QEvent::FocusOut)
        return QMainWindow::eventFilter(watched, event);
    for (int i = 0; i < StripCount(); ++i) {
        const FaderStrip& strip = Strip(i);
        if (watched == strip.sliGain && keyEvent) {
            auto* key = static_cast<QKeyEvent*>(event);
            const bool homeOrEnd = key->key() == Qt::Key_Home || key->key() == Qt::Key_End;
            if (type == QEvent::KeyPress && homeOrEnd) {
                // The thumb jumps now; the move is sent once, when the key is released.
                keyMoveInProgress_ = true;
                strip.sliGain->triggerAction(key->key() == Qt::Key_Home
                                                 ? QAbstractSlider::SliderToMinimum
                                                 : QAbstractSlider::SliderToMaximum);
                keyMoveInProgress_ = false;
                return true;
            }
            if (type == QEvent::KeyRelease && !key->isAutoRepeat()) {
                const int code = KeyCodeOf(key);
                Guarded([this, i, code] { sliGain_KeyUp(i, code); });
            }
            return false;
        }
        // The keyboard focus is the combo box itself, which hands keys and focus changes to
        // its edit field directly: they are caught here, before the edit field acts on them.
        // (A combo box being destroyed is no longer one, and loses its focus too.)
        if (watched == strip.cmbSource && qobject_cast<QComboBox*>(watched) != nullptr) {
            if (type == QEvent::KeyPress) {
                if (IsEnterKey(static_cast<QKeyEvent*>(event))) {
                    Guarded([this, i] { cmbSource_KeyPress(i, EnterKey); });
                    return true;
                }
            } else if (type == QEvent::FocusOut &&
                       static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
                // Opening the list is not leaving the field.
                Guarded([this, i] { cmbSource_LostFocus(i); });
            }
            return false;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace orl
