#include "workspace/gm_zoom_widget.h"

#include "model/gm_model.h"
#include "support/test_environment.h"
#include "workspace/canvas_hooks.h"
#include "workspace_fixture.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

using test_support::waitFor;

// Remembers the areas the canvas repaints.
class PaintRecorder : public QObject {
public:
    QList<QRect> rects;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) rects << static_cast<QPaintEvent*>(event)->rect();
        return false;
    }
};

using GmZoomWidgetTest = CanvasFixture;

TEST_F(GmZoomWidgetTest, ZoomIsCappedAt16AndStaysForValuesNotAbove0) {
    show();
    open(twoColourImage(400, 300));
    QSignalSpy zooms(canvas_, &GmZoomWidget::zoomChanged);
    struct Case {
        double value;
        bool absolute;
        double zoom;
    };
    const Case cases[] = {
        {20, true, 16},  {2, true, 2},    {0, true, 2},      {-3, true, 2},
        {0.5, false, 1}, {32, false, 16}, {1.25, false, 16}, {0.05, true, 0.05},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        zooms.clear();
        canvas_->setZoom(c.value, c.absolute);
        EXPECT_DOUBLE_EQ(canvas_->zoom(), c.zoom);
        ASSERT_EQ(zooms.count(), 1); // also when nothing changed
        EXPECT_DOUBLE_EQ(zooms.at(0).at(0).toDouble(), c.zoom);
        EXPECT_EQ(canvas_->size(), canvas_->sizeHint());
    }
}

TEST_F(GmZoomWidgetTest, SmallImageSitsCentredLargeOneAtTheCorner) {
    show();
    open(twoColourImage(400, 300));
    struct Case {
        double zoom;
        QSize content;
        QRect image;
        QSize canvas;
    };
    const Case cases[] = {
        {1, QSize(400, 300), QRect(300, 250, 400, 300), QSize(1000, 800)},
        {4, QSize(1600, 1200), QRect(0, 0, 1600, 1200), QSize(1600, 1200)},
        {3, QSize(1200, 900), QRect(0, 0, 1200, 900), QSize(1200, 900)},
        {0.333, QSize(133, 99), QRect(433, 350, 133, 99), QSize(1000, 800)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zoom);
        canvas_->setZoom(c.zoom, true);
        EXPECT_EQ(canvas_->contentSize(), c.content);
        EXPECT_EQ(canvas_->imageRect(), c.image);
        EXPECT_EQ(canvas_->size(), c.canvas);
    }
    // An image wider than the view but lower sits at the left, centred upright.
    canvas_->setZoom(2.5, true);
    EXPECT_EQ(canvas_->imageRect(), QRect(0, 25, 1000, 750));
}

TEST_F(GmZoomWidgetTest, FitsTheFirstImageWhenItFirstShows) {
    open(twoColourImage(4000, 2000));
    EXPECT_TRUE(canvas_->isFitPending());
    EXPECT_EQ(canvas_->zoom(), 1.0);
    show();
    EXPECT_FALSE(canvas_->isFitPending());
    EXPECT_DOUBLE_EQ(canvas_->zoom(), 850.0 / 4000.0);
    EXPECT_EQ(canvas_->imageRect(), QRect(75, 187, 850, 425));

    // Later images are fitted at once.
    canvas_->setZoom(3, true);
    open(twoColourImage(500, 1000));
    EXPECT_DOUBLE_EQ(canvas_->zoom(), 680.0 / 1000.0);
    canvas_->fitToSize(QSizeF(250, 250));
    EXPECT_DOUBLE_EQ(canvas_->zoom(), 0.25);

    // Without an image the zoom is 1 and there is nothing to place.
    document_.reset();
    canvas_->fitToParent();
    EXPECT_EQ(canvas_->zoom(), 1.0);
    EXPECT_EQ(canvas_->contentSize(), QSize(0, 0));
    EXPECT_FALSE(canvas_->imageRect().isValid());
    EXPECT_EQ(canvas_->size(), QSize(1000, 800));
}

TEST_F(GmZoomWidgetTest, RepaintsTheDirtyRectangleGrownByItsHint) {
    show();
    open(twoColourImage(400, 300));
    canvas_->setZoom(2, true); // the image at (100, 100)
    ASSERT_EQ(canvas_->imageRect().topLeft(), QPoint(100, 100));
    PaintRecorder recorder;
    canvas_->installEventFilter(&recorder);
    struct Case {
        DirtyHint hint;
        QRect repainted;
    };
    const Case cases[] = {
        {NoDirtyMargin, QRect(120, 120, 10, 10)},
        {SmallDirtyMargin, QRect(118, 118, 14, 14)},
        {LargeDirtyMargin, QRect(115, 115, 20, 20)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hint);
        QApplication::processEvents();
        recorder.rects.clear();
        emit GmModel::instance()->rectDirty(ImageRectF(10, 10, 5, 5), c.hint, KeepPatchPreview);
        ASSERT_TRUE(waitFor([&] { return !recorder.rects.isEmpty(); }));
        EXPECT_EQ(recorder.rects, QList<QRect>({c.repainted}));
    }
}

TEST_F(GmZoomWidgetTest, PaintsEachTabsImage) {
    show();
    // One-pixel stripes: the workspace copy at factor 2 averages them to grey.
    QImage stripes(400, 300, QImage::Format_RGB32);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    open(stripes);
    GmModel::instance()->setResolutionFactor(2);
    canvas_->setZoom(1, true); // the image at (300, 250)
    canvas_->setBackgroundColour(QColor(10, 200, 30));

    canvas_->viewTabChangedSlot(ViewTabs::Source);
    EXPECT_EQ(canvas_->tabIndex(), GmZoomWidget::SourceTab);
    EXPECT_EQ(shownAt(QPoint(300, 500)), QColor(0, 0, 0));
    EXPECT_EQ(shownAt(QPoint(301, 500)), QColor(255, 255, 255));
    EXPECT_EQ(shownAt(QPoint(100, 100)), QColor(10, 200, 30)); // the margin

    canvas_->viewTabChangedSlot(ViewTabs::Workspace);
    EXPECT_EQ(canvas_->tabScale(), 2.0);
    const QColor grey = shownAt(QPoint(300, 500));
    EXPECT_EQ(grey, shownAt(QPoint(301, 500)));
    EXPECT_NEAR(grey.red(), 128, 1);

    // The cut-out shows the background brush (white until one is chosen)
    // through its transparent top half.
    canvas_->viewTabChangedSlot(ViewTabs::Cutout);
    EXPECT_EQ(canvas_->tabScale(), 1.0);
    EXPECT_EQ(shownAt(QPoint(301, 260)), QColor(255, 255, 255));
    EXPECT_EQ(shownAt(QPoint(301, 500)), QColor(255, 255, 255));
    canvasHooks().backgroundBrush = [] { return QBrush(QColor(20, 40, 220)); };
    canvas_->update();
    EXPECT_EQ(shownAt(QPoint(301, 260)), QColor(20, 40, 220));
    canvasHooks() = CanvasHooks();
}

TEST_F(GmZoomWidgetTest, BackgroundColourIsKeptInTheSettings) {
    EXPECT_EQ(canvas_->backgroundColour(), QColor(Qt::white));
    canvas_->setBackgroundColour(QColor(40, 50, 60));
    EXPECT_EQ(canvas_->palette().color(QPalette::Window), QColor(40, 50, 60));
    area_.reset();
    EXPECT_EQ(QSettings().value("GmZoomWidget/backgroundColour_").toUInt(),
              QColor(40, 50, 60).rgb());
    GmZoomWidget again(nullptr);
    EXPECT_EQ(again.backgroundColour(), QColor(40, 50, 60));
}

} // namespace
