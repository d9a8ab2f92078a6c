// ORL Console: the remote control surface of one console of a broadcast audio routing
// switcher.
#include "CommandLine.h"
#include "ErrorLog.h"
#include "FolderLock.h"
#include "LinkTrace.h"
#include "OscSurface.h"
#include "TerminationSignal.h"
#include "Variables.h"
#include "frmMain.h"
#include "frmSetup.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHostAddress>
#include <QMessageBox>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

// --help and --version are answered before a display is opened.
orl::CommandLineOutcome ReadCommandLine(int argc, char** argv, orl::ConsoleOptions& options) {
    QCoreApplication commandLine(argc, argv);
    return orl::ParseCommandLine(std::vector<std::string>(argv, argv + argc), options);
}

// Shown beside the panel, which goes on; also told on stderr.
void ShowBeside(QWidget* parent, const QString& title, const std::string& text,
                const std::string& told) {
    std::fprintf(stderr, "orl-console: %s\n", told.c_str());
    auto* box = new QMessageBox(QMessageBox::Warning, title, QString::fromStdString(text),
                                QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

// The trace's lines: standard error, or the file appended to. A file that cannot be
// opened is said once, and the trace goes to standard error instead. Opening never
// waits: a FIFO nobody reads yet is opened for reading too, so that its reader can come
// later (the lines it cannot hold meanwhile are dropped and counted).
int TraceDescriptor(const orl::ConsoleOptions& options) {
    if (options.traceFile.empty())
        return STDERR_FILENO;
    const char* path = options.traceFile.c_str();
    int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0 && errno == ENXIO)
        fd = ::open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        std::fprintf(stderr,
                     "orl-console: the trace cannot be written to %s: %s; it goes to "
                     "standard error instead\n",
                     options.traceFile.c_str(), std::strerror(errno));
    return fd >= 0 ? fd : STDERR_FILENO;
}

} // namespace

int main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
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

    // Off unless asked for: the link then holds a null pointer and traces nothing. Made
    // before the window, so it outlives the link that writes to it.
    std::unique_ptr<orl::LinkTrace> trace;
    if (options.trace || orlLink().isDebugEnabled())
        trace =
            std::make_unique<orl::LinkTrace>(options.trace ? TraceDescriptor(options) : -1, start);

    orl::Variables state;
    orl::ErrorLog log(state);
    orl::frmMain window(state, log);
    window.SetSetupDialogOpener([&](QWidget* parent) {
        orl::frmSetup dialog(state, log, window.Link(), window, parent);
        dialog.exec();
    });

    window.Link().SetTrace(trace.get());

    // A signal ends the panel at any moment, as closing the window would (the settings
    // are saved when there are any), a modal dialog's open or not: exit() leaves every
    // running event loop, the dialogs' included.
    bool ended = false;
    orl::TerminationSignal termination([&window, &ended] {
        ended = true;
        window.close();
        QCoreApplication::exit(0);
    });

    // The control surface, when asked for: it goes before the window it works.
    std::unique_ptr<orl::OscSurface> surface;
    if (options.oscPort != 0) {
        surface = std::make_unique<orl::OscSurface>(window, state, log);
        if (trace)
            surface->SetTrace([t = trace.get()](bool received, const std::string& text) {
                t->Surface(received, text);
            });
        const QString address = QString::fromStdString(options.oscBind);
        QString error;
        if (!surface->Listen(QHostAddress(address), static_cast<quint16>(options.oscPort), error)) {
            const std::string where = options.oscBind + " port " + std::to_string(options.oscPort);
            ShowBeside(&window, QStringLiteral("Control Surface"),
                       "Control surfaces cannot reach the panel: UDP " + where + ": " +
                           error.toStdString() + "\n\nThe panel runs without them.",
                       "OSC cannot listen on UDP " + where + ": " + error.toStdString());
            surface.reset();
        }
    }
    if (options.locked)
        window.SetLocked(true);

    std::unique_ptr<orl::FolderLock> folderLock;
    if (!folder.problem.empty()) {
        ShowBeside(&window, QStringLiteral("Settings Folder"),
                   "The settings folder cannot be used:\n" + folder.problem +
                       "\n\nThe panel runs, but its settings, error log and device listing are "
                       "not saved.",
                   "the settings folder cannot be used: " + folder.problem);
    } else {
        folderLock = std::make_unique<orl::FolderLock>(folder.path);
        // Started with --folder already, it needs another folder, not the option.
        const std::string shared =
            options.folder.empty()
                ? "Another ORL Console uses this settings folder; start this one with "
                  "--folder to keep its settings apart"
                : "Another ORL Console uses this settings folder; start this one with "
                  "another --folder to keep its settings apart";
        if (folderLock->HeldByAnother())
            ShowBeside(&window, QStringLiteral("Settings Folder"), shared,
                       shared + ": " + folder.path);
    }
    window.Form_Load(folder.path);
    if (ended) // by a signal, while a start-up dialog was open
        return 0;
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
