#include "model/vector_edges.h"

#include "model/gm_model.h"
#include "model/rect_intervals.h"

#include <QPainter>

#include "vardek.h"

#include <algorithm>

void VectorEdges::clear() {
    polylines_.clear();
    bounds_ = QRectF();
}

void VectorEdges::setFromSegmentation(const VkSession* session) {
    clear();
    if (!session || !session->polylines) return;
    const float factor = float(GmModel::instance()->resolutionFactor());
    for (uint32_t i = 0; i < session->polylineCount; ++i) {
        const VkPolyline& source = session->polylines[i];
        if (!source.points || source.pointCount == 0) continue;
        Polyline polyline;
        polyline.points.reserve(int(source.pointCount));
        float left = 0, top = 0, right = 0, bottom = 0;
        for (uint32_t k = 0; k < source.pointCount; ++k) {
            // Single precision, as the engine gives them.
            const float x = source.points[2 * k] * factor;
            const float y = source.points[2 * k + 1] * factor;
            polyline.points.append(QPointF(x, y));
            if (k == 0) {
                left = right = x;
                top = bottom = y;
            } else {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
        polyline.bounds = QRectF(QPointF(left, top), QPointF(right, bottom));
        bounds_ = polylines_.isEmpty() ? polyline.bounds : boundingUnion(bounds_, polyline.bounds);
        polylines_.append(polyline);
    }
}

void VectorEdges::draw(QPainter* painter, const QRectF& clip) const {
    const bool antialiased = painter->testRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::Antialiasing, false);
    for (const Polyline& polyline : polylines_)
        if (rectsTouch(polyline.bounds, clip)) painter->drawPolyline(polyline.points);
    painter->setRenderHint(QPainter::Antialiasing, antialiased);
}

ShapeHit VectorEdges::hitTest(double t, const QPointF& p) const {
    ShapeHit none;
    if (!closedContains(bounds_.adjusted(-t, -t, t, t), p)) return none;
    for (const Polyline& polyline : polylines_) {
        if (!closedContains(polyline.bounds, p)) continue;
        const QPolygonF& points = polyline.points;
        // The pairs (last, first), (first, second), ... (second last, last).
        for (int k = 0; k < points.size(); ++k) {
            const QPointF& a = points[k == 0 ? points.size() - 1 : k - 1];
            const QPointF& b = points[k];
            if (closedContains(segmentBox(a, b).adjusted(-t, -t, t, t), p)) {
                ShapeHit hit;
                hit.kind = ShapeHit::Edge;
                hit.point = p;
                hit.cursor = Qt::ArrowCursor;
                return hit;
            }
        }
    }
    return none;
}
