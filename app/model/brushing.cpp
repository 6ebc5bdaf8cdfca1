#include "model/brushing.h"

#include "model/brush_footprint.h"
#include "model/gm_model.h"
#include "model/rect_intervals.h"
#include "model/row_bands.h"
#include "shell/services/shell_functions.h"

#include <QBitmap>
#include <QPainter>
#include <QVariantMap>

#include <algorithm>
#include <cmath>

namespace {

std::function<int()>& brushSizeHook() {
    static std::function<int()> hook;
    return hook;
}

int resolutionFactor() {
    return GmModel::instance()->resolutionFactor();
}

bool hasArea(const QRectF& rect) {
    return rect.width() > 0 && rect.height() > 0;
}

// A coordinate as a whole pixel. Projects are checked for coordinates far
// beyond any picture; held to +-2^30 here all the same, the conversion and
// the sizes computed from it stay defined whatever the value.
int wholePixel(double value) {
    constexpr double most = double(1 << 30);
    return std::isnan(value) ? 0 : int(std::clamp(value, -most, most));
}

// The rectangle rounded outward to whole pixels.
QRect outward(const QRectF& rect) {
    const int left = wholePixel(std::floor(rect.left())), top = wholePixel(std::floor(rect.top()));
    return QRect(left, top, wholePixel(std::ceil(rect.right())) - left,
                 wholePixel(std::ceil(rect.bottom())) - top);
}

} // namespace

Brushing::Brushing(const QColor& colour) : colour_(colour) {
    const QImage& workspace = GmModel::instance()->workspaceImage();
    if (!workspace.isNull()) {
        QImage::operator=(QImage(workspace.size(), QImage::Format_Mono));
        setColourTable();
        fill(0);
    }
}

Brushing::Brushing(const QVariant& map) {
    const QVariantMap values = map.toMap();
    const QImage stored = values.value(QStringLiteral("Bitmap")).value<QBitmap>().toImage();
    if (!stored.isNull()) {
        // The stored bitmap holds the picture's pixels inverted (see toVariant).
        QImage picture = stored.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
        picture.invertPixels();
        QImage::operator=(picture);
    }
    path_ = values.value(QStringLiteral("path_")).value<QPainterPath>();
    reducedBounds_ = values.value(QStringLiteral("boundingReducedRect_")).toRectF();
    colour_ = values.value(QStringLiteral("color_")).value<QColor>();
    if (!isNull()) setColourTable();
}

Brushing::Brushing(const Brushing& other)
    : QImage(other), Shape(other), path_(other.path_), reducedBounds_(other.reducedBounds_),
      anchor_(other.anchor_), current_(other.current_), colour_(other.colour_) {}

Brushing::~Brushing() {
    const ImageRectF bounds = boundingRect();
    if (bounds.hasArea())
        emit GmModel::instance()->rectDirty(bounds, NoDirtyMargin, KeepPatchPreview);
}

void Brushing::setColourTable() {
    setColorTable({qRgba(0, 0, 0, 0), colour_.rgba()});
}

QVariant Brushing::toVariant() const {
    QVariantMap map;
    if (!isNull()) {
        QImage inverted = copy();
        inverted.invertPixels();
        map.insert(QStringLiteral("Bitmap"), QBitmap::fromImage(inverted));
    } else {
        map.insert(QStringLiteral("Bitmap"), QBitmap());
    }
    map.insert(QStringLiteral("path_"), QVariant::fromValue(path_));
    map.insert(QStringLiteral("boundingReducedRect_"), reducedBounds_);
    map.insert(QStringLiteral("color_"), colour_);
    return map;
}

int Brushing::brushSize() {
    const int size = brushSizeHook() ? brushSizeHook()() : 10;
    return std::max(size, 1);
}

void Brushing::setBrushSizeHook(std::function<int()> hook) {
    brushSizeHook() = std::move(hook);
}

bool Brushing::hasPendingSegment() const {
    return std::abs(current_.x() - anchor_.x()) > 1e-12 ||
           std::abs(current_.y() - anchor_.y()) > 1e-12;
}

QPointF Brushing::toWorkspace(const QPointF& p) const {
    return dividePointF(p.x(), p.y(), resolutionFactor());
}

void Brushing::markWorkspaceDirty(const QRect& area) const {
    if (area.width() > 0 && area.height() > 0)
        emit GmModel::instance()->rectDirty(
            ImageRectF::fromWorkspace(QRectF(area), resolutionFactor()), NoDirtyMargin,
            KeepPatchPreview);
}

void Brushing::markWorkspaceDirty(const RowBands& changed) const {
    for (const QRect& band : changed.bands())
        markWorkspaceDirty(band);
}

void Brushing::includeInBounds(const QRect& area) {
    if (area.isEmpty()) return;
    reducedBounds_ = hasArea(reducedBounds_) ? reducedBounds_.united(QRectF(area)) : QRectF(area);
}

// ---------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------

void Brushing::startAt(const QPointF& p) {
    path_ = QPainterPath(p);
    anchor_ = current_ = toWorkspace(p);
    paintBrushSegment(this, anchor_, anchor_, brushSize());
    // A stroke is cleared before it is begun again; should it not be, the
    // bounds still cover what was painted before.
    const QRect square = brushSquare(anchor_, brushSize(), rect());
    includeInBounds(square);
    markWorkspaceDirty(square);
}

void Brushing::lineTo(const QPointF& p) {
    if (path_.elementCount() == 0) {
        startAt(p);
        return;
    }
    path_.lineTo(p);
    const QPointF q = toWorkspace(p);
    const int size = brushSize();
    // The straight segment shown with Shift held goes.
    if (hasPendingSegment())
        markWorkspaceDirty(brushSquare(anchor_, size, rect()) |
                           brushSquare(current_, size, rect()));
    RowBands changed;
    const QRect area = paintBrushSegment(this, anchor_, q, size, &changed);
    includeInBounds(area);
    // Only what the segment added is repainted: at a high zoom the brush
    // covers the view, and its new pixels are a thin edge.
    markWorkspaceDirty(changed);
    anchor_ = current_ = q;
}

void Brushing::setStraightEnd(const QPointF& p) {
    const QPointF old = current_;
    current_ = toWorkspace(p);
    const int size = brushSize();
    markWorkspaceDirty(brushSquare(anchor_, size, rect()) | brushSquare(current_, size, rect()) |
                       brushSquare(old, size, rect()));
}

void Brushing::clear() {
    if (!isNull()) fill(0);
    markWorkspaceDirty(outward(reducedBounds_));
    reducedBounds_ = QRectF();
}

void Brushing::setPicture(const QImage& picture) {
    markWorkspaceDirty(outward(reducedBounds_));
    // Mono to Mono keeps the indices whatever the colours are.
    QImage::operator=(picture.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither));
    if (isNull()) {
        reducedBounds_ = QRectF();
        return;
    }
    setColourTable();
    reducedBounds_ = QRectF(rect());
    anchor_ = current_ = QPointF();
    markWorkspaceDirty(rect());
}

// ---------------------------------------------------------------------------
// Shape
// ---------------------------------------------------------------------------

ImageRectF Brushing::boundingRect() const {
    return ImageRectF::fromWorkspace(reducedBounds_, resolutionFactor());
}

bool Brushing::contains(const QPointF& p) const {
    const QPoint pixel = pixelAt(toWorkspace(p));
    return valid(pixel) && pixelIndex(pixel) == 1;
}

void Brushing::paint(QPainter* painter, const ImageRectF& clip, int mode, int useOwnColour,
                     double penWidth) {
    takePenWidth(penWidth);
    if (mode <= PaintNothing || mode > PaintActive) return;
    const QRectF visible = clip.intersected(boundingRect());
    if (!hasArea(visible)) return;

    if (useOwnColour == 1) {
        QPen pen = painter->pen();
        QColor colour = colour_;
        if (colour.alpha() == 255) colour.setAlpha(pen.color().alpha());
        pen.setColor(colour);
        painter->setPen(pen);
    }
    if (mode == PaintOtherOutline && edges_.isEmpty()) mode = PaintBeingDrawn;

    if (mode == PaintBeingDrawn || mode == PaintOutline) {
        const int factor = resolutionFactor();
        const QTransform world = painter->worldTransform();
        painter->scale(factor, factor);
        // Only the visible part of the picture, in the painter's pen colour.
        const QRect part = outward(ImageRectF(visible).toWorkspace(factor)) & rect();
        if (!part.isEmpty()) {
            QImage shown = copy(part);
            shown.setColor(1, painter->pen().color().rgba());
            painter->drawImage(part.topLeft(), shown);
        }
        if (hasPendingSegment()) {
            const QPen pen = painter->pen();
            painter->setPen(QPen(colour_, brushSize(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter->drawLine(anchor_, current_);
            painter->setPen(pen);
        }
        painter->setWorldTransform(world);
    } else {
        edges_.draw(painter, clip);
    }
}

QImage Brushing::renderMask(const QPen& /*pen*/, const QBrush& /*brush*/) {
    const QRect area = outward(reducedBounds_).adjusted(-1, -1, 1, 1) & rect();
    if (area.isEmpty()) return QImage();
    QImage mask = copy(area).convertToFormat(QImage::Format_Indexed8);
    mask.setOffset(area.topLeft());
    return mask;
}

void Brushing::setEdges(const VkSession* session) {
    Shape::setEdges(session);
    // Without edges the stroke keeps its painted bounds rather than vanish.
    if (edges_.hasArea())
        reducedBounds_ = ImageRectF(edges_.bounds()).toWorkspace(resolutionFactor());
}

ShapeHit Brushing::hitTest(const QPointF& p) const {
    const double t = tolerance();
    if (!closedContains(boundingRect().adjusted(-t, -t, t, t), p)) return ShapeHit();
    const ShapeHit edge = edges_.hitTest(t, p);
    if (edge.kind != ShapeHit::None) return edge;
    if (!contains(p)) return ShapeHit();
    ShapeHit hit;
    hit.kind = ShapeHit::Inside;
    hit.point = p;
    hit.cursor = Qt::ArrowCursor;
    return hit;
}

void Brushing::beginDrag(ShapeHit& /*hit*/, const QPointF& /*p*/) {}

void Brushing::drag(ShapeHit& /*hit*/, const QPointF& /*p*/) {}

bool Brushing::endDrag(ShapeHit& /*hit*/, const QPointF& /*p*/) {
    return false;
}
