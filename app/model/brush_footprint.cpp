#include "model/brush_footprint.h"

#include <QImage>

#include <algorithm>
#include <cmath>

namespace {

// How far pixel centres are moved up and to the left before they are
// measured, so that a centre exactly on the brush's edge counts once.
constexpr double centreNudge = 1.0 / 4096;

void setBit(QImage* picture, int x, int y) {
    uchar* line = picture->scanLine(y);
    if (picture->format() == QImage::Format_MonoLSB)
        line[x >> 3] |= uchar(1u << (x & 7));
    else
        line[x >> 3] |= uchar(0x80u >> (x & 7));
}

} // namespace

QPoint pixelAt(const QPointF& point) {
    return QPoint(int(std::floor(point.x())), int(std::floor(point.y())));
}

QRect brushSquare(const QPointF& centre, int size, const QRect& bounds) {
    const double half = 0.5 * std::max(size, 1);
    const int left = int(std::floor(centre.x() - half));
    const int top = int(std::floor(centre.y() - half));
    const int right = int(std::ceil(centre.x() + half)); // exclusive
    const int bottom = int(std::ceil(centre.y() + half));
    return QRect(left, top, right - left, bottom - top) & bounds;
}

QRect paintBrushSegment(QImage* picture, const QPointF& from, const QPointF& to, int size) {
    if (!picture || picture->isNull() || picture->depth() != 1) return QRect();
    const QRect bounds = picture->rect();
    const QRect area = brushSquare(from, size, bounds) | brushSquare(to, size, bounds);
    if (area.isEmpty()) return QRect();

    // Pixel (x, y) is painted when |c - (from + t (to - from))| <= s / 2 for
    // the nudged centre c and the nearest t in [0, 1].
    const double radius = 0.5 * std::max(size, 1);
    const double radius2 = radius * radius;
    const double dx = to.x() - from.x(), dy = to.y() - from.y();
    const double length2 = dx * dx + dy * dy;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const double cy = y + 0.5 - centreNudge - from.y();
        for (int x = area.left(); x <= area.right(); ++x) {
            const double cx = x + 0.5 - centreNudge - from.x();
            const double t =
                length2 > 0 ? std::clamp((cx * dx + cy * dy) / length2, 0.0, 1.0) : 0.0;
            const double ex = cx - t * dx, ey = cy - t * dy;
            if (ex * ex + ey * ey <= radius2) setBit(picture, x, y);
        }
    }
    for (const QPoint end : {pixelAt(from), pixelAt(to)})
        if (bounds.contains(end)) setBit(picture, end.x(), end.y());
    return area;
}
