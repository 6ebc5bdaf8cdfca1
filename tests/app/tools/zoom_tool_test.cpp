// The zoom tool on the canvas, with the mouse played on the window: what
// each gesture asks of the view and the navigator, the glass it shows, a
// rubber band given up with Escape, and the loop through the navigator.
#include "canvas_tool_fixture.h"

#include "model/gm_model.h"
#include "support/test_environment.h"
#include "tools/view_tool_wiring.h"
#include "tools/zoom_tool.h"
#include "workspace/gm_zoom_widget.h"
#include "workspace/navigator_window.h"
#include "workspace/navigator_wiring.h"

#include <QBitmap>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalSpy>

#include <functional>
#include <memory>

namespace {

class ZoomToolTest : public CanvasToolFixture {
protected:
    void SetUp() override {
        CanvasToolFixture::SetUp();
        zoom_ = std::make_unique<ZoomTool>();
        ASSERT_TRUE(zoom_->installSlot());
    }
    void TearDown() override {
        zoom_.reset();
        CanvasToolFixture::TearDown();
    }

    std::unique_ptr<ZoomTool> zoom_;
};

TEST_F(ZoomToolTest, EachGestureMakesItsStepsOnce) {
    using Z = ZoomTool;
    struct Case {
        const char* what;
        std::function<void()> gesture;
        int in, out, boxes;
        Z::ZoomCursor glass; // shown afterwards
    };
    const Case cases[] = {
        {"click",
         [this] {
             click({200, 150});
         },
         1, 0, 0, Z::ZoomInCursor},
        {"drag",
         [this] {
             drag({100, 100}, {200, 180});
         },
         0, 0, 1, Z::ZoomInCursor},
        {"double click",
         [this] {
             doubleClick({200, 150});
         },
         2, 0, 0, Z::ZoomInCursor},
        {"Alt and click",
         [this] {
             click({200, 150}, Qt::AltModifier);
         },
         0, 1, 0, Z::ZoomOutCursor},
        {"Alt and double click",
         [this] {
             doubleClick({200, 150}, Qt::AltModifier);
         },
         0, 2, 0, Z::ZoomOutCursor},
        {"Alt let go before the button",
         [this] {
             press({200, 150}, Qt::LeftButton, Qt::AltModifier);
             release({200, 150});
         },
         0, 1, 0, Z::ZoomInCursor},
        {"Alt at 6.25 %",
         [this] {
             zoom_->zoomOutEnabledSlot(false);
             move({210, 150}, Qt::AltModifier);
             EXPECT_EQ(zoom_->zoomCursor(), Z::ZoomUnavailableCursor);
             click({200, 150}, Qt::AltModifier);
         },
         0, 0, 0, Z::ZoomUnavailableCursor},
        {"at 1600 % after a jump from 6.25 %",
         [this] {
             zoom_->zoomOutEnabledSlot(false);
             zoom_->zoomInEnabledSlot(false);
             zoom_->zoomOutEnabledSlot(true);
             click({200, 150});
         },
         0, 0, 0, Z::ZoomUnavailableCursor},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        zoom_ = std::make_unique<ZoomTool>();
        ASSERT_TRUE(zoom_->installSlot());
        QSignalSpy in(zoom_.get(), &ZoomTool::zoomInSignal);
        QSignalSpy out(zoom_.get(), &ZoomTool::zoomOutSignal);
        QSignalSpy boxes(zoom_.get(), &ZoomTool::zoomToRectSignal);
        c.gesture();
        EXPECT_EQ(in.count(), c.in);
        EXPECT_EQ(out.count(), c.out);
        ASSERT_EQ(boxes.count(), c.boxes);
        if (c.boxes) {
            EXPECT_EQ(boxes.first().at(0).value<ImageRectF>(), QRectF(100, 100, 100, 80));
        }
        EXPECT_EQ(zoom_->zoomCursor(), c.glass);
        EXPECT_EQ(canvas()->cursor().bitmap(Qt::ReturnByValue).toImage(),
                  zoom_->cursor().bitmap(Qt::ReturnByValue).toImage())
            << "the canvas shows the glass";
        EXPECT_EQ(model()->zoomRectangle(), nullptr) << "no band left over";
    }
}

TEST_F(ZoomToolTest, TheGlassFollowsAltOnKeysButNotWhileABandIsDrawn) {
    QKeyEvent altDown(QEvent::KeyPress, Qt::Key_Alt, Qt::NoModifier);
    QKeyEvent altUp(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
    zoom_->keyEvent(&altDown);
    EXPECT_EQ(zoom_->zoomCursor(), ZoomTool::ZoomOutCursor);
    zoom_->keyEvent(&altUp);
    EXPECT_EQ(zoom_->zoomCursor(), ZoomTool::ZoomInCursor);

    press({100, 100});
    move({150, 150});
    ASSERT_NE(model()->zoomRectangle(), nullptr);
    zoom_->keyEvent(&altDown);
    EXPECT_EQ(zoom_->zoomCursor(), ZoomTool::ZoomInCursor) << "the band is a zoom in";
    zoom_->keyEvent(&altUp);
    release({150, 150});
}

TEST_F(ZoomToolTest, EscapeGivesUpTheBandAndKeepsTheTool) {
    QSignalSpy in(zoom_.get(), &ZoomTool::zoomInSignal);
    QSignalSpy boxes(zoom_.get(), &ZoomTool::zoomToRectSignal);
    press({100, 100});
    move({150, 150});
    ASSERT_NE(model()->zoomRectangle(), nullptr);
    zoom_->escape();
    EXPECT_EQ(model()->zoomRectangle(), nullptr);
    EXPECT_EQ(GmTool::currentTool(), zoom_.get());
    move({180, 170});
    release({180, 170});
    EXPECT_EQ(model()->zoomRectangle(), nullptr);
    EXPECT_EQ(in.count() + boxes.count(), 0);
}

TEST_F(ZoomToolTest, ClicksStepThroughTheNavigatorWhichSaysWhenTheyCannot) {
    NavigatorWindow navigator(window_.get(), window_.get(), QStringLiteral("F6"));
    connectNavigatorToView(&navigator, view_);
    connectViewTools(view_, &navigator, nullptr, nullptr, zoom_.get());

    click({200, 150});
    EXPECT_DOUBLE_EQ(navigator.zoomBox()->value(), 125);
    EXPECT_DOUBLE_EQ(canvas()->zoom(), 1.25);

    navigator.zoomBox()->setValue(1600);
    EXPECT_DOUBLE_EQ(canvas()->zoom(), 16);
    EXPECT_EQ(zoom_->zoomCursor(), ZoomTool::ZoomUnavailableCursor);
    QSignalSpy in(zoom_.get(), &ZoomTool::zoomInSignal);
    click({200, 150});
    EXPECT_EQ(in.count(), 0);

    // The option buttons.
    zoom_->actualPixelsButton()->click();
    EXPECT_DOUBLE_EQ(canvas()->zoom(), 1.0);
    EXPECT_TRUE(test_support::waitFor([&] {
        return zoom_->zoomCursor() == ZoomTool::ZoomInCursor;
    })) << "the view tells the navigator, which tells the tool";
    zoom_->fitScreenButton()->click();
    EXPECT_GT(canvas()->zoom(), 1.0) << "the 400 x 300 image fills the larger view";
}

} // namespace
