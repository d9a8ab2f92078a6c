// The server information window, and the main window's Help > About that opens it.

#include "frmAbout.h"

#include "Controls.h"
#include "Look.h"
#include "Twips.h"
#include "frmMain.h"

#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace orl {

frmAbout::frmAbout(Variables& v, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      v_(v) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("ORL Server Module Information"));
    setFixedSize(ToPixels(7545), ToPixels(2895));
    setFont(Font(QStringLiteral("Liberation Sans"), 8.25));

    cmdAboutquit_ = MakeButton(this, QStringLiteral("cmdAboutquit"), QStringLiteral("&Ok"), 4440,
                               2280, 2865, 495);

    // Banner: the program's own name and what it is, never a maker's address.
    lblORLtitle_ = MakeLabel(this, "lblORLtitle", QStringLiteral("ORL Console Soft Panel"), 1200,
                             90, 3810, 240);
    lblORLtitle_->setFont(Font(QStringLiteral("Liberation Sans"), 9.75, true));
    QPalette black = lblORLtitle_->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    lblORLtitle_->setPalette(black);

    lblORLaddress_ =
        MakeLabel(this, "lblORLaddress", QStringLiteral("Remote control surface for audio routing"),
                  1200, 300, 3810, 180);
    lblORLaddress2_ =
        MakeLabel(this, "lblORLaddress2",
                  QStringLiteral("Connects to the switcher's server module"), 1200, 465, 3810, 180);
    QPalette grey = lblORLaddress_->palette();
    grey.setColor(QPalette::WindowText, QColor(64, 64, 64));
    for (QLabel* l : {lblORLaddress_, lblORLaddress2_})
        l->setPalette(grey);

    Image1_ = MakeLabel(this, "Image1", QString(), 120, 105, 750, 435);
    Image1_->setPixmap(Logo());

    frmSetupInfo_ = new QGroupBox(QStringLiteral("Setup Information"), this);
    frmSetupInfo_->setObjectName(QStringLiteral("frmSetupInfo"));
    Place(frmSetupInfo_, 120, 960, 4095, 1815);
    const QString notSpecified = QStringLiteral("Not Specified");
    lblTcpPort1_ = MakeLabel(frmSetupInfo_, "lblTcpPort1", QStringLiteral("TCP/IP Port :"), 120,
                             480, 1095, 255);
    lblTcpPort_ = MakeLabel(frmSetupInfo_, "lblTcpPort", notSpecified, 1560, 480, 2295, 255);
    lblStatus1_ =
        MakeLabel(frmSetupInfo_, "lblStatus1", QStringLiteral("Status 1"), 120, 960, 1095, 255);
    lblStatsus1Value_ =
        MakeLabel(frmSetupInfo_, "lblStatsus1Value", notSpecified, 1560, 960, 2295, 255);
    lblStatus2_ =
        MakeLabel(frmSetupInfo_, "lblStatus2", QStringLiteral("Status 2"), 120, 1200, 1335, 255);
    lblStatsus2Value_ =
        MakeLabel(frmSetupInfo_, "lblStatsus2Value", notSpecified, 1560, 1200, 2175, 255);

    frmVersionInfo_ = new QGroupBox(QStringLiteral("Version Information"), this);
    frmVersionInfo_->setObjectName(QStringLiteral("frmVersionInfo"));
    Place(frmVersionInfo_, 4440, 960, 2895, 975);
    lblVersionInfo_ = MakeLabel(frmVersionInfo_, "lblVersionInfo", QString(), 120, 360, 2655, 495);

    cmdClear_ =
        MakeButton(this, QStringLiteral("cmdClear"), QStringLiteral("Clear"), 6360, 360, 735, 255);

    QWidget::setTabOrder(cmdAboutquit_, cmdClear_);
    cmdAboutquit_->setFocus();

    connect(cmdAboutquit_, &QPushButton::clicked, this, [this] { cmdAboutquit_Click(); });
    connect(cmdClear_, &QPushButton::clicked, this, [this] { cmdClear_Click(); });
}

void frmAbout::Form_Activate() {
    lblTcpPort_->setText(QStringLiteral("Port ") + QString::number(v_.IPPort));
    lblVersionInfo_->setText(QStringLiteral("ORL Console\nVersion 3.20 - 12/23/2020"));
    lblStatsus1Value_->setText(QString::number(v_.PendingRequestMask1));
    lblStatsus2Value_->setText(QString::number(v_.PendingRequestMask2));
}

// The labels keep the old values until the window is shown again.
void frmAbout::cmdClear_Click() {
    v_.PendingRequestMask1 = 0;
    v_.PendingRequestMask2 = 0;
}

void frmAbout::cmdAboutquit_Click() {
    hide();
}

void frmAbout::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    Form_Activate();
}

QPixmap frmAbout::Logo() {
    // Three fader slots with their caps on the panel's dark blue.
    QPixmap logo(50, 29);
    logo.fill(ToQColor(PanelColour));
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    const int caps[] = {16, 8, 12};
    for (int k = 0; k < 3; ++k) {
        const int x = 11 + 14 * k;
        p.setPen(QPen(QColor(20, 20, 60), 2));
        p.drawLine(x, 4, x, 25);
        p.setPen(Qt::NoPen);
        p.setBrush(ToQColor(k == 1 ? ActiveColour : IdleColour));
        p.drawRoundedRect(QRectF(x - 5, caps[k] - 2, 10, 5), 1.5, 1.5);
    }
    p.setPen(QPen(ToQColor(OnColour), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 49, 28));
    return logo;
}

void frmMain::mnuAbout_Click() {
    SetStayOnTop(NotOnTop);
    if (about_ == nullptr)
        about_ = new frmAbout(v_, this);
    about_->exec();
    SetStayOnTop(v_.StayOnTopMode);
}

} // namespace orl
