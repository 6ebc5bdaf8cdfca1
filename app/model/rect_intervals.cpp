#include "model/rect_intervals.h"

#include <algorithm>

bool rectsTouch(const QRectF& a, const QRectF& b) {
    if (a.width() < 0 || a.height() < 0 || b.width() < 0 || b.height() < 0) return false;
    return std::max(a.left(), b.left()) <= std::min(a.right(), b.right()) &&
           std::max(a.top(), b.top()) <= std::min(a.bottom(), b.bottom());
}

bool closedContains(const QRectF& rect, const QPointF& p) {
    const QRectF r = rect.normalized();
    return p.x() >= r.left() && p.x() <= r.right() && p.y() >= r.top() && p.y() <= r.bottom();
}

QRectF boundingUnion(const QRectF& a, const QRectF& b) {
    const QRectF r = a.normalized(), s = b.normalized();
    return QRectF(QPointF(std::min(r.left(), s.left()), std::min(r.top(), s.top())),
                  QPointF(std::max(r.right(), s.right()), std::max(r.bottom(), s.bottom())));
}

QRectF segmentBox(const QPointF& a, const QPointF& b) {
    return QRectF(a, b).normalized();
}
