// ORL Console: the remote control surface of one console of a broadcast audio routing
// switcher.
#include "ErrorLog.h"
#include "Variables.h"
#include "frmMain.h"
#include "frmSetup.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    orl::Variables state;
    orl::ErrorLog log(state.AppPath);
    orl::frmMain window(state, log);
    window.SetSetupDialogOpener([&](QWidget* parent) {
        orl::frmSetup dialog(state, log, window.Link(), window, parent);
        dialog.exec();
    });
    window.Form_Load();
    window.show();
    return app.exec();
}
