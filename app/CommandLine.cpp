#include "CommandLine.h"

#include <QCommandLineParser>
#include <QDir>

namespace orl {

namespace {

constexpr const char* Usage = "Usage: orl-console [--folder DIR] [--help] [--version]\n";

CommandLineOutcome Failure(const QString& reason) {
    CommandLineOutcome outcome;
    outcome.run = false;
    outcome.exitCode = 2;
    outcome.error = "orl-console: " + reason.toStdString() + "\n" + Usage;
    return outcome;
}

CommandLineOutcome Finished(const QString& text) {
    CommandLineOutcome outcome;
    outcome.run = false;
    outcome.output = text.toStdString();
    return outcome;
}

} // namespace

CommandLineOutcome ParseCommandLine(const QStringList& arguments, ConsoleOptions& options) {
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
    parser.addOptions({help, version, folder});

    if (!parser.parse(arguments))
        return Failure(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return Failure("unexpected argument '" + parser.positionalArguments().first() + "'.");
    if (parser.isSet(help)) // with the program's name rather than the path it was run by
        return Finished(QString(Usage) + parser.helpText().section('\n', 1));
    if (parser.isSet(version))
        return Finished(QStringLiteral("orl-console " ORL_VERSION "\n"));
    if (parser.isSet(folder)) {
        const QString dir = parser.value(folder);
        if (dir.isEmpty())
            return Failure("--folder wants a folder.");
        options.folder = QDir::cleanPath(QDir::current().absoluteFilePath(dir)).toStdString();
    }
    return {};
}

} // namespace orl
