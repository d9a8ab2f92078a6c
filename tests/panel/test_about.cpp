// Help > About: the server information window shows fresh values at every opening, Clear
// empties the pending request words, "&Ok" only hides it, and the main window's
// stay-on-top is lifted while it is open.

#include "PanelTestFixture.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace orl;
using orl::test::PanelTest;

namespace {

class About : public PanelTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(PanelTest::SetUp());
        window->show();
    }

    // Opens the window from the menu and runs `whileOpen` inside it; "&Ok" closes it.
    QDialog* Open(const std::function<void(QDialog*)>& whileOpen) {
        QDialog* seen = nullptr;
        QTimer::singleShot(0, [&] {
            seen = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (seen == nullptr)
                return;
            whileOpen(seen);
            QTest::mouseClick(seen->findChild<QPushButton*>(QStringLiteral("cmdAboutquit")),
                              Qt::LeftButton);
        });
        // A window that did not close would hang the test: close whatever is still modal.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->hide();
        });
        guard.start(5000);
        window->findChild<QAction*>(QStringLiteral("mnuAbout"))->trigger();
        EXPECT_TRUE(guard.isActive()) << "the window did not close with Ok";
        return seen;
    }

    static QString Text(QDialog* d, const char* label) {
        auto* l = d->findChild<QLabel*>(QString::fromLatin1(label));
        return l ? l->text() : QStringLiteral("(missing)");
    }

    bool Topmost() const { return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint); }
};

TEST_F(About, ShowsPortVersionAndPendingWordsAndClearShowsAtTheNextOpening) {
    v.IPPort = 1250;
    v.PendingRequestMask1 = 256;
    v.PendingRequestMask2 = 4;

    QDialog* first = Open([&](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("ORL Server Module Information"));
        EXPECT_EQ(Text(d, "lblTcpPort"), QStringLiteral("Port 1250"));
        EXPECT_EQ(Text(d, "lblVersionInfo"),
                  QStringLiteral("ORL Console\nVersion 3.20 - 12/23/2020"));
        EXPECT_EQ(Text(d, "lblStatsus1Value"), QStringLiteral("256"));
        EXPECT_EQ(Text(d, "lblStatsus2Value"), QStringLiteral("4"));

        QTest::mouseClick(d->findChild<QPushButton*>(QStringLiteral("cmdClear")), Qt::LeftButton);
        EXPECT_EQ(v.PendingRequestMask1, 0);
        EXPECT_EQ(v.PendingRequestMask2, 0);
        EXPECT_EQ(Text(d, "lblStatsus1Value"), QStringLiteral("256")); // until shown again
    });
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(first->isVisible());

    v.IPPort = 4000;
    QDialog* second = Open([&](QDialog* d) {
        EXPECT_EQ(Text(d, "lblTcpPort"), QStringLiteral("Port 4000"));
        EXPECT_EQ(Text(d, "lblStatsus1Value"), QStringLiteral("0"));
        EXPECT_EQ(Text(d, "lblStatsus2Value"), QStringLiteral("0"));
    });
    EXPECT_EQ(second, first); // the same window, only hidden and shown again
}

TEST_F(About, MainWindowLeavesTheTopLayerWhileItIsOpen) {
    for (std::int32_t mode : {StayOnTop, NotOnTop}) {
        SCOPED_TRACE(mode);
        v.StayOnTopMode = mode;
        window->SetStayOnTop(mode);
        bool topmostWhileOpen = true;
        Open([&](QDialog*) { topmostWhileOpen = Topmost(); });
        EXPECT_FALSE(topmostWhileOpen);
        EXPECT_EQ(Topmost(), mode == StayOnTop);
    }
}

TEST_F(About, WindowHasTheDesignedSizeAndLogo) {
    Open([&](QDialog* d) {
        EXPECT_EQ(d->size(), QSize(7545 / 15, 2895 / 15));
        EXPECT_FALSE(d->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        EXPECT_FALSE(d->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        auto* logo = d->findChild<QLabel*>(QStringLiteral("Image1"));
        ASSERT_NE(logo, nullptr);
        EXPECT_EQ(logo->pixmap().size(), QSize(50, 29));
    });
}

} // namespace
