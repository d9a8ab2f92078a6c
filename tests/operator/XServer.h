#pragma once
// The operator's desk for the operator tests: an X server of the test's own (Xvfb on the
// first free display, never a fixed one), real keyboard and mouse input through xdotool
// (XTest), window titles and geometry, and screenshots taken with ImageMagick's import.

#include "ChildProcess.h"
#include "TempFolder.h"
#include "WaitUntil.h"

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QRegularExpression>
#include <QStringList>

#include <cstdlib>
#include <vector>

namespace orl::test {

using XWindow = unsigned long;

class XServer {
public:
    // Starts Xvfb with a screen of `screen` pixels ("1366x768"); Error() says why when it
    // did not come up.
    explicit XServer(const QString& screen = QStringLiteral("1280x1024")) {
        xvfb_.setProgram(QStringLiteral("Xvfb"));
        EndWithTheTest(xvfb_);
        // -displayfd 1: Xvfb picks a free display and prints its number on its stdout.
        // -noreset: the server would otherwise reset when its last client leaves (the first
        // query below), refusing a program that connects in that moment.
        xvfb_.setArguments(
            {"-displayfd", "1", "-screen", "0", screen + "x24", "-nolisten", "tcp", "-noreset"});
        xvfb_.start();
        if (!xvfb_.waitForStarted(10000)) {
            error_ = "Xvfb could not be started (" + xvfb_.errorString() +
                     "); the operator tests need it (scripts/deps.sh installs xvfb)";
            return;
        }
        WaitUntil([&] { return xvfb_.canReadLine() || xvfb_.state() != QProcess::Running; }, 15000);
        const QString number = QString::fromLatin1(xvfb_.readLine()).trimmed();
        bool ok = false;
        number.toInt(&ok);
        if (!ok) {
            error_ = "Xvfb reported no display number within 15 s: " +
                     QString::fromLocal8Bit(xvfb_.readAllStandardError()).trimmed();
            return;
        }
        display_ = ":" + number;
        // Started: the display answers a query.
        if (!WaitUntil([&] { return Run("xdotool", {"getmouselocation"}).ok; }, 10000))
            error_ = "the X server on " + display_ +
                     " did not answer xdotool (is xdotool installed? scripts/deps.sh "
                     "installs it): " +
                     Run("xdotool", {"getmouselocation"}).output;
    }
    ~XServer() { StopProcess(xvfb_); }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool Up() const { return error_.isEmpty() && !display_.isEmpty(); }
    QString Error() const { return error_; }
    QString Display() const { return display_; }

    // The environment of a program shown on this display, as an X client (not offscreen).
    QProcessEnvironment Environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", display_);
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.remove("WAYLAND_DISPLAY");
        environment.remove("XAUTHORITY");
        return environment;
    }

    struct Result {
        bool ok = false;
        QString output;
    };
    // Runs a tool on this display and waits for it; ok when it exited with 0.
    Result Run(const QString& program, const QStringList& arguments, int timeoutMs = 10000) const {
        QProcess process;
        process.setProcessEnvironment(Environment());
        process.setProgram(program);
        process.setArguments(arguments);
        process.start();
        Result result;
        if (!process.waitForStarted(timeoutMs) || !process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished(1000);
            result.output = program + ": " + process.errorString();
            return result;
        }
        result.output = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
        result.ok = process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        if (!result.ok)
            result.output += QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        return result;
    }

    // ---- Windows ------------------------------------------------------------------------

    // The mapped windows whose whole title is `title`.
    std::vector<XWindow> Windows(const QString& title) const {
        const Result found = Run("xdotool", {"search", "--onlyvisible", "--name",
                                             "^" + QRegularExpression::escape(title) + "$"});
        std::vector<XWindow> windows;
        for (const QString& id : found.output.split('\n', Qt::SkipEmptyParts))
            windows.push_back(id.trimmed().toULong());
        return windows;
    }
    // The titles of every mapped window, one a line, for a failure message.
    QString Titles() const {
        QStringList titles;
        const Result found = Run("xdotool", {"search", "--onlyvisible", "--name", "."});
        for (const QString& id : found.output.split('\n', Qt::SkipEmptyParts))
            titles << id + " \"" + Title(id.trimmed().toULong()) + "\"";
        return titles.join('\n');
    }
    // The one mapped window titled `title`, once it is there; 0 after the timeout.
    XWindow WaitForWindow(const QString& title, int timeoutMs = 15000) const {
        XWindow window = 0;
        WaitUntil(
            [&] {
                const auto windows = Windows(title);
                window = windows.size() == 1 ? windows.front() : 0;
                return window != 0;
            },
            timeoutMs);
        return window;
    }
    bool WaitUntilGone(const QString& title, int timeoutMs = 10000) const {
        return WaitUntil([&] { return Windows(title).empty(); }, timeoutMs);
    }
    QString Title(XWindow window) const {
        return Run("xdotool", {"getwindowname", QString::number(window)}).output;
    }
    // The window's place on the screen and its size, in pixels; empty when unknown.
    QRect Geometry(XWindow window) const {
        const Result shell =
            Run("xdotool", {"getwindowgeometry", "--shell", QString::number(window)});
        int values[4] = {0, 0, 0, 0};
        const char* names[4] = {"X=", "Y=", "WIDTH=", "HEIGHT="};
        for (const QString& line : shell.output.split('\n'))
            for (int k = 0; k < 4; ++k)
                if (line.startsWith(QLatin1String(names[k])))
                    values[k] = line.mid(static_cast<int>(qstrlen(names[k]))).toInt();
        return QRect(values[0], values[1], values[2], values[3]);
    }
    // Gives the window the keyboard focus (there is no window manager to do it on a click).
    bool Focus(XWindow window) const {
        return Run("xdotool", {"windowfocus", "--sync", QString::number(window)}).ok;
    }

    // ---- Keyboard and mouse -------------------------------------------------------------

    // Presses and releases each key or chord in turn ("alt+f", "Return", "ctrl+a").
    bool Keys(const QStringList& keys) const {
        return Run("xdotool", QStringList{"key"} + keys).ok;
    }
    bool Type(const QString& text) const { return Run("xdotool", {"type", "--", text}).ok; }
    bool Click(QPoint at) const { return Mouse(at, {"click", "1"}); }
    bool Press(QPoint at) const { return Mouse(at, {"mousedown", "1"}); }
    bool Release(QPoint at) const { return Mouse(at, {"mouseup", "1"}); }
    // Turns the mouse wheel over `at` by `notches`: down when positive, up when negative.
    bool Wheel(QPoint at, int notches) const {
        return Mouse(at, {"click", "--repeat", QString::number(std::abs(notches)), "--delay", "50",
                          notches > 0 ? "5" : "4"});
    }

    // ---- Screen -------------------------------------------------------------------------

    // The whole screen as it is now; a null image when it could not be taken.
    QImage Screenshot() const {
        TempFolder folder{"orl-screen"};
        const QString file = QString::fromStdString((folder.Path() / "screen.png").string());
        if (!folder.Made() || !Run("import", {"-silent", "-window", "root", "png:" + file}).ok)
            return {};
        return QImage(file).convertToFormat(QImage::Format_RGB32);
    }

private:
    bool Mouse(QPoint at, const QStringList& action) const {
        return Run("xdotool",
                   QStringList{"mousemove", QString::number(at.x()), QString::number(at.y())} +
                       action)
            .ok;
    }

    QProcess xvfb_;
    QString display_;
    QString error_;
};

// The share (0 to 1) of the pixels inside `area` that have exactly the colour `rgb`.
inline double ColourShare(const QImage& image, const QRect& area, QRgb rgb) {
    const QRect inside = area.intersected(image.rect());
    if (inside.isEmpty())
        return 0;
    long matching = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            matching += (image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF) ? 1 : 0;
    return static_cast<double>(matching) / (static_cast<double>(inside.width()) * inside.height());
}

} // namespace orl::test
