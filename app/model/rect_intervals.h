// Rectangles read as closed intervals, so that outlines of zero width or
// height (a horizontal edge, a single point) still count.
#ifndef APP_MODEL_RECT_INTERVALS_H
#define APP_MODEL_RECT_INTERVALS_H

#include <QPointF>
#include <QRectF>

// Whether the two rectangles meet: both have no negative size, and they
// overlap or touch in both directions.
bool rectsTouch(const QRectF& a, const QRectF& b);

// Whether `p` lies in `rect`, edges included (also for zero width or height).
bool closedContains(const QRectF& rect, const QPointF& p);

// The smallest rectangle holding both normalised rectangles, points and
// lines included (QRectF::united drops rectangles of size 0 x 0).
QRectF boundingUnion(const QRectF& a, const QRectF& b);

// The normalised rectangle between two points.
QRectF segmentBox(const QPointF& a, const QPointF& b);

#endif
