#include "model/shape.h"

#include "model/gm_model.h"
#include "shell/services/shell_functions.h"

#include <QBrush>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace {

// A coordinate as a whole pixel. Projects are checked for coordinates far
// beyond any picture; held to +-2^30 here all the same, the conversion and
// the sizes computed from it stay defined whatever the value.
int wholePixel(double value) {
    constexpr double most = double(1 << 30);
    return std::isnan(value) ? 0 : int(std::clamp(value, -most, most));
}

} // namespace

Shape::Shape() : pixelState_(std::make_unique<PixelState>()) {}

Shape::Shape(const Shape& other)
    : moved_(other.moved_), pixelState_(std::make_unique<PixelState>()),
      tolerance_(other.tolerance_) {}

Shape::~Shape() = default;

void Shape::takePenWidth(double penWidth) {
    if (penWidth > 0) tolerance_ = 0.5 * penWidth;
}

void Shape::markDirty(const QRectF& rect, DirtyHint hint) {
    emit GmModel::instance()->rectDirty(ImageRectF(rect), hint, KeepPatchPreview);
}

QImage Shape::renderMask(const QPen& pen, const QBrush& brush) {
    GmModel* const model = GmModel::instance();
    const int factor = model->resolutionFactor();
    const QImage& workspace = model->workspaceImage();

    // The bounding rectangle in workspace pixels, grown by one pixel and
    // rounded outward, within the workspace image.
    const QRectF grown = boundingRect().toWorkspace(factor).adjusted(-1, -1, 1, 1);
    const int left = wholePixel(std::floor(grown.left()));
    const int top = wholePixel(std::floor(grown.top()));
    const QRect area = QRect(left, top, wholePixel(std::ceil(grown.right())) - left,
                             wholePixel(std::ceil(grown.bottom())) - top) &
                       workspace.rect();
    if (area.isEmpty()) return QImage();

    // A bitmap as QBitmap keeps one: colour 0 (white) outside, Qt::color1 inside.
    QImage bitmap(area.size(), QImage::Format_MonoLSB);
    if (bitmap.isNull()) return QImage();
    bitmap.setColorTable({QColor(Qt::color0).rgba(), QColor(Qt::color1).rgba()});
    bitmap.fill(0);
    {
        QPainter painter(&bitmap);
        painter.translate(-area.topLeft());
        painter.scale(1.0 / factor, 1.0 / factor);
        painter.setPen(pen);
        painter.setBrush(brush);
        paint(&painter, ImageRectF::fromWorkspace(QRectF(area), factor), PaintOutline, 0, 0.0);
    }

    QImage mask = bitmap.convertToFormat(QImage::Format_Indexed8);
    bool anySet = false;
    for (int y = 0; y < mask.height() && !anySet; ++y) {
        const uchar* line = mask.constScanLine(y);
        for (int x = 0; x < mask.width(); ++x)
            if (line[x] == 1) {
                anySet = true;
                break;
            }
    }
    if (!anySet) return QImage();
    mask.setOffset(area.topLeft());
    return mask;
}

void Shape::setEdges(const VkSession* session) {
    edges_.setFromSegmentation(session);
}

std::unique_ptr<PixelState> Shape::takePixelState() {
    std::unique_ptr<PixelState> old = std::move(pixelState_);
    pixelState_ = std::make_unique<PixelState>();
    return old;
}

QImage* Shape::mask(const QPen& pen, const QBrush& brush) {
    if (!pixelState_->mask()) pixelState_->createMask(*this, pen, brush);
    return pixelState_->mask();
}

void snapToWorkspaceGrid(QPointF& p) {
    const int factor = GmModel::instance()->resolutionFactor();
    const QPointF workspace = dividePointF(p.x(), p.y(), factor);
    p = QPointF(double(roundHalfUp(workspace.x())) * factor,
                double(roundHalfUp(workspace.y())) * factor);
}
