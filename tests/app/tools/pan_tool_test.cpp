// The hand tool on the canvas, with the mouse played on the window: a drag
// scrolls the view by the pointer's movement, on any tab; made current over
// another tool it keeps that tool's look of the patches, passed on through
// other stand-ins and forgotten when that tool goes.
#include "canvas_tool_fixture.h"

#include "model/gm_model.h"
#include "model/rect_region.h"
#include "panels/empty_options_widget.h"
#include "tools/mask_brushes.h"
#include "tools/pan_tool.h"
#include "tools/zoom_tool.h"
#include "workspace/gm_zoom_widget.h"
#include "workspace/image_view.h"

#include <QBitmap>
#include <QPointer>
#include <QSignalSpy>

#include <memory>

namespace {

using PanToolTest = CanvasToolFixture;

QList<QPoint> pansOf(const QSignalSpy& spy) {
    QList<QPoint> pans;
    for (const QList<QVariant>& call : spy)
        pans << call.at(0).toPoint();
    return pans;
}

TEST_F(PanToolTest, ADragScrollsTheViewByThePointersMovementOnEveryTab) {
    PanTool pan;
    for (ViewTabs::ViewTab tab : {ViewTabs::Workspace, ViewTabs::Source, ViewTabs::Cutout}) {
        SCOPED_TRACE(tab);
        view_->ensureTab(tab, tab);
        ASSERT_TRUE(pan.installSlot());
        EXPECT_EQ(view_->currentViewTab(), tab) << "the hand works here";
        QSignalSpy pans(&pan, &PanTool::tellPan);
        press({100, 100});
        EXPECT_TRUE(pan.isGrabbing());
        move({110, 105});
        move({112, 111});
        release({112, 111});
        EXPECT_EQ(pansOf(pans), (QList<QPoint>{{-10, -5}, {-2, -6}, {0, 0}}));
        EXPECT_FALSE(pan.isGrabbing());
        EXPECT_EQ(canvas()->cursor().bitmap(Qt::ReturnByValue).toImage(),
                  pan.cursor().bitmap(Qt::ReturnByValue).toImage());
    }
}

TEST_F(PanToolTest, PatchesKeepTheLookOfTheToolTheHandStandsInFor) {
    RectRegion* const active = new RectRegion(QPointF(10, 10));
    active->rectangle()->dragCorner(QPointF(60, 60));
    RectRegion* const other = new RectRegion(QPointF(100, 10));
    other->rectangle()->dragCorner(QPointF(160, 60));
    active->activate();
    auto brush = std::make_unique<KeepExactTool>();
    PanTool pan;
    ZoomTool zoom;

    ASSERT_TRUE(brush->installSlot());
    ASSERT_TRUE(pan.installSlot());
    EXPECT_EQ(pan.previousTool(), brush.get());
    EXPECT_EQ(pan.targetDrawMode(active), 4) << "the brush shows the active patch's edges";
    EXPECT_EQ(pan.targetDrawMode(other), 3);

    // Through the zoom tool and back, the brush is passed on.
    ASSERT_TRUE(zoom.installSlot());
    EXPECT_EQ(zoom.previousTool(), brush.get());
    ASSERT_TRUE(pan.installSlot());
    EXPECT_EQ(pan.previousTool(), brush.get());

    brush.reset();
    EXPECT_EQ(pan.previousTool(), nullptr);
    EXPECT_EQ(pan.targetDrawMode(active), 3);

    // Without a tool behind them, the two never remember each other.
    ASSERT_TRUE(zoom.installSlot());
    ASSERT_TRUE(pan.installSlot());
    ASSERT_TRUE(zoom.installSlot());
    EXPECT_NE(zoom.previousTool(), &zoom);
    EXPECT_NE(pan.previousTool(), &pan);
    EXPECT_EQ(zoom.targetDrawMode(active), 3) << "and asking one for the look ends";
}

TEST_F(PanToolTest, TheSharedEmptyOptionsPageOutlivesTheHand) {
    QPointer<QWidget> page = emptyOptionsWidget();
    {
        PanTool pan;
        EXPECT_EQ(pan.optionsWidget(), page.data());
    }
    EXPECT_TRUE(page);
}

} // namespace
