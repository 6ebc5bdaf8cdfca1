#include "model/brushing.h"

#include "model/brush_footprint.h"
#include "model/gm_model.h"
#include "model_fixture.h"
#include "shell/services/shell_functions.h"

#include <QBitmap>
#include <QDataStream>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using PixelSet = QSet<QPair<int, int>>;

QString describe(const PixelSet& set) {
    QStringList parts;
    for (const QPair<int, int>& p : set)
        parts << QString("(%1,%2)").arg(p.first).arg(p.second);
    parts.sort();
    return parts.join(' ');
}

double distanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b) {
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((p.x() - a.x()) * dx + (p.y() - a.y()) * dy) / length2 : 0;
    t = std::max(0.0, std::min(1.0, t));
    return std::hypot(p.x() - a.x() - t * dx, p.y() - a.y() - t * dy);
}

// Whether every painted pixel can be reached from every other through
// painted neighbours (diagonals included).
bool connected(const PixelSet& set) {
    if (set.isEmpty()) return true;
    PixelSet seen{*set.begin()};
    QList<QPair<int, int>> queue{*set.begin()};
    while (!queue.isEmpty()) {
        const QPair<int, int> p = queue.takeLast();
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const QPair<int, int> q(p.first + dx, p.second + dy);
                if (set.contains(q) && !seen.contains(q)) {
                    seen.insert(q);
                    queue.append(q);
                }
            }
    }
    return seen.size() == set.size();
}

class BrushingTest : public ModelFixture {
protected:
    void SetUp() override { registerPainterPathType(); }
};

TEST_F(BrushingTest, ANewStrokeIsAnEmptyMonoPictureOfTheWorkspace) {
    useImage(40, 30, 4);
    const Brushing stroke(QColor(10, 200, 30));
    EXPECT_EQ(stroke.format(), QImage::Format_Mono);
    EXPECT_EQ(stroke.size(), QSize(10, 8));
    EXPECT_EQ(stroke.colorTable(), (QVector<QRgb>{qRgba(0, 0, 0, 0), qRgb(10, 200, 30)}));
    EXPECT_TRUE(setPixels(stroke).isEmpty());
    EXPECT_EQ(stroke.reducedBounds(), QRectF(0, 0, 0, 0));
    EXPECT_FALSE(stroke.boundingRect().hasArea());
    EXPECT_TRUE(stroke.path().isEmpty());
}

TEST_F(BrushingTest, APressPaintsTheDotOfTheBrushAroundThePixelUnderIt) {
    struct Case {
        int size;
        QPointF point;
        PixelSet painted;
        QRect square;
    };
    // (5, 5) is the corner between four pixels, (5.5, 5.5) the centre of pixel (5, 5).
    const Case cases[] = {
        {1, QPointF(5, 5), pixels({{5, 5}}), QRect(4, 4, 2, 2)},
        {1, QPointF(5.5, 5.5), pixels({{5, 5}}), QRect(5, 5, 1, 1)},
        {1, QPointF(5.3, 5.8), pixels({{5, 5}}), QRect(4, 5, 2, 2)},
        {2, QPointF(5, 5), pixelsOf(QRect(4, 4, 2, 2)), QRect(4, 4, 2, 2)},
        {2, QPointF(5.5, 5.5), pixels({{5, 5}, {6, 5}, {5, 6}}), QRect(4, 4, 3, 3)},
        {3, QPointF(5, 5), pixelsOf(QRect(4, 4, 2, 2)), QRect(3, 3, 4, 4)},
        {3, QPointF(5.5, 5.5), pixelsOf(QRect(4, 4, 3, 3)), QRect(4, 4, 3, 3)},
        {4, QPointF(5, 5), pixelsOf(QRect(3, 3, 4, 4)) - pixels({{3, 3}, {6, 3}, {3, 6}, {6, 6}}),
         QRect(3, 3, 4, 4)},
        {4, QPointF(5.5, 5.5), pixelsOf(QRect(4, 4, 3, 3)) + pixels({{7, 5}, {5, 7}}),
         QRect(3, 3, 5, 5)},
    };
    for (const Case& c : cases) {
        useImage(16, 16);
        setBrushSize(c.size);
        Brushing stroke(QColor(Qt::red));
        forgetDirtyCalls();
        stroke.startAt(c.point);
        const std::string label =
            "size " + std::to_string(c.size) + " at " + testing::PrintToString(c.point);
        EXPECT_EQ(setPixels(stroke), c.painted)
            << label << ": " << describe(setPixels(stroke)).toStdString();
        EXPECT_TRUE(stroke.contains(c.point)) << label;
        EXPECT_EQ(stroke.reducedBounds(), QRectF(c.square)) << label;
        ASSERT_EQ(dirtyCalls().size(), 1) << label;
        EXPECT_EQ(QRectF(dirtyCalls()[0].rect), QRectF(c.square)) << label;
        EXPECT_EQ(dirtyCalls()[0].hint, NoDirtyMargin) << label;
        EXPECT_EQ(stroke.path().elementCount(), 1) << label;
    }
}

TEST_F(BrushingTest, LinesCoverWhatTheRoundPenCoversAndStayConnected) {
    struct Line {
        QPointF from;
        QPointF to;
    };
    const Line lines[] = {
        {QPointF(2, 5), QPointF(13, 5)},         {QPointF(2.5, 5.5), QPointF(13.5, 5.5)},
        {QPointF(5, 2), QPointF(5, 13)},         {QPointF(2, 2), QPointF(13, 13)},
        {QPointF(2.3, 3.1), QPointF(13.7, 8.6)}, {QPointF(3.9, 2.2), QPointF(6.1, 13.4)},
        {QPointF(7.5, 7.5), QPointF(7.5, 7.5)},
    };
    for (int size = 1; size <= 4; ++size)
        for (const Line& line : lines) {
            useImage(16, 16);
            setBrushSize(size);
            Brushing stroke(QColor(Qt::red));
            stroke.startAt(line.from);
            stroke.lineTo(line.to);
            const PixelSet painted = setPixels(stroke);
            const std::string label = "size " + std::to_string(size) + " from " +
                                      testing::PrintToString(line.from) + " to " +
                                      testing::PrintToString(line.to);
            const double radius = 0.5 * size;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const double d =
                        distanceToSegment(QPointF(x + 0.5, y + 0.5), line.from, line.to);
                    if (d < radius - 0.01) {
                        EXPECT_TRUE(painted.contains({x, y})) << label;
                    }
                    const bool end =
                        QPoint(x, y) == pixelAt(line.from) || QPoint(x, y) == pixelAt(line.to);
                    if (d > radius + 0.01 && !end) {
                        EXPECT_FALSE(painted.contains({x, y})) << label;
                    }
                }
            EXPECT_TRUE(stroke.contains(line.from)) << label;
            EXPECT_TRUE(stroke.contains(line.to)) << label;
            EXPECT_TRUE(connected(painted)) << label << ": " << describe(painted).toStdString();
        }
}

TEST_F(BrushingTest, AOnePixelLineAlongAPixelBorderPaintsOneRow) {
    useImage(16, 16);
    setBrushSize(1);
    Brushing stroke(QColor(Qt::red));
    stroke.startAt(QPointF(2, 5));
    stroke.lineTo(QPointF(9, 5));
    EXPECT_EQ(setPixels(stroke), pixelsOf(QRect(2, 5, 8, 1)));
}

TEST_F(BrushingTest, ContainsLooksAtTheWorkspacePixelUnderThePoint) {
    useImage(32, 32, 2);
    setBrushSize(1);
    Brushing stroke(QColor(Qt::red));
    stroke.startAt(QPointF(11, 11)); // workspace (5.5, 5.5): pixel (5, 5)
    EXPECT_EQ(setPixels(stroke), pixels({{5, 5}}));
    struct Case {
        QPointF point;
        bool inside;
    };
    const Case cases[] = {
        {QPointF(10, 10), true},  {QPointF(11.9, 11.9), true}, {QPointF(10, 11.5), true},
        {QPointF(12, 12), false}, {QPointF(9.9, 10), false},   {QPointF(-1, -1), false},
        {QPointF(100, 5), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(stroke.contains(c.point), c.inside) << testing::PrintToString(c.point);
    EXPECT_EQ(QRectF(stroke.boundingRect()), QRectF(10, 10, 2, 2));
}

TEST_F(BrushingTest, TheBorderClipsTheBrushAndADotOutsidePaintsNothing) {
    useImage(16, 16);
    setBrushSize(4);
    Brushing stroke(QColor(Qt::red));
    stroke.startAt(QPointF(-10, -10));
    EXPECT_TRUE(setPixels(stroke).isEmpty());
    EXPECT_EQ(stroke.reducedBounds(), QRectF(0, 0, 0, 0));
    EXPECT_TRUE(dirtyCalls().isEmpty());

    stroke.startAt(QPointF(0.5, 0.5));
    EXPECT_EQ(stroke.reducedBounds(), QRectF(0, 0, 3, 3));
    for (const QPair<int, int>& p : setPixels(stroke)) {
        EXPECT_LT(p.first, 3);
        EXPECT_LT(p.second, 3);
    }
    EXPECT_TRUE(stroke.contains(QPointF(0.5, 0.5)));
}

TEST_F(BrushingTest, AMoveDirtiesOnlyThePixelsItAdds) {
    // At a high zoom the brush covers the view: a move must not repaint its
    // whole square, only the edge it adds, in a few bands.
    useImage(128, 128, 2);
    setBrushSize(20);
    Brushing stroke(QColor(Qt::red));
    stroke.startAt(QPointF(40, 60)); // workspace (20, 30)
    struct Move {
        QPointF to;
        int pixelsAdded; // -1: some
    };
    const Move moves[] = {{{41, 60}, -1}, {{44, 61}, -1}, {{60, 80}, -1}, {{44, 61}, 0}};
    for (const Move& move : moves) {
        SCOPED_TRACE(testing::PrintToString(move.to));
        const PixelSet before = setPixels(stroke);
        const QPointF from = stroke.anchor();
        forgetDirtyCalls();
        stroke.lineTo(move.to);
        const PixelSet added = setPixels(stroke) - before;
        if (move.pixelsAdded >= 0) {
            EXPECT_EQ(added.size(), move.pixelsAdded);
        } else {
            EXPECT_FALSE(added.isEmpty());
        }
        // Every new pixel is repainted; nothing outside the ends' squares is.
        const QRect squares =
            brushSquare(from, 20, stroke.rect()) | brushSquare(stroke.anchor(), 20, stroke.rect());
        const QRectF squaresInImage(squares.x() * 2, squares.y() * 2, squares.width() * 2,
                                    squares.height() * 2);
        for (const DirtyCall& call : dirtyCalls())
            EXPECT_TRUE(squaresInImage.contains(call.rect));
        for (const QPair<int, int>& pixel : added) {
            const QRectF inImage(pixel.first * 2, pixel.second * 2, 2, 2);
            bool repainted = false;
            for (const DirtyCall& call : dirtyCalls())
                repainted = repainted || QRectF(call.rect).contains(inImage);
            EXPECT_TRUE(repainted) << pixel.first << ", " << pixel.second;
        }
        qreal dirtyArea = 0;
        for (const DirtyCall& call : dirtyCalls()) {
            EXPECT_EQ(call.hint, NoDirtyMargin);
            dirtyArea += call.rect.width() * call.rect.height();
        }
        EXPECT_LE(dirtyArea, 2 * 4 * added.size() + 4 * 64) << "twice the new pixels, and a little";
        EXPECT_LE(dirtyCalls().size(), 24);
    }
    EXPECT_EQ(stroke.anchor(), QPointF(22, 30.5));
    EXPECT_FALSE(stroke.hasPendingSegment());
}

TEST_F(BrushingTest, AShiftSegmentIsPaintedOnlyByTheNextMove) {
    useImage(16, 16);
    setBrushSize(1);
    Brushing stroke(QColor(255, 0, 0));
    stroke.startAt(QPointF(2.5, 2.5));
    forgetDirtyCalls();
    stroke.setStraightEnd(QPointF(12.5, 2.5));
    EXPECT_EQ(setPixels(stroke), pixels({{2, 2}}));
    EXPECT_TRUE(stroke.hasPendingSegment());
    ASSERT_EQ(dirtyCalls().size(), 1);
    EXPECT_EQ(QRectF(dirtyCalls()[0].rect), QRectF(2, 2, 11, 1));

    // The canvas shows the pending segment in the stroke's colour.
    QImage canvas(16, 16, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.setPen(QPen(QColor(0, 0, 255), 0));
        stroke.paint(&painter, ImageRectF(0, 0, 16, 16), Shape::PaintBeingDrawn, 0, 0);
    }
    EXPECT_EQ(canvas.pixel(7, 2), qRgb(255, 0, 0)); // the pending segment, in the stroke's colour

    // The next ordinary move paints from the anchor to where the mouse is now.
    stroke.lineTo(QPointF(12.5, 8.5));
    EXPECT_FALSE(stroke.hasPendingSegment());
    const PixelSet painted = setPixels(stroke);
    EXPECT_TRUE(painted.contains({12, 8}));
    EXPECT_FALSE(painted.contains({12, 2}));
    EXPECT_FALSE(painted.contains({7, 2}));
}

TEST_F(BrushingTest, ADabsRowSpansAreThePixelsItPaints) {
    // The canvas repaints the brush's footprint by these spans as it moves.
    for (int size = 1; size <= 13; ++size) {
        for (const QPointF offset : {QPointF(0, 0), QPointF(0.5, 0.5), QPointF(0.25, 0.73),
                                     QPointF(0.9, 0.1), QPointF(0.5, 0)}) {
            const QPointF centre = QPointF(20, 20) + offset;
            QImage picture(40, 40, QImage::Format_Mono);
            picture.fill(0);
            paintBrushSegment(&picture, centre, centre, size);
            for (int y = 0; y < 40; ++y) {
                int first = 40, last = -1;
                for (int x = 0; x < 40; ++x)
                    if (picture.pixelIndex(x, y)) {
                        first = std::min(first, x);
                        last = std::max(last, x);
                    }
                int left = 0, right = 0;
                const bool painted = brushDabSpan(centre, size, y, &left, &right);
                const std::string label = "size " + std::to_string(size) + " at " +
                                          testing::PrintToString(centre) + ", row " +
                                          std::to_string(y);
                ASSERT_EQ(painted, last >= first) << label;
                if (painted) {
                    ASSERT_EQ(left, first) << label;
                    ASSERT_EQ(right, last) << label;
                }
            }
        }
    }
}

TEST_F(BrushingTest, TheShownShiftSegmentIsRepaintedAwayByTheNextMove) {
    useImage(16, 16);
    setBrushSize(1);
    Brushing stroke(QColor(255, 0, 0));
    stroke.startAt(QPointF(2.5, 2.5));
    stroke.setStraightEnd(QPointF(12.5, 2.5));
    forgetDirtyCalls();
    // The mouse comes back down to the left: the segment shown to the right goes.
    stroke.lineTo(QPointF(2.5, 8.5));
    QRectF repainted;
    for (const DirtyCall& call : dirtyCalls())
        repainted = repainted.united(call.rect);
    EXPECT_TRUE(repainted.contains(QRectF(2, 2, 11, 1)));
}

TEST_F(BrushingTest, OwnColourKeepsThePensAlpha) {
    useImage(16, 16);
    setBrushSize(3);
    Brushing stroke(QColor(0, 200, 0));
    stroke.startAt(QPointF(8.5, 8.5));
    QImage canvas(16, 16, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setPen(QPen(QColor(0, 0, 255, 100), 0));
        stroke.paint(&painter, ImageRectF(0, 0, 16, 16), Shape::PaintOutline, 1, 0);
        EXPECT_EQ(painter.pen().color(), QColor(0, 200, 0, 100));
    }
    const QRgb shown = canvas.pixel(8, 8);
    EXPECT_EQ(qAlpha(shown), 100);
    EXPECT_EQ(qRed(shown), 0);
    EXPECT_NEAR(qGreen(shown), 200, 2);
    EXPECT_EQ(qBlue(shown), 0);
    EXPECT_EQ(qAlpha(canvas.pixel(2, 2)), 0);
}

TEST_F(BrushingTest, ClearErasesAndRepaintsThePaintedArea) {
    useImage(16, 16);
    setBrushSize(3);
    Brushing stroke(QColor(Qt::red));
    stroke.startAt(QPointF(5.5, 5.5));
    forgetDirtyCalls();
    stroke.clear();
    EXPECT_TRUE(setPixels(stroke).isEmpty());
    EXPECT_EQ(stroke.reducedBounds(), QRectF(0, 0, 0, 0));
    ASSERT_EQ(dirtyCalls().size(), 1);
    EXPECT_EQ(QRectF(dirtyCalls()[0].rect), QRectF(4, 4, 3, 3));
}

TEST_F(BrushingTest, DestroyingAPaintedStrokeRepaintsItsArea) {
    useImage(16, 16);
    setBrushSize(3);
    {
        Brushing stroke(QColor(Qt::red));
        stroke.startAt(QPointF(5.5, 5.5));
        forgetDirtyCalls();
    }
    ASSERT_EQ(dirtyCalls().size(), 1);
    EXPECT_EQ(QRectF(dirtyCalls()[0].rect), QRectF(4, 4, 3, 3));
    forgetDirtyCalls();
    { Brushing empty(QColor(Qt::red)); }
    EXPECT_TRUE(dirtyCalls().isEmpty());
}

TEST_F(BrushingTest, MaskIsThePaintedBoundsGrownByOnePixel) {
    useImage(32, 32, 2);
    setBrushSize(3);
    Brushing stroke(QColor(Qt::red));
    stroke.startAt(QPointF(11, 11)); // workspace pixel (5, 5): pixels 4..6
    const QImage mask = stroke.renderMask(QPen(), QBrush());
    ASSERT_FALSE(mask.isNull());
    EXPECT_EQ(mask.format(), QImage::Format_Indexed8);
    EXPECT_EQ(mask.offset(), QPoint(3, 3));
    EXPECT_EQ(mask.size(), QSize(5, 5));
    EXPECT_EQ(setPixels(mask), pixelsOf(QRect(1, 1, 3, 3)));
    EXPECT_EQ(mask.pixelIndex(2, 2), 1);

    // An empty stroke still gives an image, with no pixel set.
    Brushing empty(QColor(Qt::red));
    const QImage emptyMask = empty.renderMask(QPen(), QBrush());
    ASSERT_FALSE(emptyMask.isNull());
    EXPECT_TRUE(setPixels(emptyMask).isEmpty());
}

TEST_F(BrushingTest, HitTestFindsPaintedPixelsWithTheArrowCursor) {
    useImage(16, 16);
    setBrushSize(1);
    Brushing stroke(QColor(Qt::red));
    stroke.startAt(QPointF(2.5, 2.5));
    stroke.lineTo(QPointF(10.5, 2.5));
    stroke.lineTo(QPointF(10.5, 10.5));
    const ShapeHit hit = stroke.hitTest(QPointF(6.5, 2.5));
    EXPECT_EQ(hit.kind, ShapeHit::Inside);
    EXPECT_EQ(hit.cursor, Qt::ArrowCursor);
    EXPECT_EQ(hit.point, QPointF(6.5, 2.5));
    EXPECT_EQ(stroke.hitTest(QPointF(5.5, 7.5)).kind, ShapeHit::None); // inside the bounds only
    EXPECT_EQ(stroke.hitTest(QPointF(14.5, 14.5)).kind, ShapeHit::None);

    // A stroke cannot be dragged.
    ShapeHit grab = hit;
    stroke.beginDrag(grab, QPointF(6.5, 2.5));
    stroke.drag(grab, QPointF(8.5, 5.5));
    EXPECT_FALSE(stroke.endDrag(grab, QPointF(8.5, 5.5)));
    EXPECT_TRUE(stroke.contains(QPointF(6.5, 2.5)));
}

// A stroke of a few segments at factor 2 with a colour that is not opaque.
class BrushingMapTest : public BrushingTest {
protected:
    void SetUp() override {
        BrushingTest::SetUp();
        useImage(80, 60, 2);
        setBrushSize(5);
        stroke_ = std::make_unique<Brushing>(QColor(200, 30, 40, 180));
        stroke_->startAt(QPointF(11, 13));
        stroke_->lineTo(QPointF(31, 17.5));
        stroke_->lineTo(QPointF(52.25, 40));
        stroke_->setStraightEnd(QPointF(70, 40)); // pending, not stored
    }
    std::unique_ptr<Brushing> stroke_;
};

TEST_F(BrushingMapTest, KeysAndTheStoredBitmap) {
    const QVariantMap map = stroke_->toVariant().toMap();
    EXPECT_EQ(map.keys(), (QStringList{"Bitmap", "boundingReducedRect_", "color_", "path_"}));
    EXPECT_EQ(map.value("Bitmap").userType(), int(QMetaType::QBitmap));
    // Painted pixels are stored with index 0.
    const QImage stored = map.value("Bitmap").value<QBitmap>().toImage();
    EXPECT_EQ(stored.pixelIndex(11 / 2, 13 / 2), 0);
    EXPECT_EQ(stored.pixelIndex(39, 1), 1);
}

TEST_F(BrushingMapTest, ReadingTheMapGivesTheSameStroke) {
    const Brushing read(stroke_->toVariant());
    EXPECT_EQ(read.format(), QImage::Format_Mono);
    EXPECT_EQ(read.size(), stroke_->size());
    EXPECT_EQ(setPixels(read), setPixels(*stroke_));
    EXPECT_TRUE(read.picture() == stroke_->picture());
    EXPECT_EQ(read.path(), stroke_->path());
    EXPECT_EQ(read.reducedBounds(), stroke_->reducedBounds());
    EXPECT_EQ(read.colour(), stroke_->colour());
    EXPECT_EQ(read.colorTable(), stroke_->colorTable());
    EXPECT_FALSE(read.hasPendingSegment());
    EXPECT_EQ(read.anchor(), QPointF(0, 0));
}

TEST_F(BrushingMapTest, AStrokeWrittenToAFileAndReadBackEqualsItBitForBit) {
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << stroke_->toVariant();
    }
    QVariant map;
    QDataStream in(bytes);
    in >> map;
    ASSERT_EQ(in.status(), QDataStream::Ok);

    const Brushing read(map);
    ASSERT_EQ(read.size(), stroke_->size());
    for (int y = 0; y < read.height(); ++y)
        for (int x = 0; x < read.width(); ++x)
            ASSERT_EQ(read.pixelIndex(x, y), stroke_->pixelIndex(x, y)) << x << ", " << y;
    EXPECT_EQ(read.path(), stroke_->path());
    EXPECT_EQ(read.reducedBounds(), stroke_->reducedBounds());
    EXPECT_EQ(read.colour(), stroke_->colour());
    // What the engine gets is the same too.
    Brushing original(*stroke_);
    EXPECT_TRUE(Brushing(read).renderMask(QPen(), QBrush()) ==
                original.renderMask(QPen(), QBrush()));
}

TEST_F(BrushingMapTest, AMapWithoutAPictureReadsAsAnEmptyStroke) {
    QVariantMap map = stroke_->toVariant().toMap();
    map.remove("Bitmap");
    const Brushing read(map);
    EXPECT_TRUE(read.isNull());
    EXPECT_FALSE(read.contains(QPointF(11, 13)));
    EXPECT_TRUE(Brushing(read).renderMask(QPen(), QBrush()).isNull());
}

TEST_F(BrushingMapTest, ACopyKeepsEverythingButEdgesAndPixelState) {
    const Brushing copy(*stroke_);
    EXPECT_EQ(setPixels(copy), setPixels(*stroke_));
    EXPECT_EQ(copy.path(), stroke_->path());
    EXPECT_EQ(copy.reducedBounds(), stroke_->reducedBounds());
    EXPECT_EQ(copy.anchor(), stroke_->anchor());
    EXPECT_EQ(copy.straightEnd(), stroke_->straightEnd());
    EXPECT_EQ(copy.colour(), stroke_->colour());
    EXPECT_NE(copy.pixelState(), stroke_->pixelState());
}

} // namespace
