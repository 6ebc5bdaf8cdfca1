// The selection arrow on the canvas, with the mouse played on the window:
// what a press picks, the pointer it shows, how a drag reshapes a patch and
// ends when a key or a right click cuts in, the zoom onto the active patch,
// the feather-width row of the active forced edge, and the forced edges
// laid again once the arrow gives way.
#include "canvas_tool_fixture.h"

#include "engine_bridge/vk_cmd_begin_sub_session.h"
#include "engine_bridge/vk_cmd_select.h"
#include "model/forced_edge.h"
#include "model/gm_model.h"
#include "model/poly_region.h"
#include "model/rect_region.h"
#include "model/zt_polygon.h"
#include "panels/parameter_stack.h"
#include "tools/arrow_tool.h"
#include "tools/no_tool.h"
#include "tools/view_tool_wiring.h"
#include "workspace/gm_zoom_widget.h"
#include "workspace/image_view.h"

#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>
#include <initializer_list>

namespace {

RectRegion* rectPatch(const QRectF& rect) {
    auto* patch = new RectRegion(rect.topLeft());
    patch->rectangle()->dragCorner(rect.bottomRight());
    return patch;
}

PolyRegion* polygonPatch(std::initializer_list<QPointF> points) {
    auto* patch = new PolyRegion(*points.begin());
    for (auto p = points.begin() + 1; p != points.end(); ++p)
        patch->polygon()->addPoint(*p);
    return patch;
}

ForcedEdge* forcedEdge(std::initializer_list<QPointF> points, int width = 3) {
    auto* edge = new ForcedEdge(*points.begin(), width);
    for (auto p = points.begin() + 1; p != points.end(); ++p)
        edge->polygon()->addPoint(*p);
    return edge;
}

ArrowTarget* activeTarget() {
    GmModel* model = GmModel::instance();
    if (model->activeRegion()) return model->activeRegion();
    return model->activeForcedEdge();
}

class ArrowToolTest : public CanvasToolFixture {
protected:
    void SetUp() override {
        CanvasToolFixture::SetUp();
        arrow_ = std::make_unique<ArrowTool>();
        connectViewTools(view_, nullptr, arrow_.get(), nullptr, nullptr);
    }
    void TearDown() override {
        arrow_.reset();
        CanvasToolFixture::TearDown();
    }

    // The sub-sessions the engine was asked to open for `patch`: one each
    // time it went into the engine again.
    int resubmissionsOf(GmRegion* patch) {
        int count = 0;
        for (VkCmdBeginSubSession* command : engine().commandsOf<VkCmdBeginSubSession>())
            count += command->patch() == patch;
        return count;
    }

    // A right click at `point`: the canvas's context menu comes up (and is
    // closed at once).
    void rightClick(const QPointF& point) {
        QObject thisCall;
        QTimer::singleShot(0, &thisCall, [] {
            if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
        });
        press(point, Qt::RightButton);
        release(point, Qt::RightButton);
    }

    std::unique_ptr<ArrowTool> arrow_;
};

TEST_F(ArrowToolTest, HandlesOfTheActiveObjectWinThenOtherHandlesThenTheInsides) {
    enum Active { Nothing, A, B, P };
    struct Case {
        const char* what;
        Active active;
        QPointF point;
        Active expected; // which patch (Nothing: the forced edge or none)
        int kind;
    };
    const Case cases[] = {
        {"inside both: the later", Nothing, {150, 120}, B, ShapeHit::Inside},
        {"inside both, the earlier active", A, {150, 120}, A, ShapeHit::Inside},
        {"inside both, the later active", B, {150, 120}, B, ShapeHit::Inside},
        {"the active polygon's vertex over a patch", P, {120, 190}, P, ShapeHit::Vertex},
        {"another's edge inside the active one", A, {100, 120}, B, ShapeHit::Edge},
        {"on the forced edge", Nothing, {80, 250}, Nothing, ShapeHit::Edge},
        {"nothing there", A, {350, 280}, Nothing, ShapeHit::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        model()->deleteAllArrowTargets();
        engine().clear();
        GmRegion* const patches[] = {nullptr, rectPatch({50, 50, 150, 100}),
                                     rectPatch({100, 100, 150, 100}),
                                     polygonPatch({{120, 190}, {60, 240}, {180, 240}})};
        ForcedEdge* const edge = forcedEdge({{20, 250}, {150, 250}});
        paintCanvas();
        // The list order as the user left it: the patches in the order drawn.
        model()->setActiveRegion(patches[c.active], 1);
        paintCanvas();
        ArrowTarget* const expected =
            c.expected != Nothing
                ? patches[c.expected]
                : (c.kind == ShapeHit::None ? nullptr : static_cast<ArrowTarget*>(edge));

        const ShapeHit hit = arrow_->hitTestTargets(c.point);
        EXPECT_EQ(hit.kind, c.kind);
        EXPECT_EQ(hit.target, expected);

        // The right click picks alike, and so does a press.
        arrow_->activateArrowTargetAtSlot(c.point);
        EXPECT_EQ(activeTarget(), expected);
        model()->setActiveRegion(patches[c.active], 1);
        ASSERT_TRUE(arrow_->installSlot());
        click(c.point);
        EXPECT_EQ(activeTarget(), expected);
        EXPECT_EQ(resubmissionsOf(patches[1]) + resubmissionsOf(patches[2]), 0)
            << "a click moves nothing";
    }
}

TEST_F(ArrowToolTest, ThePointerShowsWhatAPressWouldDo) {
    RectRegion* const a = rectPatch({50, 50, 100, 100});
    rectPatch({250, 50, 100, 100});
    a->activate();
    paintCanvas();
    ASSERT_TRUE(arrow_->installSlot());
    struct Step {
        const char* what;
        std::function<void()> gesture;
        Qt::CursorShape shape;
    };
    const Step steps[] = {
        {"over another patch",
         [&] {
             move({300, 100});
         },
         Qt::PointingHandCursor},
        {"over the active patch's edge",
         [&] {
             move({50, 100});
         },
         Qt::OpenHandCursor},
        {"pressed there",
         [&] {
             press({50, 100});
         },
         Qt::ClosedHandCursor},
        {"released",
         [&] {
             release({50, 100});
         },
         Qt::OpenHandCursor},
        {"over its corner",
         [&] {
             move({150, 150});
         },
         Qt::SizeFDiagCursor},
        {"over nothing",
         [&] {
             move({200, 250});
         },
         Qt::ArrowCursor},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.gesture();
        EXPECT_EQ(arrow_->cursor().shape(), step.shape);
        EXPECT_EQ(canvas()->cursor().shape(), step.shape) << "the canvas follows";
    }
}

TEST_F(ArrowToolTest, AReleaseAfterAMoveReshapesThePatchAndPutsItIntoTheEngine) {
    RectRegion* const patch = rectPatch({50, 50, 150, 100});
    paintCanvas();
    ASSERT_TRUE(arrow_->installSlot());
    QList<GmRegion*> ready;
    QObject listening;
    QObject::connect(model(), &GmModel::activeRegionReady, &listening,
                     [&](GmRegion* announced) { ready << announced; });

    // A click picks the patch and changes nothing.
    click({100, 100});
    EXPECT_EQ(model()->activeRegion(), patch);
    EXPECT_EQ(resubmissionsOf(patch), 0);
    EXPECT_EQ(ready, QList<GmRegion*>{patch});
    ready.clear();

    // Dragging the bottom-right corner.
    paintCanvas();
    drag({200, 150}, {230, 170});
    EXPECT_EQ(patch->rectangle()->rect(), QRectF(50, 50, 180, 120));
    EXPECT_EQ(resubmissionsOf(patch), 1);
    EXPECT_EQ(model()->activeRegion(), patch);
    EXPECT_EQ(ready, QList<GmRegion*>{patch});
    ready.clear();
    EXPECT_EQ(arrow_->dragTarget(), nullptr);
}

TEST_F(ArrowToolTest, ADoubleClickZoomsOntoThePatchWithAMargin) {
    rectPatch({100, 100, 200, 100});
    paintCanvas();
    ASSERT_TRUE(arrow_->installSlot());
    QSignalSpy zooms(arrow_.get(), &ArrowTool::zoomToRectSignal);
    doubleClick({200, 150});
    ASSERT_EQ(zooms.count(), 1);
    EXPECT_EQ(zooms.first().at(0).value<ImageRectF>(), QRectF(90, 95, 220, 110));
}

TEST_F(ArrowToolTest, ADragEndsWhenAKeyOrARightClickCutsIn) {
    // The patch dragged by its inside, its top-left 50 pixels up and left of
    // the pointer; the other patch's left edge at x = 250.
    struct Case {
        const char* what;
        std::function<void()> cutIn;
        QRectF moved;      // where the drag left the patch
        bool kept;         // the patch is still in the model
        int resubmissions; // how often it went into the engine again
    };
    const Case cases[] = {
        {"Escape deselects it", [this] { arrow_->escape(); }, {60, 50, 100, 100}, true, 1},
        {"Delete removes it",
         [] { model()->deleteActiveRegionSlot(); },
         {60, 50, 100, 100},
         false,
         0},
        // The pointer goes there first, carrying the patch along, until it
        // is over the other patch's edge, which wins over the inside.
        {"a right click picks another",
         [this] {
             rightClick({250, 100});
         },
         {200, 50, 100, 100},
         true,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        model()->deleteAllArrowTargets();
        engine().clear();
        QPointer<RectRegion> patch = rectPatch({50, 50, 100, 100});
        RectRegion* const other = rectPatch({250, 50, 100, 100});
        paintCanvas();
        ASSERT_TRUE(arrow_->installSlot());

        press({100, 100});
        move({110, 100});
        EXPECT_EQ(arrow_->dragTarget(), patch.data());
        c.cutIn();
        move({120, 110});
        move({130, 120});
        release({130, 120});

        EXPECT_EQ(arrow_->dragTarget(), nullptr);
        ASSERT_TRUE(patch);
        EXPECT_EQ(patch->rectangle()->rect(), c.moved) << "moved until then";
        EXPECT_EQ(model()->containsRegion(patch), c.kept);
        EXPECT_EQ(resubmissionsOf(patch), c.resubmissions);
        EXPECT_EQ(other->rectangle()->rect(), QRectF(250, 50, 100, 100)) << "left alone";
        EXPECT_EQ(resubmissionsOf(other), 0);
    }
}

TEST_F(ArrowToolTest, TheFeatherWidthRowFollowsTheActiveForcedEdgeOnly) {
    ForcedEdge* const edge = forcedEdge({{20, 250}, {150, 250}}, 5);
    ForcedEdge* const other = forcedEdge({{200, 250}, {350, 250}});
    paintCanvas();
    ASSERT_TRUE(arrow_->installSlot());
    QWidget* const row = arrow_->optionsWidget();
    ParameterStack::SpinBox* const width = arrow_->widthStack()->spinBox("Feather Width");
    ASSERT_NE(width, nullptr);
    EXPECT_EQ(width->settingsKey(), QString("ToolOptions/ForcedEdgeTool/FeatherWidth"));
    EXPECT_TRUE(row->isHidden()) << "no forced edge active";

    click({80, 250});
    ASSERT_EQ(model()->activeForcedEdge(), edge);
    EXPECT_FALSE(row->isHidden());
    EXPECT_TRUE(row->isEnabled());
    EXPECT_EQ(width->value(), 5);
    width->setValue(9);
    EXPECT_EQ(edge->featherWidth(), 9);
    EXPECT_TRUE(engine().commands().empty()) << "the width waits for the next laying";

    // The edge deleted (its row still there): a change reaches nothing.
    model()->deleteActiveForcedEdgeSlot();
    engine().clear();
    width->setValue(12);
    EXPECT_EQ(other->featherWidth(), 3);
    EXPECT_TRUE(engine().commands().empty());

    click({200, 100});
    EXPECT_TRUE(row->isHidden()) << "nothing picked";

    // A right click while another tool is current leaves that tool's options shown.
    NoTool none;
    ASSERT_TRUE(none.installSlot());
    arrow_->activateArrowTargetAtSlot(QPointF(280, 250));
    ASSERT_EQ(model()->activeForcedEdge(), other);
    EXPECT_TRUE(row->isHidden());
    ASSERT_TRUE(arrow_->installSlot());
    EXPECT_FALSE(row->isHidden());
    EXPECT_EQ(width->value(), 3);
}

TEST_F(ArrowToolTest, MovedForcedEdgesAreLaidAgainOnceWhenTheArrowGivesWay) {
    ForcedEdge* const first = forcedEdge({{20, 250}, {150, 250}});
    ForcedEdge* const second = forcedEdge({{200, 250}, {350, 250}});
    QPointer<ForcedEdge> third = forcedEdge({{20, 50}, {150, 50}});
    paintCanvas();
    NoTool other;
    ASSERT_TRUE(arrow_->installSlot());

    // An edge deleted while dragged is let go.
    press({80, 50});
    move({80, 60});
    model()->deleteActiveForcedEdgeSlot();
    EXPECT_FALSE(third);
    move({80, 70});
    release({80, 70});
    engine().clear();

    drag({80, 250}, {80, 240});
    EXPECT_EQ(first->polygon()->points().first(), QPointF(20, 240));
    EXPECT_TRUE(engine().commands().empty()) << "laid when the arrow gives way";

    ASSERT_TRUE(other.installSlot());
    const QList<VkCmdSelect*> selections = engine().commandsOf<VkCmdSelect>();
    ASSERT_EQ(selections.size(), 3);
    EXPECT_EQ(engine().commands().size(), 3u);
    EXPECT_EQ(selections[0]->target(), VkCmdSelect::WholeImage);
    EXPECT_EQ(selections[0]->fromStatus(), 16);
    EXPECT_EQ(selections[0]->toStatus(), 1);
    EXPECT_EQ(selections[1]->edge(), first);
    EXPECT_EQ(selections[2]->edge(), second);

    // Nothing moved since: nothing more.
    engine().clear();
    ASSERT_TRUE(arrow_->installSlot());
    ASSERT_TRUE(other.installSlot());
    EXPECT_TRUE(engine().commands().empty());
}

} // namespace
