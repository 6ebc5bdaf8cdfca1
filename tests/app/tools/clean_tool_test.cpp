// The clean tool on a real document: which clicks clean which class, and
// the strength it keeps before and after its row exists.
#include "brush_document.h"

#include "model/tool_hooks.h"
#include "panels/parameter_stack.h"
#include "support/test_environment.h"
#include "tools/clean_tool.h"

#include <QSpinBox>

#include <memory>

namespace {

using CleanToolTest = DocumentFixture;

TEST_F(CleanToolTest, AClickCleansTheClassUnderItEvenOnTheImagesRightAndBottomEdges) {
    openImage(twoHalves());
    CleanTool clean;
    ASSERT_TRUE(clean.installSlot());
    EXPECT_EQ(clean.cursor().shape(), Qt::CrossCursor);
    struct Row {
        QPointF point;
        Qt::MouseButton button;
        QStringList started;
    };
    const Row rows[] = {
        {{-0.5, 10}, Qt::LeftButton, {}},
        {{10, 60.5}, Qt::LeftButton, {}},
        {{10, 10}, Qt::RightButton, {}},
        {{10, 10}, Qt::LeftButton, {"Despeckle 1"}},
        {{78, 58}, Qt::LeftButton, {"Despeckle 2"}},
        {{80, 60}, Qt::LeftButton, {"Despeckle 2"}},
        {{80, 10}, Qt::LeftButton, {"Despeckle 1"}},
        {{0, 60}, Qt::LeftButton, {"Despeckle 1"}},
    };
    for (int factor : {1, 2}) {
        if (factor != model()->resolutionFactor()) {
            test_support::prompts().answer(PromptService::Yes); // the masks go
            model()->setResolution(factor);
            waitIdle();
        }
        ASSERT_EQ(model()->resolutionFactor(), factor);
        // Keep in the bottom right corner.
        stroke(QPointF(70, 56), QPointF(80, 56), VkStatusKeep, VkScopeExact);
        ASSERT_EQ(statusAt(79 / factor, 59 / factor) & VkStatusClassMask, VkStatusKeep);
        StartedCommands started(thread());
        for (const Row& row : rows) {
            started.clear();
            pressOn(clean, row.point, row.button);
            releaseOn(clean, row.point, row.button);
            waitIdle();
            EXPECT_EQ(started.list(), row.started)
                << "factor " << factor << " at " << row.point.x() << ", " << row.point.y();
        }
    }
}

TEST_F(CleanToolTest, TheStrengthIsStoredHeldTo1To20UntilTheRowExists) {
    const struct {
        int set;
        int stored;
    } rows[] = {{0, 1}, {50, 20}, {7, 7}};
    for (const auto& row : rows) {
        CleanTool::setStrength(row.set);
        EXPECT_EQ(CleanTool::strength(), row.stored) << row.set;
    }
    auto clean = std::make_unique<CleanTool>();
    EXPECT_EQ(CleanTool::strength(), 3) << "the row starts at its default";
    EXPECT_EQ(cleanStrength(), 3) << "what the clean commands read";
    setCleanStrength(50);
    EXPECT_EQ(CleanTool::strength(), 20);
    CleanTool::setStrength(0);
    EXPECT_EQ(CleanTool::strength(), 1);
    CleanTool::setStrength(9);
    clean.reset();
    EXPECT_EQ(CleanTool::strength(), 9) << "the last value stays for the clean actions";
}

} // namespace
