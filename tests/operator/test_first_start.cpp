// The first start, as an operator meets it on an X display: no configuration file, the
// warning, then the setup dialog filled in by keyboard and mouse, the user buttons set up
// in their own dialog. The panel then connects and shows what was set, at once.

#include "OperatorDesk.h"
#include "PanelScreen.h"

namespace orl::test {
namespace {

Desk* const TheDesk = static_cast<Desk*>(::testing::AddGlobalTestEnvironment(new Desk(
    1, [](const auto&) { return QStringList{}; }, false)));

// Controls of the setup dialog and of the button configuration dialog (its first row).
constexpr TwipsRect AddressField{1320, 240, 1575, 375};
constexpr TwipsRect DisplayButtonsBox{4440, 2640, 255, 255}; // the tick box, not its caption
constexpr TwipsRect ConfigureButtons{4560, 3120, 1695, 375};
constexpr TwipsRect TypeList{1000, 1000, 2700, 315};
constexpr TwipsRect LabelField{4000, 960, 1500, 380};
constexpr TwipsRect ControlField{5800, 960, 1000, 380};

class FirstStart : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(TheDesk->Failure().isEmpty()) << TheDesk->Failure().toStdString();
    }
    const XServer& X() const { return TheDesk->X(); }
    // Waits for the window titled `title` and gives it the keyboard; its place on screen.
    QRect Focused(const QString& title) {
        const XWindow window = X().WaitForWindow(title);
        EXPECT_NE(window, 0u) << title.toStdString() << " did not open";
        EXPECT_TRUE(X().Focus(window));
        return X().Geometry(window);
    }
    void Fill(const QRect& dialog, const TwipsRect& field, const QString& text) {
        X().Click(DialogControl(dialog, field));
        X().Keys({"ctrl+a"});
        X().Type(text);
    }
};

TEST_F(FirstStart, SetupDialogConfiguresTheWholePanel) {
    TracedSimulator& simulator = TheDesk->Simulator();
    ASSERT_NE(X().WaitForWindow("Configuration Error"), 0u)
        << "no first-start warning; " << TheDesk->Report().toStdString();
    Focused("Configuration Error");
    ASSERT_TRUE(X().Keys({"Return"}));

    // Setup: the port field has the focus; the address starts empty.
    const QRect setup = Focused("Setup");
    ASSERT_TRUE(X().Keys({"ctrl+a"}));
    ASSERT_TRUE(X().Type(QString::number(simulator.Port())));
    Fill(setup, AddressField, "127.0.0.1");
    X().Click(DialogControl(setup, DisplayButtonsBox));

    // User button 1: "Relay Toggle" (two down from "Undefined") on relay 5, labelled Talk.
    X().Click(DialogControl(setup, ConfigureButtons));
    const QRect buttons = Focused("Configure Buttons");
    X().Click(DialogControl(buttons, TypeList));
    X().Keys({"Down", "Down"});
    Fill(buttons, LabelField, "Talk");
    Fill(buttons, ControlField, "5");
    ASSERT_TRUE(X().Keys({"alt+o"}));
    ASSERT_TRUE(X().WaitUntilGone("Configure Buttons"));
    Focused("Setup");
    ASSERT_TRUE(X().Keys({"alt+o"}));
    ASSERT_TRUE(X().WaitUntilGone("Setup"));

    const XWindow window = X().WaitForWindow(Connected, ConnectTimeoutMs);
    ASSERT_NE(window, 0u) << "the panel did not connect; " << TheDesk->Report().toStdString();
    const QString configuration = TheDesk->Panel().ReadFile("orlntpnl.ini");
    for (const QString& line :
         {QStringLiteral("IP Port=%1\r\n").arg(simulator.Port()),
          QStringLiteral("IP Address=127.0.0.1\r\n"),
          QStringLiteral("Display Button Panel=Yes\r\n"), QStringLiteral("Button1_Type=1000\r\n"),
          QStringLiteral("Button1_Label=Talk\r\n"), QStringLiteral("Button1_Channel1=5\r\n")})
        EXPECT_TRUE(configuration.contains(line)) << "no " << line.trimmed().toStdString();

    // The button column shows at once, with the new caption, and the button works.
    const QRect geometry = X().Geometry(window);
    const PanelScreen screen(geometry, 1);
    EXPECT_EQ(geometry.width(), PanelScreen::Pixels(240 + 1720 + 1920))
        << "the window did not make room for the button column";
    const QImage shot = X().Screenshot();
    const QRect talk = screen.UserButton(0);
    EXPECT_GT(ColourShare(shot, talk.adjusted(4, 4, -4, -4), IdleRgb), 0.5)
        << "user button 1 is not shown";
    EXPECT_TRUE(shot.copy(talk) != shot.copy(screen.UserButton(1)))
        << "user button 1 shows the same caption as the unconfigured button 2";

    ASSERT_TRUE(X().Focus(window));
    const int mark = simulator.Mark();
    X().Click(talk.center());
    EXPECT_TRUE(Received(simulator, "FE relay change 68: relay 5 on", mark));
    EXPECT_TRUE(Shows(X(), talk, ActiveRgb));
}

} // namespace
} // namespace orl::test
