// A polygon in image pixels: closed, the outline of a polygon patch, or
// open, the polyline of a forced edge. While it is being drawn its last
// point floats with the mouse.
#ifndef APP_MODEL_ZT_POLYGON_H
#define APP_MODEL_ZT_POLYGON_H

#include "model/shape.h"

#include <QPolygonF>
#include <QVariant>

namespace zt {

class Polygon : public Shape {
public:
    enum Openness { Open = 0, Closed = 1 };

    Polygon(const QPolygonF& points, int openness);
    // From the project map: "qpoly_" (the points) and "openness_".
    explicit Polygon(const QVariant& map);
    // The points and openness; edges and pixel state start anew (Shape).
    Polygon(const Polygon& other);

    // The project map.
    QVariant toVariant() const;

    const QPolygonF& points() const { return points_; }
    int openness() const { return openness_; }
    bool isClosed() const { return openness_ == Closed; }

    // Drawing, point by point; each has the segments it changed repainted
    // (small margin).
    // Appends a point.
    void addPoint(const QPointF& p);
    // Moves the last (floating) point.
    void setLastPoint(const QPointF& p);
    // Drops the last fixed vertex: the last point goes, and the new last
    // point takes its place so the floating point keeps following the mouse.
    void removeLastPoint();
    // Drops last points equal (within 1e-12) to the one before, keeping one.
    void dropTrailingDuplicates();

    ImageRectF boundingRect() const override;
    // Even-odd rule, crossings counted along a ray from `p` with each edge
    // taken as half-open, so that a ray through a vertex counts it once.
    bool contains(const QPointF& p) const override;
    void paint(QPainter* painter, const ImageRectF& clip, int mode, int useOwnColour,
               double penWidth) override;
    // Vertex (size-all cursor) before edge (the closing edge only when
    // closed) before inside (closed only), within the tolerance.
    ShapeHit hitTest(const QPointF& p) const override;
    void beginDrag(ShapeHit& hit, const QPointF& p) override;
    // Moves the hit vertex, or the whole polygon for an edge or inside hit.
    void drag(ShapeHit& hit, const QPointF& p) override;
    bool endDrag(ShapeHit& hit, const QPointF& p) override;

private:
    void drawOutline(QPainter* painter) const;
    // The area setLastPoint(p) repaints.
    QRectF lastPointArea(const QPointF& p) const;

    QPolygonF points_;
    int openness_ = Closed;
};

} // namespace zt

#endif
