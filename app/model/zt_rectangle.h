// An axis-aligned rectangle in image pixels: a rectangle patch, the cut-out
// preview rectangle, the zoom tool's rubber band. It is drawn from an anchor
// corner; with snap on, its corners sit on the workspace pixel grid.
#ifndef APP_MODEL_ZT_RECTANGLE_H
#define APP_MODEL_ZT_RECTANGLE_H

#include "model/shape.h"

#include <QRectF>
#include <QVariant>

namespace zt {

class Rectangle : public Shape {
public:
    // A rectangle of size 0 at `anchor` (snapped to the grid when snap is 1).
    Rectangle(const QPointF& anchor, int snap);
    // From the project map ("rect_", "corner1_"); snap as given (the stored
    // "snap_" is not read back: the owner knows whether it snaps).
    Rectangle(const QVariant& map, int snap);
    // The rectangle, anchor and snap; edges and pixel state start anew (Shape).
    Rectangle(const Rectangle& other);

    // The project map: "rect_", "corner1_", "snap_".
    QVariant toVariant() const;

    QRectF rect() const { return rect_; }
    QPointF anchor() const { return anchor_; }
    int snap() const { return snap_; }

    // The free corner while the rectangle is being drawn: the rectangle
    // between the anchor and `p`, clipped to the source image; the empty
    // value (0, 0, -1, -1) when it lies wholly outside. The old and new areas
    // are repainted (small margin).
    void dragCorner(const QPointF& p);

    ImageRectF boundingRect() const override { return ImageRectF(rect_); }
    bool contains(const QPointF& p) const override { return rect_.contains(p); }
    void paint(QPainter* painter, const ImageRectF& clip, int mode, int useOwnColour,
               double penWidth) override;
    // Inside (open hand) when the rectangle shrunk by the tolerance holds `p`;
    // else the first corner (top-left, top-right, bottom-right, bottom-left)
    // within the tolerance, diagonal cursors; else an edge.
    ShapeHit hitTest(const QPointF& p) const override;
    void beginDrag(ShapeHit& hit, const QPointF& p) override;
    // Moves the hit corner, or the whole rectangle for an edge or inside hit.
    void drag(ShapeHit& hit, const QPointF& p) override;
    // Normalises the rectangle.
    bool endDrag(ShapeHit& hit, const QPointF& p) override;

private:
    void setCorner(int index, const QPointF& p);

    QRectF rect_;
    QPointF anchor_;
    int snap_ = 0;
};

} // namespace zt

#endif
