// Failures inside the strip's handlers: one checked lookup of a strip by index, and one
// guard where each control is connected, so a failure is logged once and the window
// carries on with what was done before it.

#include "OperatorInput.h"
#include "OrlError.h"
#include "PanelTestFixture.h"

#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace orl;
using orl::test::PanelTest;

namespace {

class HandlerGuard : public PanelTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(PanelTest::SetUp());
        ASSERT_TRUE(test::ActivateWindow(window.get()));
        ASSERT_NO_FATAL_FAILURE(ConnectToServer());
    }

    static std::size_t Count(const std::string& text, const std::string& part) {
        std::size_t n = 0;
        for (std::size_t at = text.find(part); at != std::string::npos;
             at = text.find(part, at + part.size()))
            ++n;
        return n;
    }
};

TEST_F(HandlerGuard, AStripIndexWithoutAStripIsTheSubscriptError) {
    v.FaderCount = 3;
    ResizeFaderArrays(v, 3);
    window->LoadFaders();
    ASSERT_EQ(window->StripCount(), 3);

    for (int index : {-1, 3, 4, 1000}) {
        try {
            static_cast<void>(window->Strip(index));
            ADD_FAILURE() << "strip " << index << " was found";
        } catch (const OrlError& e) {
            EXPECT_EQ(e.Number(), SubscriptOutOfRange) << "strip " << index;
        }
    }
    EXPECT_EQ(window->Strip(2).frSlider, window->Strip(2).cmdOn->parentWidget());
}

// A source picked on the selector is stored first, then the input's record is marked:
// an input beyond the table's records fails that second step.
TEST_F(HandlerGuard, AFailingHandlerIsLoggedOnceAndWhatWasDoneStaysDone) {
    v.InputCount = 300; // names for 300 inputs, records for the first 256
    v.InputNames.Resize(300, "In");
    window->LoadInputCombo(0);
    for (const int entry : {299, 300}) {
        const std::string logBefore = LogText();
        QComboBox* combo = window->Strip(0).cmbSource;
        combo->setCurrentIndex(entry);
        emit combo->activated(entry);
        EXPECT_EQ(v.FaderSource[0], entry);
        EXPECT_EQ(BytesToHex(SentBytes()), "");
        const std::string added = LogText().substr(logBefore.size());
        EXPECT_EQ(Count(added, "Unexpected Error"), 1U) << entry << ": " << added;
        EXPECT_EQ(Count(added, "Program Error"), 1U) << entry << ": " << added;
    }
    EXPECT_TRUE(window->isVisible());
}

} // namespace
