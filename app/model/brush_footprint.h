// Where a round brush paints: one convention for the stroke's picture, for
// the stroke's contains test and for the brush outline the canvas shows.
//
// Workspace pixel (i, j) is the square [i, i + 1) x [j, j + 1); a point
// lies in the pixel floor(point), and the centre of pixel (i, j) is
// (i + 0.5, j + 0.5). A brush of diameter s drawn along the segment from a
// to b (a dab when a equals b) paints
//   - every pixel whose centre lies within s / 2 of the segment, and
//   - the pixels holding a and b, so that every dab paints at least one pixel.
// A centre exactly s / 2 away counts on one side only: centres are taken
// 1/4096 pixel up and to the left, so a one-pixel line along a pixel border
// paints one row, the row below the border, as a press on it does.
#ifndef APP_MODEL_BRUSH_FOOTPRINT_H
#define APP_MODEL_BRUSH_FOOTPRINT_H

#include <QPoint>
#include <QPointF>
#include <QRect>

class QImage;
class RowBands;

// The pixel holding `point`.
QPoint pixelAt(const QPointF& point);

// The brush square of `centre`: (x - s/2, y - s/2, s, s) for diameter s,
// intersected with `bounds` and rounded outward to whole pixels. Everything a
// dab at `centre` paints lies in it.
QRect brushSquare(const QPointF& centre, int size, const QRect& bounds);

// Sets to 1 the pixels of the one-bit `picture` (Format_Mono or
// Format_MonoLSB) that a brush of diameter `size` (at least 1) paints along
// the segment from `from` to `to`. Answers the union of the two ends' brush
// squares: the only pixels that may have changed (empty when none). When
// `changed` is given, the pixels that were 0 before go into it, row by row.
QRect paintBrushSegment(QImage* picture, const QPointF& from, const QPointF& to, int size,
                        RowBands* changed = nullptr);

// The pixels of row `y` that a dab of diameter `size` at `centre` paints,
// from `*left` to `*right` inclusive (they are contiguous); false when none.
bool brushDabSpan(const QPointF& centre, int size, int y, int* left, int* right);

#endif
