#include "workspace/canvas_painting.h"

#include "files/zt_source_image.h"
#include "model/arrow_target.h"
#include "model/brush_footprint.h"
#include "model/brushing.h"
#include "model/gm_brushing.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/gm_status_array.h"
#include "model/segmentation_stuff.h"
#include "model/shape.h"
#include "model/zt_app_prefs.h"
#include "model/zt_rectangle.h"
#include "workspace/brush_outline.h"
#include "workspace/canvas_hooks.h"
#include "workspace/canvas_tool.h"
#include "workspace/gm_zoom_widget.h"

#include <QAction>
#include <QPaintEvent>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The brush's footprint, kept between paint events; it only grows.
QImage& footprintImage() {
    static QImage footprint;
    return footprint;
}

// The repaint indicator: checked with Shift+F6, every repaint pulses.
QPointer<QAction> washAction;
int washLevel = 255;
int washStep = 15;

// Waiting strokes stay visible even over a transparent overlay.
constexpr int kMinimumStrokeAlpha = 30;
constexpr int kStrokeAlphaWithoutOverlay = 128;
constexpr int kFootprintAlpha = 45;
constexpr int kCircleAlpha = 220;

QColor withAlpha(QColor colour, int alpha) {
    colour.setAlpha(alpha);
    return colour;
}

} // namespace

CanvasPainting::CanvasPainting(GmZoomWidget* canvas, QPaintEvent* event)
    : painter_(canvas), source_(GmModel::instance()->sourceImage()), canvas_(canvas), event_(event),
      tool_(CanvasTool::current()), factor_(GmModel::instance()->resolutionFactor()),
      background_(backgroundBrush()) {}

void CanvasPainting::paint() {
    const QBrush window = canvas_->palette().brush(QPalette::Window);
    if (!source_) {
        painter_.fillRect(event_->rect(), window);
        return;
    }
    const QRect imageRect = canvas_->imageRect();
    if (imageRect.left() > imageRect.right() || imageRect.top() > imageRect.bottom()) return;
    // The margins around a small, centred image take the background colour.
    if ((imageRect.left() > 0 || imageRect.top() > 0) && !imageRect.contains(event_->rect(), true))
        painter_.fillRect(event_->rect(), window);

    const double zoom = canvas_->zoom();
    imageToWidget_ = QTransform::fromTranslate(imageRect.left(), imageRect.top());
    imageToWidget_.scale(zoom, zoom);
    widgetToImage_ = imageToWidget_.inverted();
    workspaceToWidget_ = QTransform(imageToWidget_).scale(factor_, factor_);
    exposed_ = widgetToImage_.mapRect(QRectF(event_->rect()));
    visible_ = widgetToImage_.mapRect(QRectF(event_->rect()).intersected(QRectF(imageRect)));
    painter_.setWorldTransform(imageToWidget_);

    switch (canvas_->tabIndex()) {
    case GmZoomWidget::SourceTab:
        paintSourceTab();
        break;
    case GmZoomWidget::WorkspaceTab:
        paintWorkspaceTab();
        break;
    case GmZoomWidget::CutoutTab:
        paintCutoutTab();
        break;
    default:
        break;
    }
    paintWash();
}

QRectF CanvasPainting::visibleInWorkspace() const {
    return QRectF(visible_.topLeft() / factor_, visible_.size() / factor_);
}

void CanvasPainting::paintSourceTab() {
    if (!isVisible()) return;
    source_->refreshPixmap();
    painter_.drawPixmap(visible_, source_->displayPixmap(), visible_);
}

void CanvasPainting::paintWorkspaceTab() {
    GmModel* const model = GmModel::instance();
    GmStatusArray* const status = model->statusArray();
    const CanvasHooks& hooks = canvasHooks();
    if (isVisible()) {
        painter_.fillRect(visible_, background_);
        source_->image(int(factor_));
        painter_.drawPixmap(visible_, source_->workspacePixmap(), visibleInWorkspace());

        if (!status->displayImage().isNull())
            painter_.drawImage(visible_, status->displayImage(), visibleInWorkspace());

        if (!status->highlightImage().isNull() && hooks.colourHighlightShown &&
            hooks.colourHighlightShown())
            painter_.drawImage(visible_, status->highlightImage(), visibleInWorkspace());

        if (hooks.objectEdgesShown && hooks.objectEdgesShown()) {
            // A patch analysed on its own shows its own edges.
            GmRegion* const patch = model->activeRegion();
            const SegmentationStuff* smeg =
                patch && patch->smeg().isChecked() ? &patch->smeg() : model->imageSmeg();
            if (smeg) {
                painter_.setRenderHint(QPainter::Antialiasing, false);
                painter_.setPen(QColor(Qt::blue));
                smeg->objectEdges().draw(&painter_, visible_);
            }
        }
    }
    paintPatchPreview();
    paintTargets(false);
    paintWaitingStrokes();
    paintBrushOutline();
    paintZoomRectangle();
    paintPreviewRectangle();
}

void CanvasPainting::paintCutoutTab() {
    if (isVisible()) {
        fillScreenFixed(visible_);
        if (ZtSourceImage* const working = GmModel::instance()->workingImage())
            painter_.drawImage(visible_, working->displayImage(), visible_);
    }
    paintTargets(true);
    paintZoomRectangle();
}

void CanvasPainting::fillScreenFixed(const QRectF& rect) {
    QBrush brush = background_;
    brush.setTransform(widgetToImage_);
    painter_.fillRect(rect, brush);
}

void CanvasPainting::paintCutoutPreview(const QRectF& rect) {
    fillScreenFixed(rect);
    if (ZtSourceImage* const working = GmModel::instance()->workingImage())
        painter_.drawImage(rect, working->displayImage(), rect);
}

void CanvasPainting::paintTargets(bool beingDrawnOnly) {
    painter_.setRenderHint(QPainter::Antialiasing, true);
    // Five screen pixels: the side of the handles of an active shape.
    const double penWidth = 5.0 / canvas_->zoom();
    for (ArrowTarget* target : GmModel::instance()->allArrowTargets()) {
        const int mode = tool_ ? tool_->targetDrawMode(target) : Shape::PaintOtherOutline;
        if (beingDrawnOnly && mode != Shape::PaintBeingDrawn) continue;
        painter_.setWorldTransform(imageToWidget_);
        painter_.setPen(target->outlineColour());
        painter_.setBrush(Qt::NoBrush);
        target->shape()->paint(&painter_, exposed_, mode, 0, penWidth);
    }
    painter_.setWorldTransform(imageToWidget_);
}

void CanvasPainting::paintWaitingStrokes() {
    GmModel* const model = GmModel::instance();
    if (!isVisible() || model->brushings().isEmpty()) return;
    const QImage& overlay = model->statusArray()->displayImage();
    const int alpha = overlay.isNull() || overlay.colorCount() == 0
                          ? kStrokeAlphaWithoutOverlay
                          : std::max(qAlpha(overlay.color(0)), kMinimumStrokeAlpha);
    const QColor colour =
        withAlpha(ZtAppPrefs::currentColor(ZtAppPrefs::PatchOrForcedEdgeColor), alpha);
    for (GmBrushing* stroke : model->brushings()) {
        painter_.setWorldTransform(imageToWidget_);
        painter_.setPen(colour);
        stroke->brushing()->paint(&painter_, visible_, Shape::PaintOutline, 1, 0);
    }
    painter_.setWorldTransform(imageToWidget_);
}

void CanvasPainting::paintPatchPreview() {
    GmModel* const model = GmModel::instance();
    const zt::Rectangle* const preview = model->previewRectangle();
    if (!preview || canvas_->patchPreviewRegion().isEmpty() || !canvas_->patchPreview()) return;
    const QRectF r = preview->boundingRect().intersected(visible_);
    if (r.width() <= 0 || r.height() <= 0) return;
    painter_.setWorldTransform(imageToWidget_);
    painter_.setPen(QColor(Qt::white));
    const bool hadClip = painter_.hasClipping();
    const QRegion oldClip = painter_.clipRegion();
    painter_.setClipRegion(canvas_->patchPreviewRegion());
    paintCutoutPreview(r);
    painter_.setClipRegion(oldClip);
    painter_.setClipping(hadClip);
}

void CanvasPainting::paintPreviewRectangle() {
    GmModel* const model = GmModel::instance();
    const zt::Rectangle* const preview = model->previewRectangle();
    if (!preview || canvas_->patchPreview()) return;
    const QRectF bounds = preview->boundingRect();
    const QRectF r = bounds.intersected(visible_);
    if (r.width() <= 0 || r.height() <= 0) return;
    painter_.setWorldTransform(imageToWidget_);
    painter_.setPen(QColor(Qt::white));
    painter_.setBrush(Qt::NoBrush);
    paintCutoutPreview(r);
    painter_.drawRect(bounds);
}

void CanvasPainting::paintZoomRectangle() {
    painter_.setRenderHint(QPainter::Antialiasing, true);
    const zt::Rectangle* const zoom = GmModel::instance()->zoomRectangle();
    if (!zoom) return;
    const QRectF bounds = zoom->boundingRect();
    const QRectF met = bounds.intersected(exposed_);
    if (met.width() <= 0 || met.height() <= 0) return;
    painter_.setWorldTransform(imageToWidget_);
    painter_.setPen(QColor(Qt::white));
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(bounds);
}

void CanvasPainting::paintBrushOutline() {
    if (!tool_ || !tool_->isBrush()) return;
    const CanvasHooks& hooks = canvasHooks();
    const bool sliderHeld = hooks.brushSizeSliderHeld && hooks.brushSizeSliderHeld();
    if (!canvas_->isPointerInside() && !sliderHeld) return;

    const double scale = factor_ * canvas_->zoom(); // screen pixels per workspace pixel
    const BrushOutline outline(QPointF(canvas_->pointerPosition()) / scale, Brushing::brushSize(),
                               scale, canvas_->imageRect().topLeft());
    const double radius = outline.radius();
    const QPointF centre = outline.centre();
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    const QRectF exposedInWorkspace(exposed_.topLeft() / factor_, exposed_.size() / factor_);
    if (!outline.square().intersects(exposedInWorkspace)) return;

    painter_.setWorldTransform(workspaceToWidget_);
    const QColor colour = tool_->cursorColour();
    // Where the brush would paint shows only when a workspace pixel is large
    // enough to tell.
    if (outline.showsFootprint()) paintBrushFootprint(centre, radius, colour);

    painter_.setClipping(false);
    const double u = 1.0 / scale; // one screen pixel
    painter_.setRenderHint(QPainter::Antialiasing, false);
    paintCentreMark(centre, u, colour);

    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setBrush(Qt::NoBrush);
    const double grow = 0.1 * u;
    painter_.setPen(QPen(QColor(Qt::black), u));
    painter_.drawEllipse(circle.adjusted(-grow, -grow, grow, grow));
    painter_.setPen(QPen(QColor(Qt::white), u));
    painter_.drawEllipse(circle.adjusted(grow, grow, -grow, -grow));
    painter_.setPen(QPen(withAlpha(colour, kCircleAlpha), u));
    painter_.drawEllipse(circle);

    canvas_->setPaintedOutline(outline);
    painter_.setWorldTransform(imageToWidget_);
}

void CanvasPainting::paintBrushFootprint(const QPointF& centre, double radius,
                                         const QColor& colour) {
    const int n = int(2 * radius + 3);
    const QPoint origin(int(std::floor(centre.x() - radius)) - 1,
                        int(std::floor(centre.y() - radius)) - 1);
    QImage& footprint = footprintImage();
    if (footprint.width() < n) {
        // Room to grow, so that a brush growing step by step does not
        // allocate at every step.
        const int side = qRound(n * 1.414);
        footprint = QImage(side, side, QImage::Format_Mono);
        footprint.setColorCount(2);
        footprint.setColor(0, qRgba(0, 0, 0, 0));
    }
    footprint.setColor(1, withAlpha(colour, kFootprintAlpha).rgba());
    const int rowBytes = (n + 7) / 8;
    for (int y = 0; y < n; ++y)
        std::memset(footprint.scanLine(y), 0, size_t(rowBytes));
    // The same dab a stroke paints at this point.
    const QPointF dab = centre - QPointF(origin);
    paintBrushSegment(&footprint, dab, dab, Brushing::brushSize());

    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.translate(origin);
    painter_.drawImage(QRect(0, 0, n, n), footprint, QRect(0, 0, n, n));
    painter_.setWorldTransform(workspaceToWidget_);
}

void CanvasPainting::paintCentreMark(const QPointF& centre, double u, const QColor& colour) {
    // The lines are one screen pixel wide at any zoom: the mark is measured
    // in screen pixels.
    const QPen white(QColor(Qt::white), u);
    const QPen coloured(withAlpha(colour, 255), u);
    painter_.setBrush(Qt::NoBrush);
    GmRegion* const patch = GmModel::instance()->activeRegion();
    if (patch && patch->shape()->contains(centre * factor_)) {
        // Over the active patch: a small square.
        const double d = (8 * u + 4 * u) * 0.4;
        const QRectF mark(centre - QPointF(d, d), centre + QPointF(d, d));
        painter_.setPen(white);
        painter_.drawRect(mark.adjusted(-u, -u, u, u));
        painter_.drawRect(mark.adjusted(u, u, -u, -u));
        painter_.setPen(coloured);
        painter_.drawRect(mark);
        return;
    }
    // A cross-hair of four arms from 4 to 8 screen pixels out, edged in white.
    const QPointF arms[] = {QPointF(1, 0), QPointF(0, 1), QPointF(-1, 0), QPointF(0, -1)};
    painter_.setPen(white);
    for (const QPointF& arm : arms) {
        const QPointF side(-arm.y() * u, arm.x() * u);
        painter_.drawLine(QLineF(centre + arm * 4 * u + side, centre + arm * 8 * u + side));
        painter_.drawLine(QLineF(centre + arm * 4 * u - side, centre + arm * 8 * u - side));
        painter_.drawLine(QLineF(centre + arm * 3 * u, centre + arm * 9 * u));
    }
    painter_.setPen(coloured);
    for (const QPointF& arm : arms)
        painter_.drawLine(QLineF(centre + arm * 4 * u, centre + arm * 8 * u));
}

void CanvasPainting::paintWash() {
    if (!washAction) {
        washAction = new QAction(QStringLiteral("wash"), canvas_);
        washAction->setCheckable(true);
        washAction->setShortcut(QKeySequence(QStringLiteral("Shift+F6")));
        canvas_->addAction(washAction);
    }
    if (!washAction->isChecked()) return;
    painter_.resetTransform();
    washLevel += washStep;
    if (washLevel > 255) {
        washLevel = 255;
        washStep = -washStep;
    }
    if (washLevel < 0) {
        washLevel = 0;
        washStep = -washStep;
    }
    const QBrush wash(QColor(washLevel, washLevel, 0, 70));
    const QRegion clip = painter_.clipRegion();
    if (clip.isEmpty()) painter_.fillRect(event_->rect(), wash);
    for (const QRect& rect : clip)
        painter_.fillRect(rect, wash);
}
