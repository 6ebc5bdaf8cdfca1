#include "workspace/brush_outline.h"

#include <algorithm>
#include <cmath>

namespace {

// The smallest rectangle of whole units that holds `rect`.
QRectF snappedOutwards(const QRectF& rect) {
    const double left = std::floor(rect.left());
    const double top = std::floor(rect.top());
    return QRectF(left, top, std::ceil(rect.right()) - left, std::ceil(rect.bottom()) - top);
}

} // namespace

QRectF brushOutlineSquare(const QPointF& centre, double radius, double scale) {
    const double half = std::max(radius, 8.0 / scale);
    return QRectF(centre.x() - half, centre.y() - half, 2 * half, 2 * half);
}

QRect brushOutlineArea(const QRectF& square, double scale, const QPoint& imageCorner) {
    const QRectF workspace = snappedOutwards(square.adjusted(-0.5, -0.5, 0.5, 0.5));
    const QRectF screen(workspace.x() * scale, workspace.y() * scale, workspace.width() * scale,
                        workspace.height() * scale);
    const QRectF area = snappedOutwards(screen.adjusted(-1, -1, 1, 1));
    return area.toRect().translated(imageCorner);
}
