#pragma once
// The modal setup dialog: connection, panel mode, fader count, console, buses, IFB
// source, per-fader device IDs and sources, and three options.

#include "ErrorLog.h"
#include "IPanelWindow.h"
#include "TCPComm.h"
#include "Variables.h"

#include <QDialog>

namespace orl {

class frmSetup : public QDialog {
    Q_OBJECT
public:
    frmSetup(Variables& v, ErrorLog& log, TCPComm& link, IPanelWindow& mainWindow,
             QWidget* parent = nullptr);
};

} // namespace orl
