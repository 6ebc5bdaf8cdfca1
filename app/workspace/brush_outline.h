// The brush outline on the canvas: where it lies, shared by the canvas, which
// repaints it as the pointer moves, and the painter, which draws it and
// records where.
//
// The outline is the brush's circle (three thin rings), a centre mark and,
// where a workspace pixel is at least five screen pixels wide, the
// footprint: the workspace pixels a dab would paint, tinted. When it moves,
// what changes is the two rings, the two marks and the pixels on which the
// old and the new footprint differ; at a high zoom the brush is larger than
// the view, and its square would repaint the whole view at every move.
#ifndef APP_WORKSPACE_BRUSH_OUTLINE_H
#define APP_WORKSPACE_BRUSH_OUTLINE_H

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QRegion>

// The outline square around `centre` (workspace pixels): half-side
// max(radius, 8 / scale), so that the centre mark fits even for a tiny brush.
QRectF brushOutlineSquare(const QPointF& centre, double radius, double scale);

// The canvas area of `square` (workspace pixels) at `scale` screen pixels per
// workspace pixel, with the image's corner at `imageCorner`: the square grown
// by 0.5 and snapped outwards to whole workspace pixels, scaled, grown by one
// screen pixel for the antialiased ellipses and snapped outwards again.
QRect brushOutlineArea(const QRectF& square, double scale, const QPoint& imageCorner);

class BrushOutline {
public:
    // Screen pixels a workspace pixel must span for the footprint to show.
    static constexpr double kFootprintScale = 5.0;

    // No outline.
    BrushOutline() = default;
    // A brush of diameter `size` (workspace pixels) centred on `centre`
    // (workspace pixels), at `scale` screen pixels per workspace pixel, the
    // image's corner at `imageCorner` on the canvas.
    BrushOutline(const QPointF& centre, int size, double scale, const QPoint& imageCorner);

    bool isShown() const { return shown_; }
    QPointF centre() const { return centre_; }
    int size() const { return size_; }
    double radius() const { return 0.5 * size_; }
    double scale() const { return scale_; }
    bool showsFootprint() const { return scale_ >= kFootprintScale; }
    // The outline square (workspace pixels) and its canvas area: everything
    // the outline draws lies in it.
    QRectF square() const;
    QRect area() const;

    // The canvas pixels, within `visible`, that change when the outline
    // moves from `before` to here.
    QRegion repaintFrom(const BrushOutline& before, const QRect& visible) const;

private:
    // The rings and the centre mark.
    QRegion ringAndMark(const QRect& visible) const;
    // Where the two footprints differ.
    QRegion footprintChange(const BrushOutline& before, const QRect& visible) const;
    // The canvas area of workspace pixels `left` to `right` of rows `top` to
    // `bottom`, with a pixel to spare.
    QRect canvasArea(int left, int top, int right, int bottom) const;

    bool shown_ = false;
    QPointF centre_;
    int size_ = 0;
    double scale_ = 1;
    QPoint imageCorner_;
};

#endif
