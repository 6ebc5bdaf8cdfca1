// The patch, forced-edge and preview tools on a real document: what they
// draw reaches the engine, and the preview tool renders the cut-out once
// the image has keep marks.
#include "brush_document.h"

#include "files/zt_source_image.h"
#include "model/gm_region.h"
#include "model/segmentation_stuff.h"
#include "tools/forced_edge_tool.h"
#include "tools/region_poly_tool.h"
#include "tools/test_render_tool.h"

#include <QSignalSpy>

namespace {

using PatchDocumentTest = DocumentFixture;

TEST_F(PatchDocumentTest, DrawnEdgesAndPatchesReachTheEngineAndThePreviewRenders) {
    openImage(twoHalves());
    analyse();
    ForcedEdgeTool edgeTool;
    RegionPolyTool polygon;
    TestRenderTool preview;
    EXPECT_FALSE(preview.action()->isEnabled()) << "no keep or delete marks yet";

    // A forced edge across the dark half becomes forced-edge marks.
    clickOn(edgeTool, QPointF(10.5, 20.5));
    doubleClickOn(edgeTool, QPointF(30.5, 20.5));
    waitIdle();
    EXPECT_GE(countWith(VkStatusForcedEdge, QRect(10, 20, 21, 1)), 20);
    EXPECT_EQ(countWith(VkStatusForcedEdge), countWith(VkStatusForcedEdge, QRect(10, 20, 21, 1)));

    // A polygon patch in the light half opens its sub-session.
    placeOn(polygon, QPointF(45, 5));
    placeOn(polygon, QPointF(75, 5));
    doubleClickOn(polygon, QPointF(60, 50));
    waitIdle();
    GmRegion* patch = model()->activeRegion();
    ASSERT_NE(patch, nullptr);
    EXPECT_NE(patch->smeg().session(), nullptr);

    // Strokes in the image, not in the patch.
    model()->setActiveRegion(nullptr, 1);
    stroke(QPointF(5, 36), QPointF(35, 36), VkStatusKeep, VkScopeExact);
    stroke(QPointF(5, 46), QPointF(35, 46), VkStatusDelete, VkScopeExact);
    EXPECT_TRUE(preview.action()->isEnabled());
    ASSERT_TRUE(preview.installSlot());
    QSignalSpy cutout(model(), &GmModel::cutoutChanged);
    StartedCommands started(thread());
    dragOn(preview, QPointF(2, 30), QPointF(38, 50));
    waitIdle();
    EXPECT_EQ(started.list(), QStringList{"Creating Cut-out..."});
    EXPECT_EQ(cutout.size(), 1);
    // Cut away under the delete stroke; outside the rectangle the working
    // image is untouched.
    const QImage& working = model()->workingImage()->displayImage();
    EXPECT_EQ(qAlpha(working.pixel(20, 36)), 255);
    EXPECT_EQ(qAlpha(working.pixel(20, 46)), 0);
    EXPECT_EQ(working.pixel(20, 10), model()->sourceImage()->displayImage().pixel(20, 10));
}

} // namespace
