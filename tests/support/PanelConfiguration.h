#pragma once
// Configuration files (orlntpnl.ini) for a panel that a test runs against a switcher on
// this machine: the lines without their CR LF, and the file written from them.

#include "Files.h"

#include <QStringList>

#include <string>
#include <vector>

namespace orl::test {

// The server at 127.0.0.1:`port`, buses 1 to 3 (program, off-line, cue), IFB source 4,
// console 1, one strip per device ID (its source the same number), panel mode 0, source
// selection on and the button panel shown. The user buttons follow.
inline QStringList ConfigurationHead(quint16 port, const std::vector<int>& deviceIDs,
                                     bool stayOnTop) {
    QStringList lines = {"[CONFIGURATION]",
                         "SETUP",
                         "IP Address=127.0.0.1",
                         QStringLiteral("IP Port=%1").arg(port),
                         "CONFIG",
                         "Program Bus=1",
                         "OffLine Bus=2",
                         "Cue Bus=3",
                         "IFB Source=4",
                         "Console=1",
                         QStringLiteral("Fader Count=%1").arg(deviceIDs.size())};
    for (std::size_t i = 0; i < deviceIDs.size(); ++i)
        lines << QStringLiteral("Device ID %1=%2").arg(i + 1).arg(deviceIDs[i])
              << QStringLiteral("Source %1=%2").arg(i + 1).arg(deviceIDs[i]);
    lines << "Panel Mode=0" << (stayOnTop ? "Stay On Top=Yes" : "Stay On Top=No")
          << "Enable Source Select=Yes"
          << "Display Button Panel=Yes";
    return lines;
}

// The four lines of user button `number` (1 to 8).
inline QStringList ButtonLines(int number, int type, const QString& label, int channel1,
                               int channel2 = 16383) {
    return {QStringLiteral("Button%1_Type=%2").arg(number).arg(type),
            QStringLiteral("Button%1_Label=%2").arg(number).arg(label),
            QStringLiteral("Button%1_Channel1=%2").arg(number).arg(channel1),
            QStringLiteral("Button%1_Channel2=%2").arg(number).arg(channel2)};
}

// Writes `lines` as Latin-1 with CR LF line ends; false when the file could not be written.
inline bool WriteConfigurationFile(const QString& path, const QStringList& lines) {
    std::vector<std::string> latin1;
    for (const QString& line : lines)
        latin1.push_back(line.toLatin1().toStdString());
    return WriteLines(path.toStdString(), latin1);
}

} // namespace orl::test
