#include "model/zt_polygon.h"

#include "model_fixture.h"

#include <QBrush>
#include <QPainter>
#include <QPen>

#include <gtest/gtest.h>

namespace {

using zt::Polygon;

QPolygonF square(double left, double top, double right, double bottom) {
    return QPolygonF(QVector<QPointF>{QPointF(left, top), QPointF(right, top),
                                      QPointF(right, bottom), QPointF(left, bottom)});
}

// Sets the hit tolerance to `t` the way the canvas does: by painting.
void setTolerance(Shape& shape, double t) {
    QImage scratch(1, 1, QImage::Format_ARGB32);
    QPainter painter(&scratch);
    shape.paint(&painter, ImageRectF(0, 0, 1, 1), Shape::PaintNothing, 0, 2 * t);
}

class PolygonTest : public ModelFixture {};

TEST_F(PolygonTest, ContainsCountsARayThroughAVertexOnce) {
    struct Case {
        const char* name;
        QPolygonF polygon;
        QPointF point;
        bool inside;
    };
    // A U: the notch is open at the top between x = 3 and 7, down to y = 7.
    const QPolygonF u({QPointF(0, 0), QPointF(3, 0), QPointF(3, 7), QPointF(7, 7), QPointF(7, 0),
                       QPointF(10, 0), QPointF(10, 10), QPointF(0, 10)});
    // An arrowhead pointing right with its reflex vertex at (4, 5).
    const QPolygonF arrow({QPointF(0, 0), QPointF(10, 5), QPointF(0, 10), QPointF(4, 5)});
    const QPolygonF diamond({QPointF(5, 0), QPointF(10, 5), QPointF(5, 10), QPointF(0, 5)});
    const Case cases[] = {
        // The centre lies on the diagonal through the top-left vertex.
        {"square centre", square(0, 0, 10, 10), QPointF(5, 5), true},
        {"square off-diagonal", square(0, 0, 10, 10), QPointF(2, 7), true},
        {"square left edge", square(0, 0, 10, 10), QPointF(0, 5), true},
        {"square top edge", square(0, 0, 10, 10), QPointF(5, 0), true},
        {"square right edge", square(0, 0, 10, 10), QPointF(10, 5), false},
        {"square bottom edge", square(0, 0, 10, 10), QPointF(5, 10), false},
        {"square left of it", square(0, 0, 10, 10), QPointF(-0.5, 5), false},
        {"square above it", square(0, 0, 10, 10), QPointF(5, -1), false},
        {"diamond, ray through the right vertex", diamond, QPointF(2, 5), true},
        {"diamond, ray through both side vertices", diamond, QPointF(-1, 5), false},
        {"diamond, ray along the top vertex", diamond, QPointF(4, 0), false},
        {"U left arm", u, QPointF(1, 5), true},
        {"U notch", u, QPointF(5, 3), false},
        {"U right arm", u, QPointF(8, 5), true},
        {"U base", u, QPointF(5, 8), true},
        {"U, ray along the notch's floor", u, QPointF(1, 7), true},
        {"U notch floor", u, QPointF(5, 7), true},
        {"U, ray through the floor from outside", u, QPointF(-1, 7), false},
        {"arrow, ray through tip and reflex vertex", arrow, QPointF(2, 5), false},
        {"arrow body", arrow, QPointF(6, 5), true},
        {"arrow upper barb", arrow, QPointF(2, 2), true},
    };
    for (const Case& c : cases) {
        const Polygon polygon(c.polygon, Polygon::Closed);
        EXPECT_EQ(polygon.contains(c.point), c.inside) << c.name;
    }
}

TEST_F(PolygonTest, HitTestFindsVerticesBeforeEdgesAndTheClosingEdgeOnlyWhenClosed) {
    struct Case {
        const char* name;
        int openness;
        QPointF point;
        int kind;
        int index;
        int cursor;
    };
    const Case cases[] = {
        {"first vertex, also on an edge", Polygon::Open, QPointF(0.5, 0.5), ShapeHit::Vertex, 0,
         Qt::SizeAllCursor},
        {"corner vertex", Polygon::Open, QPointF(10, 0), ShapeHit::Vertex, 1, Qt::SizeAllCursor},
        {"last vertex", Polygon::Open, QPointF(10.9, 9.1), ShapeHit::Vertex, 2, Qt::SizeAllCursor},
        {"first edge", Polygon::Open, QPointF(5, 0.5), ShapeHit::Edge, 0, Qt::OpenHandCursor},
        {"second edge", Polygon::Open, QPointF(10.5, 5), ShapeHit::Edge, 1, Qt::OpenHandCursor},
        {"closing edge of a polyline", Polygon::Open, QPointF(5, 5), ShapeHit::None, 0,
         Qt::BlankCursor},
        {"inside of a polyline", Polygon::Open, QPointF(7, 3), ShapeHit::None, 0, Qt::BlankCursor},
        {"closing edge", Polygon::Closed, QPointF(5, 5), ShapeHit::Edge, 2, Qt::OpenHandCursor},
        {"inside", Polygon::Closed, QPointF(7, 3), ShapeHit::Inside, 0, Qt::OpenHandCursor},
        {"vertex of a closed one", Polygon::Closed, QPointF(-0.5, 0.9), ShapeHit::Vertex, 0,
         Qt::SizeAllCursor},
        {"far away", Polygon::Closed, QPointF(20, 20), ShapeHit::None, 0, Qt::BlankCursor},
        {"outside, within the box", Polygon::Closed, QPointF(2, 8), ShapeHit::None, 0,
         Qt::BlankCursor},
    };
    for (const Case& c : cases) {
        Polygon polygon(QPolygonF(QVector<QPointF>{QPointF(0, 0), QPointF(10, 0), QPointF(10, 10)}),
                        c.openness);
        setTolerance(polygon, 1.0);
        const ShapeHit hit = polygon.hitTest(c.point);
        EXPECT_EQ(hit.kind, c.kind) << c.name;
        EXPECT_EQ(hit.index, c.index) << c.name;
        EXPECT_EQ(hit.cursor, c.cursor) << c.name;
        if (hit.kind != ShapeHit::None) {
            EXPECT_EQ(hit.point, c.point) << c.name;
            EXPECT_EQ(hit.offset, QPointF(0, 0)) << c.name;
        }
    }
}

TEST_F(PolygonTest, DrawingPointByPointRepaintsTheChangedSegments) {
    Polygon polygon(QPolygonF(QVector<QPointF>{QPointF(10, 10)}), Polygon::Closed);

    polygon.addPoint(QPointF(20, 10));
    polygon.addPoint(QPointF(20, 20)); // the floating point
    ASSERT_EQ(dirtyCalls().size(), 2);
    EXPECT_EQ(QRectF(dirtyCalls()[0].rect), QRectF(10, 10, 10, 0));
    EXPECT_EQ(QRectF(dirtyCalls()[1].rect), QRectF(20, 10, 0, 10));
    for (const DirtyCall& call : dirtyCalls()) {
        EXPECT_EQ(call.hint, SmallDirtyMargin);
        EXPECT_EQ(call.preview, KeepPatchPreview);
    }

    forgetDirtyCalls();
    polygon.setLastPoint(QPointF(30, 25));
    EXPECT_EQ(polygon.points().last(), QPointF(30, 25));
    ASSERT_EQ(dirtyCalls().size(), 1);
    // Into the old and the new last point, and both closing segments.
    EXPECT_EQ(QRectF(dirtyCalls()[0].rect), QRectF(10, 10, 20, 15));

    // The last fixed vertex (20, 10) goes; the floating point stays put.
    forgetDirtyCalls();
    polygon.removeLastPoint();
    EXPECT_EQ(polygon.points(), QPolygonF(QVector<QPointF>{QPointF(10, 10), QPointF(30, 25)}));
    ASSERT_EQ(dirtyCalls().size(), 1);
    EXPECT_EQ(QRectF(dirtyCalls()[0].rect), QRectF(10, 10, 20, 15));

    polygon.addPoint(QPointF(30, 25));
    polygon.addPoint(QPointF(30, 25 + 1e-13));
    polygon.dropTrailingDuplicates();
    EXPECT_EQ(polygon.points(), QPolygonF(QVector<QPointF>{QPointF(10, 10), QPointF(30, 25)}));
}

TEST_F(PolygonTest, DraggingMovesAVertexOrTheWholePolygon) {
    Polygon polygon(square(0, 0, 10, 10), Polygon::Closed);
    setTolerance(polygon, 1.0);

    ShapeHit vertex = polygon.hitTest(QPointF(10.5, 0.5));
    ASSERT_EQ(vertex.kind, ShapeHit::Vertex);
    polygon.beginDrag(vertex, QPointF(10.5, 0.5));
    EXPECT_EQ(vertex.offset, QPointF(0.5, 0.5));
    EXPECT_FALSE(polygon.endDrag(vertex, QPointF(10.5, 0.5)));

    polygon.beginDrag(vertex, QPointF(10.5, 0.5));
    polygon.drag(vertex, QPointF(15.5, -4.5));
    EXPECT_EQ(polygon.points()[1], QPointF(15, -5));
    ASSERT_EQ(dirtyCalls().size(), 1);
    // The edges at the vertex before ((0,0)-(10,0)-(10,10)) and after the move.
    EXPECT_EQ(QRectF(dirtyCalls()[0].rect), QRectF(0, -5, 15, 15));
    EXPECT_EQ(dirtyCalls()[0].hint, LargeDirtyMargin);
    EXPECT_TRUE(polygon.endDrag(vertex, QPointF(15.5, -4.5)));

    forgetDirtyCalls();
    ShapeHit inside = polygon.hitTest(QPointF(5, 5));
    ASSERT_EQ(inside.kind, ShapeHit::Inside);
    polygon.beginDrag(inside, QPointF(5, 5));
    polygon.drag(inside, QPointF(7, 8));
    polygon.drag(inside, QPointF(8, 8));
    EXPECT_EQ(polygon.points()[0], QPointF(3, 3));
    EXPECT_EQ(inside.point, QPointF(8, 8));
    ASSERT_EQ(dirtyCalls().size(), 2);
    EXPECT_EQ(QRectF(dirtyCalls()[1].rect), QRectF(2, -2, 16, 15));
}

TEST_F(PolygonTest, TheDashedClosingSegmentIsDrawnForClosedPolygonsOnly) {
    const QPolygonF points({QPointF(2, 2), QPointF(28, 2), QPointF(28, 28)});
    for (const int openness : {Polygon::Open, Polygon::Closed}) {
        QImage canvas(32, 32, QImage::Format_ARGB32);
        canvas.fill(Qt::white);
        Polygon polygon(points, openness);
        {
            QPainter painter(&canvas);
            painter.setPen(QPen(Qt::black, 1));
            polygon.paint(&painter, ImageRectF(0, 0, 32, 32), Shape::PaintBeingDrawn, 0, 1);
        }
        int closingPixels = 0;
        for (int k = 4; k < 26; ++k)
            if (canvas.pixel(k, k) != qRgb(255, 255, 255)) ++closingPixels;
        if (openness == Polygon::Open)
            EXPECT_EQ(closingPixels, 0);
        else
            EXPECT_GT(closingPixels, 6);
    }
}

TEST_F(PolygonTest, NothingIsDrawnWhenTheClipMissesThePolygon) {
    QImage canvas(32, 32, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    Polygon polygon(square(2, 2, 12, 12), Polygon::Closed);
    {
        QPainter painter(&canvas);
        painter.setPen(QPen(Qt::black, 1));
        polygon.paint(&painter, ImageRectF(20, 20, 5, 5), Shape::PaintOutline, 0, 1);
    }
    EXPECT_EQ(canvas.pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_EQ(canvas.pixel(7, 2), qRgb(255, 255, 255));
}

TEST_F(PolygonTest, RenderedMaskSitsAtItsWorkspaceOffset) {
    struct Case {
        int factor;
        QPoint offset;
        QSize size;
        QRect inside; // in mask pixels
    };
    // The square [12, 28) in image pixels is [6, 14) at factor 2 and [3, 7) at 4.
    const Case cases[] = {
        {1, QPoint(11, 11), QSize(18, 18), QRect(1, 1, 16, 16)},
        {2, QPoint(5, 5), QSize(10, 10), QRect(1, 1, 8, 8)},
        {4, QPoint(2, 2), QSize(6, 6), QRect(1, 1, 4, 4)},
    };
    for (const Case& c : cases) {
        useImage(64, 64, c.factor);
        Polygon polygon(square(12, 12, 28, 28), Polygon::Closed);
        const QImage mask = polygon.renderMask(Qt::NoPen, QBrush(Qt::color1));
        ASSERT_FALSE(mask.isNull()) << c.factor;
        EXPECT_EQ(mask.format(), QImage::Format_Indexed8);
        EXPECT_EQ(mask.offset(), c.offset) << c.factor;
        EXPECT_EQ(mask.size(), c.size) << c.factor;
        EXPECT_EQ(setPixels(mask), pixelsOf(c.inside)) << c.factor;
        for (const QPair<int, int>& pixel : setPixels(mask))
            EXPECT_EQ(mask.pixelIndex(pixel.first, pixel.second), 1);
    }
}

TEST_F(PolygonTest, RenderedMaskIsNullWhenNoWorkspacePixelIsCovered) {
    struct Case {
        const char* name;
        QPolygonF polygon;
    };
    const Case cases[] = {
        {"wholly outside the image", square(70, 70, 90, 90)},
        {"beside the image", square(-30, 10, -2, 20)},
        // [12.2, 13.8) is [3.05, 3.45) at factor 4: no pixel centre.
        {"between pixel centres", square(12.2, 12.2, 13.8, 13.8)},
    };
    for (const Case& c : cases) {
        useImage(64, 64, 4);
        Polygon polygon(c.polygon, Polygon::Closed);
        EXPECT_TRUE(polygon.renderMask(Qt::NoPen, QBrush(Qt::color1)).isNull()) << c.name;
        EXPECT_EQ(polygon.mask(Qt::NoPen, QBrush(Qt::color1)), nullptr) << c.name;
    }
}

TEST_F(PolygonTest, MaskIsRenderedOnceAndKeptWithNineColours) {
    useImage(64, 64, 2);
    Polygon polygon(square(12, 12, 28, 28), Polygon::Closed);
    QImage* const mask = polygon.mask(Qt::NoPen, QBrush(Qt::color1));
    ASSERT_NE(mask, nullptr);
    EXPECT_GE(mask->colorCount(), 9);
    EXPECT_EQ(polygon.mask(Qt::NoPen, QBrush(Qt::color1)), mask);
    const VkMaskRect record = polygon.pixelState()->engineMask();
    EXPECT_EQ(record.x, 5);
    EXPECT_EQ(record.y, 5);
    EXPECT_EQ(record.width, 10);
    EXPECT_EQ(record.height, 10);
    EXPECT_EQ(record.data, mask->constBits());
}

TEST_F(PolygonTest, ProjectMapRoundTrip) {
    for (const int openness : {Polygon::Open, Polygon::Closed}) {
        Polygon polygon(
            QPolygonF(QVector<QPointF>{QPointF(1.25, 2), QPointF(30, 4.5), QPointF(7, 19)}),
            openness);
        const QVariantMap map = polygon.toVariant().toMap();
        EXPECT_EQ(map.keys(), (QStringList{"openness_", "qpoly_"}));
        const Polygon read(map);
        EXPECT_EQ(read.points(), polygon.points());
        EXPECT_EQ(read.openness(), openness);
    }
    // A copy keeps the points but not the edges or the pixel state.
    Polygon original(square(0, 0, 4, 4), Polygon::Closed);
    setTolerance(original, 2);
    const Polygon copy(original);
    EXPECT_EQ(copy.points(), original.points());
    EXPECT_EQ(copy.tolerance(), 2);
    EXPECT_NE(copy.pixelState(), original.pixelState());
}

} // namespace
