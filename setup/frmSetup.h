#pragma once
// The modal setup dialog: connection, panel mode, fader count, console, buses, IFB
// source, per-fader device IDs and sources, and three options.

#include "ErrorLog.h"
#include "IPanelWindow.h"
#include "TCPComm.h"
#include "Table.h"
#include "Variables.h"

#include <QDialog>
#include <QRect>

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

namespace orl {

// The look both setup dialogs share: positions in twips, the dialog colour and the
// colours of the text boxes.
namespace dialog_look {

inline constexpr int DialogRed = 129, DialogGreen = 191, DialogBlue = 255;
inline constexpr int TextBackRed = 223, TextBackGreen = 213, TextBackBlue = 200;
inline constexpr int TextRed = 117, TextGreen = 95, TextBlue = 68;

// Places `widget` at a position given in twips and remembers the twips, so that the
// layout can be read back without the rounding of the pixel grid.
void Place(QWidget* widget, int left, int top, int width, int height);
void MoveTop(QWidget* widget, int top);
// The twips last given to Place/MoveTop (a null rectangle for a widget never placed).
QRect TwipsGeometry(const QWidget* widget);
// Background and font of the dialog and of the labels, check boxes and option buttons on it.
void PaintDialog(QWidget* dialog);
void PaintTextBox(QWidget* textBox);
// Enter on a focused command button presses it, as the Windows desktop does; Enter
// anywhere else presses nothing. True when the key was taken.
bool PressFocusedButton(QWidget* dialog, QKeyEvent* event);
// Latin-1 both ways: what the operator types is stored as 8-bit text.
std::string ToText(const QString& text);
QString FromText(const std::string& text);

} // namespace dialog_look

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
