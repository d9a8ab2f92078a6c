#pragma once
// The server information window: program version, the server module's TCP port and the
// two words of the outstanding information request, which Clear sets to 0 by hand.
// Created on first use, afterwards only hidden and shown again.

#include "Variables.h"

#include <QDialog>
#include <QPixmap>

class QGroupBox;
class QLabel;
class QPushButton;

namespace orl {

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(Variables& v, QWidget* parent = nullptr);

    // Fills the labels; runs every time the window is shown.
    void Form_Activate();
    void cmdClear_Click();
    void cmdAboutquit_Click();

    // The 50 x 29 pixel picture beside the banner.
    static QPixmap Logo();

protected:
    void showEvent(QShowEvent* event) override;

private:
    Variables& v_;
    QPushButton* cmdAboutquit_ = nullptr;
    QLabel* lblORLtitle_ = nullptr;
    QLabel* lblORLaddress_ = nullptr;
    QLabel* lblORLaddress2_ = nullptr;
    QLabel* Image1_ = nullptr;
    QGroupBox* frmSetupInfo_ = nullptr;
    QLabel* lblTcpPort1_ = nullptr;
    QLabel* lblTcpPort_ = nullptr;
    QLabel* lblStatus1_ = nullptr;
    QLabel* lblStatsus1Value_ = nullptr;
    QLabel* lblStatus2_ = nullptr;
    QLabel* lblStatsus2Value_ = nullptr;
    QGroupBox* frmVersionInfo_ = nullptr;
    QLabel* lblVersionInfo_ = nullptr;
    QPushButton* cmdClear_ = nullptr;
};

} // namespace orl
