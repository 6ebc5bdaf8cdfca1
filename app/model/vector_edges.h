// The object-edge polylines the engine found in a session, in image pixels:
// drawn over the image when edges are shown, and hit by the arrow tool on a
// brushed patch. Copies share the polylines.
#ifndef APP_MODEL_VECTOR_EDGES_H
#define APP_MODEL_VECTOR_EDGES_H

#include "model/shape_hit.h"

#include <QPolygonF>
#include <QRectF>
#include <QVector>

class QPainter;
struct VkSession;

class VectorEdges {
public:
    struct Polyline {
        QRectF bounds; // of the points (minimum to maximum)
        QPolygonF points;
    };

    // Empties the set.
    void clear();
    // Replaces the set by the session's polylines (workspace pixels, float
    // pairs), each point times the resolution factor in single precision. A
    // null session leaves the set empty.
    void setFromSegmentation(const VkSession* session);

    // Draws, without antialiasing, every polyline whose bounds touch `clip`.
    void draw(QPainter* painter, const QRectF& clip) const;
    // An edge hit (cursor arrow) when `p` lies within the boxes of side 2t
    // around a pair of consecutive points of a polyline whose bounds hold `p`.
    ShapeHit hitTest(double t, const QPointF& p) const;

    const QVector<Polyline>& polylines() const { return polylines_; }
    // The union of all polylines' bounds; (0, 0, 0, 0) when there are none.
    QRectF bounds() const { return bounds_; }
    bool isEmpty() const { return polylines_.isEmpty(); }
    // Whether the bounds have a positive width and height.
    bool hasArea() const { return bounds_.width() > 0 && bounds_.height() > 0; }

private:
    QVector<Polyline> polylines_;
    QRectF bounds_;
};

#endif
