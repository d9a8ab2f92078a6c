#include "Options.h"

#include "Protocol.h"

#include <QCommandLineParser>
#include <QHostAddress>

namespace orl::sim {

namespace {

struct Range {
    const char* name;
    int* value;
    int lowest;
    int highest;
};

} // namespace

bool ParseOptions(const QStringList& arguments, Options& options, std::string& error) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "A server module with a switcher behind it, for panels to connect to.\n"
        "Reads control lines on stdin: \"burst N [console]\" sends N channel on/off reports\n"
        "to every panel, \"relay N on|off\" and \"opto N on|off\" change a state, \"panels\"\n"
        "counts the connected panels, \"quit\" stops.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption bind(
        "bind", "Address to listen on; 0.0.0.0 takes every interface (default: 127.0.0.1).",
        "ADDRESS", "127.0.0.1");
    const QCommandLineOption port("port", "TCP port; 0 picks a free one (default: 1250).", "N",
                                  "1250");
    const QCommandLineOption inputs("inputs", "Number of inputs (default: 32).", "N", "32");
    const QCommandLineOption consoles("consoles", "Number of consoles (default: 8).", "N", "8");
    const QCommandLineOption buses("buses", "Number of buses (default: 16).", "N", "16");
    const QCommandLineOption relays("relays", "Number of relays (default: 64).", "N", "64");
    const QCommandLineOption optos("optos", "Number of optos (default: 64).", "N", "64");
    const QCommandLineOption quiet("quiet", "No trace of the messages.");
    const QCommandLineOption burst(
        "burst", "Send N channel on/off reports to each panel after its handshake (default: 0).",
        "N", "0");
    const QCommandLineOption burstAfter(
        "burst-after-ms", "Delay of that burst after the handshake (default: 1000).", "MS", "1000");
    parser.addOptions(
        {bind, port, inputs, consoles, buses, relays, optos, quiet, burst, burstAfter});
    if (!parser.parse(arguments)) {
        error = parser.errorText().toStdString();
        return false;
    }
    if (parser.isSet("help"))
        parser.showHelp(0);
    if (parser.isSet("version"))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        error = "unexpected argument " + parser.positionalArguments().first().toStdString();
        return false;
    }
    const QHostAddress address(parser.value(bind));
    if (address.isNull()) {
        error = "--bind wants an IP address, such as 127.0.0.1 or 0.0.0.0";
        return false;
    }
    options.bindAddress = address.toString().toStdString();

    const Range ranges[] = {
        {"port", &options.port, 0, 65535},
        {"inputs", &options.size.inputs, 1, HighestDeviceID},
        {"consoles", &options.size.consoles, 1, wire::EveryConsole - 1},
        {"buses", &options.size.buses, 1, HighestDeviceID},
        {"relays", &options.size.relays, 0, HighestDeviceID},
        {"optos", &options.size.optos, 0, HighestDeviceID},
        {"burst", &options.burstCount, 0, 10000000},
        {"burst-after-ms", &options.burstAfterMs, 0, 3600000},
    };
    for (const Range& range : ranges) {
        bool ok = false;
        const int value = parser.value(range.name).toInt(&ok);
        if (!ok || value < range.lowest || value > range.highest) {
            error = std::string("--") + range.name + " wants a whole number from " +
                    std::to_string(range.lowest) + " to " + std::to_string(range.highest);
            return false;
        }
        *range.value = value;
    }
    options.quiet = parser.isSet(quiet);
    return true;
}

} // namespace orl::sim
