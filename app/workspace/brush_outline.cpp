#include "workspace/brush_outline.h"

#include "model/brush_footprint.h"
#include "model/row_bands.h"

#include <QVector>

#include <algorithm>
#include <cmath>

namespace {

// The rings are drawn one screen pixel wide, antialiased, 0.1 pixel either
// side of the circle: three pixels either side hold them.
constexpr double kRingMargin = 3.0;
// The rings are repainted in bands of this many canvas rows.
constexpr int kRingBand = 8;
// The centre mark reaches 9.5 screen pixels from the centre.
constexpr int kMarkReach = 12;
// An outline this small (canvas pixels across) is repainted whole.
constexpr int kSmallOutline = 96;

// The smallest rectangle of whole units that holds `rect`.
QRectF snappedOutwards(const QRectF& rect) {
    const double left = std::floor(rect.left());
    const double top = std::floor(rect.top());
    return QRectF(left, top, std::ceil(rect.right()) - left, std::ceil(rect.bottom()) - top);
}

QRegion regionOf(const QVector<QRect>& rects) {
    QRegion region;
    for (const QRect& rect : rects)
        region |= rect;
    return region;
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

BrushOutline::BrushOutline(const QPointF& centre, int size, double scale, const QPoint& imageCorner)
    : shown_(true), centre_(centre), size_(std::max(size, 1)), scale_(scale),
      imageCorner_(imageCorner) {}

QRectF BrushOutline::square() const {
    return brushOutlineSquare(centre_, radius(), scale_);
}

QRect BrushOutline::area() const {
    return brushOutlineArea(square(), scale_, imageCorner_);
}

QRegion BrushOutline::repaintFrom(const BrushOutline& before, const QRect& visible) const {
    if (!before.isShown()) return QRegion(area() & visible);
    // Pen pressure changes the size from move to move; the rings and the
    // footprints are compared one by one all the same.
    const bool alike = before.scale_ == scale_ && before.imageCorner_ == imageCorner_;
    if (!alike || area().width() <= kSmallOutline)
        return (QRegion(area()) | before.area()) & visible;
    QRegion changed = ringAndMark(visible) | before.ringAndMark(visible);
    if (showsFootprint()) changed |= footprintChange(before, visible);
    return changed;
}

QRegion BrushOutline::ringAndMark(const QRect& visible) const {
    const QPointF c = QPointF(imageCorner_) + centre_ * scale_;
    const double outer = radius() * scale_ + kRingMargin;
    const double inner = std::max(0.0, radius() * scale_ - kRingMargin);
    const QRect box = QRect(int(std::floor(c.x() - outer)), int(std::floor(c.y() - outer)),
                            int(std::ceil(2 * outer)) + 2, int(std::ceil(2 * outer)) + 2) &
                      visible;
    QVector<QRect> rects;
    for (int top = box.top(); top <= box.bottom(); top += kRingBand) {
        const int bottom = std::min(top + kRingBand - 1, box.bottom());
        // The band's rows nearest to and farthest from the centre.
        const double above = top - c.y(), below = bottom + 1 - c.y();
        const double nearest =
            above <= 0 && below >= 0 ? 0 : std::min(std::abs(above), std::abs(below));
        const double farthest = std::max(std::abs(above), std::abs(below));
        if (nearest > outer) continue;
        const double out = std::sqrt(outer * outer - nearest * nearest);
        const double in = farthest < inner ? std::sqrt(inner * inner - farthest * farthest) : 0;
        const int outLeft = int(std::floor(c.x() - out)), outRight = int(std::ceil(c.x() + out));
        if (in <= 0) {
            rects << QRect(QPoint(outLeft, top), QPoint(outRight, bottom));
        } else {
            rects << QRect(QPoint(outLeft, top), QPoint(int(std::ceil(c.x() - in)), bottom));
            rects << QRect(QPoint(int(std::floor(c.x() + in)), top), QPoint(outRight, bottom));
        }
    }
    const QPoint mark = c.toPoint();
    rects << QRect(mark - QPoint(kMarkReach, kMarkReach), mark + QPoint(kMarkReach, kMarkReach));
    return regionOf(rects) & visible;
}

QRect BrushOutline::canvasArea(int left, int top, int right, int bottom) const {
    const QRectF screen(left * scale_, top * scale_, (right + 1 - left) * scale_,
                        (bottom + 1 - top) * scale_);
    return snappedOutwards(screen.adjusted(-1, -1, 1, 1)).toRect().translated(imageCorner_);
}

QRegion BrushOutline::footprintChange(const BrushOutline& before, const QRect& visible) const {
    // The workspace rows on the screen that either footprint reaches.
    const double firstShown = (visible.top() - imageCorner_.y()) / scale_;
    const double lastShown = (visible.bottom() + 1 - imageCorner_.y()) / scale_;
    const double top = std::min(centre_.y() - radius(), before.centre_.y() - before.radius()) - 1;
    const double bottom =
        std::max(centre_.y() + radius(), before.centre_.y() + before.radius()) + 1;
    const int first = int(std::floor(std::max(top, firstShown)));
    const int last = int(std::ceil(std::min(bottom, lastShown)));
    // Left and right edges apart, so that a band never spans the middle.
    RowBands leftEdges, rightEdges;
    for (int y = first; y <= last; ++y) {
        int oldLeft = 0, oldRight = 0, newLeft = 0, newRight = 0;
        const bool had = brushDabSpan(before.centre_, before.size_, y, &oldLeft, &oldRight);
        const bool has = brushDabSpan(centre_, size_, y, &newLeft, &newRight);
        if (had && has) {
            if (oldLeft != newLeft)
                leftEdges.addRow(y, std::min(oldLeft, newLeft), std::max(oldLeft, newLeft));
            if (oldRight != newRight)
                rightEdges.addRow(y, std::min(oldRight, newRight), std::max(oldRight, newRight));
        } else if (had || has) {
            leftEdges.addRow(y, had ? oldLeft : newLeft, had ? oldRight : newRight);
        }
    }
    QVector<QRect> rects;
    for (const RowBands* edges : {&leftEdges, &rightEdges})
        for (const QRect& band : edges->bands())
            rects << canvasArea(band.left(), band.top(), band.right(), band.bottom());
    return regionOf(rects) & visible;
}
