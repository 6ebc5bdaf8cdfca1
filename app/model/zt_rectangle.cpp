#include "model/zt_rectangle.h"

#include "model/gm_model.h"
#include "model/rect_intervals.h"

#include <QPainter>
#include <QVariantMap>

namespace zt {

namespace {

QRectF squareAround(const QPointF& centre, double half) {
    return QRectF(centre.x() - half, centre.y() - half, 2 * half, 2 * half);
}

QPointF cornerOf(const QRectF& rect, int index) {
    switch (index) {
    case ShapeHit::TopLeft:
        return rect.topLeft();
    case ShapeHit::TopRight:
        return rect.topRight();
    case ShapeHit::BottomRight:
        return rect.bottomRight();
    default:
        return rect.bottomLeft();
    }
}

} // namespace

Rectangle::Rectangle(const QPointF& anchor, int snap) : anchor_(anchor), snap_(snap) {
    if (snap_ == 1) snapToWorkspaceGrid(anchor_);
    rect_ = QRectF(anchor_, QSizeF(0, 0));
}

Rectangle::Rectangle(const QVariant& map, int snap) : snap_(snap) {
    const QVariantMap values = map.toMap();
    rect_ = values.value(QStringLiteral("rect_")).toRectF();
    anchor_ = values.value(QStringLiteral("corner1_")).toPointF();
}

Rectangle::Rectangle(const Rectangle& other)
    : Shape(other), rect_(other.rect_), anchor_(other.anchor_), snap_(other.snap_) {}

QVariant Rectangle::toVariant() const {
    QVariantMap map;
    map.insert(QStringLiteral("rect_"), rect_);
    map.insert(QStringLiteral("corner1_"), anchor_);
    map.insert(QStringLiteral("snap_"), snap_);
    return map;
}

void Rectangle::dragCorner(const QPointF& point) {
    const ImageRectF image = GmModel::instance()->imageRect();
    const QRectF old = rect_;
    QPointF p = point;
    if (snap_ == 1) snapToWorkspaceGrid(p);

    const QRectF wanted = QRectF(anchor_, p).normalized();
    QRectF dirty;
    if (wanted.width() == 0 && wanted.height() == 0) {
        // A press and release at one point keeps its place inside the image.
        rect_ = image.hasArea() && closedContains(image, wanted.topLeft()) ? wanted
                                                                           : ImageRectF::empty();
        dirty = old;
    } else if (image.hasArea() && wanted.intersects(image)) {
        rect_ = wanted.intersected(image);
        dirty = old.width() > 0 && old.height() > 0 ? boundingUnion(old, rect_) : rect_;
    } else {
        rect_ = ImageRectF::empty();
        dirty = old;
    }
    if (dirty.width() > 0 && dirty.height() > 0) markDirty(dirty, SmallDirtyMargin);
}

void Rectangle::paint(QPainter* painter, const ImageRectF& clip, int mode, int /*useOwnColour*/,
                      double penWidth) {
    takePenWidth(penWidth);
    // The empty value is no rectangle at all.
    if (ImageRectF(rect_).isEmptyValue()) return;
    switch (mode) {
    case PaintBeingDrawn:
    case PaintOutline:
    case PaintOtherOutline:
        painter->drawRect(rect_);
        break;
    case PaintObjectEdges:
        if (edges_.hasArea())
            edges_.draw(painter, clip);
        else
            painter->drawRect(rect_);
        break;
    case PaintActive:
        painter->drawRect(rect_);
        for (int index = 0; index < 4; ++index)
            painter->drawRect(squareAround(cornerOf(rect_, index), tolerance()));
        break;
    default:
        break;
    }
}

void Rectangle::setCorner(int index, const QPointF& p) {
    switch (index) {
    case ShapeHit::TopLeft:
        rect_.setTopLeft(p);
        break;
    case ShapeHit::TopRight:
        rect_.setTopRight(p);
        break;
    case ShapeHit::BottomRight:
        rect_.setBottomRight(p);
        break;
    default:
        rect_.setBottomLeft(p);
        break;
    }
}

ShapeHit Rectangle::hitTest(const QPointF& p) const {
    const double t = tolerance();
    const QRectF r = rect_.normalized();
    ShapeHit hit;
    if (!closedContains(r.adjusted(-t, -t, t, t), p)) return hit;
    hit.point = p;
    const QRectF inner = r.adjusted(t, t, -t, -t);
    if (inner.width() >= 0 && inner.height() >= 0 && closedContains(inner, p)) {
        hit.kind = ShapeHit::Inside;
        hit.cursor = Qt::OpenHandCursor;
        return hit;
    }
    static const int cursors[4] = {Qt::SizeFDiagCursor, Qt::SizeBDiagCursor, Qt::SizeFDiagCursor,
                                   Qt::SizeBDiagCursor};
    for (int index = 0; index < 4; ++index)
        if (closedContains(squareAround(cornerOf(r, index), t), p)) {
            hit.kind = ShapeHit::Vertex;
            hit.index = index;
            hit.cursor = cursors[index];
            return hit;
        }
    hit.kind = ShapeHit::Edge;
    hit.cursor = Qt::OpenHandCursor;
    return hit;
}

void Rectangle::beginDrag(ShapeHit& hit, const QPointF& p) {
    moved_ = false;
    hit.point = p;
    hit.offset = p - (hit.kind == ShapeHit::Vertex ? cornerOf(rect_, hit.index) : rect_.topLeft());
}

void Rectangle::drag(ShapeHit& hit, const QPointF& p) {
    moved_ = true;
    const QRectF old = rect_;
    QPointF q = p - hit.offset;
    if (snap_ == 1) snapToWorkspaceGrid(q);
    if (hit.kind == ShapeHit::Vertex)
        setCorner(hit.index, q);
    else
        rect_.moveTopLeft(q);
    markDirty(boundingUnion(old, rect_), LargeDirtyMargin);
}

bool Rectangle::endDrag(ShapeHit& /*hit*/, const QPointF& /*p*/) {
    rect_ = rect_.normalized();
    return moved_;
}

} // namespace zt
