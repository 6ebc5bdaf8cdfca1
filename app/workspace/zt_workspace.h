// The scroll area that every view tab shows: it holds the canvas and offers
// the zoom, fit and pan operations of the view, and reports which part of the
// image is on the screen.
//
// Zooming keeps a point of the canvas in place through a scroll anchor: the
// fraction of the canvas that must end up at an offset in the viewport.
// zoomAnchored applies it at once; zoomToImageRect when the viewport next lays
// out (after the canvas took its new size), and ignores further requests
// while one is pending.
#ifndef APP_WORKSPACE_ZT_WORKSPACE_H
#define APP_WORKSPACE_ZT_WORKSPACE_H

#include "model/image_coordinates.h"

#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QScrollArea>

class GmZoomWidget;
class ImageView;

class ZtWorkspace : public QScrollArea {
    Q_OBJECT
public:
    explicit ZtWorkspace(ImageView* view);

    GmZoomWidget* canvas() const { return canvas_; }
    ImageView* view() const { return view_; }

    // Zooms by `factor` (or to it, when absolute) about the viewport's centre.
    void zoomAnchored(double factor, bool absolute);
    // Scrolls so that the pending anchor's point is at its offset; then no
    // anchor is pending.
    void applyScrollAnchor();
    bool isScrollAnchorPending() const { return anchor_.x() >= 0; }
    // Zooms so that `rect` (image pixels) fills the viewport, centred; a point
    // (width and height 0) zooms in by 1.25 and stays where it is on the screen.
    void zoomToImageRect(const ImageRectF& rect);
    // Puts image point `point` at the centre of the viewport.
    void centreOn(const QPoint& point);
    // The part of the image on the screen, in image pixels; (0, 0, 0, 0) when
    // the whole image is visible.
    QRectF displayedImageRect() const;
    // zoomToImageRect for a rectangle with non-negative sides; width and height
    // -1 scroll so that its top-left is the scroll position, zoom unchanged.
    void moveViewportTo(const ImageRectF& rect);
    // As moveViewportTo, but a rectangle narrower or lower than 5 screen
    // pixels zooms in one step (x 1.25) about the viewport's centre instead.
    void minCheckedMoveViewportTo(const ImageRectF& rect);
    void panBy(int dx, int dy);

signals:
    // The displayed part (displayedImageRect(): image pixels, though declared
    // as a workspace rectangle) and the zoom.
    void sayDisplayedRectChanged(const GRectF& rect, double zoom);

public slots:
    // The brush outline shows at the centre of the view while the brush-size
    // slider moves.
    void showBrushBeingChangedBySlider();

protected:
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void reportDisplayedRect();

    ImageView* view_;
    GmZoomWidget* canvas_;
    QPointF anchor_ = QPointF(-1, -1); // fractions of the canvas; -1 when none is pending
    QPointF anchorOffset_;             // viewport pixels
};

#endif
