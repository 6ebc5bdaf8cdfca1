#include "model/zt_rectangle.h"

#include "model_fixture.h"

#include <QBrush>
#include <QPainter>
#include <QPen>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using zt::Rectangle;

void setTolerance(Shape& shape, double t) {
    QImage scratch(1, 1, QImage::Format_ARGB32);
    QPainter painter(&scratch);
    shape.paint(&painter, ImageRectF(0, 0, 1, 1), Shape::PaintNothing, 0, 2 * t);
}

// A rectangle of the given corners, as a tool draws it.
Rectangle drawn(const QPointF& anchor, const QPointF& corner) {
    Rectangle rectangle(anchor, 0);
    rectangle.dragCorner(corner);
    return rectangle;
}

bool onGrid(double value, int factor) {
    return std::fmod(value, factor) == 0;
}

class RectangleTest : public ModelFixture {};

TEST_F(RectangleTest, HitTestGivesCornersInOrderWithDiagonalCursors) {
    useImage(100, 80);
    struct Case {
        QPointF point;
        int kind;
        int index;
        int cursor;
    };
    const Case cases[] = {
        {QPointF(10, 10), ShapeHit::Vertex, ShapeHit::TopLeft, Qt::SizeFDiagCursor},
        {QPointF(9.5, 9.5), ShapeHit::Vertex, ShapeHit::TopLeft, Qt::SizeFDiagCursor},
        {QPointF(30.5, 10), ShapeHit::Vertex, ShapeHit::TopRight, Qt::SizeBDiagCursor},
        {QPointF(30, 20.9), ShapeHit::Vertex, ShapeHit::BottomRight, Qt::SizeFDiagCursor},
        {QPointF(10, 20), ShapeHit::Vertex, ShapeHit::BottomLeft, Qt::SizeBDiagCursor},
        {QPointF(20, 10.5), ShapeHit::Edge, 0, Qt::OpenHandCursor},
        {QPointF(29.5, 15), ShapeHit::Edge, 0, Qt::OpenHandCursor},
        {QPointF(20, 15), ShapeHit::Inside, 0, Qt::OpenHandCursor},
        {QPointF(11, 11), ShapeHit::Inside, 0, Qt::OpenHandCursor},
        {QPointF(5, 5), ShapeHit::None, 0, Qt::BlankCursor},
        {QPointF(20, 21.5), ShapeHit::None, 0, Qt::BlankCursor},
    };
    for (const Case& c : cases) {
        Rectangle rectangle = drawn(QPointF(10, 10), QPointF(30, 20));
        setTolerance(rectangle, 1.0);
        const ShapeHit hit = rectangle.hitTest(c.point);
        EXPECT_EQ(hit.kind, c.kind) << testing::PrintToString(c.point);
        EXPECT_EQ(hit.index, c.index) << testing::PrintToString(c.point);
        EXPECT_EQ(hit.cursor, c.cursor) << testing::PrintToString(c.point);
    }
}

TEST_F(RectangleTest, DragCornerClipsToTheImage) {
    struct Case {
        const char* name;
        QPointF anchor;
        std::vector<QPointF> corners;
        QRectF rect;
        bool dirtied; // whether the last corner asked for a repaint
        QRectF lastDirty;
    };
    const Case cases[] = {
        {"inside",
         QPointF(10, 10),
         {QPointF(50, 40)},
         QRectF(10, 10, 40, 30),
         true,
         QRectF(10, 10, 40, 30)},
        {"grown",
         QPointF(10, 10),
         {QPointF(50, 40), QPointF(60, 30)},
         QRectF(10, 10, 50, 20),
         true,
         QRectF(10, 10, 50, 30)},
        {"beyond the far corner",
         QPointF(10, 10),
         {QPointF(150, 120)},
         QRectF(10, 10, 90, 70),
         true,
         QRectF(10, 10, 90, 70)},
        {"up and left of the image",
         QPointF(10, 10),
         {QPointF(-20, -30)},
         QRectF(0, 0, 10, 10),
         true,
         QRectF(0, 0, 10, 10)},
        {"zero size inside keeps its place",
         QPointF(10, 12),
         {QPointF(10, 12)},
         QRectF(10, 12, 0, 0),
         false,
         QRectF()},
        {"zero size outside",
         QPointF(-50, -50),
         {QPointF(-50, -50)},
         QRectF(0, 0, -1, -1),
         false,
         QRectF()},
        {"wholly outside",
         QPointF(-50, -50),
         {QPointF(-10, -10)},
         QRectF(0, 0, -1, -1),
         false,
         QRectF()},
        {"back outside dirties the old area",
         QPointF(-50, -50),
         {QPointF(20, 20), QPointF(-10, -10)},
         QRectF(0, 0, -1, -1),
         true,
         QRectF(0, 0, 20, 20)},
        {"a line is no rectangle",
         QPointF(10, 10),
         {QPointF(10, 30)},
         QRectF(0, 0, -1, -1),
         false,
         QRectF()},
    };
    for (const Case& c : cases) {
        useImage(100, 80);
        Rectangle rectangle(c.anchor, 0);
        for (const QPointF& corner : c.corners) {
            forgetDirtyCalls();
            rectangle.dragCorner(corner);
        }
        EXPECT_EQ(rectangle.rect(), c.rect) << c.name;
        EXPECT_EQ(rectangle.anchor(), c.anchor) << c.name;
        ASSERT_EQ(dirtyCalls().size(), c.dirtied ? 1 : 0) << c.name;
        if (c.dirtied) {
            EXPECT_EQ(QRectF(dirtyCalls()[0].rect), c.lastDirty) << c.name;
            EXPECT_EQ(dirtyCalls()[0].hint, SmallDirtyMargin) << c.name;
        }
    }
}

TEST_F(RectangleTest, SnappedCornersLieOnMultiplesOfTheFactor) {
    for (const int factor : {2, 4, 8}) {
        useImage(200, 160, factor);
        Rectangle rectangle(QPointF(5.9, 6.1), 1);
        EXPECT_TRUE(onGrid(rectangle.anchor().x(), factor)) << factor;
        EXPECT_TRUE(onGrid(rectangle.anchor().y(), factor)) << factor;
        EXPECT_EQ(rectangle.rect().size(), QSizeF(0, 0));

        rectangle.dragCorner(QPointF(77.3, 45.7));
        const QRectF r = rectangle.rect();
        for (const double edge : {r.left(), r.top(), r.right(), r.bottom()})
            EXPECT_TRUE(onGrid(edge, factor)) << factor << " " << edge;

        // Dragging the bottom-right corner keeps it on the grid.
        ShapeHit hit;
        hit.kind = ShapeHit::Vertex;
        hit.index = ShapeHit::BottomRight;
        rectangle.beginDrag(hit, r.bottomRight() + QPointF(0.3, 0.2));
        rectangle.drag(hit, QPointF(101.1, 93.7));
        EXPECT_TRUE(rectangle.endDrag(hit, QPointF(101.1, 93.7)));
        EXPECT_TRUE(onGrid(rectangle.rect().right(), factor)) << factor;
        EXPECT_TRUE(onGrid(rectangle.rect().bottom(), factor)) << factor;
    }
}

TEST_F(RectangleTest, SnapToWorkspaceGridRoundsHalvesUpwards) {
    struct Case {
        int factor;
        QPointF point;
        QPointF snapped;
    };
    const Case cases[] = {
        {1, QPointF(2.5, -2.5), QPointF(3, -2)}, {2, QPointF(3, 5), QPointF(4, 6)},
        {2, QPointF(-3, -1), QPointF(-2, 0)},    {4, QPointF(5.9, 6.1), QPointF(4, 8)},
        {4, QPointF(6, 2), QPointF(8, 4)},       {8, QPointF(11.9, 12), QPointF(8, 16)},
    };
    for (const Case& c : cases) {
        useImage(64, 64, c.factor);
        QPointF p = c.point;
        snapToWorkspaceGrid(p);
        EXPECT_EQ(p, c.snapped) << c.factor << " " << testing::PrintToString(c.point);
    }
}

TEST_F(RectangleTest, DragMovesACornerOrTheRectangleAndEndDragNormalises) {
    useImage(100, 80);
    Rectangle rectangle = drawn(QPointF(10, 10), QPointF(30, 20));
    setTolerance(rectangle, 1.0);

    ShapeHit corner = rectangle.hitTest(QPointF(30.5, 20.5));
    ASSERT_EQ(corner.index, ShapeHit::BottomRight);
    rectangle.beginDrag(corner, QPointF(30.5, 20.5));
    EXPECT_EQ(corner.offset, QPointF(0.5, 0.5));
    forgetDirtyCalls();
    rectangle.drag(corner, QPointF(5.5, 40.5)); // past the left edge
    EXPECT_EQ(rectangle.rect(), QRectF(10, 10, -5, 30));
    ASSERT_EQ(dirtyCalls().size(), 1);
    EXPECT_EQ(QRectF(dirtyCalls()[0].rect), QRectF(5, 10, 25, 30));
    EXPECT_EQ(dirtyCalls()[0].hint, LargeDirtyMargin);
    EXPECT_TRUE(rectangle.endDrag(corner, QPointF(5.5, 40.5)));
    EXPECT_EQ(rectangle.rect(), QRectF(5, 10, 5, 30));

    ShapeHit inside = rectangle.hitTest(QPointF(7, 25));
    ASSERT_EQ(inside.kind, ShapeHit::Inside);
    rectangle.beginDrag(inside, QPointF(7, 25));
    EXPECT_EQ(inside.offset, QPointF(2, 15));
    EXPECT_FALSE(rectangle.endDrag(inside, QPointF(7, 25)));
    rectangle.beginDrag(inside, QPointF(7, 25));
    rectangle.drag(inside, QPointF(57, 35));
    EXPECT_EQ(rectangle.rect(), QRectF(55, 20, 5, 30));
}

TEST_F(RectangleTest, RenderedMaskAndTheEmptyValue) {
    useImage(64, 64, 4);
    // [8, 24) x [8, 16) is [2, 6) x [2, 4) at factor 4.
    Rectangle rectangle = drawn(QPointF(8, 8), QPointF(24, 16));
    const QImage mask = rectangle.renderMask(Qt::NoPen, QBrush(Qt::color1));
    ASSERT_FALSE(mask.isNull());
    EXPECT_EQ(mask.offset(), QPoint(1, 1));
    EXPECT_EQ(mask.size(), QSize(6, 4));
    EXPECT_EQ(setPixels(mask), pixelsOf(QRect(1, 1, 4, 2)));

    Rectangle outside = drawn(QPointF(-40, -40), QPointF(-10, -10));
    EXPECT_TRUE(outside.boundingRect().isEmptyValue());
    EXPECT_TRUE(outside.renderMask(Qt::NoPen, QBrush(Qt::color1)).isNull());
    // The empty value draws nothing, not a speck at the origin.
    QImage canvas(8, 8, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.setPen(QPen(Qt::black, 0));
        outside.paint(&painter, ImageRectF(0, 0, 8, 8), Shape::PaintOutline, 0, 1);
    }
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(255, 255, 255));
}

TEST_F(RectangleTest, ProjectMapRoundTripTakesSnapFromTheReader) {
    useImage(100, 80, 2);
    Rectangle rectangle(QPointF(11, 13), 1);
    rectangle.dragCorner(QPointF(41, 33));
    const QVariantMap map = rectangle.toVariant().toMap();
    EXPECT_EQ(map.keys(), (QStringList{"corner1_", "rect_", "snap_"}));
    EXPECT_EQ(map.value("snap_").toInt(), 1);

    const Rectangle read(map, 0);
    EXPECT_EQ(read.rect(), rectangle.rect());
    EXPECT_EQ(read.anchor(), rectangle.anchor());
    EXPECT_EQ(read.snap(), 0);
}

} // namespace
