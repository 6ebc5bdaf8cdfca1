#include "model/zt_polygon.h"

#include "model/rect_intervals.h"

#include <QPainter>
#include <QVariantMap>

#include <cmath>

namespace zt {

namespace {

// The distance from `p` to the line through a and b (to a when they coincide).
double distanceToLine(const QPointF& p, const QPointF& a, const QPointF& b) {
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double length = std::hypot(dx, dy);
    if (length == 0) return std::hypot(p.x() - a.x(), p.y() - a.y());
    return std::abs(dx * (p.y() - a.y()) - dy * (p.x() - a.x())) / length;
}

QRectF squareAround(const QPointF& centre, double half) {
    return QRectF(centre.x() - half, centre.y() - half, 2 * half, 2 * half);
}

} // namespace

Polygon::Polygon(const QPolygonF& points, int openness)
    : points_(points), openness_(openness == Open ? Open : Closed) {}

Polygon::Polygon(const QVariant& map) {
    const QVariantMap values = map.toMap();
    points_ = values.value(QStringLiteral("qpoly_")).value<QPolygonF>();
    openness_ = values.value(QStringLiteral("openness_")).toInt() == Open ? Open : Closed;
}

Polygon::Polygon(const Polygon& other)
    : Shape(other), points_(other.points_), openness_(other.openness_) {}

QVariant Polygon::toVariant() const {
    QVariantMap map;
    map.insert(QStringLiteral("qpoly_"), QVariant::fromValue(points_));
    map.insert(QStringLiteral("openness_"), openness_);
    return map;
}

// ---------------------------------------------------------------------------
// Drawing point by point
// ---------------------------------------------------------------------------

void Polygon::addPoint(const QPointF& p) {
    const QRectF dirty = points_.isEmpty() ? segmentBox(p, p) : segmentBox(points_.last(), p);
    points_.append(p);
    markDirty(dirty, SmallDirtyMargin);
}

QRectF Polygon::lastPointArea(const QPointF& p) const {
    const QPointF& last = points_.last();
    QRectF area = segmentBox(last, p);
    if (points_.size() > 1) {
        const QPointF& previous = points_[points_.size() - 2];
        area = boundingUnion(area, segmentBox(previous, last));
        area = boundingUnion(area, segmentBox(previous, p));
    }
    if (isClosed()) {
        area = boundingUnion(area, segmentBox(last, points_.first()));
        area = boundingUnion(area, segmentBox(p, points_.first()));
    }
    return area;
}

void Polygon::setLastPoint(const QPointF& p) {
    if (points_.isEmpty()) return;
    const QRectF dirty = lastPointArea(p);
    points_.last() = p;
    markDirty(dirty, SmallDirtyMargin);
}

void Polygon::removeLastPoint() {
    if (points_.isEmpty()) return;
    const QPointF dropped = points_.takeLast();
    if (points_.isEmpty()) {
        markDirty(segmentBox(dropped, dropped), SmallDirtyMargin);
        return;
    }
    QRectF dirty = segmentBox(points_.last(), dropped);
    if (points_.size() > 1) {
        dirty = boundingUnion(dirty, lastPointArea(dropped));
        points_.last() = dropped;
    }
    markDirty(dirty, SmallDirtyMargin);
}

void Polygon::dropTrailingDuplicates() {
    while (points_.size() > 1) {
        const QPointF& last = points_.last();
        const QPointF& before = points_[points_.size() - 2];
        if (std::abs(last.x() - before.x()) > 1e-12 || std::abs(last.y() - before.y()) > 1e-12)
            break;
        points_.removeLast();
    }
}

// ---------------------------------------------------------------------------
// Shape
// ---------------------------------------------------------------------------

ImageRectF Polygon::boundingRect() const {
    if (points_.isEmpty()) return ImageRectF::empty();
    return ImageRectF(points_.boundingRect());
}

bool Polygon::contains(const QPointF& p) const {
    // Crossings of the ray from p to the right. An edge crosses the line
    // y = p.y when its ends lie on different sides of it, a point on the line
    // counting as below it: so a vertex on the ray belongs to exactly one of
    // its two edges and is counted once. A rectangle so contains
    // [left, right) x [top, bottom), as a pixel does.
    bool inside = false;
    const int count = points_.size();
    for (int i = 0, j = count - 1; i < count; j = i++) {
        const QPointF& a = points_[j];
        const QPointF& b = points_[i];
        if ((a.y() > p.y()) == (b.y() > p.y())) continue;
        const double x = a.x() + (p.y() - a.y()) * (b.x() - a.x()) / (b.y() - a.y());
        if (x > p.x()) inside = !inside;
    }
    return inside;
}

void Polygon::drawOutline(QPainter* painter) const {
    if (isClosed())
        painter->drawPolygon(points_, Qt::OddEvenFill);
    else
        painter->drawPolyline(points_);
}

void Polygon::paint(QPainter* painter, const ImageRectF& clip, int mode, int /*useOwnColour*/,
                    double penWidth) {
    takePenWidth(penWidth);
    if (mode < PaintBeingDrawn || mode > PaintActive) return;
    if (!rectsTouch(clip, boundingRect())) return;

    switch (mode) {
    case PaintBeingDrawn:
        painter->drawPolyline(points_);
        if (isClosed() && points_.size() > 2) {
            // The segment that will close the polygon, dashed.
            const QPen pen = painter->pen();
            QPen dashed = pen;
            dashed.setStyle(Qt::DashLine);
            dashed.setCapStyle(Qt::FlatCap);
            painter->setPen(dashed);
            painter->drawLine(points_.last(), points_.first());
            painter->setPen(pen);
        }
        break;
    case PaintObjectEdges:
        if (isClosed() && edges_.hasArea())
            edges_.draw(painter, clip);
        else
            drawOutline(painter);
        break;
    case PaintActive:
        drawOutline(painter);
        for (const QPointF& vertex : points_) {
            const QRectF handle = squareAround(vertex, 0.5 * penWidth);
            if (rectsTouch(handle, clip)) painter->drawRect(handle);
        }
        break;
    default:
        drawOutline(painter);
        break;
    }
}

ShapeHit Polygon::hitTest(const QPointF& p) const {
    const double t = tolerance();
    ShapeHit hit;
    if (points_.isEmpty() || !closedContains(boundingRect().adjusted(-t, -t, t, t), p)) return hit;
    hit.point = p;

    const int count = points_.size();
    for (int i = 0; i < count; ++i)
        if (closedContains(squareAround(points_[i], t), p)) {
            hit.kind = ShapeHit::Vertex;
            hit.index = i;
            hit.cursor = Qt::SizeAllCursor;
            return hit;
        }
    const int edgeCount = isClosed() ? count : count - 1;
    for (int i = 0; i < edgeCount; ++i) {
        const QPointF& a = points_[i];
        const QPointF& b = points_[(i + 1) % count];
        if (closedContains(segmentBox(a, b).adjusted(-t, -t, t, t), p) &&
            distanceToLine(p, a, b) < t) {
            hit.kind = ShapeHit::Edge;
            hit.index = i;
            hit.cursor = Qt::OpenHandCursor;
            return hit;
        }
    }
    if (isClosed() && contains(p)) {
        hit.kind = ShapeHit::Inside;
        hit.cursor = Qt::OpenHandCursor;
        return hit;
    }
    return ShapeHit();
}

void Polygon::beginDrag(ShapeHit& hit, const QPointF& p) {
    moved_ = false;
    hit.point = p;
    if (hit.kind == ShapeHit::Vertex && hit.index >= 0 && hit.index < points_.size())
        hit.offset = p - points_[hit.index];
}

void Polygon::drag(ShapeHit& hit, const QPointF& p) {
    if (points_.isEmpty()) return;
    moved_ = true;
    QRectF dirty;
    if (hit.kind == ShapeHit::Vertex) {
        if (hit.index < 0 || hit.index >= points_.size()) return;
        const int count = points_.size();
        const int before = (hit.index + count - 1) % count, after = (hit.index + 1) % count;
        // The two edges at the vertex, cyclically, before and after the move.
        const auto adjacentEdges = [&] {
            return boundingUnion(segmentBox(points_[before], points_[hit.index]),
                                 segmentBox(points_[hit.index], points_[after]));
        };
        dirty = adjacentEdges();
        points_[hit.index] = p - hit.offset;
        dirty = boundingUnion(dirty, adjacentEdges());
    } else {
        dirty = boundingRect();
        points_.translate(p - hit.point);
        hit.point = p;
        dirty = boundingUnion(dirty, boundingRect());
    }
    markDirty(dirty, LargeDirtyMargin);
}

bool Polygon::endDrag(ShapeHit& /*hit*/, const QPointF& /*p*/) {
    return moved_;
}

} // namespace zt
