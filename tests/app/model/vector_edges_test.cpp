#include "model/vector_edges.h"

#include "model/brushing.h"
#include "model/zt_rectangle.h"
#include "model_fixture.h"
#include "support/engine_edges.h"

#include <QPainter>

#include "vardek.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using test_support::EngineEdges;

class VectorEdgesTest : public ModelFixture {};

TEST_F(VectorEdgesTest, PolylinesAreScaledToImagePixelsWithTheirBounds) {
    useImage(64, 64, 2);
    // A vertical line first: the union must not lose it.
    const EngineEdges engine({{5, 5, 5, 8}, {1.25f, 1, 3, 2, 2, 0.5f}});
    VectorEdges edges;
    edges.setFromSegmentation(engine.session());
    ASSERT_EQ(edges.polylines().size(), 2);
    EXPECT_EQ(edges.polylines()[0].points,
              QPolygonF(QVector<QPointF>{QPointF(10, 10), QPointF(10, 16)}));
    EXPECT_EQ(edges.polylines()[0].bounds, QRectF(10, 10, 0, 6));
    EXPECT_EQ(edges.polylines()[1].points,
              QPolygonF(QVector<QPointF>{QPointF(2.5, 2), QPointF(6, 4), QPointF(4, 1)}));
    EXPECT_EQ(edges.polylines()[1].bounds, QRectF(2.5, 1, 3.5, 3));
    EXPECT_EQ(edges.bounds(), QRectF(2.5, 1, 7.5, 15));

    edges.setFromSegmentation(nullptr);
    EXPECT_TRUE(edges.isEmpty());
    EXPECT_EQ(edges.bounds(), QRectF());
}

TEST_F(VectorEdgesTest, HitTestWalksThePairsOfAPolylineHoldingThePoint) {
    useImage(64, 64, 1);
    const EngineEdges engine({{10, 10, 20, 10, 20, 20}});
    VectorEdges edges;
    edges.setFromSegmentation(engine.session());
    struct Case {
        QPointF point;
        int kind;
    };
    const Case cases[] = {
        {QPointF(15, 10.5), ShapeHit::Edge}, {QPointF(19.5, 15), ShapeHit::Edge},
        {QPointF(15, 25), ShapeHit::None},   {QPointF(40, 40), ShapeHit::None},
        {QPointF(9.5, 10), ShapeHit::None}, // within the grown bounds, not in the polyline's own
    };
    for (const Case& c : cases) {
        const ShapeHit hit = edges.hitTest(1.0, c.point);
        EXPECT_EQ(hit.kind, c.kind) << testing::PrintToString(c.point);
        if (hit.kind == ShapeHit::Edge) {
            EXPECT_EQ(hit.cursor, Qt::ArrowCursor);
            EXPECT_EQ(hit.point, c.point);
        }
    }
}

TEST_F(VectorEdgesTest, ARectangleWithEdgesDrawsThemInsteadOfItsOutline) {
    useImage(32, 32, 1);
    zt::Rectangle rectangle(QPointF(2, 2), 0);
    rectangle.dragCorner(QPointF(30, 30));
    const EngineEdges engine({{8, 16, 24, 16, 24, 17}});
    rectangle.setEdges(engine.session());

    QImage canvas(32, 32, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.setPen(QPen(Qt::black, 0));
        rectangle.paint(&painter, ImageRectF(0, 0, 32, 32), Shape::PaintObjectEdges, 0, 1);
    }
    EXPECT_TRUE(canvas.pixel(16, 16) == qRgb(0, 0, 0) || canvas.pixel(16, 15) == qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(2, 16), qRgb(255, 255, 255)); // no outline
}

TEST_F(VectorEdgesTest, AStrokeWithoutEdgesKeepsItsPaintedBounds) {
    useImage(64, 64, 2);
    setBrushSize(3);
    Brushing stroke(QColor(Qt::red));
    stroke.startAt(QPointF(20, 20));
    stroke.lineTo(QPointF(40, 30));
    const QRectF painted = stroke.reducedBounds();
    ASSERT_GT(painted.width(), 0);

    stroke.setEdges(nullptr);
    EXPECT_EQ(stroke.reducedBounds(), painted);
    const EngineEdges none({});
    stroke.setEdges(none.session());
    EXPECT_EQ(stroke.reducedBounds(), painted);
    EXPECT_TRUE(stroke.boundingRect().hasArea());

    // Edges found: their bounds become the stroke's.
    const EngineEdges found({{9, 9, 21, 9, 21, 16}});
    stroke.setEdges(found.session());
    EXPECT_EQ(stroke.reducedBounds(), QRectF(9, 9, 12, 7));
    EXPECT_EQ(QRectF(stroke.boundingRect()), QRectF(18, 18, 24, 14));
}

} // namespace
