// The screen area the brush outline covers, shared by the canvas, which
// repaints it as the pointer moves, and the painter, which records it.
#ifndef APP_WORKSPACE_BRUSH_OUTLINE_H
#define APP_WORKSPACE_BRUSH_OUTLINE_H

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>

// The outline square around `centre` (workspace pixels): half-side
// max(radius, 8 / scale), so that the centre mark fits even for a tiny brush.
QRectF brushOutlineSquare(const QPointF& centre, double radius, double scale);

// The canvas area of `square` (workspace pixels) at `scale` screen pixels per
// workspace pixel, with the image's corner at `imageCorner`: the square grown
// by 0.5 and snapped outwards to whole workspace pixels, scaled, grown by one
// screen pixel for the antialiased ellipses and snapped outwards again.
QRect brushOutlineArea(const QRectF& square, double scale, const QPoint& imageCorner);

#endif
