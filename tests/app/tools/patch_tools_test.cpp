// The three patch tools: what becomes a patch (and opens its sub-session,
// active and announced) and what is deleted, patches deleted or lost while
// drawn, how the canvas draws patches meanwhile, and that with no image
// the tools draw nothing though they stay enabled.
#include "brush_document.h"
#include "patch_tool_fixture.h"

#include "engine_bridge/vk_cmd_begin_sub_session.h"
#include "engine_bridge/vk_cmd_end_session.h"
#include "model/brush_region.h"
#include "model/brushing.h"
#include "model/gm_model.h"
#include "model/poly_region.h"
#include "model/rect_region.h"
#include "model/tool_hooks.h"
#include "model/zt_app_prefs.h"
#include "model/zt_rectangle.h"
#include "panels/empty_options_widget.h"
#include "panels/parameter_stack.h"
#include "tools/no_tool.h"
#include "tools/region_brush_tool.h"
#include "tools/region_poly_tool.h"
#include "tools/region_rect_tool.h"

#include <QPointer>
#include <QSpinBox>

namespace {

using PatchToolsTest = PatchToolFixture;

// The patches a tool announced (userCreatedRegion), in order.
class Announced {
public:
    explicit Announced(GmTool& tool) {
        QObject::connect(&tool, &GmTool::userCreatedRegion, &listener_,
                         [this](GmRegion* patch) { patches_ << patch; });
    }
    const QList<GmRegion*>& patches() const { return patches_; }

private:
    QObject listener_;
    QList<GmRegion*> patches_;
};

// The patches whose sub-session the tools opened, in order.
QList<GmRegion*> subSessionsOf(const CommandRecorder& engine) {
    QList<GmRegion*> patches;
    for (VkCmdBeginSubSession* command : engine.commandsOf<VkCmdBeginSubSession>())
        patches << command->patch();
    return patches;
}

TEST_F(PatchToolsTest, APolygonPatchNeedsThreeDistinctPoints) {
    struct Case {
        const char* what;
        QVector<QPointF> clicks;
        bool kept;
    };
    const Case cases[] = {
        {"two distinct points", {{5, 5}, {30, 5}, {30, 5}}, false},
        {"three points", {{5, 5}, {30, 5}, {30, 25}}, true},
    };
    RegionPolyTool tool;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        engine().clear();
        Announced created(tool);
        for (int i = 0; i + 1 < c.clicks.size(); ++i)
            placeOn(tool, c.clicks[i]);
        QPointer<PolyRegion> patch = tool.patch();
        ASSERT_TRUE(patch);
        EXPECT_EQ(tool.targetDrawMode(patch), 1);
        doubleClickOn(tool, c.clicks.last());

        EXPECT_EQ(tool.patch(), nullptr);
        EXPECT_EQ(model()->containsRegion(patch), c.kept);
        if (c.kept) {
            EXPECT_EQ(subSessionsOf(engine()), QList<GmRegion*>{patch.data()});
            EXPECT_EQ(model()->activeRegion(), patch.data());
            EXPECT_EQ(created.patches(), QList<GmRegion*>{patch.data()});
            EXPECT_TRUE(patch->polygon()->isClosed());
            EXPECT_EQ(patch->polygon()->points(), QPolygonF(c.clicks));
        } else {
            EXPECT_EQ(engine().descriptions(), QStringList{"Ending Session..."});
            EXPECT_TRUE(created.patches().isEmpty());
            EXPECT_EQ(model()->activeRegion(), nullptr);
        }
    }
}

TEST_F(PatchToolsTest, APolygonPatchDeletedWhileDrawnEndsTheDrawing) {
    RegionPolyTool tool;
    placeOn(tool, QPointF(5, 5));
    placeOn(tool, QPointF(30, 5));
    PolyRegion* patch = tool.patch();
    model()->deleteRegion(patch);
    EXPECT_FALSE(tool.isDrawing());
    EXPECT_EQ(tool.patch(), nullptr);

    engine().clear(); // its end-session command deletes the patch
    doubleClickOn(tool, QPointF(30, 25));
    EXPECT_TRUE(engine().commands().empty()) << "nothing left to finish";
    EXPECT_TRUE(model()->regions().isEmpty());
}

TEST_F(PatchToolsTest, TheModelStopsOnlyTheLivePolygonPatchTool) {
    auto first = std::make_unique<RegionPolyTool>();
    auto second = std::make_unique<RegionPolyTool>();
    EXPECT_EQ(RegionPolyTool::polygonPatchTool(), second.get());
    first.reset();
    EXPECT_TRUE(bool(toolHooks().stopPatchEdit)) << "the hook is still the second tool's";

    clickOn(*second, QPointF(5, 5));
    model()->deleteRegion(second->patch());
    EXPECT_FALSE(second->isDrawing());
    second.reset();
    EXPECT_FALSE(bool(toolHooks().stopPatchEdit));
    EXPECT_EQ(RegionPolyTool::polygonPatchTool(), nullptr);
}

TEST_F(PatchToolsTest, ARectanglePatchIsMadeByADragOfSomeSize) {
    struct Case {
        const char* what;
        QPointF from, to;
        bool made, kept;
        QRectF rect;
    };
    const Case cases[] = {
        {"a click", {10, 10}, {10, 10}, false, false, {}},
        {"zero width", {10, 10}, {10, 30}, true, false, {}},
        {"a drag", {10.2, 10.2}, {30.7, 20.4}, true, true, {10, 10, 21, 10}},
        {"partly off the image", {50, 30}, {90, 70}, true, true, {50, 30, 14, 18}},
    };
    RegionRectTool tool;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        engine().clear();
        Announced created(tool);
        QPointer<GmRegion> patch;
        QObject listener;
        QObject::connect(model(), &GmModel::activeRegionChanged, &listener,
                         [&](GmRegion* region) { patch = region; });
        if (c.from == c.to)
            clickOn(tool, c.from);
        else
            dragOn(tool, c.from, c.to);
        EXPECT_EQ(tool.patch(), nullptr);
        EXPECT_EQ(!engine().commands().empty(), c.made) << "a patch was made and let go of";
        EXPECT_EQ(created.patches().size(), c.kept ? 1 : 0);
        if (!c.kept) {
            EXPECT_TRUE(subSessionsOf(engine()).isEmpty());
            continue;
        }
        ASSERT_TRUE(patch);
        EXPECT_EQ(model()->activeRegion(), patch.data());
        EXPECT_EQ(subSessionsOf(engine()), QList<GmRegion*>{patch.data()});
        EXPECT_EQ(static_cast<RectRegion*>(patch.data())->rectangle()->rect(), c.rect)
            << "on the grid, within the image";
        model()->deleteRegion(patch);
    }
    EXPECT_TRUE(model()->regions().isEmpty());
}

TEST_F(PatchToolsTest, EscapeMidDragDeletesThePatchThenClearsThePreview) {
    RegionRectTool tool;
    ASSERT_TRUE(tool.installSlot());
    model()->setPreviewRectangle(QPointF(2, 2));
    model()->previewRectangle()->dragCorner(QPointF(20, 20));
    pressOn(tool, QPointF(10, 10));
    moveOn(tool, QPointF(20, 15));
    moveOn(tool, QPointF(30, 25));
    QPointer<RectRegion> patch = tool.patch();
    ASSERT_TRUE(patch);

    tool.escape();
    EXPECT_FALSE(model()->containsRegion(patch));
    EXPECT_EQ(tool.patch(), nullptr);
    EXPECT_EQ(model()->previewRectangle(), nullptr) << "then the tool base's Escape";
    EXPECT_EQ(tool.buttonState(), 0);
    EXPECT_EQ(GmTool::currentTool(), &tool);
    releaseOn(tool, QPointF(30, 25));
    EXPECT_TRUE(subSessionsOf(engine()).isEmpty());
}

TEST_F(PatchToolsTest, ARectanglePatchLostOrDeletedMidDragIsNotFinished) {
    RegionRectTool tool;
    // A drag whose release never came (it happened on another tab) ...
    pressOn(tool, QPointF(5, 5));
    moveOn(tool, QPointF(10, 10));
    moveOn(tool, QPointF(20, 20));
    QPointer<RectRegion> lost = tool.patch();
    ASSERT_TRUE(lost);
    // ... and the next drag.
    pressOn(tool, QPointF(30, 30));
    moveOn(tool, QPointF(35, 35));
    EXPECT_FALSE(model()->containsRegion(lost)) << "deleted, not left without a session";
    moveOn(tool, QPointF(40, 40));
    QPointer<RectRegion> patch = tool.patch();
    ASSERT_NE(patch.data(), lost.data());
    releaseOn(tool, QPointF(40, 40));
    EXPECT_EQ(subSessionsOf(engine()), QList<GmRegion*>{patch.data()});
    EXPECT_EQ(model()->regions(), QList<ArrowTarget*>{patch.data()});

    // A patch deleted while it is dragged stays deleted.
    engine().clear();
    Announced created(tool);
    pressOn(tool, QPointF(5, 5));
    moveOn(tool, QPointF(10, 10));
    moveOn(tool, QPointF(20, 20));
    GmRegion* deleted = tool.patch();
    model()->deleteRegion(deleted);
    moveOn(tool, QPointF(25, 25));
    releaseOn(tool, QPointF(25, 25));
    EXPECT_TRUE(subSessionsOf(engine()).isEmpty());
    EXPECT_TRUE(created.patches().isEmpty());
    EXPECT_FALSE(model()->containsRegion(deleted));
}

TEST_F(PatchToolsTest, WhileAPatchIsDrawnOnlyItIsDrawnInDrawingMode) {
    RegionPolyTool polygon;
    RegionRectTool rectangle;
    auto* other = new RectRegion(QPointF(40, 30));
    for (GmTool* tool : {static_cast<GmTool*>(&polygon), static_cast<GmTool*>(&rectangle)}) {
        SCOPED_TRACE(tool->name().toStdString());
        EXPECT_EQ(tool->targetDrawMode(other), 3);
        EXPECT_EQ(tool->targetDrawMode(nullptr), 1);
        EXPECT_EQ(tool->allowedViewTabs(), ViewTabs::Workspace | ViewTabs::Cutout);
        EXPECT_EQ(tool->optionsWidget(), emptyOptionsWidget());
    }
    clickOn(polygon, QPointF(5, 5));
    EXPECT_EQ(polygon.targetDrawMode(polygon.patch()), 1);
    EXPECT_EQ(polygon.targetDrawMode(other), 3);
    pressOn(rectangle, QPointF(5, 5));
    moveOn(rectangle, QPointF(8, 8));
    moveOn(rectangle, QPointF(10, 10));
    EXPECT_EQ(rectangle.targetDrawMode(rectangle.patch()), 1);
    EXPECT_EQ(rectangle.targetDrawMode(other), 3);
}

TEST_F(PatchToolsTest, APatchBrushStrokeBecomesANewActivePatch) {
    RegionBrushTool brush;
    ASSERT_TRUE(brush.installSlot());
    BrushingTool::setBrushSize(5);
    EXPECT_EQ(brush.strokeColour(),
              ZtAppPrefs::currentColor(ZtAppPrefs::ActivePatchOrForcedEdgeColor));
    EXPECT_FALSE(ParameterStack::commonStack()->spinBox("Strength")->isEnabled());

    // Wholly off the image: nothing.
    dragOn(brush, QPointF(-40, -40), QPointF(-20, -30));
    EXPECT_EQ(brush.stroke(), nullptr);
    EXPECT_TRUE(model()->regions().isEmpty());
    EXPECT_TRUE(engine().commands().empty());

    // Another patch active: the stroke's patch is new, independent and active.
    auto* other = new RectRegion(QPointF(40, 30));
    other->rectangle()->dragCorner(QPointF(60, 45));
    model()->setActiveRegion(other, 1);
    Announced created(brush);
    dragOn(brush, QPointF(5, 5), QPointF(30, 10));
    ASSERT_EQ(model()->regions().size(), 2);
    auto* patch = dynamic_cast<BrushRegion*>(model()->activeRegion());
    ASSERT_NE(patch, nullptr);
    EXPECT_NE(static_cast<GmRegion*>(patch), static_cast<GmRegion*>(other));
    EXPECT_TRUE(model()->containsRegion(other));
    EXPECT_TRUE(patch->brushing()->contains(QPointF(20, 8)));
    EXPECT_EQ(brush.stroke(), nullptr) << "the sub-session took the stroke";
    EXPECT_EQ(subSessionsOf(engine()), QList<GmRegion*>{patch});
    EXPECT_EQ(created.patches(), QList<GmRegion*>{patch});
}

TEST_F(PatchToolsTest, WithNoImageThePatchToolsDrawNothingYetStayEnabled) {
    closeImage();
    RegionPolyTool polygon;
    RegionRectTool rectangle;
    RegionBrushTool brush;
    for (GmTool* tool : std::initializer_list<GmTool*>{&polygon, &rectangle, &brush}) {
        SCOPED_TRACE(tool->name().toStdString());
        EXPECT_TRUE(tool->isAvailable());
        EXPECT_TRUE(tool->action()->isEnabled());
    }
    placeOn(polygon, QPointF(5, 5));
    placeOn(polygon, QPointF(30, 5));
    doubleClickOn(polygon, QPointF(30, 25));
    EXPECT_FALSE(polygon.isDrawing());
    dragOn(rectangle, QPointF(5, 5), QPointF(30, 30));
    dragOn(brush, QPointF(5, 5), QPointF(30, 30));
    EXPECT_EQ(brush.stroke(), nullptr);
    EXPECT_TRUE(model()->regions().isEmpty());
    EXPECT_TRUE(engine().commands().empty());

    // The next image starts without patches from before it.
    openImage(QSize(64, 48));
    EXPECT_TRUE(model()->regions().isEmpty());
    EXPECT_TRUE(polygon.action()->isEnabled());
}

} // namespace
