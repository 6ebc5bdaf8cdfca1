#include "workspace/gm_zoom_widget.h"

#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "workspace/tab_filter.h"

#include <QMoveEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QSettings>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace {

const char* const kBackgroundColourKey = "GmZoomWidget/backgroundColour_";
constexpr double kMaximumZoom = 16.0;
constexpr double kParentFitShare = 0.85;

} // namespace

GmZoomWidget::GmZoomWidget(QWidget* mainWindow, QWidget* parent) : QWidget(parent) {
    setBackgroundRole(QPalette::Window);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_MouseTracking);
    setAutoFillBackground(false);

    const QRgb stored =
        QSettings().value(QLatin1String(kBackgroundColourKey), QColor(Qt::white).rgb()).toUInt();
    setBackgroundColour(QColor::fromRgb(stored));

    GmModel* const model = GmModel::instance();
    connect(model, &GmModel::tellImageChanged, this, &GmZoomWidget::imageChangedSlot);
    connect(model,
            QOverload<const ImageRectF&, DirtyHint, PatchPreviewWanted>::of(&GmModel::rectDirty),
            this, &GmZoomWidget::rectDirtySlot);

    TabFilter::install(this, mainWindow);
}

GmZoomWidget::~GmZoomWidget() {
    QSettings().setValue(QLatin1String(kBackgroundColourKey), backgroundColour_.rgb());
}

void GmZoomWidget::setZoom(double value, bool absolute) {
    const double z = std::min(absolute ? value : zoom_ * value, kMaximumZoom);
    if (z > 0) zoom_ = z;

    // The image moves under a resting pointer: remember where the pointer is
    // on the screen, not on the image.
    if (pointerInside_ && !positionIsGlobal_) {
        pointerPosition_ = mapToGlobal(pointerPosition_ + imageRect_.topLeft());
        positionIsGlobal_ = true;
    }

    const QSize newSize = sizeHint();
    if (size() == newSize) {
        // No resize event will come.
        recentreImage();
        update();
    }
    emit zoomChanged(zoom_);
    updateGeometry();
    resize(newSize);
}

QSize GmZoomWidget::contentSize() const {
    const ZtSourceImage* const image = GmModel::instance()->sourceImage();
    if (!image) return QSize(0, 0);
    return QSize(int(image->width() * zoom_), int(image->height() * zoom_));
}

QSize GmZoomWidget::sizeHint() const {
    const QSize content = contentSize();
    return parentWidget() ? content.expandedTo(parentWidget()->size()) : content;
}

void GmZoomWidget::recentreImage() {
    imageRect_ = QRect();
    if (!GmModel::instance()->sourceImage()) return;
    const QSize content = contentSize();
    const QSize widget = sizeHint();
    const int x = widget.width() < content.width() ? 0 : (widget.width() - content.width()) / 2;
    const int y = widget.height() < content.height() ? 0 : (widget.height() - content.height()) / 2;
    imageRect_ = QRect(x, y, std::min(content.width(), widget.width()),
                       std::min(content.height(), widget.height()));
}

void GmZoomWidget::fitToSize(const QSizeF& target) {
    const ZtSourceImage* const image = GmModel::instance()->sourceImage();
    if (!image || image->width() <= 0) {
        setZoom(1.0, true);
        return;
    }
    const QSizeF scaled =
        QSizeF(image->width(), image->height()).scaled(target, Qt::KeepAspectRatio);
    setZoom(scaled.width() / image->width(), true);
}

void GmZoomWidget::fitToParent() {
    const QSize parent = parentWidget() ? parentWidget()->size() : size();
    fitToSize(QSizeF(qRound(parent.width() * kParentFitShare),
                     qRound(parent.height() * kParentFitShare)));
}

double GmZoomWidget::tabScale() const {
    if (tabIndex_ == WorkspaceTab) return zoom_ * GmModel::instance()->resolutionFactor();
    return zoom_;
}

QPoint GmZoomWidget::pointerPosition() const {
    if (positionIsGlobal_) return mapFromGlobal(pointerPosition_) - imageRect_.topLeft();
    return pointerPosition_;
}

void GmZoomWidget::showPointerAt(const QPoint& position) {
    pointerPosition_ = position;
    pointerInside_ = true;
    positionIsGlobal_ = false;
    updateBrushOutline();
}

void GmZoomWidget::updateBrushOutline() {
    // The outline belongs to the brush tools, which draw it while one of them
    // is current; without one, an outline still on the canvas is repainted away.
    if (outlineRect_.isValid()) {
        update(outlineRect_);
        outlineRect_ = QRect(QPoint(0, 0), QPoint(-2, -2));
    }
}

void GmZoomWidget::setBackgroundColour(const QColor& colour) {
    if (colour == backgroundColour_) return;
    backgroundColour_ = colour;
    // The colour reaches the painted margins through the palette's window role.
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colour);
    setPalette(colours);
    update();
}

void GmZoomWidget::imageChangedSlot() {
    if (isVisible()) {
        fitToParent();
        fitPending_ = false;
    } else {
        fitPending_ = true;
    }
    update();
}

void GmZoomWidget::rectDirtySlot(const ImageRectF& rect, DirtyHint hint, PatchPreviewWanted) {
    // Outlines drawn with a pen, and the handles of an active shape, reach
    // beyond the shape's own rectangle by these margins (screen pixels).
    double margin = 0;
    if (hint == SmallDirtyMargin) margin = 2;
    if (hint == LargeDirtyMargin) margin = 4.5;
    const double left = rect.left() * zoom_ - margin;
    const double top = rect.top() * zoom_ - margin;
    const double right = rect.right() * zoom_ + margin;
    const double bottom = rect.bottom() * zoom_ + margin;
    const int x0 = int(std::floor(left));
    const int y0 = int(std::floor(top));
    const QRect widgetRect(x0, y0, int(std::ceil(right)) - x0, int(std::ceil(bottom)) - y0);
    update(widgetRect.translated(imageRect_.topLeft()));
}

void GmZoomWidget::viewTabChangedSlot(ViewTabs::ViewTab tab) {
    int index = NoTab;
    if (tab == ViewTabs::Source) index = SourceTab;
    if (tab == ViewTabs::Workspace) index = WorkspaceTab;
    if (tab == ViewTabs::Cutout) index = CutoutTab;
    if (index == tabIndex_) return;
    tabIndex_ = index;
    // No tool works here yet, so the plain pointer.
    setCursor(Qt::ArrowCursor);
    update();
}

void GmZoomWidget::paintEvent(QPaintEvent* event) {
    if (tabIndex_ == NoTab) return;
    QPainter painter(this);
    GmModel* const model = GmModel::instance();
    ZtSourceImage* const source = model->sourceImage();
    const QBrush background = palette().brush(QPalette::Window);
    if (!source) {
        painter.fillRect(event->rect(), background);
        return;
    }
    if (!imageRect_.isValid()) return;
    // The margins around a small, centred image take the background colour.
    if ((imageRect_.left() > 0 || imageRect_.top() > 0) &&
        !imageRect_.contains(event->rect(), true))
        painter.fillRect(event->rect(), background);

    QTransform imageToWidget;
    imageToWidget.translate(imageRect_.left(), imageRect_.top());
    imageToWidget.scale(zoom_, zoom_);
    const QTransform widgetToImage = imageToWidget.inverted();
    const QRectF visible =
        widgetToImage.mapRect(QRectF(event->rect()).intersected(QRectF(imageRect_)));
    if (visible.width() <= 0 || visible.height() <= 0) return;
    painter.setWorldTransform(imageToWidget);

    switch (tabIndex_) {
    case SourceTab:
        painter.drawPixmap(visible, source->displayPixmap(), visible);
        break;
    case WorkspaceTab: {
        const double factor = model->resolutionFactor();
        source->image(model->resolutionFactor());
        painter.fillRect(visible, background);
        const QRectF workspaceSource(visible.topLeft() / factor, visible.size() / factor);
        painter.drawPixmap(visible, source->workspacePixmap(), workspaceSource);
        break;
    }
    case CutoutTab: {
        painter.fillRect(visible, background);
        if (ZtSourceImage* const working = model->workingImage())
            painter.drawImage(visible, working->displayImage(), visible);
        break;
    }
    default:
        break;
    }
}

void GmZoomWidget::showEvent(QShowEvent* event) {
    if (fitPending_) {
        fitToParent();
        fitPending_ = false;
    }
    QWidget::showEvent(event);
}

void GmZoomWidget::moveEvent(QMoveEvent* event) {
    // The scroll area scrolls by moving the canvas.
    update();
    if (pointerInside_ && !positionIsGlobal_) {
        pointerPosition_ += event->oldPos() - event->pos();
        updateBrushOutline();
    } else if (outlineRect_.isValid()) {
        updateBrushOutline();
    }
}

void GmZoomWidget::resizeEvent(QResizeEvent*) {
    recentreImage();
}
