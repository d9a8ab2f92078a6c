// The main window around its modal dialogs: the stay-on-top layer changes on the existing
// native window, so a dialog stays tied to it, and what the first setup configured shows
// on the panel at once.

#include "OperatorInput.h"
#include "TempFolder.h"
#include "frmMain.h"
#include "frmSetup.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>

namespace orl {
namespace {

using namespace test;

class SetupWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.Made());
        window = std::make_unique<frmMain>(v, log);
    }

    bool OnTop() const { return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

    test::TempFolder dir{"orl-setup-window"};
    Variables v;
    ErrorLog log{v};
    std::unique_ptr<frmMain> window;
};

TEST_F(SetupWindow, SetupAndAboutKeepTheNativeWindowAndTheSetupDialogAboveIt) {
    ProgramSetup(v, dir.Path().string());
    v.IPAddress = "127.0.0.1";
    v.StayOnTopMode = StayOnTop;
    window->SetStayOnTop(StayOnTop);
    window->LayOutButtonColumn();
    ASSERT_TRUE(ActivateWindow(window.get()));
    const WId id = window->winId();
    const QWindow* native = window->windowHandle();
    const QRect geometry = window->geometry();
    // On X11 hiding and showing the window again after a layer change re-creates it.
    int hidden = 0;
    const QObject counting; // ends the count with this test
    QObject::connect(native, &QWindow::visibleChanged, &counting,
                     [&](bool visible) { hidden += visible ? 0 : 1; });
    // The configuration cannot be written: its name is taken by a folder that holds a file.
    ASSERT_TRUE(QDir(QString::fromStdString(dir.Path().string()))
                    .mkpath(QStringLiteral("orlntpnl.ini/inside")));

    struct {
        bool opened = false, onTopBefore = true, onTopAfter = false;
        bool visibleAfterFailedOk = false;
        WId id = 0;
        const QWindow* owner = nullptr;
        QString box;
    } setup;
    window->SetSetupDialogOpener([&](QWidget* parent) {
        setup.opened = true;
        setup.onTopBefore = OnTop();
        frmSetup dialog(v, log, window->Link(), *window, parent);
        dialog.setWindowModality(Qt::ApplicationModal);
        ASSERT_TRUE(ActivateWindow(&dialog));
        {
            WhenModal closeBox([&](QWidget* modal) {
                if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                    setup.box = box->text();
                    box->button(QMessageBox::Ok)->click();
                }
            });
            ClickAt(dialog.findChild<QPushButton*>(QStringLiteral("cmdOk")));
        }
        setup.visibleAfterFailedOk = dialog.isVisible();
        setup.onTopAfter = OnTop();
        setup.id = window->winId();
        setup.owner = dialog.windowHandle()->transientParent();
        ClickAt(dialog.findChild<QPushButton*>(QStringLiteral("cmdCancel")));
    });
    Key(window.get(), Qt::Key_F, Qt::AltModifier);
    Key(window.get(), Qt::Key_S);
    ASSERT_TRUE(setup.opened);
    EXPECT_FALSE(setup.onTopBefore);
    EXPECT_EQ(setup.box, "Error Writing Orlntpnl.ini File");
    EXPECT_TRUE(setup.visibleAfterFailedOk);
    EXPECT_TRUE(setup.onTopAfter);
    EXPECT_EQ(setup.id, id) << "the layer was changed by re-creating the window";
    EXPECT_EQ(setup.owner, native) << "the open dialog lost its owner";

    WId idInAbout = 0;
    ASSERT_TRUE(ActivateWindow(window.get())); // the window manager's part, once Setup closed
    {
        WhenModal closeAbout([&](QWidget* modal) {
            idInAbout = window->winId();
            ClickAt(modal->findChild<QPushButton*>(QStringLiteral("cmdAboutquit")));
        });
        Key(window.get(), Qt::Key_H, Qt::AltModifier);
        Key(window.get(), Qt::Key_A);
    }
    EXPECT_EQ(idInAbout, id);

    EXPECT_EQ(hidden, 0) << "the layer was changed by hiding and showing the window";
    EXPECT_EQ(window->winId(), id);
    EXPECT_EQ(window->windowHandle(), native);
    EXPECT_EQ(window->geometry(), geometry);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(OnTop());
}

TEST_F(SetupWindow, FirstStartShowsWhatTheSetupConfiguredAtOnce) {
    WhenModal closeWarning([](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            box->button(QMessageBox::Ok)->click();
    });
    window->SetSetupDialogOpener([&](QWidget*) {
        v.DisplayButtonPanel = true;
        v.EnableSourceSelect = false;
        v.UserButtons[0].ButtonType = 1000;
        v.UserButtons[0].Label = "Talk";
        v.UserButtons[7].ButtonType = 1101;
        v.UserButtons[7].Label = "Door";
    });
    window->Form_Load(dir.Path().string());
    ASSERT_EQ(window->StripCount(), 1);
    EXPECT_EQ(window->UserButton(0)->text(), "Talk");
    EXPECT_EQ(window->UserButton(7)->text(), "Door");
    EXPECT_EQ(window->UserButton(1)->text(), "Inactive");
    EXPECT_TRUE(window->ButtonFrame()->isVisibleTo(window.get()));
    EXPECT_EQ(window->WindowWidthTwips(), 240 + 1720 + 1920);
    EXPECT_FALSE(window->Strip(0).cmbSource->isEnabled());
}

} // namespace
} // namespace orl
