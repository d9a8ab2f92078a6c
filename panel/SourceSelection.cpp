// The source combo box of each strip: the list of the switcher's inputs, showing the
// strip's current source, and choosing a new one by list or by typed number.

#include "frmMain.h"

#include "Controls.h"
#include "Look.h"
#include "OrlError.h"
#include "Values.h"

#include <QLineEdit>
#include <QSignalBlocker>

namespace orl {

namespace {

// An entry's text put back in the edit field shows from its start, as a long name should.
void PutInField(QComboBox* combo, const QString& text) {
    combo->setEditText(text);
    if (QLineEdit* field = combo->lineEdit())
        field->setCursorPosition(0);
}

// The name of the input behind list entry `entry` (entry 0 is none: no name).
QString SourceName(const Variables& v, int entry) {
    if (entry < 1 || entry > v.InputCount || !v.InputNames.Contains(entry - 1))
        return {};
    return FromText(v.InputNames[entry - 1]).trimmed();
}

} // namespace

void frmMain::LoadInputCombo(int index) {
    try {
        QComboBox* combo = Strip(index).cmbSource;
        // Filling the list is not an operator's choice: it must not send a source change.
        const QSignalBlocker quiet(combo);
        combo->clear();
        combo->addItem(QStringLiteral("Undefined"));
        for (int n = 1; n <= v_.InputCount; ++n)
            combo->addItem(FromText(v_.InputNames[n - 1]) + QStringLiteral(" [") +
                           QString::fromStdString(FormatDigits(n, 4)) + QStringLiteral("]"));
        // No entry is chosen until UpdateActiveSource says which.
        combo->setCurrentIndex(-1);
        combo->setEnabled(v_.EnableSourceSelect);
    } catch (...) {
        log_.ReportError("Error Loading Source Combo Box", "Form Error");
    }
}

void frmMain::UpdateActiveSource(int index) {
    try {
        FaderStrip& strip = MutableStrip(index);
        QComboBox* combo = strip.cmbSource;
        std::int16_t s = v_.DeviceIDs[v_.FaderDeviceID[index]].Source;
        if (v_.PanelMode == PanelModeConsole) {
            // The strip's own choice wins; a strip set to no source stays without one.
            const std::int16_t chosen = v_.FaderSource[index];
            s = chosen == None ? None : ToInteger(static_cast<long long>(chosen) - 1);
        }
        int entry = 0;
        if (s == None) {
            v_.FaderSource[index] = None;
        } else {
            v_.FaderSource[index] = ToInteger(static_cast<long long>(s) + 1);
            entry = s + 1;
            if (combo->currentIndex() != entry) {
                v_.InputChannels[s].AttributesWanted = true;
                if (v_.StartupStep == StartupComplete)
                    v_.InchanRequestPending = true;
            }
        }
        v_.UpdatingControls = true;
        strip.ShowSource(entry, SourceName(v_, entry));
        v_.UpdatingControls = false;
        emit stateShown();
    } catch (...) {
        v_.UpdatingControls = false;
        log_.WriteErrorLog("Error updating Active Source", "Display Error");
    }
}

void frmMain::cmbSource_Click(int index) {
    if (v_.UpdatingControls)
        return;
    QComboBox* combo = Strip(index).cmbSource;
    if (PressesRefused()) {
        // The pick cannot act: the list shows the strip's source again.
        const QSignalBlocker quiet(combo);
        const std::int16_t current = v_.FaderSource[index];
        const int entry = current == None ? 0 : current;
        if (entry < combo->count()) {
            combo->setCurrentIndex(entry);
            PutInField(combo, combo->itemText(entry));
        }
        return;
    }
    const int e = combo->currentIndex();
    if (e < 0)
        return; // nothing chosen: nothing to send
    const std::int16_t source = e == 0 ? None : ToInteger(static_cast<long long>(e));
    v_.FaderSource[index] = source;
    if (source != None)
        v_.InputChannels[source - 1].AttributesWanted = true;
    v_.InchanRequestPending = true;
    MutableStrip(index).NameAfterSource(SourceName(v_, e));
    link_.SendSourceChange(v_.FaderSource[index], v_.FaderDeviceID[index]);
    emit stateShown();
}

void frmMain::ChooseSource(int index, int entry) {
    QComboBox* combo = Strip(index).cmbSource;
    if (PressesRefused() || entry < 0 || entry >= combo->count())
        return;
    {
        // The choice is sent once, below, however the combo box's signals are wired.
        const QSignalBlocker quiet(combo);
        combo->setCurrentIndex(entry);
        PutInField(combo, combo->itemText(entry));
    }
    cmbSource_Click(index);
}

void frmMain::cmbSource_KeyPress(int index, int keyAscii) {
    if (keyAscii != EnterKey)
        return;
    SourceSelector* combo = Strip(index).cmbSource;
    const int count = combo->count();
    const QByteArray typed = combo->currentText().toLatin1();
    const std::string_view text(typed.constData(), static_cast<std::size_t>(typed.size()));

    // The entry the arrow keys highlighted is taken as it is.
    int entry = combo->HighlightedEntry();
    if (entry < 0 && IsNumber(text)) {
        const double n = RoundHalfEven(NumberOfText(text));
        if (n >= count)
            entry = count - 1;
        else if (n >= 0)
            entry = static_cast<int>(n);
    }
    if (entry < 0) {
        // Not a number (or below 0): the current choice is put back.
        const std::int16_t current = v_.FaderSource[index];
        entry = current == None ? 0 : current;
    }
    if (entry < 0 || entry >= count) {
        // The current choice is not in the list: only the typed text is undone.
        const QSignalBlocker quiet(combo);
        PutInField(combo,
                   combo->currentIndex() >= 0 ? combo->itemText(combo->currentIndex()) : QString());
        return;
    }
    {
        // The choice is sent once, below, however the combo box's signals are wired.
        const QSignalBlocker quiet(combo);
        combo->setCurrentIndex(entry);
        PutInField(combo, combo->itemText(entry));
    }
    cmbSource_Click(index);
}

void frmMain::cmbSource_LostFocus(int index) {
    QComboBox* combo = Strip(index).cmbSource;
    const int current = combo->currentIndex();
    const QString chosen = current >= 0 ? combo->itemText(current) : QString();
    if (combo->currentText() == chosen)
        return;
    // With the current choice's text back in the field, the combo box finds nothing new
    // to choose when its edit field finishes.
    const QSignalBlocker quiet(combo);
    PutInField(combo, chosen);
}

} // namespace orl
