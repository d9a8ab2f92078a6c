#pragma once
// The modal setup dialog: connection, panel mode, fader count, console, buses, IFB
// source, per-fader device IDs and sources, and three options.

#include "ErrorLog.h"
#include "IPanelWindow.h"
#include "TCPComm.h"
#include "Table.h"
#include "Variables.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <string>

class QCheckBox;
class QKeyEvent;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;

namespace orl {

class frmSetup : public QDialog {
    Q_OBJECT
public:
    static constexpr int OuterWidth = 6825;

    frmSetup(Variables& v, ErrorLog& log, TCPComm& link, IPanelWindow& mainWindow,
             QWidget* parent = nullptr);
    ~frmSetup() override;

    // Outer size of the window in twips, as the layout sets it (title bar and borders
    // included).
    int OuterWidthTwips() const { return outerWidth_; }
    int OuterHeightTwips() const { return outerHeight_; }
    int LabelSetCount() const { return labelSetCount_; }

    void LoadChannelLabels(std::int16_t newCount);
    void RemoveChannelLabels(std::int16_t newCount);
    void DisplaySourceLabels(bool show);
    void optType_Click(int index);
    void txtCount_KeyPress(int keyAscii);
    void txtCount_LostFocus();
    void cmdOk_Click();
    void cmdCancel_Click();
    void cmdProgBtns_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // One row of the per-fader fields.
    struct ChannelLabelSet {
        QLabel* lblChan = nullptr;
        QLineEdit* txtChan = nullptr;
        QLabel* lblSource = nullptr;
        QLineEdit* txtSource = nullptr;
    };

    void BuildControls();
    void Form_Load();
    void Relayout(int setCount);
    bool CheckIPAddress();
    void ApplyCount();
    // Applies a count whose field was left by a mouse press, once that press is over.
    void ApplyPendingCount();
    void SetOuterSize(int width, int height);
    void FitToScreen();
    bool DeviceIDsInRange();
    std::int16_t CountForOk() const;

    Variables& v_;
    ErrorLog& log_;
    TCPComm& link_;
    IPanelWindow& mainWindow_;

    std::int16_t labelSetCount_ = 1;
    bool countPending_ = false;
    std::int16_t dialogPanelMode_ = PanelModeDeviceID;
    int outerWidth_ = OuterWidth;
    int outerHeight_ = 0;

    QScrollArea* area_ = nullptr; // scrolls the form where the screen is too small
    QWidget* form_ = nullptr;     // every control, at the layout's size

    QLabel* lblIpAddr_ = nullptr;
    QLineEdit* txtIPAddr_ = nullptr;
    QLabel* lblIPPort_ = nullptr;
    QLineEdit* txtIPPort_ = nullptr;
    QFrame* frType_ = nullptr;
    Table<QRadioButton*> optType_{2, nullptr};
    QLabel* lblCount_ = nullptr;
    QLineEdit* txtCount_ = nullptr;
    QLabel* lblConsole_ = nullptr;
    QLineEdit* txtConsole_ = nullptr;
    Table<ChannelLabelSet> sets_{MaxFaders};
    QLabel* lblProgram_ = nullptr;
    QLineEdit* txtProgram_ = nullptr;
    QLabel* lblOffLine_ = nullptr;
    QLineEdit* txtOffLine_ = nullptr;
    QLabel* lblCue_ = nullptr;
    QLineEdit* txtCue_ = nullptr;
    QLabel* lblIFB_ = nullptr;
    QLineEdit* txtIFB_ = nullptr;
    QCheckBox* chkDisplayBtns_ = nullptr;
    QPushButton* cmdProgBtns_ = nullptr;
    QCheckBox* chkStayOnTop_ = nullptr;
    QCheckBox* chkEnableSourceSelect_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QPushButton* cmdOk_ = nullptr;
};

} // namespace orl
