// The setup dialog driven through its real widgets: the rows of device IDs and sources,
// the count field, the panel mode, the input checks of OK with their message boxes, the
// reconnection, the per-fader tables and the configuration file.

#include "Faders.h"
#include "Fakes.h"
#include "Files.h"
#include "OperatorInput.h"
#include "TCPComm.h"
#include "TempFolder.h"
#include "Twips.h"
#include "Variables.h"
#include "frmConfigureButtons.h"
#include "frmSetup.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

using namespace orl;
using orl::TwipsGeometry;

namespace {

// Closes every modal window that opens while it lives and records what it showed.
class ModalWatcher {
public:
    struct Seen {
        QString className;
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };

    ModalWatcher() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr)
                return;
            Seen seen{QString::fromLatin1(modal->metaObject()->className()),
                      modal->windowTitle(),
                      {},
                      QMessageBox::NoIcon};
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                seen.text = box->text();
                seen.icon = box->icon();
            }
            seen_.push_back(seen);
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
        });
        timer_.start(5);
    }
    const std::vector<Seen>& seen() const { return seen_; }

private:
    QTimer timer_;
    std::vector<Seen> seen_;
};

class SetupDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.Made());
        ProgramSetup(v, dir.Path().string());
        v.IPAddress = "127.0.0.1";
    }

    // Sets the per-fader tables to `count` faders with device IDs 11, 12, ...
    void Faders(int count) { test::Faders(v, count, 11); }

    frmSetup& Open() {
        dialog = std::make_unique<frmSetup>(v, log, link, window);
        EXPECT_TRUE(test::ActivateWindow(dialog.get()));
        return *dialog;
    }

    template <typename W> W* Find(const QString& name) const {
        W* widget = dialog->findChild<W*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    QLineEdit* Text(const QString& name) const { return Find<QLineEdit>(name); }
    QLineEdit* Chan(int i) const { return Text(QStringLiteral("txtChan(%1)").arg(i)); }
    QLineEdit* Source(int i) const { return Text(QStringLiteral("txtSource(%1)").arg(i)); }
    QCheckBox* Check(const char* name) const { return Find<QCheckBox>(QString::fromLatin1(name)); }
    QPushButton* Button(const char* name) const {
        return Find<QPushButton>(QString::fromLatin1(name));
    }
    QRadioButton* Option(int index) const {
        return Find<QRadioButton>(QStringLiteral("optType(%1)").arg(index));
    }

    // Clicks into the field (the count field acts when it loses the focus) and types anew.
    static void Retype(QLineEdit* field, const QString& text) { test::Retype(field, text); }
    void Key(Qt::Key key) { test::Key(dialog.get(), key); }
    void TypeCount(const QString& text) {
        Retype(Text(QStringLiteral("txtCount")), text);
        Key(Qt::Key_Return);
    }
    // OK below the screen's edge is scrolled to first, as the operator would.
    void ClickOk() {
        QPushButton* ok = Button("cmdOk");
        if (auto* area = dialog->findChild<QScrollArea*>())
            area->ensureWidgetVisible(ok);
        test::ClickAt(ok);
    }

    int SourcesShown() const {
        int shown = 0;
        for (int i = 0; i < dialog->LabelSetCount(); ++i)
            shown += Source(i)->isVisible() ? 1 : 0;
        return shown;
    }

    std::string FileText(const std::string& name) const {
        return test::FileText(dir.Path() / name);
    }
    bool ConfigurationWritten() const {
        return std::filesystem::exists(dir.Path().string() + "/orlntpnl.ini");
    }

    test::TempFolder dir{"orl-setup"};
    Variables v;
    ErrorLog log{v};
    test::FakeWindow window;
    test::FakeSocket socket;
    TCPComm link{v, log, socket, window};
    std::unique_ptr<frmSetup> dialog;
};

TEST_F(SetupDialog, OpensWithOneRowPerFaderAndTheButtonsBelowTheLast) {
    Faders(4);
    v.FaderSource[2] = 33;
    v.ConsoleNumber = 3;
    v.IFBSource = 9;
    v.StayOnTopMode = NotOnTop;
    v.DisplayButtonPanel = true;
    frmSetup& d = Open();

    EXPECT_EQ(d.windowTitle(), "Setup");
    EXPECT_EQ(d.LabelSetCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Find<QLabel>(QStringLiteral("lblChan(%1)").arg(i))->text(),
                  QStringLiteral("Device ID %1").arg(i + 1));
        EXPECT_EQ(Chan(i)->text(), QString::number(11 + i));
        EXPECT_EQ(TwipsGeometry(Chan(i)).top(), 3720 + 500 * i);
        EXPECT_FALSE(Source(i)->isVisible()) << "Device ID mode hides the sources";
    }
    EXPECT_EQ(Source(2)->text(), "33");
    EXPECT_EQ(TwipsGeometry(Check("chkStayOnTop")).top(), 5840);
    EXPECT_EQ(TwipsGeometry(Check("chkEnableSourceSelect")).top(), 6200);
    EXPECT_EQ(TwipsGeometry(Button("cmdOk")).top(), 6560);
    EXPECT_EQ(TwipsGeometry(Button("cmdCancel")).top(), 6560);
    EXPECT_EQ(d.OuterHeightTwips(), 7880);
    EXPECT_EQ(d.OuterWidthTwips(), 6825);
    EXPECT_EQ(TwipsGeometry(Text(QStringLiteral("txtIFB"))), QRect(4920, 2040, 1500, 375));

    EXPECT_EQ(Text(QStringLiteral("txtIPPort"))->text(), "1250");
    EXPECT_EQ(Text(QStringLiteral("txtIPAddr"))->text(), "127.0.0.1");
    EXPECT_EQ(Text(QStringLiteral("txtCount"))->text(), "4");
    EXPECT_EQ(Text(QStringLiteral("txtConsole"))->text(), "3");
    EXPECT_EQ(Text(QStringLiteral("txtIFB"))->text(), "9");
    EXPECT_FALSE(Check("chkStayOnTop")->isChecked());
    EXPECT_TRUE(Check("chkEnableSourceSelect")->isChecked());
    EXPECT_TRUE(Check("chkDisplayBtns")->isChecked());
    EXPECT_TRUE(Option(0)->isChecked());

    EXPECT_EQ(Button("cmdOk")->text(), "&Ok");
    EXPECT_EQ(Button("cmdOk")->toolTip(), "Accept current settings");
    EXPECT_EQ(Button("cmdCancel")->toolTip(), "Abort any changes and exit");
    EXPECT_EQ(d.palette().color(QPalette::Window), QColor(129, 191, 255));
    EXPECT_EQ(Chan(3)->palette().color(QPalette::Base), QColor(223, 213, 200));
    EXPECT_EQ(Chan(3)->palette().color(QPalette::Text), QColor(117, 95, 68));

    // The port field has the focus, then the address, Cancel and OK in tab order.
    EXPECT_EQ(QApplication::focusWidget(), Text(QStringLiteral("txtIPPort")));
    const std::vector<QWidget*> chain = {Text(QStringLiteral("txtIPAddr")), Button("cmdCancel"),
                                         Button("cmdOk"), Check("chkStayOnTop"),
                                         Text(QStringLiteral("txtCount"))};
    for (QWidget* next : chain) {
        Key(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next);
    }
}

TEST_F(SetupDialog, OpenedInConsoleModeShowsSourcesAndSwitchesSourceSelectOff) {
    Faders(2);
    v.PanelMode = PanelModeConsole;
    v.EnableSourceSelect = true;
    Open();
    EXPECT_TRUE(Option(1)->isChecked());
    EXPECT_FALSE(Check("chkEnableSourceSelect")->isChecked());
    EXPECT_FALSE(Check("chkEnableSourceSelect")->isEnabled());
    EXPECT_EQ(SourcesShown(), 2);

    ClickOk();
    EXPECT_FALSE(v.EnableSourceSelect);
    EXPECT_EQ(v.PanelMode, PanelModeConsole);
}

TEST_F(SetupDialog, PanelModeWithoutAnOptionOpensAsDeviceIDAndKeepsTheRows) {
    Faders(2);
    v.PanelMode = 5; // "Panel Mode=5" in the configuration file
    frmSetup& d = Open();
    EXPECT_EQ(d.LabelSetCount(), 2) << "the steps before the mode were done";
    EXPECT_EQ(Text(QStringLiteral("txtConsole"))->text(), "0");
    const std::string logText = FileText("Errorlog.txt");
    EXPECT_NE(logText.find("Setup Error"), std::string::npos);
    EXPECT_NE(logText.find("Error displaying current values"), std::string::npos);
    EXPECT_EQ(logText.find("Error # "), std::string::npos) << "written as it stands";
    // The rows still show the stored device IDs, so OK keeps them and stores Device ID mode.
    EXPECT_EQ(Text(QStringLiteral("txtChan(1)"))->text(), QString::number(v.FaderDeviceID[1]));
    ClickOk();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(v.PanelMode, PanelModeDeviceID);
    EXPECT_EQ(v.FaderDeviceID[1], 12);
}

TEST_F(SetupDialog, CountFieldActsOnEnterAndOnLeavingItWithTheTextAsTyped) {
    Faders(3);
    frmSetup& d = Open();
    QLineEdit* count = Text(QStringLiteral("txtCount"));

    struct Case {
        const char* typed;
        int sets;
    };
    for (const Case& c : {Case{"25", 20}, Case{"0", 1}, Case{"abc", 1}, Case{"2.5", 2},
                          Case{"7", 7}, Case{"3x", 7}}) {
        TypeCount(QString::fromLatin1(c.typed));
        EXPECT_EQ(d.LabelSetCount(), c.sets) << c.typed;
        EXPECT_EQ(count->text(), c.typed) << "the field keeps what was typed";
        EXPECT_EQ(TwipsGeometry(Button("cmdOk")).top(), 5060 + 500 * (c.sets - 1)) << c.typed;
        EXPECT_EQ(d.OuterHeightTwips(), 6380 + 500 * (c.sets - 1)) << c.typed;
        EXPECT_EQ(Chan(c.sets - 1)->isVisible(), true) << c.typed;
        EXPECT_EQ(dialog->findChild<QLineEdit*>(QStringLiteral("txtChan(%1)").arg(c.sets)), nullptr)
            << c.typed;
    }

    // Leaving the field by Tab acts as Enter does.
    Retype(count, QStringLiteral("12"));
    EXPECT_EQ(d.LabelSetCount(), 7);
    Key(Qt::Key_Tab);
    EXPECT_EQ(d.LabelSetCount(), 12);
    EXPECT_EQ(d.OuterHeightTwips(), 11880);
}

TEST_F(SetupDialog, RowsRemovedAndAddedAgainShowTheirSetIndex) {
    Faders(5);
    frmSetup& d = Open();
    EXPECT_EQ(Chan(4)->text(), "15");
    TypeCount(QStringLiteral("3"));
    EXPECT_EQ(d.LabelSetCount(), 3);
    TypeCount(QStringLiteral("5"));
    EXPECT_EQ(d.LabelSetCount(), 5);
    EXPECT_EQ(Chan(2)->text(), "13") << "rows that stayed keep their text";
    EXPECT_EQ(Chan(3)->text(), "3");
    EXPECT_EQ(Chan(4)->text(), "4");
    EXPECT_EQ(Find<QLabel>(QStringLiteral("lblChan(4)"))->text(), "Device ID 5");
}

TEST_F(SetupDialog, ConsoleModeShowsEverySourceAndDisablesSourceSelect) {
    Faders(2);
    Open();
    QCheckBox* enable = Check("chkEnableSourceSelect");
    ASSERT_TRUE(enable->isChecked());

    test::ClickAt(Option(1), QPoint(5, 5));
    EXPECT_TRUE(Option(1)->isChecked());
    EXPECT_FALSE(enable->isChecked());
    EXPECT_FALSE(enable->isEnabled());
    EXPECT_EQ(SourcesShown(), 2);
    TypeCount(QStringLiteral("4"));
    EXPECT_EQ(SourcesShown(), 4) << "rows added later show their source too";
    EXPECT_EQ(TwipsGeometry(Source(3)).top(), 3720 + 1500);

    test::ClickAt(Option(0), QPoint(5, 5));
    EXPECT_TRUE(enable->isEnabled());
    EXPECT_FALSE(enable->isChecked()) << "enabled again, not checked again";
    EXPECT_EQ(SourcesShown(), 0);
    EXPECT_EQ(dialog->OuterWidthTwips(), 6825);
}

TEST_F(SetupDialog, PortOutsideTheRangeStopsOkAfterTheCheckBoxes) {
    for (const char* port : {"0", "65536", "-3"}) {
        ProgramSetup(v, dir.Path().string());
        v.IPAddress = "127.0.0.1";
        v.DisplayButtonPanel = false;
        Open();
        Check("chkDisplayBtns")->setChecked(true);
        Retype(Text(QStringLiteral("txtIPPort")), QString::fromLatin1(port));
        Retype(Text(QStringLiteral("txtConsole")), QStringLiteral("5"));
        ModalWatcher watcher;
        ClickOk();
        ASSERT_EQ(watcher.seen().size(), 1u) << port;
        EXPECT_EQ(watcher.seen()[0].title, "Port Error");
        EXPECT_EQ(watcher.seen()[0].text,
                  "Invalid IP Port #. Please reenter a number between 1 and 65535");
        EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::NoIcon);
        EXPECT_TRUE(v.DisplayButtonPanel) << "the check boxes are stored first";
        EXPECT_EQ(v.IPPort, 1250);
        EXPECT_EQ(v.ConsoleNumber, 0);
        EXPECT_EQ(socket.connects, 0);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_FALSE(ConfigurationWritten());
    }
}

TEST_F(SetupDialog, AddressCheckNormalisesOrRefusesAChangedAddress) {
    struct Case {
        const char* typed;
        const char* stored; // nullptr: refused
    };
    for (const Case& c : {Case{"10.0.0.300", "10.0.0.255"}, Case{"010.001.2.3", "10.1.2.3"},
                          Case{"srv.studio.example.lan", nullptr}, Case{"a.b.c.d", nullptr},
                          Case{"1..2.3", nullptr}, Case{"1.2.3.4.5", nullptr},
                          Case{"1.2.3.", nullptr}, Case{"10.0.0", nullptr}, Case{"", nullptr}}) {
        ProgramSetup(v, dir.Path().string());
        v.IPAddress = "192.168.1.9";
        v.ConsoleNumber = 2;
        Open();
        QLineEdit* address = Text(QStringLiteral("txtIPAddr"));
        Retype(address, QString::fromLatin1(c.typed));
        Retype(Text(QStringLiteral("txtConsole")), QStringLiteral("5"));
        const std::string fileBefore = FileText("orlntpnl.ini");
        ModalWatcher watcher;
        ClickOk();
        if (c.stored != nullptr) {
            EXPECT_TRUE(watcher.seen().empty()) << c.typed;
            EXPECT_EQ(v.IPAddress, c.stored) << c.typed;
            EXPECT_EQ(v.ConsoleNumber, 5) << c.typed;
            EXPECT_EQ(socket.host, c.stored) << c.typed;
        } else {
            ASSERT_EQ(watcher.seen().size(), 1u) << c.typed;
            EXPECT_EQ(watcher.seen()[0].title, "Data Format Error");
            EXPECT_EQ(watcher.seen()[0].text,
                      "Please Enter IP Address In The Following Format: 192.168.1.1");
            EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Critical);
            EXPECT_EQ(address->text(), "192.168.1.9") << "the stored address is put back";
            EXPECT_EQ(dialog->focusWidget(), address);
            EXPECT_EQ(v.IPAddress, "192.168.1.9");
            EXPECT_EQ(v.ConsoleNumber, 2) << c.typed;
            EXPECT_TRUE(dialog->isVisible());
            EXPECT_EQ(FileText("orlntpnl.ini"), fileBefore) << c.typed;
        }
    }
}

// A device ID the switcher cannot have is refused as a bad port is, before anything is
// stored: the message, the focus on the field, the file as it was.
TEST_F(SetupDialog, DeviceIDOutsideTheSwitchersRangeIsRefusedWithNothingApplied) {
    struct Case {
        const char* typed;
        int stored; // -1: refused
    };
    for (const Case& c : {Case{"9000", -1}, Case{"8193", -1}, Case{"-1", -1}, Case{"40000", -1},
                          Case{"8192.4", 8192}, Case{"0", 0}, Case{"abc", 0}}) {
        ProgramSetup(v, dir.Path().string());
        v.IPAddress = "127.0.0.1";
        v.DisplayButtonPanel = false;
        Faders(3);
        Open();
        Check("chkDisplayBtns")->setChecked(true);
        Retype(Text(QStringLiteral("txtConsole")), QStringLiteral("5"));
        Retype(Chan(2), QString::fromLatin1(c.typed));
        const std::string fileBefore = FileText("orlntpnl.ini");
        ModalWatcher watcher;
        ClickOk();
        if (c.stored >= 0) {
            EXPECT_TRUE(watcher.seen().empty()) << c.typed;
            EXPECT_EQ(v.FaderDeviceID[2], c.stored) << c.typed;
            continue;
        }
        ASSERT_EQ(watcher.seen().size(), 1u) << c.typed;
        EXPECT_EQ(watcher.seen()[0].title, "Device ID Error");
        EXPECT_EQ(watcher.seen()[0].text,
                  "Invalid Device ID. Please reenter a number between 0 and 8192");
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->focusWidget(), Chan(2)) << c.typed;
        EXPECT_EQ(v.FaderDeviceID[2], 13) << c.typed;
        EXPECT_EQ(v.ConsoleNumber, 0) << c.typed;
        EXPECT_FALSE(v.DisplayButtonPanel) << "not even the check boxes are stored";
        EXPECT_EQ(FileText("orlntpnl.ini"), fileBefore) << c.typed;
    }
}

TEST_F(SetupDialog, ReconnectsOnlyWhenAddressOrPortChanged) {
    struct Case {
        const char* address;
        const char* port;
        int reconnects;
    };
    for (const Case& c :
         {Case{"127.0.0.1", "1250", 0}, Case{"127.0.0.1", "1250.0", 0}, Case{"10.1.1.1", "1250", 1},
          Case{"127.0.0.1", "4000", 1}, Case{"10.1.1.1", "4000", 1}}) {
        ProgramSetup(v, dir.Path().string());
        v.IPAddress = "127.0.0.1";
        const int connectsBefore = socket.connects;
        const int closesBefore = socket.closes;
        window.pollTimerEnabled = false;
        Open();
        Retype(Text(QStringLiteral("txtIPAddr")), QString::fromLatin1(c.address));
        Retype(Text(QStringLiteral("txtIPPort")), QString::fromLatin1(c.port));
        ClickOk();
        EXPECT_FALSE(dialog->isVisible()) << c.address << " " << c.port;
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(socket.connects - connectsBefore, c.reconnects) << c.address << " " << c.port;
        EXPECT_EQ(socket.closes - closesBefore, c.reconnects) << "disconnected before connecting";
        EXPECT_EQ(window.pollTimerEnabled, c.reconnects == 1);
        EXPECT_EQ(v.IPAddress, c.address);
        EXPECT_EQ(v.IPPort, QByteArray(c.port).toDouble());
        if (c.reconnects == 1) {
            EXPECT_EQ(socket.host, c.address);
            EXPECT_EQ(socket.port, v.IPPort);
        }
    }
}

TEST_F(SetupDialog, OkStoresEveryFieldAppliesStayOnTopAndWritesTheFile) {
    Faders(1);
    Open();
    Check("chkStayOnTop")->setChecked(false);
    Retype(Text(QStringLiteral("txtConsole")), QStringLiteral("4"));
    Retype(Text(QStringLiteral("txtProgram")), QStringLiteral("1"));
    Retype(Text(QStringLiteral("txtOffLine")), QStringLiteral("2"));
    Retype(Text(QStringLiteral("txtCue")), QStringLiteral("3"));
    Retype(Text(QStringLiteral("txtIFB")), QStringLiteral("17.5"));
    Retype(Chan(0), QStringLiteral("250"));
    Key(Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible()) << "Enter in a field presses no button";
    ClickOk();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(v.ConsoleNumber, 4);
    EXPECT_EQ(v.ProgramBus, 1);
    EXPECT_EQ(v.OfflineBus, 2);
    EXPECT_EQ(v.CueBus, 3);
    EXPECT_EQ(v.IFBSource, 18);
    EXPECT_EQ(v.FaderDeviceID[0], 250);
    EXPECT_EQ(v.StayOnTopMode, NotOnTop);
    EXPECT_EQ(window.stayOnTop, NotOnTop);
    const std::string file = FileText("orlntpnl.ini");
    EXPECT_NE(file.find("Console=4\r\n"), std::string::npos);
    EXPECT_NE(file.find("Device ID 1=250\r\n"), std::string::npos);
    EXPECT_NE(file.find("Stay On Top=No\r\n"), std::string::npos);
}

TEST_F(SetupDialog, EnlargingTheCountKeepsEveryPerFaderEntry) {
    Faders(2);
    v.FaderSource[1] = 44;
    v.FaderGain[0] = 1024;
    v.FaderGain[1] = 900;
    v.FaderOnState[1] = 1;
    v.FaderOnProgram[0] = true;
    v.FaderOnOffline[1] = true;
    v.FaderOnCue[0] = true;
    Open();
    TypeCount(QStringLiteral("4"));
    ClickOk();
    ASSERT_EQ(v.FaderCount, 4);
    for (std::size_t size :
         {v.FaderDeviceID.size(), v.FaderSource.size(), v.FaderGain.size(), v.FaderOnState.size(),
          v.FaderOnProgram.size(), v.FaderOnOffline.size(), v.FaderOnCue.size()})
        EXPECT_EQ(size, 4u);
    EXPECT_EQ(v.FaderDeviceID[0], 11);
    EXPECT_EQ(v.FaderDeviceID[1], 12);
    EXPECT_EQ(v.FaderDeviceID[2], 2) << "a new row shows its index";
    EXPECT_EQ(v.FaderSource[1], 44) << "sources are only read in Console mode";
    EXPECT_EQ(v.FaderGain[0], 1024);
    EXPECT_EQ(v.FaderGain[1], 900);
    EXPECT_EQ(v.FaderGain[3], 0);
    EXPECT_EQ(v.FaderOnState[1], 1);
    EXPECT_TRUE(v.FaderOnProgram[0]);
    EXPECT_TRUE(v.FaderOnOffline[1]);
    EXPECT_TRUE(v.FaderOnCue[0]);
    EXPECT_FALSE(v.FaderOnCue[3]);
    EXPECT_TRUE(window.calls.empty()) << "no old device ID or source changed";
}

TEST_F(SetupDialog, CountThatIsNoNumberOrOutOfRangeStoresTheRowsOnDisplay) {
    struct Case {
        const char* typed;
        bool enter;
        int stored;
    };
    for (const Case& c : {Case{"abc", true, 3}, Case{"3x", false, 3}, Case{"25", false, 20},
                          Case{"-2", true, 1}, Case{"99999", true, 20}}) {
        ProgramSetup(v, dir.Path().string());
        v.IPAddress = "127.0.0.1";
        Faders(3);
        Open();
        QLineEdit* count = Text(QStringLiteral("txtCount"));
        Retype(count, QString::fromLatin1(c.typed));
        // Enter then OK, or OK clicked straight from the field: the rows that leaving the
        // field adds must not move OK away from under the mouse before the click lands.
        if (c.enter)
            Key(Qt::Key_Return);
        ClickOk();
        EXPECT_EQ(dialog->result(), QDialog::Accepted) << c.typed;
        EXPECT_EQ(v.FaderCount, c.stored) << c.typed;
        EXPECT_EQ(v.FaderDeviceID.size(), static_cast<std::size_t>(c.stored)) << c.typed;
    }
}

TEST_F(SetupDialog, ChangedDeviceIDsAndSourcesRefreshTheirStrips) {
    struct Case {
        std::int16_t mode;
        std::int16_t oldID;
        const char* newID;
        std::int16_t oldSource;
        const char* newSource;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases = {
        {PanelModeDeviceID, 5, "6", 3, "9", {"InitSlider 0", "UpdateActiveSource 0"}},
        {PanelModeDeviceID, 0, "6", 3, "9", {}},
        {PanelModeDeviceID, 5, "5", 3, "9", {}},
        {PanelModeConsole, 5, "6", 3, "9", {"UpdateActiveSource 0", "InitSlider 0"}},
        {PanelModeConsole, 5, "5", 0, "9", {}},
        {PanelModeConsole, 0, "6", 3, "3", {}},
    };
    for (const Case& c : cases) {
        ProgramSetup(v, dir.Path().string());
        v.IPAddress = "127.0.0.1";
        v.PanelMode = c.mode;
        v.FaderDeviceID[0] = c.oldID;
        v.FaderSource[0] = c.oldSource;
        window.calls.clear();
        Open();
        Retype(Chan(0), QString::fromLatin1(c.newID));
        if (Source(0)->isVisible()) // the operator can type a source in Console mode only
            Retype(Source(0), QString::fromLatin1(c.newSource));
        ClickOk();
        EXPECT_EQ(window.calls, c.calls) << c.mode << " " << c.oldID << " " << c.newID;
        EXPECT_EQ(v.FaderSource[0],
                  c.mode == PanelModeConsole ? QByteArray(c.newSource).toInt() : c.oldSource);
    }
}

TEST_F(SetupDialog, UnwritableFolderShowsTheWriteFailureWithTheStateAlreadyChanged) {
    { std::ofstream afile(dir.Path().string() + "/afile"); }
    ProgramSetup(v, dir.Path().string() + "/afile/");
    v.IPAddress = "127.0.0.1";
    Open();
    Retype(Text(QStringLiteral("txtConsole")), QStringLiteral("6"));
    ModalWatcher watcher;
    ClickOk();
    ASSERT_EQ(watcher.seen().size(), 1u);
    EXPECT_EQ(watcher.seen()[0].title, "Error Writing File");
    EXPECT_EQ(watcher.seen()[0].text, "Error Writing Orlntpnl.ini File");
    EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(v.ConsoleNumber, 6);

    test::ClickAt(Button("cmdCancel"));
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(v.ConsoleNumber, 6) << "Cancel does not undo what OK stored";
}

TEST_F(SetupDialog, NumberTooLargeForItsFieldIsLoggedAndStopsOk) {
    Faders(1);
    Open();
    TypeCount(QStringLiteral("2"));
    Retype(Text(QStringLiteral("txtProgram")), QStringLiteral("7"));
    Retype(Text(QStringLiteral("txtCue")), QStringLiteral("40000"));
    Retype(Text(QStringLiteral("txtOffLine")), QStringLiteral("8"));
    ClickOk();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(v.FaderCount, 2) << "the steps before the failing field stay done";
    EXPECT_EQ(v.ProgramBus, 7);
    EXPECT_EQ(v.CueBus, 0);
    EXPECT_EQ(v.OfflineBus, 0);
    EXPECT_FALSE(ConfigurationWritten());
    const std::string logText = FileText("Errorlog.txt");
    EXPECT_NE(logText.find("Setup Error"), std::string::npos);
    EXPECT_NE(logText.find("Error Saving Setup: Error # "), std::string::npos);
    EXPECT_NE(logText.find("Overflow"), std::string::npos);
}

TEST_F(SetupDialog, CancelStoresNothing) {
    Faders(2);
    Open();
    Check("chkStayOnTop")->setChecked(false);
    Check("chkDisplayBtns")->setChecked(true);
    Retype(Text(QStringLiteral("txtIPPort")), QStringLiteral("4000"));
    Retype(Text(QStringLiteral("txtIPAddr")), QStringLiteral("10.0.0.1"));
    Retype(Text(QStringLiteral("txtConsole")), QStringLiteral("9"));
    Retype(Chan(1), QStringLiteral("99"));
    TypeCount(QStringLiteral("5"));
    test::ClickAt(Option(1), QPoint(5, 5));
    test::ClickAt(Button("cmdCancel"));

    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(v.StayOnTopMode, StayOnTop);
    EXPECT_FALSE(v.DisplayButtonPanel);
    EXPECT_TRUE(v.EnableSourceSelect);
    EXPECT_EQ(v.IPPort, 1250);
    EXPECT_EQ(v.IPAddress, "127.0.0.1");
    EXPECT_EQ(v.ConsoleNumber, 0);
    EXPECT_EQ(v.FaderCount, 2);
    EXPECT_EQ(v.FaderDeviceID[1], 12);
    EXPECT_EQ(v.PanelMode, PanelModeDeviceID);
    EXPECT_EQ(socket.connects, 0);
    EXPECT_FALSE(ConfigurationWritten());
}

TEST_F(SetupDialog, ConfigureButtonsOpensTheButtonDialogModally) {
    Open();
    ModalWatcher watcher;
    test::ClickAt(Button("cmdProgBtns"));
    ASSERT_EQ(watcher.seen().size(), 1u);
    EXPECT_EQ(watcher.seen()[0].className, "orl::frmConfigureButtons");
    EXPECT_EQ(watcher.seen()[0].title, "Configure Buttons");
    EXPECT_TRUE(dialog->isVisible());
}

} // namespace
