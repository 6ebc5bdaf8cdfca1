#include "workspace/navigator.h"

#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/shape.h"
#include "model/zt_app_prefs.h"
#include "workspace/hand_cursors.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

namespace {

// The longer side of the reduced copy the thumbnail is scaled from: a
// photograph is reduced once, not on every resize of the panel.
constexpr int kReducedSide = 1024;

ZtSourceImage* sourceImage() {
    ZtSourceImage* const source = GmModel::instance()->sourceImage();
    return source && source->width() > 0 && source->height() > 0 ? source : nullptr;
}

bool isZeroRect(const QRectF& rect) {
    return rect.width() == 0 && rect.height() == 0;
}

// A pen of one screen pixel, whatever the painter's scale.
QPen hairline(const QColor& colour) {
    QPen pen(colour, 1);
    pen.setCosmetic(true);
    return pen;
}

} // namespace

Navigator::Navigator(QWidget* parent)
    : QWidget(parent), pointingHand_(createPointingHandCursor()), openHand_(createOpenHandCursor()),
      grabbingHand_(createGrabbingHandCursor()) {
    setMinimumSize(80, 80);
    setMouseTracking(true);
    GmModel* const model = GmModel::instance();
    connect(model, &GmModel::activeRegionChanged, this, [this] { update(); });
    // A reshaped patch is announced again: its outline here moves with it.
    connect(model, &GmModel::activeRegionReady, this, [this] { update(); });
}

Navigator::~Navigator() = default;

void Navigator::updateImage() {
    updateGeometry();
    if (sourceImage()) {
        showCursor(pointingHand_.get(), Qt::PointingHandCursor);
    } else {
        scale_ = 0;
        reduced_ = QImage();
        thumbnail_ = QPixmap();
        reducedKey_ = 0;
        setCursor(Qt::ArrowCursor);
    }
    update();
}

void Navigator::setViewRect(const QRectF& rect) {
    const QRectF old = viewRect_;
    viewRect_ = rect;
    if (isZeroRect(rect) || isZeroRect(old) || scale_ == 0) {
        update();
    } else if (rect.intersects(old)) {
        update(thumbRect(rect | old).adjusted(-3, -3, 3, 3));
    } else {
        update(thumbRect(rect).adjusted(-3, -3, 3, 3));
        update(thumbRect(old).adjusted(-3, -3, 3, 3));
    }
}

QRect Navigator::thumbRect(const QRectF& rect) const {
    const QRectF scaled(rect.x() * scale_, rect.y() * scale_, rect.width() * scale_,
                        rect.height() * scale_);
    return scaled.toAlignedRect().translated(offset_);
}

QSize Navigator::sizeHint() const {
    ZtSourceImage* const source = sourceImage();
    if (!source) return QSize(80, 80);
    const float height = float(width()) * float(source->height()) / float(source->width());
    return QSize(80, std::max(80, int(height)));
}

void Navigator::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (event->oldSize().width() != event->size().width()) updateGeometry();
}

const QPixmap& Navigator::thumbnail(const QSize& size) {
    ZtSourceImage* const source = sourceImage();
    const QImage& picture = source->displayImage();
    if (picture.cacheKey() != reducedKey_ || reduced_.isNull()) {
        reducedKey_ = picture.cacheKey();
        reduced_ = std::max(picture.width(), picture.height()) > kReducedSide
                       ? picture.scaled(kReducedSide, kReducedSide, Qt::KeepAspectRatio,
                                        Qt::SmoothTransformation)
                       : picture;
        thumbnail_ = QPixmap();
    }
    if (thumbnail_.size() != size)
        thumbnail_ = QPixmap::fromImage(
            reduced_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return thumbnail_;
}

void Navigator::paintEvent(QPaintEvent*) {
    ZtSourceImage* const source = sourceImage();
    if (!source) return;
    const int imageWidth = source->width();
    const int imageHeight = source->height();
    scale_ = std::min(float(height()) / float(imageHeight), float(width()) / float(imageWidth));
    offset_ = QPoint(qRound((width() - scale_ * imageWidth) * 0.5),
                     qRound((height() - scale_ * imageHeight) * 0.5));

    QPainter painter(this);
    const QRectF shown(offset_, QSizeF(scale_ * imageWidth, scale_ * imageHeight));
    const QSize size(std::max(1, qRound(shown.width())), std::max(1, qRound(shown.height())));
    painter.drawPixmap(shown, thumbnail(size), QRectF(QPointF(0, 0), QSizeF(size)));

    painter.translate(offset_);
    painter.scale(scale_, scale_);
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (GmRegion* const patch = GmModel::instance()->activeRegion()) {
        painter.setPen(
            hairline(ZtAppPrefs::currentColor(ZtAppPrefs::ActivePatchOrForcedEdgeColor)));
        Shape* const shape = patch->shape();
        shape->paint(&painter, shape->boundingRect(), Shape::PaintOtherOutline, 0, 0);
    }
    // The box on whole pixels inside the thumbnail, so that it shows crisp
    // and whole even where it runs along the thumbnail's edge.
    painter.resetTransform();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::red, 0));
    const QRect thumb = QRect(offset_, size);
    const QRect box =
        thumbRect(isZeroRect(viewRect_) ? QRectF(0, 0, imageWidth, imageHeight) : viewRect_)
            .intersected(thumb);
    if (!box.isEmpty()) painter.drawRect(box.adjusted(0, 0, -1, -1));
}

void Navigator::mousePressEvent(QMouseEvent* event) {
    if (scale_ == 0 || !(event->buttons() & Qt::LeftButton) || !sourceImage()) return;
    showCursor(grabbingHand_.get(), Qt::ClosedHandCursor);
    if (!thumbRect(viewRect_).contains(event->pos())) {
        emit rectCenterChanged(QPoint(qRound((event->x() - offset_.x()) / scale_),
                                      qRound((event->y() - offset_.y()) / scale_)));
    }
    // Taken after the centring, which has moved the box already.
    pressPoint_ = event->pos();
    dragStartRect_ = viewRect_;
}

void Navigator::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) && scale_ != 0) {
        if (!sourceImage()) return;
        const QPointF moved = QPointF(event->pos() - pressPoint_) / scale_;
        emit rectChanged(ImageRectF(QRectF(dragStartRect_.topLeft() + moved, QSizeF(-1, -1))));
    } else if (sourceImage()) {
        pointAt(event->pos());
    }
}

void Navigator::mouseReleaseEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) && sourceImage()) pointAt(event->pos());
}

void Navigator::pointAt(const QPoint& position) {
    if (thumbRect(viewRect_).contains(position))
        showCursor(openHand_.get(), Qt::OpenHandCursor);
    else
        showCursor(pointingHand_.get(), Qt::PointingHandCursor);
}

void Navigator::showCursor(const QCursor* cursor, Qt::CursorShape fallback) {
    setCursor(cursor ? *cursor : QCursor(fallback));
}
