// What the canvas paints on each tab: the photograph alone on Source; on
// Workspace the brush footprint, the centre mark, a patch's cut-out preview,
// the strokes waiting for the engine, the object edges and the shapes in the
// tool's paint mode; the chequer at screen scale; and what a stroke move
// repaints.
#include "workspace/canvas_painting.h"

#include "model/brushing.h"
#include "model/gm_brushing.h"
#include "model/gm_model.h"
#include "model/poly_region.h"
#include "model/rect_region.h"
#include "model/segmentation_stuff.h"
#include "model/zt_app_prefs.h"
#include "model/zt_polygon.h"
#include "model/zt_rectangle.h"
#include "stand_in_brush.h"
#include "support/engine_edges.h"
#include "support/test_environment.h"
#include "workspace/canvas_hooks.h"
#include "workspace/gm_zoom_widget.h"
#include "workspace_fixture.h"

#include <QAction>
#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <QWindow>

#include "vardek.h"

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

const QColor kRed(255, 0, 0);
const QColor kBackground(255, 0, 255);

// `colour` laid over `under` by the painter, as the canvas lays it.
QColor over(const QColor& under, const QColor& colour) {
    QImage pixel(1, 1, QImage::Format_RGB32);
    pixel.fill(under);
    QPainter painter(&pixel);
    painter.fillRect(0, 0, 1, 1, colour);
    painter.end();
    return pixel.pixelColor(0, 0);
}

bool near(const QColor& a, const QColor& b, int tolerance = 2) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

using test_support::EngineEdges;

// The areas the canvas repaints.
class PaintedArea : public QObject {
public:
    explicit PaintedArea(QWidget* canvas) { canvas->installEventFilter(this); }
    QRegion region;
    qint64 pixels() const {
        qint64 total = 0;
        for (const QRect& rect : region)
            total += qint64(rect.width()) * rect.height();
        return total;
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) region |= static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

// A stand-in for the arrow tool: the active patch with its handles (mode 5).
class ArrowStandIn : public StandInBrush {
public:
    ArrowStandIn() : StandInBrush(4) { brush = false; }
    int targetDrawMode(const ArrowTarget* target) const override {
        return target && target->isActive() ? Shape::PaintActive : Shape::PaintOtherOutline;
    }
};

// The canvas alone in a 1000 x 800 viewport over a 400 x 300 red and blue
// image, with the stand-in brush current and a magenta background brush.
class CanvasPaintingTest : public CanvasFixture {
protected:
    void SetUp() override {
        CanvasFixture::SetUp();
        show();
        open(twoColourImage(400, 300));
        canvas_->viewTabChangedSlot(ViewTabs::Workspace);
        canvasHooks().backgroundBrush = [] { return QBrush(kBackground); };
        brush_ = std::make_unique<StandInBrush>(4);
        brush_->onStroke = [](GmBrushing* stroke) { delete stroke; };
        ASSERT_TRUE(brush_->installSlot());
    }
    void TearDown() override {
        brush_.reset();
        GmModel::instance()->clearPreviewRectangle();
        canvasHooks() = CanvasHooks();
        CanvasFixture::TearDown();
    }

    void zoomTo(double zoom) {
        canvas_->setZoom(zoom, true);
        QApplication::processEvents();
    }
    // The pointer rests over the canvas at `fromImageCorner` (screen pixels).
    void pointAt(const QPoint& fromImageCorner) {
        centre_ = canvas_->imageRect().topLeft() + fromImageCorner;
        QTest::mouseMove(area_->windowHandle(), canvas_->mapTo(area_.get(), centre_));
        ASSERT_TRUE(canvas_->isPointerInside());
    }
    QColor shown(const QPoint& offset) {
        return canvas_->grab().toImage().pixelColor(centre_ + offset);
    }
    // A canvas pixel of an image point.
    QColor shownAtImage(const QPointF& point) {
        const QPoint at = canvas_->imageRect().topLeft() + (point * canvas_->zoom()).toPoint();
        return canvas_->grab().toImage().pixelColor(at);
    }
    static QColor keep() { return ZtAppPrefs::currentColor(ZtAppPrefs::KeepMaskColor); }
    // What the window shows now, repainted pieces and all (not a fresh paint).
    QImage onScreen() const {
        return area_->windowHandle()->screen()->grabWindow(area_->winId()).toImage();
    }
    // A canvas point (relative to the image's corner) in the window.
    QPoint inWindow(const QPoint& fromImageCorner) const {
        return canvas_->mapTo(area_.get(), canvas_->imageRect().topLeft() + fromImageCorner);
    }

    std::unique_ptr<StandInBrush> brush_;
    QPoint centre_;
};

TEST_F(CanvasPaintingTest, TheSourceTabShowsOnlyThePhotograph) {
    zoomTo(1);
    auto* patch = new RectRegion(QPointF(20, 20));
    patch->rectangle()->dragCorner(QPointF(80, 80));
    GmBrushing stroke(Qt::green);
    stroke.brushing()->startAt(QPointF(30, 100));
    stroke.brushing()->lineTo(QPointF(120, 100));
    pointAt(QPoint(100, 100));

    const QColor onStroke = shownAtImage(QPointF(60, 100));
    EXPECT_NE(onStroke, kRed) << "the Workspace tab shows the waiting stroke";
    canvas_->viewTabChangedSlot(ViewTabs::Source);
    const QImage source = canvas_->grab().toImage();
    const QPoint corner = canvas_->imageRect().topLeft();
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(source.pixelColor(corner + QPoint(x, y)), kRed) << x << ", " << y;
    delete patch;
}

TEST_F(CanvasPaintingTest, TheFootprintShowsOnlyWhenAWorkspacePixelIsFiveScreenPixelsWide) {
    struct Case {
        double zoom;
        bool footprint;
    };
    const Case cases[] = {{8, true}, {5, true}, {4, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.zoom);
        zoomTo(c.zoom);
        pointAt(QPoint(100, 100));
        // Inside the 4 px dab, off the cross-hair's arms and inside the circle.
        const QColor expected = c.footprint ? over(kRed, QColor(0, 255, 0, 45)) : kRed;
        EXPECT_TRUE(near(shown(QPoint(3, 3)), expected))
            << shown(QPoint(3, 3)).name().toStdString();
    }
}

TEST_F(CanvasPaintingTest, TheCentreMarkIsASquareOverTheActivePatchElseACrossHair) {
    brush_.reset();
    brush_ = std::make_unique<StandInBrush>(10);
    brush_->installSlot();
    zoomTo(4); // no footprint; the circle lies 20 screen pixels out
    auto* patch = new RectRegion(QPointF(40, 40));
    patch->rectangle()->dragCorner(QPointF(60, 60));
    for (bool overPatch : {false, true}) {
        SCOPED_TRACE(overPatch);
        GmModel::instance()->setActiveRegion(overPatch ? patch : nullptr, 0);
        pointAt(QPoint(200, 200)); // image point (50, 50)
        bool cornerMarked = false;
        for (const QPoint offset : {QPoint(4, 4), QPoint(5, 5), QPoint(4, 5), QPoint(5, 4)})
            cornerMarked = cornerMarked || shown(offset) == keep();
        EXPECT_EQ(shown(QPoint(7, 0)) == keep(), !overPatch) << "an arm of the cross-hair";
        EXPECT_EQ(shown(QPoint(0, 7)) == keep(), !overPatch);
        EXPECT_EQ(cornerMarked, overPatch) << "a corner of the square";
    }
    // The mark's lines are one screen pixel wide at any zoom.
    GmModel::instance()->setActiveRegion(nullptr, 0);
    zoomTo(8);
    pointAt(QPoint(400, 400));
    EXPECT_EQ(shown(QPoint(6, 0)), keep());
    EXPECT_NE(shown(QPoint(6, 3)), keep());
    EXPECT_NE(shown(QPoint(-3, -6)), keep());
    delete patch;
}

TEST_F(CanvasPaintingTest, APatchPreviewIsClippedToThePatchAndOutlinedOnceDropped) {
    brush_.reset();
    zoomTo(1);
    GmModel* const model = GmModel::instance();
    auto* patch = new RectRegion(QPointF(20, 20));
    patch->rectangle()->dragCorner(QPointF(60, 60));
    model->setPreviewRectangle(QPointF(10, 10));
    model->previewRectangle()->dragCorner(QPointF(100, 100));
    emit model->patchPreviewAvailable(patch);
    ASSERT_EQ(canvas_->patchPreview(), patch);
    ASSERT_FALSE(canvas_->patchPreviewRegion().isEmpty());

    // The working image is transparent at the top: the preview shows the background.
    EXPECT_EQ(shownAtImage(QPointF(40.5, 40.5)), kBackground) << "inside the patch";
    EXPECT_EQ(shownAtImage(QPointF(80.5, 80.5)), kRed) << "outside the patch, inside the rectangle";

    // A repaint that asks for it drops the preview.
    emit model->rectDirty(ImageRectF(0, 0, 1, 1), NoDirtyMargin, DropPatchPreview);
    EXPECT_EQ(canvas_->patchPreview(), nullptr);
    EXPECT_TRUE(canvas_->patchPreviewRegion().isEmpty());
    EXPECT_EQ(model->previewRectangle(), nullptr);
    model->setPreviewRectangle(QPointF(10, 10));
    model->previewRectangle()->dragCorner(QPointF(100, 100));
    EXPECT_EQ(shownAtImage(QPointF(80.5, 80.5)), kBackground);
    const QColor top = shownAtImage(QPointF(55.5, 9.5));
    const QColor below = shownAtImage(QPointF(55.5, 10.5));
    EXPECT_TRUE(top.green() > 100 || below.green() > 100) << "the white outline";
    delete patch;
}

TEST_F(CanvasPaintingTest, StrokesWaitingForTheEngineShowAtHalfOpacityWithoutAnOverlay) {
    zoomTo(1);
    GmBrushing stroke(QColor(0, 255, 0));
    stroke.brushing()->startAt(QPointF(30, 100));
    stroke.brushing()->lineTo(QPointF(120, 100));
    EXPECT_TRUE(near(shownAtImage(QPointF(60.5, 100.5)), over(kRed, QColor(0, 255, 0, 128))));
    EXPECT_EQ(shownAtImage(QPointF(60.5, 120.5)), kRed);
}

TEST_F(CanvasPaintingTest, TheWashMakesEveryRepaintVisible) {
    brush_.reset();
    zoomTo(1);
    const QColor plain = shownAtImage(QPointF(40.5, 40.5));
    QAction* wash = nullptr;
    for (QAction* action : canvas_->actions())
        if (action->text() == QLatin1String("wash")) wash = action;
    ASSERT_NE(wash, nullptr);
    EXPECT_EQ(wash->shortcut(), QKeySequence(QStringLiteral("Shift+F6")));
    wash->setChecked(true);
    EXPECT_NE(shownAtImage(QPointF(40.5, 40.5)), plain);
    wash->setChecked(false);
    EXPECT_EQ(shownAtImage(QPointF(40.5, 40.5)), plain);
}

TEST_F(CanvasPaintingTest, AStrokeMoveRepaintsAllThatChangedAndAtHighZoomLittleMore) {
    struct Case {
        double zoom;
        int size;
        int factor;
        bool pressure; // the pen's pressure changes the size at every move
    };
    // Without and with the footprint, the outline smaller and larger than the view.
    const Case cases[] = {{1, 30, 1, false}, {2, 60, 1, false},   {6, 30, 1, false},
                          {8, 40, 2, false}, {16, 120, 1, false}, {6, 30, 1, true},
                          {16, 120, 1, true}};
    const QPoint path[] = {{303, 200}, {306, 202}, {307, 202}, {340, 226}, {331, 227}, {331, 260}};
    QWindow* const window = area_->windowHandle();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "zoom " << c.zoom << ", brush " << c.size
                                        << (c.pressure ? ", pressure" : ""));
        GmModel::instance()->setResolutionFactor(c.factor);
        brush_.reset(); // the brush going takes its size along
        brush_ = std::make_unique<StandInBrush>(c.size);
        brush_->onStroke = [](GmBrushing* stroke) { delete stroke; };
        ASSERT_TRUE(brush_->installSlot());
        int moves = 0;
        if (c.pressure)
            Brushing::setBrushSizeHook([&moves, &c] { return c.size - 7 * (moves % 3); });
        zoomTo(c.zoom);
        pointAt(QPoint(300, 200));
        QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, inWindow(QPoint(300, 200)));
        QApplication::processEvents();
        for (const QPoint& to : path) {
            qint64 repainted = 0;
            ++moves;
            {
                PaintedArea painted(canvas_);
                QTest::mouseMove(window, inWindow(to));
                QApplication::processEvents();
                repainted = painted.pixels();
            }
            const QImage shown = onScreen();
            // The stroke, the footprint and the outline where they are now:
            // what a repaint of the whole view shows.
            canvas_->update();
            QApplication::processEvents();
            // The painter blends the last column of an image drawn in part
            // one level apart from one drawn whole: only more counts.
            const QImage whole = onScreen();
            ASSERT_EQ(shown.size(), whole.size());
            int stale = 0;
            for (int y = 0; y < whole.height(); ++y)
                for (int x = 0; x < whole.width(); ++x)
                    stale += !near(shown.pixelColor(x, y), whole.pixelColor(x, y), 1);
            ASSERT_EQ(stale, 0) << "after the move to " << to.x() << ", " << to.y();
            if (c.zoom == 16) {
                EXPECT_LT(repainted, 1000 * 800 / 10)
                    << "a brush larger than the view repaints its edges, not the view";
            }
        }
        QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, inWindow(path[5]));
        QApplication::processEvents();
    }
}

TEST_F(CanvasPaintingTest, APatchPreviewAreaIsThePatchsMaskAtItsOffsetAndFactor) {
    brush_.reset();
    GmModel* const model = GmModel::instance();
    model->setResolutionFactor(2);
    // Slanted and hollowed, so that rows hold one or two runs that change
    // from row to row, and some rows repeat.
    auto* patch = new PolyRegion(QPointF(100, 60));
    for (const QPointF& p :
         {QPointF(190, 70), QPointF(190, 140), QPointF(160, 140), QPointF(150, 90),
          QPointF(125, 95), QPointF(120, 140), QPointF(96, 130)})
        patch->polygon()->addPoint(p);
    emit model->patchPreviewAvailable(patch);

    const QImage* const mask = patch->shape()->mask(QPen(Qt::NoPen), QBrush(Qt::color1));
    ASSERT_NE(mask, nullptr);
    ASSERT_NE(mask->offset(), QPoint(0, 0));
    QRegion expected;
    for (int y = 0; y < mask->height(); ++y)
        for (int x = 0; x < mask->width(); ++x)
            if (mask->pixelIndex(x, y) != 0)
                expected |= QRect((mask->offset() + QPoint(x, y)) * 2, QSize(2, 2));
    const QRegion area = canvas_->patchPreviewRegion();
    EXPECT_FALSE(area.isEmpty());
    EXPECT_TRUE((area ^ expected).isEmpty());
    EXPECT_EQ(area.boundingRect(), expected.boundingRect());
    delete patch;
}

TEST_F(CanvasPaintingTest, TheChequerKeepsItsScreenSizeOnTheCutoutTabAndInPreviews) {
    brush_.reset();
    const QColor light(250, 250, 120), dark(40, 120, 40);
    QPixmap cells(16, 16);
    cells.fill(light);
    {
        QPainter painter(&cells);
        painter.fillRect(8, 0, 8, 8, dark);
        painter.fillRect(0, 8, 8, 8, dark);
    }
    canvasHooks().backgroundBrush = [cells] { return QBrush(cells); };
    // The cells lie on the canvas's own grid of 8 screen pixels.
    const auto cellAt = [&](const QPoint& onCanvas) {
        return (onCanvas.x() / 8 + onCanvas.y() / 8) % 2 == 0 ? light : dark;
    };
    GmModel* const model = GmModel::instance();
    for (double zoom : {1.0, 3.0}) {
        for (bool preview : {false, true}) {
            SCOPED_TRACE(testing::Message() << "zoom " << zoom << (preview ? ", preview" : ""));
            zoomTo(zoom);
            // The top half of the cut-out is transparent.
            canvas_->viewTabChangedSlot(preview ? ViewTabs::Workspace : ViewTabs::Cutout);
            if (preview) {
                model->setPreviewRectangle(QPointF(10, 10));
                model->previewRectangle()->dragCorner(QPointF(120, 100));
            }
            const QImage shown = canvas_->grab().toImage();
            const QPoint corner = canvas_->imageRect().topLeft();
            for (int x = 0; x < 80; ++x) {
                const QPoint at = corner + QPoint(int(20 * zoom) + x, int(40 * zoom));
                ASSERT_EQ(shown.pixelColor(at), cellAt(at)) << at.x() << ", " << at.y();
            }
            model->clearPreviewRectangle();
        }
    }
}

TEST_F(CanvasPaintingTest, ObjectEdgesAreTheActivePatchsOwnWhenItIsAnalysedOnItsOwn) {
    canvasHooks().objectEdgesShown = [] { return true; };
    zoomTo(1);
    GmModel* const model = GmModel::instance();
    // Both in the red half of the image, the patch's inside the patch.
    EngineEdges imageEdges({{60.5f, 0, 60.5f, 299}});
    EngineEdges patchEdges({{140.5f, 60, 140.5f, 240}});
    SegmentationStuff* const image = model->imageSmeg();
    VkSession* const imageSession = image->segmentationSession();
    image->setSegmentationSession(imageEdges.session());
    image->refreshEdges();
    auto* patch = new RectRegion(QPointF(100, 50));
    patch->rectangle()->dragCorner(QPointF(180, 250));
    patch->smeg().setSegmentationSession(patchEdges.session());
    patch->smeg().refreshEdges();

    const QColor blue(Qt::blue);
    struct Row {
        const char* what;
        bool active;
        bool ownAnalysis;
        bool imageEdges;
    };
    const Row rows[] = {
        {"no patch active", false, true, true},
        {"the active patch analysed with the image", true, false, true},
        {"the active patch analysed on its own", true, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        patch->smeg().setChecked(row.ownAnalysis);
        model->setActiveRegion(row.active ? patch : nullptr, 0);
        EXPECT_EQ(shownAtImage(QPointF(60.2, 150.2)) == blue, row.imageEdges);
        EXPECT_EQ(shownAtImage(QPointF(140.2, 150.2)) == blue, !row.imageEdges);
    }
    model->setActiveRegion(nullptr, 0);
    patch->smeg().setSegmentationSession(nullptr);
    image->setSegmentationSession(imageSession);
    image->clearObjectEdges();
    delete patch;
}

TEST_F(CanvasPaintingTest, TheActiveShapeShowsHandlesAndAPolygonWithObjectEdgesOnlyThem) {
    zoomTo(4);
    auto* rectangle = new RectRegion(QPointF(20, 20));
    rectangle->rectangle()->dragCorner(QPointF(60, 50));
    auto* polygon = new PolyRegion(QPointF(80, 20));
    polygon->polygon()->addPoint(QPointF(120, 20));
    polygon->polygon()->addPoint(QPointF(100, 60));
    // Canvas pixels by their offset in screen pixels from an image point.
    const auto shownBeside = [&](const QPointF& point, const QPoint& offset) {
        const QPoint at = canvas_->imageRect().topLeft() + (point * 4).toPoint() + offset;
        return canvas_->grab().toImage().pixelColor(at);
    };
    // The handles reach 4.5 screen pixels out of a corner (their own corners
    // bevelled); the outline 2.
    const QPoint outside(-3, -3);

    // The arrow tool (mode 5): handles on the active shape's corners or vertices only.
    brush_.reset();
    ArrowStandIn arrow;
    ASSERT_TRUE(arrow.installSlot());
    for (GmRegion* patch : {static_cast<GmRegion*>(rectangle), static_cast<GmRegion*>(polygon)}) {
        const QPointF corner = patch == rectangle ? QPointF(20, 20) : QPointF(80, 20);
        GmModel::instance()->setActiveRegion(patch, 0);
        EXPECT_EQ(shownBeside(corner, outside), patch->outlineColour()) << "a handle";
        EXPECT_EQ(shownBeside(corner + QPointF(10, 0), QPoint(0, -4)), kRed) << "no handle";
        GmModel::instance()->setActiveRegion(nullptr, 0);
        EXPECT_EQ(shownBeside(corner, outside), kRed) << "inactive: no handles";
    }

    // A brush (mode 4): the active polygon's object edges instead of its outline.
    StandInBrush brush(4);
    ASSERT_TRUE(brush.installSlot());
    GmModel::instance()->setActiveRegion(polygon, 0);
    const QPointF onOutline(100, 20.1);
    EXPECT_EQ(shownBeside(onOutline, QPoint()), polygon->outlineColour()) << "no edges yet";
    EngineEdges edges({{90.5f, 30.5f, 110.5f, 30.5f, 110.5f, 45.5f}});
    polygon->shape()->setEdges(edges.session());
    EXPECT_EQ(shownBeside(onOutline, QPoint()), kRed);
    EXPECT_EQ(shownBeside(QPointF(100, 30.5), QPoint()), polygon->outlineColour());
    GmModel::instance()->setActiveRegion(nullptr, 0);
    polygon->shape()->setEdges(nullptr);
    delete rectangle;
    delete polygon;
}

} // namespace
