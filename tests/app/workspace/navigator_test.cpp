// The navigator panel: its zoom box and slider on the logarithmic scale, the
// zoom steps within the limits, what the view's reports change, and the
// thumbnail's box, patch outline, clicks, drags and pointers; then the panel
// wired to the image view, whose zoom and scrolling the box follows.
#include "workspace/navigator_window.h"

#include "model/gm_model.h"
#include "model/rect_region.h"
#include "model/zt_app_prefs.h"
#include "model/zt_rectangle.h"
#include "support/test_environment.h"
#include "workspace/gm_zoom_widget.h"
#include "workspace/image_view.h"
#include "workspace/navigator.h"
#include "workspace/navigator_wiring.h"
#include "workspace/slider.h"
#include "workspace/zt_workspace.h"
#include "workspace_fixture.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

QList<bool> bools(const QSignalSpy& spy) {
    QList<bool> values;
    for (const QList<QVariant>& call : spy)
        values << call.at(0).toBool();
    return values;
}

QList<int> ints(const QSignalSpy& spy) {
    QList<int> values;
    for (const QList<QVariant>& call : spy)
        values << call.at(0).toInt();
    return values;
}

QImage greyImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(128, 128, 128));
    return image;
}

class NavigatorWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        qRegisterMetaType<GRectF>();
        panel_ = std::make_unique<NavigatorWindow>(nullptr, nullptr, QString());
        box_ = panel_->zoomBox();
        slider_ = panel_->zoomSlider()->slider();
    }

    std::unique_ptr<NavigatorWindow> panel_;
    QDoubleSpinBox* box_ = nullptr;
    QSlider* slider_ = nullptr;
};

TEST_F(NavigatorWindowTest, IsBuiltAtOneHundredPercentWithinItsLimits) {
    EXPECT_EQ(panel_->objectName(), "DockWidget: Navigator");
    EXPECT_EQ(panel_->windowTitle(), "Navigator");
    EXPECT_FALSE(panel_->floatsByDefault());
    EXPECT_TRUE(panel_->isResizable());
    EXPECT_TRUE(panel_->whatsThis().startsWith(
        "<p><b>Navigator</b></p><p>The Navigator shows a thumbnail version"));
    EXPECT_TRUE(panel_->whatsThis().endsWith(
        "<p><a href=\"4-Zeltran_Tools/Navigator.htm\">Learn More</a></p>"));
    EXPECT_DOUBLE_EQ(box_->value(), 100.0);
    EXPECT_DOUBLE_EQ(box_->minimum(), 6.25);
    EXPECT_DOUBLE_EQ(box_->maximum(), 1600.0);
    EXPECT_EQ(box_->decimals(), 2);
    EXPECT_EQ(box_->suffix(), "%");
    EXPECT_EQ(box_->toolTip(), "Zoom Percent");
    EXPECT_EQ(slider_->value(), 0);
    EXPECT_EQ(slider_->minimum(), -25);
    EXPECT_EQ(slider_->maximum(), 25);
    EXPECT_EQ(slider_->toolTip(), "Zoom Slider");
    EXPECT_GE(panel_->zoomSlider()->minimumWidth(), 130);
    EXPECT_TRUE(panel_->isZoomInPossible());
    EXPECT_TRUE(panel_->isZoomOutPossible());
}

TEST_F(NavigatorWindowTest, BoxAndSliderFollowEachOtherAndAskForTheZoom) {
    struct Case {
        const char* what;
        bool viaSlider;
        double percent; // set on the box
        int position;   // set on the slider
        double expectedPercent;
        int expectedPosition;
    };
    const Case cases[] = {
        {"box 100", false, 100, 0, 100, 0},
        {"slider 25", true, 0, 25, 1600, 25},
        {"slider -25", true, 0, -25, 6.25, -25},
        {"slider 0", true, 0, 0, 100, 0},
        {"box 50", false, 50, 0, 50, -6},
        {"box 400", false, 400, 0, 400, 13}, // 12.5 rounds up
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Start away from the value asked for, so that it is a change.
        box_->setValue(c.expectedPercent == 300 ? 200 : 300);
        QSignalSpy zooms(panel_.get(), &NavigatorWindow::requestZoomTo);
        QSignalSpy sliderChanges(panel_.get(), &NavigatorWindow::zoomSliderChange);
        if (c.viaSlider)
            slider_->setValue(c.position);
        else
            box_->setValue(c.percent);
        EXPECT_DOUBLE_EQ(box_->value(), c.expectedPercent);
        EXPECT_EQ(box_->text(), QString::number(c.expectedPercent, 'f', 2) + "%");
        EXPECT_EQ(slider_->value(), c.expectedPosition);
        ASSERT_EQ(zooms.count(), 1);
        EXPECT_DOUBLE_EQ(zooms.at(0).at(0).toDouble(), c.expectedPercent * 0.01);
        // The box tells the tools' slider; the slider itself does not.
        EXPECT_EQ(ints(sliderChanges),
                  c.viaSlider ? QList<int>() : QList<int>({c.expectedPosition}));
    }
}

TEST_F(NavigatorWindowTest, ZoomStepsStopAtTheLimitsAndTellOnlyChanges) {
    QSignalSpy ins(panel_.get(), &NavigatorWindow::zoomInEnabled);
    QSignalSpy outs(panel_.get(), &NavigatorWindow::zoomOutEnabled);
    QSignalSpy zooms(panel_.get(), &NavigatorWindow::requestZoomTo);

    box_->setValue(1400);
    panel_->zoomInSlot(); // 1750 is held at 1600
    EXPECT_DOUBLE_EQ(box_->value(), 1600);
    EXPECT_EQ(slider_->value(), 25);
    EXPECT_EQ(bools(ins), QList<bool>({false}));
    EXPECT_FALSE(panel_->isZoomInPossible());
    const int zoomsAtLimit = zooms.count();
    panel_->zoomInSlot();
    EXPECT_DOUBLE_EQ(box_->value(), 1600);
    EXPECT_EQ(zooms.count(), zoomsAtLimit);
    EXPECT_EQ(bools(ins), QList<bool>({false}));
    panel_->zoomOutSlot();
    EXPECT_DOUBLE_EQ(box_->value(), 1280);
    EXPECT_EQ(bools(ins), QList<bool>({false, true}));

    box_->setValue(7);
    panel_->zoomOutSlot(); // 5.6 is held at 6.25
    EXPECT_DOUBLE_EQ(box_->value(), 6.25);
    panel_->zoomOutSlot();
    EXPECT_DOUBLE_EQ(box_->value(), 6.25);
    EXPECT_EQ(bools(outs), QList<bool>({false}));
    panel_->zoomInSlot(); // 7.8125 shows as 7.81
    EXPECT_DOUBLE_EQ(box_->value(), 7.81);
    EXPECT_EQ(bools(outs), QList<bool>({false, true}));
}

TEST_F(NavigatorWindowTest, NudgeButtonsStepTheZoomNotTheSlider) {
    panel_->show();
    QSignalSpy zooms(panel_.get(), &NavigatorWindow::requestZoomTo);
    QTest::mouseClick(panel_->zoomSlider()->upButton(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(box_->value(), 125);
    EXPECT_EQ(slider_->value(), 2); // 25 * log10(1.25) / log10(16) = 2.01
    QTest::mouseClick(panel_->zoomSlider()->downButton(), Qt::LeftButton);
    QTest::mouseClick(panel_->zoomSlider()->downButton(), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(box_->value(), 80);
    ASSERT_EQ(zooms.count(), 3);
    EXPECT_DOUBLE_EQ(zooms.at(2).at(0).toDouble(), 0.8);
}

TEST_F(NavigatorWindowTest, TheViewsReportMovesTheBoxAndSetsBoxAndSliderQuietly) {
    QSignalSpy zooms(panel_.get(), &NavigatorWindow::requestZoomTo);
    QSignalSpy sliderChanges(panel_.get(), &NavigatorWindow::zoomSliderChange);
    QSignalSpy ins(panel_.get(), &NavigatorWindow::zoomInEnabled);

    // A zoom of 2000 % reached by other means shows as the limit.
    panel_->setRectSlot(GRectF(10, 20, 30, 40), 20);
    EXPECT_EQ(panel_->navigator()->viewRect(), QRectF(10, 20, 30, 40));
    EXPECT_DOUBLE_EQ(box_->value(), 1600);
    EXPECT_EQ(slider_->value(), 25);
    EXPECT_EQ(ints(sliderChanges), QList<int>({25}));
    EXPECT_EQ(bools(ins), QList<bool>({false}));

    panel_->setRectSlot(GRectF(0, 0, 0, 0), 0.5);
    EXPECT_EQ(panel_->navigator()->viewRect(), QRectF(0, 0, 0, 0));
    EXPECT_DOUBLE_EQ(box_->value(), 50);
    EXPECT_EQ(slider_->value(), -6);
    EXPECT_EQ(bools(ins), QList<bool>({false, true}));

    // The same zoom again: only the box moves.
    panel_->setRectSlot(GRectF(5, 5, 10, 10), 0.5);
    EXPECT_EQ(ints(sliderChanges), QList<int>({25, -6}));
    EXPECT_EQ(zooms.count(), 0);
}

// The thumbnail alone, 200 x 100, over a grey 400 x 200 image: scale 0.5,
// no offset.
class NavigatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        navigator_ = std::make_unique<Navigator>();
        navigator_->resize(200, 100);
        navigator_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(navigator_.get()));
    }
    void TearDown() override {
        navigator_.reset();
        document_.reset();
    }

    void open(const QImage& image) {
        document_ = std::make_unique<TestDocument>(image);
        navigator_->updateImage();
    }
    QImage shown() { return navigator_->grab().toImage(); }
    void press(const QPoint& p) {
        QTest::mousePress(navigator_->windowHandle(), Qt::LeftButton, Qt::NoModifier, p);
    }
    void moveTo(const QPoint& p) { QTest::mouseMove(navigator_->windowHandle(), p); }
    void release(const QPoint& p) {
        QTest::mouseRelease(navigator_->windowHandle(), Qt::LeftButton, Qt::NoModifier, p);
    }

    std::unique_ptr<Navigator> navigator_;
    std::unique_ptr<TestDocument> document_;
};

// How far `colour` leans towards red, and towards the yellow of an active
// patch, over the grey of the image.
int redness(const QColor& colour) {
    return colour.red() - colour.green();
}
int yellowness(const QColor& colour) {
    return (colour.red() + colour.green()) / 2 - colour.blue();
}
// The strongest lean among the two pixels either side of a line drawn on a
// pixel boundary.
template <typename Lean> int across(const QImage& image, QPoint a, QPoint b, Lean lean) {
    return std::max(lean(image.pixelColor(a)), lean(image.pixelColor(b)));
}

TEST_F(NavigatorTest, SizeHintFollowsTheWidthWithTheImagesAspect) {
    EXPECT_EQ(navigator_->sizeHint(), QSize(80, 80));
    EXPECT_EQ(navigator_->minimumSize(), QSize(80, 80));
    EXPECT_TRUE(navigator_->hasMouseTracking());
    open(greyImage(400, 300));
    navigator_->resize(200, 100);
    EXPECT_EQ(navigator_->sizeHint(), QSize(80, 150));
    navigator_->resize(90, 100);
    EXPECT_EQ(navigator_->sizeHint(), QSize(80, 80)); // 67 is raised to 80
}

TEST_F(NavigatorTest, PaintsTheRedBoxAroundWhatTheViewShowsAndTheActivePatch) {
    open(greyImage(400, 200));
    QImage image = shown();
    EXPECT_DOUBLE_EQ(navigator_->scale(), 0.5);
    EXPECT_EQ(navigator_->offset(), QPoint(0, 0));
    // The whole image shown: the box surrounds the whole thumbnail.
    EXPECT_GT(redness(image.pixelColor(0, 50)), 40);
    EXPECT_GT(redness(image.pixelColor(100, 99)), 40);
    EXPECT_LT(std::abs(redness(image.pixelColor(100, 50))), 4);

    navigator_->setViewRect(QRectF(100, 50, 200, 100)); // (50, 25, 100, 50) on the thumbnail
    image = shown();
    EXPECT_EQ(navigator_->thumbRect(navigator_->viewRect()), QRect(50, 25, 100, 50));
    EXPECT_GT(across(image, {49, 40}, {50, 40}, redness), 40);
    EXPECT_GT(across(image, {100, 24}, {100, 25}, redness), 40);
    EXPECT_LT(std::abs(redness(image.pixelColor(0, 50))), 4); // the old box is gone
    EXPECT_LT(std::abs(redness(image.pixelColor(100, 50))), 4);

    auto* patch = new RectRegion(QPointF(20, 120));
    patch->rectangle()->dragCorner(QPointF(380, 180)); // (10, 60, 180, 30) on the thumbnail
    GmModel::instance()->setActiveRegion(patch, 0);
    image = shown();
    const QColor active = ZtAppPrefs::currentColor(ZtAppPrefs::ActivePatchOrForcedEdgeColor);
    ASSERT_GT(yellowness(active), 100);
    EXPECT_GT(across(image, {120, 59}, {120, 60}, yellowness), 40);
    EXPECT_GT(across(image, {9, 75}, {10, 75}, yellowness), 40);
    GmModel::instance()->setActiveRegion(nullptr, 0);
    delete patch;
    image = shown();
    EXPECT_LT(std::abs(yellowness(image.pixelColor(120, 60))), 4);
}

TEST_F(NavigatorTest, APressBesideTheBoxCentresAndADragFromItPans) {
    open(greyImage(400, 200));
    shown(); // lays out the thumbnail
    navigator_->setViewRect(QRectF(100, 50, 200, 100));
    QSignalSpy centres(navigator_.get(), &Navigator::rectCenterChanged);
    QSignalSpy rects(navigator_.get(), &Navigator::rectChanged);

    // Pointers: the pointing hand beside the box, the open hand over it, the
    // grabbing hand while pressed.
    moveTo(QPoint(20, 20));
    EXPECT_EQ(navigator_->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(navigator_->cursor().hotSpot(), QPoint(5, 1));
    moveTo(QPoint(60, 40));
    EXPECT_EQ(navigator_->cursor().hotSpot(), QPoint(7, 7));

    // Inside the box: no centring; the drag pans by the pointer's way in image pixels.
    press(QPoint(60, 40));
    EXPECT_EQ(navigator_->cursor().hotSpot(), QPoint(8, 9));
    moveTo(QPoint(70, 35));
    release(QPoint(70, 35));
    EXPECT_EQ(centres.count(), 0);
    ASSERT_EQ(rects.count(), 1);
    EXPECT_EQ(rects.at(0).at(0).value<ImageRectF>(), QRectF(120, 40, -1, -1));
    EXPECT_EQ(navigator_->cursor().hotSpot(), QPoint(7, 7));

    // Beside it: the pressed image point is centred; the drag then starts
    // from where the box is (unmoved here: nothing listens).
    press(QPoint(181, 11));
    ASSERT_EQ(centres.count(), 1);
    EXPECT_EQ(centres.at(0).at(0).toPoint(), QPoint(362, 22));
    moveTo(QPoint(171, 11));
    release(QPoint(171, 11));
    ASSERT_EQ(rects.count(), 2);
    EXPECT_EQ(rects.at(1).at(0).value<ImageRectF>(), QRectF(80, 50, -1, -1));
    EXPECT_EQ(navigator_->cursor().hotSpot(), QPoint(5, 1));
}

TEST_F(NavigatorTest, WithoutAnImageClicksAndDragsDoNothing) {
    navigator_->updateImage();
    EXPECT_EQ(navigator_->cursor().shape(), Qt::ArrowCursor);
    QSignalSpy centres(navigator_.get(), &Navigator::rectCenterChanged);
    QSignalSpy rects(navigator_.get(), &Navigator::rectChanged);
    press(QPoint(20, 20));
    moveTo(QPoint(40, 30));
    release(QPoint(40, 30));
    EXPECT_EQ(centres.count(), 0);
    EXPECT_EQ(rects.count(), 0);

    // Nor after an image was closed.
    open(greyImage(400, 200));
    shown();
    document_.reset();
    navigator_->updateImage();
    press(QPoint(20, 20));
    moveTo(QPoint(40, 30));
    EXPECT_EQ(centres.count(), 0);
    EXPECT_EQ(rects.count(), 0);
    EXPECT_EQ(navigator_->sizeHint(), QSize(80, 80));
}

// The panel wired to the image view as the main window wires it.
class NavigatorWithViewTest : public ViewFixture {
protected:
    void SetUp() override {
        ViewFixture::SetUp();
        panel_ = std::make_unique<NavigatorWindow>(nullptr, nullptr, QString());
        connectNavigatorToView(panel_.get(), view_);
        panel_->resize(260, 300);
        panel_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(panel_.get()));
        openImage(1600, 1200);
    }
    void TearDown() override {
        panel_.reset();
        ViewFixture::TearDown();
    }

    Navigator* navigator() const { return panel_->navigator(); }
    // What the view shows, in image pixels (zero: all of it).
    QRectF displayed() const { return workspace_->displayedImageRect(); }

    std::unique_ptr<NavigatorWindow> panel_;
};

TEST_F(NavigatorWithViewTest, TheBoxFollowsZoomAndScrolling) {
    // Fitted: the whole image shows, the box is the zero rectangle.
    EXPECT_EQ(navigator()->viewRect(), QRectF(0, 0, 0, 0));
    EXPECT_NEAR(panel_->zoomBox()->value(), canvas_->zoom() * 100, 0.005);

    panel_->zoomBox()->setValue(100);
    settle();
    EXPECT_DOUBLE_EQ(canvas_->zoom(), 1.0);
    ASSERT_TRUE(displayed().isValid());
    EXPECT_EQ(navigator()->viewRect(), displayed());
    // Zoomed about the centre of the viewport.
    EXPECT_NEAR(navigator()->viewRect().center().x(), 800, 2);
    EXPECT_NEAR(navigator()->viewRect().center().y(), 600, 2);

    panel_->zoomInSlot();
    settle();
    EXPECT_DOUBLE_EQ(canvas_->zoom(), 1.25);
    EXPECT_DOUBLE_EQ(panel_->zoomBox()->value(), 125);
    EXPECT_EQ(navigator()->viewRect(), displayed());

    const QRectF before = navigator()->viewRect();
    view_->panImageViewportSlot(QPoint(50, -40));
    EXPECT_EQ(navigator()->viewRect(), displayed());
    EXPECT_NEAR(navigator()->viewRect().x() - before.x(), 40, 0.01); // 50 screen pixels at 1.25
    EXPECT_NEAR(navigator()->viewRect().y() - before.y(), -32, 0.01);
}

TEST_F(NavigatorWithViewTest, DraggingTheBoxScrollsTheViewAndAClickCentresIt) {
    panel_->zoomBox()->setValue(200);
    settle();
    navigator()->grab(); // a paint lays out the thumbnail
    ASSERT_GT(navigator()->scale(), 0);
    const double scale = navigator()->scale();
    const QRect box = navigator()->thumbRect(navigator()->viewRect());
    const QRectF before = displayed();

    QWindow* const window = panel_->windowHandle();
    const QPoint from = navigator()->mapTo(panel_.get(), box.center());
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(window, from + QPoint(10, 6));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, from + QPoint(10, 6));
    EXPECT_DOUBLE_EQ(canvas_->zoom(), 2.0);
    EXPECT_NEAR(displayed().x() - before.x(), 10 / scale, 1.0);
    EXPECT_NEAR(displayed().y() - before.y(), 6 / scale, 1.0);
    EXPECT_EQ(navigator()->viewRect(), displayed());

    // A click near the thumbnail's top-left corner centres the view there:
    // the view then shows the image's top-left corner.
    const QPoint corner = navigator()->mapTo(panel_.get(), navigator()->offset() + QPoint(2, 2));
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, corner);
    EXPECT_DOUBLE_EQ(displayed().x(), 0);
    EXPECT_DOUBLE_EQ(displayed().y(), 0);
    EXPECT_EQ(navigator()->viewRect(), displayed());
}

} // namespace
