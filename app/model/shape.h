// The outline behind patches, forced edges, brush strokes and the preview
// and zoom rectangles: what the canvas draws, the arrow tool hits, drags and
// reshapes, and the engine receives as a pixel mask.
//
// Shapes live in image pixels (image_coordinates.h); their masks live in
// workspace pixels, the image divided by the model's resolution factor. A
// shape also carries the object-edge polylines the engine found inside it
// and, in its pixel state, the status pixels saved under it.
//
// The subclasses are zt::Polygon and zt::Rectangle (zt_polygon.h,
// zt_rectangle.h) and the brush stroke Brushing (brushing.h).
#ifndef APP_MODEL_SHAPE_H
#define APP_MODEL_SHAPE_H

#include "model/dirty_hint.h"
#include "model/image_coordinates.h"
#include "model/pixel_state.h"
#include "model/shape_hit.h"
#include "model/vector_edges.h"

#include <QImage>
#include <QPointF>

#include <memory>

class QBrush;
class QPainter;
class QPen;
struct VkSession;

class Shape {
public:
    // What paint() draws; the canvas passes the current tool's draw mode.
    // Modes 0 and above 5 draw nothing.
    enum PaintMode {
        PaintNothing = 0,
        PaintBeingDrawn = 1,   // the outline as it is being drawn
        PaintOutline = 2,      // the outline (also how masks are rendered)
        PaintOtherOutline = 3, // the outline of shapes other than the active one
        PaintObjectEdges = 4,  // the object edges found inside, or the outline
        PaintActive = 5,       // the outline with square handles
    };

    // No edges, a new pixel state, tolerance 0.
    Shape();
    // Keeps the moved flag and the tolerance; starts with no edges and a new
    // pixel state.
    Shape(const Shape& other);
    Shape& operator=(const Shape&) = delete;
    virtual ~Shape();

    virtual ImageRectF boundingRect() const = 0;
    virtual bool contains(const QPointF& p) const = 0;
    // Draws the shape in `mode` with the painter's pen; a positive pen width
    // first sets the tolerance to half of it. `useOwnColour` is for strokes.
    virtual void paint(QPainter* painter, const ImageRectF& clip, int mode, int useOwnColour,
                       double penWidth) = 0;
    // The shape as an 8-bit indexed mask in workspace pixels, index 0 outside
    // and non-zero inside, its offset its top-left corner; null when the
    // shape covers no workspace pixel of the image. By default: the bounding
    // rectangle in workspace pixels grown by 1 and rounded outward, clipped to
    // the workspace image, painted in mode 2 with `pen` and `brush`
    // (Qt::color1 paints the inside).
    virtual QImage renderMask(const QPen& pen, const QBrush& brush);
    // Replaces the object edges by the session's polylines.
    virtual void setEdges(const VkSession* session);
    virtual ShapeHit hitTest(const QPointF& p) const = 0;
    // A press that hit: remember the grab.
    virtual void beginDrag(ShapeHit& hit, const QPointF& p) = 0;
    // A move with the button held: move or reshape, and have it repainted.
    virtual void drag(ShapeHit& hit, const QPointF& p) = 0;
    // The release: whether the shape changed.
    virtual bool endDrag(ShapeHit& hit, const QPointF& p) = 0;

    // The pixel state's mask, rendered with `pen` and `brush` on first use
    // and kept there; null when the shape covers no workspace pixel.
    QImage* mask(const QPen& pen, const QBrush& brush);

    PixelState* pixelState() const { return pixelState_.get(); }
    // Hands the pixel state over and starts a new, empty one (a patch whose
    // engine state is released keeps the old mask alive until its session
    // has ended).
    std::unique_ptr<PixelState> takePixelState();
    const VectorEdges& edges() const { return edges_; }
    // The hit and vertex-handle size: half the last positive pen width painted with.
    double tolerance() const { return tolerance_; }
    bool moved() const { return moved_; }

protected:
    // A positive pen width sets the tolerance to half of it.
    void takePenWidth(double penWidth);
    // Tells the model that `rect` (image pixels) must be repainted.
    static void markDirty(const QRectF& rect, DirtyHint hint);

    bool moved_ = false;
    VectorEdges edges_;

private:
    std::unique_ptr<PixelState> pixelState_;
    double tolerance_ = 0;
};

// Moves `p` (image pixels) to the nearest multiple of the resolution factor,
// halves upwards.
void snapToWorkspaceGrid(QPointF& p);

#endif
