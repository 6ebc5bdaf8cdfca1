// A brush stroke: what a mask brush or the patch brush paints between press
// and release. It is at once the picture of the painted pixels (a one-bit
// QImage of the workspace image's size, index 1 painted, shown in the
// stroke's colour), which the selection command turns into its mask, and a
// Shape, so a brushed patch can be drawn, hit and given object edges.
//
// The pointer's path is kept in image pixels; the picture and its bounds
// are in workspace pixels. Which pixels a piece of the stroke paints is
// fixed in brush_footprint.h. With Shift held the tool shows a straight
// segment from the last painted point (setStraightEnd) that is painted in by
// the next lineTo.
//
// The brush diameter is asked for each time a piece is painted, so tablet
// pressure can change it along a stroke; the brush tools install where it
// comes from (setBrushSizeHook).
#ifndef APP_MODEL_BRUSHING_H
#define APP_MODEL_BRUSHING_H

#include "model/shape.h"

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QVariant>

#include <functional>

class RowBands;

class Brushing : public QImage, public Shape {
public:
    // An empty stroke of `colour` over the model's workspace image.
    explicit Brushing(const QColor& colour);
    // From the project map: "Bitmap", "path_", "boundingReducedRect_", "color_".
    explicit Brushing(const QVariant& map);
    // Picture, path, bounds, anchor, pending end and colour; edges and pixel
    // state start anew (Shape).
    Brushing(const Brushing& other);
    Brushing& operator=(const Brushing&) = delete;
    // Has the stroke's area repainted.
    ~Brushing() override;

    // Begins painting at the image point `p` with a dab of the brush.
    void startAt(const QPointF& p);
    // Paints from the last painted point to the image point `p`.
    void lineTo(const QPointF& p);
    // Moves the end of the pending straight segment to `p` without painting.
    void setStraightEnd(const QPointF& p);
    // Erases the picture.
    void clear();
    // Takes a whole one-bit picture at once (index 1 painted; any other
    // format is thresholded), such as the colour workspace's highlight made
    // into a stroke; the bounds become its whole rectangle. The path stays.
    void setPicture(const QImage& picture);

    // The project map. The picture is stored as a QBitmap of its inverted
    // pixels: painted pixels have index 0 in the stored bitmap.
    QVariant toVariant() const;

    const QImage& picture() const { return *this; }
    const QPainterPath& path() const { return path_; }
    // What has been painted, in workspace pixels; (0, 0, 0, 0) when nothing.
    QRectF reducedBounds() const { return reducedBounds_; }
    QPointF anchor() const { return anchor_; }
    QPointF straightEnd() const { return current_; }
    bool hasPendingSegment() const;
    QColor colour() const { return colour_; }

    // The brush diameter in workspace pixels, at least 1: what the hook
    // answers, or 10 without a hook.
    static int brushSize();
    static void setBrushSizeHook(std::function<int()> hook);

    // The painted bounds in image pixels.
    ImageRectF boundingRect() const override;
    // Whether the workspace pixel under the image point `p` is painted.
    bool contains(const QPointF& p) const override;
    void paint(QPainter* painter, const ImageRectF& clip, int mode, int useOwnColour,
               double penWidth) override;
    // The painted bounds rounded outward and grown by one pixel, as an
    // 8-bit indexed copy of the picture (index 1 painted); pen and brush are
    // not used. Null only without a picture.
    QImage renderMask(const QPen& pen, const QBrush& brush) override;
    // The object edges, whose bounds become the stroke's bounds; when no edge
    // was found the painted bounds stay.
    void setEdges(const VkSession* session) override;
    // Edge hit, else inside (arrow cursor) on a painted pixel.
    ShapeHit hitTest(const QPointF& p) const override;
    // A stroke cannot be moved or reshaped.
    void beginDrag(ShapeHit& hit, const QPointF& p) override;
    void drag(ShapeHit& hit, const QPointF& p) override;
    bool endDrag(ShapeHit& hit, const QPointF& p) override;

private:
    void setColourTable();
    // Workspace pixels of an image point.
    QPointF toWorkspace(const QPointF& p) const;
    // Has the workspace rectangle, or the bands of changed pixels, repainted.
    void markWorkspaceDirty(const QRect& area) const;
    void markWorkspaceDirty(const RowBands& changed) const;
    void includeInBounds(const QRect& area);

    QPainterPath path_;
    QRectF reducedBounds_;
    QPointF anchor_;
    QPointF current_;
    QColor colour_;
};

#endif
