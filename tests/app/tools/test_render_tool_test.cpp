// The cut-out preview tool: only a drag renders, over its rectangle rounded
// outward in workspace pixels; the preview goes with Escape or another
// tool; and the preview of a patch, through the patch's action.
#include "brush_document.h"
#include "patch_tool_fixture.h"

#include "engine_bridge/vk_cmd_generate_mask.h"
#include "model/gm_model.h"
#include "model/rect_region.h"
#include "model/tool_hooks.h"
#include "model/zt_rectangle.h"
#include "tools/no_tool.h"
#include "tools/test_render_tool.h"

#include <QAction>

namespace {

using TestRenderToolTest = PatchToolFixture;

// The tool as if the image were analysed and marked, so it can be selected.
class UsablePreviewTool : public TestRenderTool {
public:
    bool isAvailable() const override { return true; }
};

TEST_F(TestRenderToolTest, AClickMakesNoPreview) {
    TestRenderTool tool;
    clickOn(tool, QPointF(10, 10));
    EXPECT_EQ(model()->previewRectangle(), nullptr);
    EXPECT_TRUE(engine().commands().empty());
}

TEST_F(TestRenderToolTest, ADragRendersItsRectangleRoundedOutwardInWorkspacePixels) {
    struct Case {
        int factor;
        QPointF from, to;
        QRectF preview;
        QRect workspace;
    };
    const Case cases[] = {
        {2, {3, 3}, {10, 9}, {3, 3, 7, 6}, {1, 1, 4, 4}},
        {1, {10, 8}, {2, 2}, {2, 2, 8, 6}, {2, 2, 8, 6}},
        {4, {50, 30}, {90, 70}, {50, 30, 14, 18}, {12, 7, 4, 5}},
    };
    TestRenderTool tool;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.factor);
        engine().clear();
        ASSERT_TRUE(model()->setResolutionFactor(c.factor));
        dragOn(tool, c.from, c.to);
        ASSERT_NE(model()->previewRectangle(), nullptr);
        EXPECT_EQ(model()->previewRectangle()->rect(), c.preview) << "clipped to the image";
        const QList<VkCmdGenerateMask*> renders = engine().commandsOf<VkCmdGenerateMask>();
        ASSERT_EQ(renders.size(), 1);
        EXPECT_FALSE(renders.first()->isWholeImage());
        EXPECT_FALSE(renders.first()->isPatchPreview());
        const VkRect& r = renders.first()->rectangle();
        EXPECT_EQ(QRect(r.x, r.y, r.width, r.height), c.workspace);
    }
}

TEST_F(TestRenderToolTest, EscapeOrAnotherToolRemovesThePreview) {
    NoTool none;
    UsablePreviewTool tool;
    auto* patch = new RectRegion(QPointF(40, 30));
    for (bool byEscape : {true, false}) {
        SCOPED_TRACE(byEscape ? "Escape" : "another tool");
        model()->setActiveRegion(patch, 1);
        ASSERT_TRUE(static_cast<GmTool&>(tool).installSlot());
        dragOn(tool, QPointF(5, 5), QPointF(20, 20));
        ASSERT_NE(model()->previewRectangle(), nullptr);
        if (byEscape) {
            tool.escape();
            EXPECT_EQ(model()->previewRectangle(), nullptr);
            EXPECT_EQ(GmTool::currentTool(), &tool);
            EXPECT_EQ(model()->activeRegion(), patch) << "only the preview went";
            tool.escape();
            EXPECT_EQ(model()->activeRegion(), nullptr) << "the second Escape is the default";
        } else {
            ASSERT_TRUE(static_cast<GmTool&>(none).installSlot());
            EXPECT_EQ(model()->previewRectangle(), nullptr);
        }
    }
}

TEST_F(TestRenderToolTest, APatchPreviewCoversThePatchAndRendersOnlyOneWithAnArea) {
    TestRenderTool tool;
    QList<const GmRegion*> announced;
    QObject listener;
    QObject::connect(model(), &GmModel::patchPreviewAvailable, &listener,
                     [&](const GmRegion* patch) { announced << patch; });

    // An empty patch: the rectangle and the announcement, no generation.
    auto* empty = new RectRegion(QPointF(10, 10));
    model()->setActiveRegion(empty, 1);
    model()->previewPatchAction()->trigger();
    ASSERT_NE(model()->previewRectangle(), nullptr);
    EXPECT_EQ(model()->previewRectangle()->rect(), QRectF(10, 10, 0, 0));
    EXPECT_EQ(announced, QList<const GmRegion*>{empty});
    EXPECT_TRUE(engine().commands().empty());

    auto* patch = new RectRegion(QPointF(10, 12));
    patch->rectangle()->dragCorner(QPointF(30, 40));
    previewPatch(patch);
    EXPECT_EQ(model()->previewRectangle()->rect(), QRectF(10, 12, 20, 28));
    EXPECT_EQ(announced, (QList<const GmRegion*>{empty, patch}));
    const QList<VkCmdGenerateMask*> renders = engine().commandsOf<VkCmdGenerateMask>();
    ASSERT_EQ(renders.size(), 1);
    EXPECT_TRUE(renders.first()->isPatchPreview());

    // The hook goes with the tool.
    EXPECT_EQ(TestRenderTool::previewTool(), &tool);
}

TEST_F(TestRenderToolTest, WithoutAnImageOrAnalysisTheToolCannotBeUsed) {
    TestRenderTool tool;
    EXPECT_FALSE(tool.isAvailable()) << "an image, but not analysed and without marks";
    EXPECT_FALSE(tool.action()->isEnabled());
    closeImage();
    EXPECT_FALSE(tool.isAvailable());
}

} // namespace
