#include "frmSetup.h"

#include "Configuration.h"
#include "Controls.h"
#include "IPAddressText.h"
#include "Look.h"
#include "OrlError.h"
#include "ScreenFit.h"
#include "Twips.h"
#include "Values.h"
#include "frmConfigureButtons.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QShowEvent>

#include <optional>

namespace orl {

namespace {

// The window frame the layout's outer sizes include: 6825 x 6380 outside around a
// 6735 x 5685 client area.
constexpr int FrameWidth = 90;
constexpr int FrameHeight = 695;

constexpr int SetSpacing = 500;

const char* const PortMessage = "Invalid IP Port #. Please reenter a number between 1 and 65535";
const char* const AddressMessage = "Please Enter IP Address In The Following Format: 192.168.1.1";
const char* const WriteMessage = "Error Writing Orlntpnl.ini File";
const char* const DeviceIDMessage = "Invalid Device ID. Please reenter a number between 0 and 8192";

void ShowMessage(QWidget* parent, QMessageBox::Icon icon, const char* title, const char* text) {
    QMessageBox box(icon, QString::fromLatin1(title), QString::fromLatin1(text), QMessageBox::Ok,
                    parent);
    box.exec();
}

QString Decimal(long long value) {
    return QString::number(value);
}

// Removed members are hidden at once and deleted later: the count field acts when it
// loses the focus, possibly to the very field being removed, whose mouse press is
// still being delivered.
template <typename Widget> void Discard(Widget*& widget) {
    if (widget == nullptr)
        return;
    widget->hide();
    widget->setObjectName(QString());
    widget->deleteLater();
    widget = nullptr;
}

// A fader's row: its device ID field is read with its label ("Device ID 2"), its source
// field as "Source 2" (the label beside it reads "Source" on every row).
void LabelRow(QLabel* lblChan, QLineEdit* txtChan, QLineEdit* txtSource, int row) {
    lblChan->setBuddy(txtChan);
    txtSource->setAccessibleName(QStringLiteral("Source %1").arg(row + 1));
}

} // namespace

frmSetup::frmSetup(Variables& v, ErrorLog& log, TCPComm& link, IPanelWindow& mainWindow,
                   QWidget* parent)
    : QDialog(parent), v_(v), log_(log), link_(link), mainWindow_(mainWindow) {
    setWindowTitle(QStringLiteral("Setup"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    PaintDialog(this);
    form_ = new QWidget;
    form_->setObjectName(QStringLiteral("form"));
    area_ = MakeScrollingClient(this, form_);
    BuildControls();
    SetOuterSize(OuterWidth, 5685 + FrameHeight);
    Form_Load();
    txtIPPort_->setFocus();
}

frmSetup::~frmSetup() {
    txtCount_->removeEventFilter(this);
    qApp->removeEventFilter(this);
}

// Focusable controls are created in their tab order; sets added later follow at the end.
void frmSetup::BuildControls() {
    txtIPPort_ = MakeTextBox(form_, QStringLiteral("txtIPPort"), "1250", 1320, 840, 1575, 375);
    txtIPAddr_ = MakeTextBox(form_, QStringLiteral("txtIPAddr"), "127.0.0.1", 1320, 240, 1575, 375);
    lblIPPort_ = MakeLabel(form_, "lblIPPort", "IP Port", 120, 960, 975, 255);
    lblIpAddr_ = MakeLabel(form_, "lblIpAddr", "IP Address", 120, 320, 975, 255);
    cmdCancel_ = MakeCommandButton(form_, "cmdCancel", "&Cancel", 2160, 5160, 1215, 372);
    cmdCancel_->setToolTip(QStringLiteral("Abort any changes and exit"));
    cmdOk_ = MakeCommandButton(form_, "cmdOk", "&Ok", 3600, 5160, 1215, 372);
    cmdOk_->setToolTip(QStringLiteral("Accept current settings"));
    chkStayOnTop_ =
        MakeCheckBox(form_, "chkStayOnTop", "Keep Control Panel On Top", 120, 4320, 2535, 255);
    txtCount_ = MakeTextBox(form_, QStringLiteral("txtCount"), "Text1", 1920, 2520, 1500, 375);
    lblCount_ = MakeLabel(form_, "lblCount", "Panel Count", 120, 2595, 1335, 255);

    frType_ = new QFrame(form_);
    frType_->setObjectName(QStringLiteral("frType"));
    frType_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    Place(frType_, 120, 1360, 2775, 640);
    optType_[0] = new QRadioButton(QStringLiteral("Device ID"), frType_);
    optType_[0]->setObjectName(Indexed("optType", 0));
    Place(optType_[0], 1320, 240, 1215, 195);
    optType_[1] = new QRadioButton(QStringLiteral("Console"), frType_);
    optType_[1]->setObjectName(Indexed("optType", 1));
    Place(optType_[1], 240, 240, 1095, 195);

    txtConsole_ = MakeTextBox(form_, QStringLiteral("txtConsole"), "Text1", 1920, 3120, 1500, 375);
    lblConsole_ = MakeLabel(form_, "lblConsole", "Console #", 120, 3120, 1335, 255);
    ChannelLabelSet& set0 = sets_[0];
    set0.txtChan = MakeTextBox(form_, Indexed("txtChan", 0), "", 1920, 3720, 1500, 375);
    set0.lblChan = MakeLabel(form_, Indexed("lblChan", 0), "Device ID 1", 120, 3740, 1400, 255);
    txtProgram_ = MakeTextBox(form_, QStringLiteral("txtProgram"), "Text1", 4920, 240, 1500, 375);
    lblProgram_ = MakeLabel(form_, "lblProgram", "Program Bus", 3240, 320, 1335, 255);
    chkEnableSourceSelect_ =
        MakeCheckBox(form_, "chkEnableSourceSelect", "Enable Source Select", 120, 4680, 2535, 255);
    set0.txtSource = MakeTextBox(form_, Indexed("txtSource", 0), "", 4920, 3720, 1500, 375);
    set0.lblSource = MakeLabel(form_, Indexed("lblSource", 0), "Source", 4200, 3740, 800, 255);
    txtOffLine_ = MakeTextBox(form_, QStringLiteral("txtOffLine"), "Text1", 4920, 840, 1500, 375);
    lblOffLine_ = MakeLabel(form_, "lblOffLine", "Off Line Bus", 3240, 940, 1335, 255);
    txtCue_ = MakeTextBox(form_, QStringLiteral("txtCue"), "Text1", 4920, 1440, 1500, 375);
    lblCue_ = MakeLabel(form_, "lblCue", "Cue Bus", 3240, 1560, 1335, 255);
    txtIFB_ = MakeTextBox(form_, QStringLiteral("txtIFB"), "Text1", 4920, 2040, 1500, 375);
    lblIFB_ = MakeLabel(form_, "lblIFB", "IFB Source", 3240, 2140, 1335, 255);
    cmdProgBtns_ =
        MakeCommandButton(form_, "cmdProgBtns", "Configure Buttons", 4560, 3120, 1695, 375);
    chkDisplayBtns_ =
        MakeCheckBox(form_, "chkDisplayBtns", "Display Button Panel", 4440, 2640, 1935, 255);

    // A screen reader reads each field with the label before it.
    lblIpAddr_->setBuddy(txtIPAddr_);
    lblIPPort_->setBuddy(txtIPPort_);
    lblCount_->setBuddy(txtCount_);
    lblConsole_->setBuddy(txtConsole_);
    lblProgram_->setBuddy(txtProgram_);
    lblOffLine_->setBuddy(txtOffLine_);
    lblCue_->setBuddy(txtCue_);
    lblIFB_->setBuddy(txtIFB_);
    LabelRow(set0.lblChan, set0.txtChan, set0.txtSource, 0);

    for (int index = 0; index < 2; ++index)
        connect(optType_[index], &QRadioButton::clicked, this,
                [this, index] { optType_Click(index); });
    connect(cmdOk_, &QPushButton::clicked, this, &frmSetup::cmdOk_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &frmSetup::cmdCancel_Click);
    connect(cmdProgBtns_, &QPushButton::clicked, this, &frmSetup::cmdProgBtns_Click);
    txtCount_->installEventFilter(this);
}

void frmSetup::Form_Load() {
    try {
        labelSetCount_ = 1;
        chkStayOnTop_->setChecked(v_.StayOnTopMode == StayOnTop);
        chkEnableSourceSelect_->setChecked(v_.EnableSourceSelect);
        chkDisplayBtns_->setChecked(v_.DisplayButtonPanel);
        txtIPPort_->setText(Decimal(v_.IPPort));
        txtIPAddr_->setText(FromText(v_.IPAddress));
        txtCount_->setText(Decimal(v_.FaderCount));
        LoadChannelLabels(v_.FaderCount);
        txtConsole_->setText(Decimal(v_.ConsoleNumber));
        txtProgram_->setText(Decimal(v_.ProgramBus));
        txtCue_->setText(Decimal(v_.CueBus));
        txtOffLine_->setText(Decimal(v_.OfflineBus));
        txtIFB_->setText(Decimal(v_.IFBSource));
        // A mode other than Console (a hand-edited file) opens as Device ID mode; the
        // rows below are still filled, so OK cannot store placeholder device IDs.
        const std::int16_t mode =
            v_.PanelMode == PanelModeConsole ? PanelModeConsole : PanelModeDeviceID;
        if (mode != v_.PanelMode)
            log_.WriteErrorLog("Error displaying current values", "Setup Error");
        optType_[mode]->setChecked(true);
        optType_Click(mode);
        dialogPanelMode_ = mode;
        for (long long i = 0; i < v_.FaderCount; ++i) {
            sets_[i].txtChan->setText(Decimal(v_.FaderDeviceID[i]));
            sets_[i].txtSource->setText(Decimal(v_.FaderSource[i]));
        }
    } catch (...) {
        log_.WriteErrorLog("Error displaying current values", "Setup Error");
    }
}

// The form keeps the layout's size; the dialog shows it whole, or scrolls it where the
// screen is too small, and stays within the screen.
void frmSetup::SetOuterSize(int width, int height) {
    outerWidth_ = width;
    outerHeight_ = height;
    form_->setFixedSize(ToPixels(width - FrameWidth), ToPixels(height - FrameHeight));
    FitToScreen();
}

void frmSetup::FitToScreen() {
    const QSize visible = FitClientToScreen(this, area_, form_->size());
    area_->setGeometry(QRect(QPoint(0, 0), visible));
    setFixedSize(visible);
    KeepOnScreen(this);
}

void frmSetup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The dialog's frame is known from now on.
    if (!event->spontaneous())
        QMetaObject::invokeMethod(this, &frmSetup::FitToScreen, Qt::QueuedConnection);
}

void frmSetup::Relayout(int setCount) {
    const int stayOnTopTop = TwipsGeometry(sets_[setCount - 1].txtChan).top() + 620;
    MoveTop(chkStayOnTop_, stayOnTopTop);
    MoveTop(chkEnableSourceSelect_, stayOnTopTop + 360);
    const int okTop = stayOnTopTop + 720;
    MoveTop(cmdOk_, okTop);
    MoveTop(cmdCancel_, okTop);
    SetOuterSize(outerWidth_, okTop + 1320);
}

// LabelSetCount follows each set created or removed, so that after a failure part-way
// it still names exactly the sets on display.
void frmSetup::LoadChannelLabels(std::int16_t newCount) {
    try {
        for (int i = labelSetCount_; i < newCount; ++i) {
            const ChannelLabelSet& model = sets_[0];
            const ChannelLabelSet& above = sets_[i - 1];
            ChannelLabelSet& set = sets_[i];
            set.txtChan =
                CopyBelow(form_, model.txtChan, above.txtChan, Indexed("txtChan", i), SetSpacing);
            set.txtChan->setText(Decimal(i));
            set.txtChan->show();
            set.lblChan =
                CopyBelow(form_, model.lblChan, above.lblChan, Indexed("lblChan", i), SetSpacing);
            set.lblChan->setText(QStringLiteral("Device ID %1").arg(i + 1));
            set.lblChan->show();
            set.txtSource = CopyBelow(form_, model.txtSource, above.txtSource,
                                      Indexed("txtSource", i), SetSpacing);
            set.txtSource->setText(Decimal(i));
            set.lblSource = CopyBelow(form_, model.lblSource, above.lblSource,
                                      Indexed("lblSource", i), SetSpacing);
            set.lblSource->setText(model.lblSource->text());
            LabelRow(set.lblChan, set.txtChan, set.txtSource, i);
            labelSetCount_ = static_cast<std::int16_t>(i + 1);
        }
        Relayout(labelSetCount_);
        DisplaySourceLabels(dialogPanelMode_ == PanelModeConsole);
    } catch (...) {
        log_.WriteErrorLog("Error Loading Channel Labels", "Setup Error");
    }
}

void frmSetup::RemoveChannelLabels(std::int16_t newCount) {
    try {
        for (int i = labelSetCount_ - 1; i >= newCount; --i) {
            if (i == 0)
                ThrowInvalidCall(); // set 0 belongs to the form itself
            ChannelLabelSet& set = sets_[i];
            Discard(set.txtChan);
            Discard(set.lblChan);
            Discard(set.txtSource);
            Discard(set.lblSource);
            labelSetCount_ = static_cast<std::int16_t>(i);
        }
        Relayout(labelSetCount_);
        DisplaySourceLabels(dialogPanelMode_ == PanelModeConsole);
    } catch (...) {
        log_.WriteErrorLog("Error Removing Channel Labels", "Setup Error");
    }
}

void frmSetup::DisplaySourceLabels(bool show) {
    for (int i = 0; i < labelSetCount_; ++i) {
        sets_[i].txtSource->setVisible(show);
        sets_[i].lblSource->setVisible(show);
    }
    SetOuterSize(OuterWidth, outerHeight_);
}

void frmSetup::optType_Click(int index) {
    try {
        if (index == 0) {
            chkEnableSourceSelect_->setEnabled(true);
            dialogPanelMode_ = PanelModeDeviceID;
            DisplaySourceLabels(false);
        } else {
            chkEnableSourceSelect_->setChecked(false);
            chkEnableSourceSelect_->setEnabled(false);
            dialogPanelMode_ = PanelModeConsole;
            DisplaySourceLabels(true);
        }
    } catch (...) {
        log_.ReportError("Error Changing Panel Mode", "Setup Error");
    }
}

void frmSetup::txtCount_KeyPress(int keyAscii) {
    if (keyAscii == EnterKey)
        ApplyCount();
}

void frmSetup::txtCount_LostFocus() {
    if (QGuiApplication::mouseButtons() == Qt::NoButton) {
        ApplyCount();
        return;
    }
    // The field was left by pressing a button: adding or removing sets now would move that
    // button away from under the mouse, and the release would miss it. The count applies
    // when the press is over, or first thing in OK.
    countPending_ = true;
    qApp->installEventFilter(this);
}

void frmSetup::ApplyPendingCount() {
    if (!countPending_)
        return;
    countPending_ = false;
    qApp->removeEventFilter(this);
    ApplyCount();
}

// The field's text stays as typed, also when the count it asks for is limited.
void frmSetup::ApplyCount() {
    try {
        const std::string text = ToText(txtCount_->text());
        if (!IsNumber(text))
            return;
        double n = RoundHalfEven(NumberOfText(text));
        n = n < 1.0 ? 1.0 : (n > MaxFaders ? MaxFaders : n);
        const std::int16_t count = ToInteger(n);
        if (count > labelSetCount_)
            LoadChannelLabels(count);
        else if (count < labelSetCount_)
            RemoveChannelLabels(count);
    } catch (...) {
        log_.ReportError("Error Changing Panel Count", "Setup Error");
    }
}

bool frmSetup::CheckIPAddress() {
    const std::optional<std::string> address = NormaliseIPAddress(ToText(txtIPAddr_->text()));
    if (!address)
        return false;
    txtIPAddr_->setText(FromText(*address));
    return true;
}

// The count OK stores: the number of the count field, unless that is not a number or
// lies outside 1 .. 20, in which case the sets on display decide. Never more sets than
// are on display.
std::int16_t frmSetup::CountForOk() const {
    const std::string text = ToText(txtCount_->text());
    std::int16_t count = labelSetCount_;
    if (IsNumber(text)) {
        const double n = RoundHalfEven(NumberOfText(text));
        if (n >= 1.0 && n <= MaxFaders)
            count = ToInteger(n);
    }
    return count < labelSetCount_ ? count : labelSetCount_;
}

// Device IDs outside 0 .. 8192 name no device of the switcher: the first such row is
// refused with a message and the focus, before anything is stored.
bool frmSetup::DeviceIDsInRange() {
    for (int i = 0; i < CountForOk(); ++i) {
        QLineEdit* field = sets_[i].txtChan;
        const double id = RoundHalfEven(NumberOfText(ToText(field->text())));
        if (id >= 0.0 && id <= MaxDeviceID)
            continue;
        ShowMessage(this, QMessageBox::NoIcon, "Device ID Error", DeviceIDMessage);
        field->setFocus();
        field->selectAll();
        area_->ensureWidgetVisible(field);
        return false;
    }
    return true;
}

void frmSetup::cmdOk_Click() {
    ApplyPendingCount();
    // A count typed and confirmed by the access key applies as leaving the field does.
    ApplyCount();
    try {
        if (!DeviceIDsInRange())
            return;
        v_.StayOnTopMode = chkStayOnTop_->isChecked() ? StayOnTop : NotOnTop;
        v_.EnableSourceSelect = chkEnableSourceSelect_->isChecked();
        v_.DisplayButtonPanel = chkDisplayBtns_->isChecked();

        bool connectionChanged = false;
        const double port = NumberOfText(ToText(txtIPPort_->text()));
        if (port != static_cast<double>(v_.IPPort)) {
            if (port > 65535.0 || port < 1.0) {
                ShowMessage(this, QMessageBox::NoIcon, "Port Error", PortMessage);
                return;
            }
            connectionChanged = true;
        }
        if (ToText(txtIPAddr_->text()) != v_.IPAddress) {
            if (!CheckIPAddress()) {
                ShowMessage(this, QMessageBox::Critical, "Data Format Error", AddressMessage);
                txtIPAddr_->setText(FromText(v_.IPAddress));
                txtIPAddr_->setFocus();
                area_->ensureWidgetVisible(txtIPAddr_);
                return;
            }
            connectionChanged = true;
        }
        if (connectionChanged) {
            v_.IPPort = ToLong(port);
            v_.IPAddress = ToText(txtIPAddr_->text());
            link_.DisconnectFromServer();
            link_.ConnectToServer();
            mainWindow_.EnablePollTimer(true);
        }

        const std::int16_t oldCount = v_.FaderCount;
        v_.FaderCount = CountForOk();
        if (v_.FaderCount != oldCount)
            ResizeFaderArrays(v_, static_cast<std::size_t>(v_.FaderCount));

        v_.ConsoleNumber = IntegerOfText(ToText(txtConsole_->text()));
        v_.ProgramBus = IntegerOfText(ToText(txtProgram_->text()));
        v_.CueBus = IntegerOfText(ToText(txtCue_->text()));
        v_.OfflineBus = IntegerOfText(ToText(txtOffLine_->text()));
        v_.IFBSource = IntegerOfText(ToText(txtIFB_->text()));

        v_.PanelMode = dialogPanelMode_;
        for (int i = 0; i < v_.FaderCount; ++i) {
            const ChannelLabelSet& set = sets_[i];
            const std::int16_t oldID = v_.FaderDeviceID[i];
            v_.FaderDeviceID[i] = IntegerOfText(ToText(set.txtChan->text()));
            if (v_.PanelMode == PanelModeConsole) {
                const std::int16_t oldSource = v_.FaderSource[i];
                v_.FaderSource[i] = IntegerOfText(ToText(set.txtSource->text()));
                if (v_.FaderSource[i] != oldSource && oldSource != 0)
                    mainWindow_.UpdateActiveSource(i);
            }
            if (v_.FaderDeviceID[i] != oldID && oldID != 0) {
                mainWindow_.InitSlider(i);
                if (v_.PanelMode == PanelModeDeviceID)
                    mainWindow_.UpdateActiveSource(i);
            }
        }
        v_.PanelMode = optType_[0]->isChecked() ? PanelModeDeviceID : PanelModeConsole;

        mainWindow_.SetStayOnTop(v_.StayOnTopMode);
        if (WriteConfiguration(v_, log_)) {
            accept();
            return;
        }
        ShowMessage(this, QMessageBox::Critical, "Error Writing File", WriteMessage);
    } catch (...) {
        log_.ReportError("Error Saving Setup", "Setup Error");
    }
}

void frmSetup::cmdCancel_Click() {
    reject();
}

void frmSetup::cmdProgBtns_Click() {
    try {
        frmConfigureButtons dialog(v_, log_, this);
        dialog.exec();
    } catch (...) {
        log_.ReportError("Error Configuring Buttons", "Setup Error");
    }
}

void frmSetup::keyPressEvent(QKeyEvent* event) {
    if (!PressFocusedButton(this, event))
        QDialog::keyPressEvent(event);
}

bool frmSetup::eventFilter(QObject* watched, QEvent* event) {
    if (countPending_ && event->type() == QEvent::MouseButtonRelease) {
        // After the released button has acted on its click.
        QMetaObject::invokeMethod(this, &frmSetup::ApplyPendingCount, Qt::QueuedConnection);
    }
    if (watched == txtCount_) {
        if (event->type() == QEvent::KeyPress) {
            if (IsEnterKey(static_cast<QKeyEvent*>(event))) {
                txtCount_KeyPress(EnterKey);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // Only a move of the focus to another control counts, not the window
            // losing activation (a message box, another program).
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                txtCount_LostFocus();
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace orl
