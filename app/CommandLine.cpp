#include "CommandLine.h"

#include <QCommandLineParser>
#include <QHostAddress>

#include <filesystem>

namespace orl {

namespace {

constexpr const char* Usage =
    "Usage: orl-console [--folder DIR] [--trace[=FILE]] [--osc PORT [--osc-bind ADDRESS]]\n"
    "                   [--locked] [--help] [--version]\n";
constexpr std::string_view TraceToFile = "--trace=";

// Every byte one character and back: option names are ASCII, and the bytes of a value
// come back unchanged whatever they are.
QString FromBytes(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text) {
    return text.toLatin1().toStdString();
}

CommandLineOutcome Failure(const std::string& reason) {
    CommandLineOutcome outcome;
    outcome.run = false;
    outcome.exitCode = 2;
    outcome.error = "orl-console: " + reason + "\n" + Usage;
    return outcome;
}

CommandLineOutcome Finished(const std::string& text) {
    CommandLineOutcome outcome;
    outcome.run = false;
    outcome.output = text;
    return outcome;
}

// The folder made absolute and cleaned of ".", ".." and doubled or trailing slashes,
// by its bytes alone.
std::string AbsoluteFolder(const std::string& dir) {
    namespace fs = std::filesystem;
    fs::path path(dir);
    std::error_code ec;
    if (path.is_relative())
        path = fs::current_path(ec) / path;
    std::string clean = path.lexically_normal().string();
    while (clean.size() > 1 && clean.back() == '/')
        clean.pop_back();
    return clean;
}

} // namespace

CommandLineOutcome ParseCommandLine(const std::vector<std::string>& arguments,
                                    ConsoleOptions& options) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "ORL Console: the soft panel of one console of an audio routing switcher.\n"
        "Settings (orlntpnl.ini), the error log (Errorlog.txt) and the device listing\n"
        "(DeviceID.txt) live in the program's own folder when it is writable, else in\n"
        "$XDG_CONFIG_HOME/orl-console (~/.config/orl-console), which starts from\n"
        "/etc/orl-console/orlntpnl.ini when there is one.");
    const QCommandLineOption help(QStringList{"h", "help"}, "Show this help and exit.");
    const QCommandLineOption version(QStringList{"v", "version"}, "Show the version and exit.");
    const QCommandLineOption folder(
        "folder", "Keep the settings in DIR (created when missing); one folder per console.",
        "DIR");
    const QCommandLineOption trace(
        "trace", "Write every message sent to and received from the switcher, one line each, "
                 "to standard error; --trace=FILE appends them to FILE.");
    const QCommandLineOption osc(
        "osc",
        "Take presses from control surfaces and tell them the panel's state: OSC messages "
        "over UDP on PORT of 127.0.0.1 (see the manual page for the addresses).",
        "PORT");
    const QCommandLineOption oscBind(
        "osc-bind",
        "Listen for OSC on ADDRESS instead (0.0.0.0: every network of this computer, so "
        "that anyone who reaches it can work the panel).",
        "ADDRESS");
    const QCommandLineOption locked(
        "locked", "Start with the panel locked: no press acts until File > Unlock.");
    parser.addOptions({help, version, folder, trace, osc, oscBind, locked});

    // --trace=FILE is taken here: the parser knows options with a value always or never.
    QStringList rest;
    int traces = 0;
    for (const std::string& argument : arguments) {
        if (&argument != &arguments.front() && argument.starts_with(TraceToFile)) {
            options.traceFile = argument.substr(TraceToFile.size());
            if (options.traceFile.empty())
                return Failure("--trace= wants a file.");
            ++traces;
            continue;
        }
        rest << FromBytes(argument);
    }

    if (!parser.parse(rest))
        return Failure(ToBytes(parser.errorText()));
    if (!parser.positionalArguments().isEmpty())
        return Failure("unexpected argument '" + ToBytes(parser.positionalArguments().first()) +
                       "'.");
    if (parser.isSet(help)) // with the program's name rather than the path it was run by
        return Finished(Usage + ToBytes(parser.helpText().section('\n', 1)));
    if (parser.isSet(version))
        return Finished("orl-console " ORL_VERSION "\n");
    traces += static_cast<int>(parser.optionNames().count(QStringLiteral("trace")));
    if (traces > 1)
        return Failure("--trace given more than once.");
    options.trace = traces == 1;
    const QStringList folders = parser.values(folder);
    if (folders.size() > 1)
        return Failure("--folder given more than once; one panel keeps one folder.");
    if (!folders.isEmpty()) {
        const std::string dir = ToBytes(folders.front());
        if (dir.empty())
            return Failure("--folder wants a folder.");
        options.folder = AbsoluteFolder(dir);
    }
    const QStringList ports = parser.values(osc);
    if (ports.size() > 1)
        return Failure("--osc given more than once.");
    if (!ports.isEmpty()) {
        bool number = false;
        const uint port = ports.front().toUInt(&number);
        if (!number || port < 1 || port > 65535)
            return Failure("--osc wants a UDP port from 1 to 65535.");
        options.oscPort = static_cast<int>(port);
    }
    const QStringList binds = parser.values(oscBind);
    if (binds.size() > 1)
        return Failure("--osc-bind given more than once.");
    if (!binds.isEmpty()) {
        if (ports.isEmpty())
            return Failure("--osc-bind needs --osc PORT.");
        const QHostAddress address(binds.front());
        if (address.isNull())
            return Failure("--osc-bind wants a numeric IP address, such as 0.0.0.0.");
        options.oscBind = ToBytes(address.toString());
    }
    options.locked = parser.isSet(locked);
    return {};
}

} // namespace orl
