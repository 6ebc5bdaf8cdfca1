#include "model/brush_footprint.h"

#include "model/row_bands.h"

#include <QImage>

#include <algorithm>
#include <cmath>

namespace {

// How far pixel centres are moved up and to the left before they are
// measured, so that a centre exactly on the brush's edge counts once.
constexpr double centreNudge = 1.0 / 4096;

// Sets the bit; answers whether it was 0.
bool setBit(QImage* picture, int x, int y) {
    uchar* line = picture->scanLine(y);
    const uchar bit = picture->format() == QImage::Format_MonoLSB ? uchar(1u << (x & 7))
                                                                  : uchar(0x80u >> (x & 7));
    const bool was0 = !(line[x >> 3] & bit);
    line[x >> 3] |= bit;
    return was0;
}

// Whether a dab of `radius` at `centre` paints pixel (x, y), the pixel
// holding the centre aside.
bool dabCovers(const QPointF& centre, double radius, int x, int y) {
    const double cx = x + 0.5 - centreNudge - centre.x();
    const double cy = y + 0.5 - centreNudge - centre.y();
    return cx * cx + cy * cy <= radius * radius;
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

QRect paintBrushSegment(QImage* picture, const QPointF& from, const QPointF& to, int size,
                        RowBands* changed) {
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
    const QPoint ends[] = {pixelAt(from), pixelAt(to)};
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const double cy = y + 0.5 - centreNudge - from.y();
        int first = area.right() + 1, last = area.left() - 1; // the pixels that were 0
        const auto paint = [&](int x) {
            if (setBit(picture, x, y)) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
        };
        for (int x = area.left(); x <= area.right(); ++x) {
            const double cx = x + 0.5 - centreNudge - from.x();
            const double t =
                length2 > 0 ? std::clamp((cx * dx + cy * dy) / length2, 0.0, 1.0) : 0.0;
            const double ex = cx - t * dx, ey = cy - t * dy;
            if (ex * ex + ey * ey <= radius2) paint(x);
        }
        for (const QPoint end : ends)
            if (end.y() == y && bounds.contains(end)) paint(end.x());
        if (changed) changed->addRow(y, first, last);
    }
    return area;
}

bool brushDabSpan(const QPointF& centre, int size, int y, int* left, int* right) {
    const double radius = 0.5 * std::max(size, 1);
    const double cy = y + 0.5 - centreNudge - centre.y();
    int first = 0, last = -1;
    if (cy * cy <= radius * radius) {
        // From the circle's equation, then one pixel either way as the
        // rounding of the square root may have it.
        const double half = std::sqrt(radius * radius - cy * cy);
        const double middle = centre.x() - 0.5 + centreNudge;
        first = int(std::ceil(middle - half));
        last = int(std::floor(middle + half));
        if (dabCovers(centre, radius, first - 1, y)) --first;
        if (!dabCovers(centre, radius, first, y)) ++first;
        if (dabCovers(centre, radius, last + 1, y)) ++last;
        if (!dabCovers(centre, radius, last, y)) --last;
    }
    const QPoint held = pixelAt(centre);
    if (held.y() == y) {
        first = last < first ? held.x() : std::min(first, held.x());
        last = std::max(last, held.x());
    }
    if (last < first) return false;
    *left = first;
    *right = last;
    return true;
}
