// ORL Console: the remote control surface of one console of a broadcast audio routing
// switcher.
#include "CommandLine.h"
#include "ErrorLog.h"
#include "TerminationSignal.h"
#include "Variables.h"
#include "frmMain.h"
#include "frmSetup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>

namespace {

// --help and --version are answered before a display is opened.
orl::CommandLineOutcome ReadCommandLine(int argc, char** argv, orl::ConsoleOptions& options) {
    QCoreApplication commandLine(argc, argv);
    return orl::ParseCommandLine(QCoreApplication::arguments(), options);
}

// Shown beside the panel, which goes on without saving anything; also told on stderr.
void ReportUnusableFolder(const std::string& problem, QWidget* parent) {
    std::fprintf(stderr, "orl-console: the settings folder cannot be used: %s\n", problem.c_str());
    auto* box = new QMessageBox(
        QMessageBox::Warning, QStringLiteral("Settings Folder"),
        QStringLiteral("The settings folder cannot be used:\n") + QString::fromStdString(problem) +
            QStringLiteral("\n\nThe panel runs, but its settings, error log and device listing "
                           "are not saved."),
        QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

} // namespace

int main(int argc, char** argv) {
    orl::ConsoleOptions options;
    const orl::CommandLineOutcome outcome = ReadCommandLine(argc, argv, options);
    if (!outcome.run) {
        std::fputs(outcome.output.c_str(), stdout);
        std::fputs(outcome.error.c_str(), stderr);
        return outcome.exitCode;
    }

    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orl-console"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORL_VERSION));
    const orl::ApplicationFolder folder = orl::ApplicationPath(
        orl::ApplicationFolderChoiceOfThisUser(QCoreApplication::applicationDirPath().toStdString(),
                                               options.folder, ORL_INSTALL_BINDIR));

    orl::Variables state;
    orl::ErrorLog log(state);
    orl::frmMain window(state, log);
    window.SetSetupDialogOpener([&](QWidget* parent) {
        orl::frmSetup dialog(state, log, window.Link(), window, parent);
        dialog.exec();
    });
    // A dialog still open ends with the window, as the operator closing it would see.
    orl::TerminationSignal termination([&window] {
        window.close();
        QCoreApplication::quit();
    });
    if (!folder.problem.empty())
        ReportUnusableFolder(folder.problem, &window);
    window.Form_Load(folder.path);
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
