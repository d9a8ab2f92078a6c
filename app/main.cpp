// ORL Console: the remote control surface of one console of a broadcast audio routing
// switcher.
#include "ErrorLog.h"
#include "Variables.h"
#include "frmMain.h"
#include "frmSetup.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

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
    // For scripts/bench: "shown" once the event loop ran with the window shown, then leave.
    if (qEnvironmentVariableIsSet("ORL_REPORT_SHOWN"))
        QTimer::singleShot(0, &app, [&app] {
            std::printf("shown\n");
            std::fflush(stdout);
            app.quit();
        });
    return app.exec();
}
