#include "workspace/gm_zoom_widget.h"

#include "files/receiving/accept_image_drop.h"
#include "files/zt_source_image.h"
#include "model/brushing.h"
#include "model/forced_edge.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/shape.h"
#include "model/zt_app_prefs.h"
#include "shell/services/prompt_service.h"
#include "workspace/brush_outline.h"
#include "workspace/canvas_hooks.h"
#include "workspace/canvas_painting.h"
#include "workspace/canvas_tool.h"
#include "workspace/mask_region.h"
#include "workspace/tab_filter.h"

#include <QApplication>
#include <QBitmap>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QSettings>
#include <QTabletEvent>

#include <algorithm>
#include <cmath>

namespace {

const char* const kBackgroundColourKey = "GmZoomWidget/backgroundColour_";
constexpr double kMaximumZoom = 16.0;
constexpr double kParentFitShare = 0.85;

// The pointer of a brush while it is away from the canvas: a cross-hair of
// four short arms in the brush's colour around (8, 8), shown when the
// pointer comes back until its first move brings the outline.
QCursor brushCrossHair(const QColor& colour) {
    QPixmap picture(32, 32);
    picture.fill(colour);
    QBitmap mask(32, 32);
    mask.clear();
    QPainter painter(&mask);
    painter.setPen(Qt::color1);
    painter.drawLine(12, 8, 16, 8);
    painter.drawLine(8, 12, 8, 16);
    painter.drawLine(4, 8, 0, 8);
    painter.drawLine(8, 4, 8, 0);
    painter.end();
    picture.setMask(mask);
    return QCursor(picture, 8, 8);
}

// Whether pen pressure may set the brush size (on by default).
bool useTabletPressure() {
    const ZtAppPrefs* prefs = ZtAppPrefs::instance();
    return prefs ? prefs->useTabletPressure() : true;
}

// A panel's toggle action; null while the panel does not exist.
QAction* panelToggle(const std::function<QAction*()>& hook) {
    return hook ? hook() : nullptr;
}

// The last pen pressure the canvas passed on; -1 before the first.
double lastPenPressure = -1;

} // namespace

GmZoomWidget::GmZoomWidget(QWidget* mainWindow, QWidget* parent) : QWidget(parent) {
    setBackgroundRole(QPalette::Window);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_MouseTracking);
    setAutoFillBackground(false);
    setAcceptDrops(true);

    const QRgb stored =
        QSettings().value(QLatin1String(kBackgroundColourKey), QColor(Qt::white).rgb()).toUInt();
    setBackgroundColour(QColor::fromRgb(stored));

    GmModel* const model = GmModel::instance();
    connect(model, &GmModel::tellImageChanged, this, &GmZoomWidget::imageChangedSlot);
    connect(model,
            QOverload<const ImageRectF&, DirtyHint, PatchPreviewWanted>::of(&GmModel::rectDirty),
            this, &GmZoomWidget::rectDirtySlot);
    // By name: the tool type is not known here.
    connect(model, SIGNAL(toolChanged(const GmTool*)), this, SLOT(toolChangedSlot(const GmTool*)));
    connect(model, &GmModel::cursorChanged, this, &GmZoomWidget::cursorChangedSlot);
    connect(model, &GmModel::resolutionChanged, this, &GmZoomWidget::resolutionChangedSlot);
    connect(model, &GmModel::patchPreviewAvailable, this, &GmZoomWidget::patchPreviewAvailableSlot);
    connect(model, &GmModel::hintOpacityChanged, this, &GmZoomWidget::hintOpacityChangedSlot);
    connect(model, &GmModel::showOriginal, this, &GmZoomWidget::showOriginalSlot);
    connect(model, &GmModel::changeBackgroundColour, this,
            &GmZoomWidget::changeBackgroundColourSlot);

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
    pointerShownForSlider_ = true;
    positionIsGlobal_ = false;
    updateBrushOutline();
}

void GmZoomWidget::endPointerShownForSlider() {
    if (!pointerShownForSlider_) return;
    pointerShownForSlider_ = false;
    pointerInside_ = false;
    updateBrushOutline();
}

void GmZoomWidget::updateBrushOutline() {
    CanvasTool* const tool = CanvasTool::current();
    const bool brush = tool && tool->isBrush();
    const CanvasHooks& hooks = canvasHooks();
    const bool sliderHeld = hooks.brushSizeSliderHeld && hooks.brushSizeSliderHeld();
    if (brush && tabIndex_ == WorkspaceTab && (isPointerInside() || sliderHeld)) {
        // Brushes answer a blank pointer: only the painted outline shows.
        setCursor(QCursor(tool->cursor().shape()));
        const double scale = tabScale();
        const BrushOutline next(QPointF(pointerPosition()) / scale, Brushing::brushSize(), scale,
                                imageRect_.topLeft());
        // What changes from the outline on the screen; the painter records
        // the new one.
        update(next.repaintFrom(outline_, visibleRegion().boundingRect()));
    } else if (outline_.isShown()) {
        update(outline_.area());
        outline_ = BrushOutline();
    }
    if (!isPointerInside() && brush) setCursor(brushCrossHair(tool->cursorColour()));
}

GmRegion* GmZoomWidget::patchPreview() const {
    return patchPreview_;
}

void GmZoomWidget::dropPatchPreview() {
    GmModel* const model = GmModel::instance();
    if (patchPreview_) {
        repaintImageRect(patchPreview_->shape()->boundingRect(), NoDirtyMargin);
        patchPreview_ = nullptr;
        model->clearPreviewRectangle();
    }
    if (!patchPreviewRegion_.isEmpty()) {
        patchPreviewRegion_ = QRegion();
        model->clearPreviewRectangle();
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

void GmZoomWidget::rectDirtySlot(const ImageRectF& rect, DirtyHint hint,
                                 PatchPreviewWanted preview) {
    if (preview == DropPatchPreview) dropPatchPreview();
    repaintImageRect(rect, hint);
}

void GmZoomWidget::repaintImageRect(const QRectF& rect, DirtyHint hint) {
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

void GmZoomWidget::toolChangedSlot(const GmTool*) {
    CanvasTool* const tool = CanvasTool::current();
    setCursor(tool ? tool->cursor() : QCursor(Qt::ArrowCursor));
    update();
}

void GmZoomWidget::cursorChangedSlot(const QCursor* cursor) {
    if (cursor) setCursor(*cursor);
    updateBrushOutline();
}

void GmZoomWidget::viewTabChangedSlot(ViewTabs::ViewTab tab) {
    int index = NoTab;
    if (tab == ViewTabs::Source) index = SourceTab;
    if (tab == ViewTabs::Workspace) index = WorkspaceTab;
    if (tab == ViewTabs::Cutout) index = CutoutTab;
    if (index == tabIndex_) return;
    tabIndex_ = index;
    CanvasTool* const tool = CanvasTool::current();
    if (tool && (tool->allowedViewTabs() & tab))
        setCursor(tool->cursor());
    else
        setCursor(Qt::ArrowCursor);
    update();
}

void GmZoomWidget::resolutionChangedSlot(int, int) {}

void GmZoomWidget::patchPreviewAvailableSlot(const GmRegion* region) {
    // The preview shows the patch as it is; the model hands it over as const.
    GmRegion* const patch = const_cast<GmRegion*>(region);
    if (!patch) return;
    const QImage* const mask = patch->shape()->mask(QPen(Qt::NoPen), QBrush(Qt::color1));
    if (!mask) return;
    patchPreview_ = patch;
    // Every pixel that is not 0 lies in the patch, whatever status was saved in it.
    patchPreviewRegion_ = maskRegion(*mask, GmModel::instance()->resolutionFactor());
    // The rectangles the model marks dirty next repaint it.
}

void GmZoomWidget::hintOpacityChangedSlot() {
    update();
}

void GmZoomWidget::showOriginalSlot() {
    update();
}

void GmZoomWidget::changeBackgroundColourSlot() {
    const QColor colour = promptService()->colour(nullptr, backgroundColour_, QString());
    if (colour.isValid()) setBackgroundColour(colour);
}

void GmZoomWidget::paintEvent(QPaintEvent* event) {
    if (tabIndex_ == NoTab) return;
    CanvasPainting(this, event).paint();
}

void GmZoomWidget::handleMouse(QMouseEvent* event) {
    pointerPosition_ = event->pos() - imageRect_.topLeft();
    positionIsGlobal_ = false;
    pointerInside_ = true;
    pointerShownForSlider_ = false;
    updateBrushOutline();

    CanvasTool* const tool = CanvasTool::current();
    if (!tool || !tool->isAvailable() || !tool->isAllowedOnCurrentTab()) {
        // Only a press tells the user that nothing happened.
        if (event->type() == QEvent::MouseButtonPress) QApplication::beep();
        return;
    }
    tool->trackButtonState(event);
    const QPointF point = QPointF(pointerPosition_) * (1.0 / zoom_);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (tool->clearsPreviewOnPress()) dropPatchPreview();
        tool->mousePress(event, point);
        break;
    case QEvent::MouseMove:
        tool->mouseMove(event, point);
        break;
    case QEvent::MouseButtonRelease:
        tool->mouseRelease(event, point);
        break;
    case QEvent::MouseButtonDblClick:
        tool->mouseDoubleClick(event, point);
        break;
    default:
        break;
    }
}

void GmZoomWidget::mousePressEvent(QMouseEvent* event) {
    handleMouse(event);
}

void GmZoomWidget::mouseMoveEvent(QMouseEvent* event) {
    handleMouse(event);
}

void GmZoomWidget::mouseReleaseEvent(QMouseEvent* event) {
    handleMouse(event);
}

void GmZoomWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    handleMouse(event);
}

void GmZoomWidget::tabletEvent(QTabletEvent* event) {
    CanvasTool* const tool = CanvasTool::current();
    if (useTabletPressure() && tool && tool->isBrush() &&
        event->pointerType() == QTabletEvent::Pen && event->pressure() != lastPenPressure) {
        lastPenPressure = event->pressure();
        const CanvasHooks& hooks = canvasHooks();
        if (hooks.penPressure) hooks.penPressure(lastPenPressure);
    }
    // The same movement then arrives as mouse events.
    event->ignore();
}

void GmZoomWidget::contextMenuEvent(QContextMenuEvent* event) {
    if (!GmModel::instance()->sourceImage() || tabIndex_ != WorkspaceTab) return;
    // The arrow tool activates the patch or forced edge under the pointer.
    emit activateArrowTargetAt(ImagePointF(QPointF(event->pos() - imageRect_.topLeft()) / zoom_));
    showContextMenu(event->globalPos());
}

void GmZoomWidget::showContextMenu(const QPoint& globalPosition) {
    GmModel* const model = GmModel::instance();
    const CanvasHooks& hooks = canvasHooks();
    QMenu menu;
    if (model->activeRegion()) {
        menu.addAction(model->autoFillKeepAction());
        menu.addAction(model->autoFillDeleteAction());
        menu.addAction(model->previewPatchAction());
        menu.addSeparator();
        menu.addAction(model->deletePatchAction());
        menu.addAction(model->eraseMaskInPatchAction());
        menu.addAction(model->protectPatchAction());
        QAction* const properties = panelToggle(hooks.patchPropertiesToggle);
        QAction* const colours = panelToggle(hooks.colourWorkspaceToggle);
        if (properties || colours) menu.addSeparator();
        if (properties) menu.addAction(properties);
        if (colours) menu.addAction(colours);
        menu.exec(globalPosition);
        // "Delete Patch" may have taken the patch away while the menu ran:
        // what is announced is the patch active now, if any.
        model->announceActiveRegionReady(model->activeRegion());
        return;
    }
    const ForcedEdge* const edge = model->activeForcedEdge();
    if (edge && edge->isForcedEdge()) {
        menu.addAction(model->deleteForcedEdgeAction());
        menu.exec(globalPosition);
        return;
    }
    if (hooks.imageActions) menu.addActions(hooks.imageActions());
    if (QAction* const colours = panelToggle(hooks.colourWorkspaceToggle)) {
        menu.addSeparator();
        menu.addAction(colours);
    }
    if (!menu.isEmpty()) menu.exec(globalPosition);
}

void GmZoomWidget::leaveEvent(QEvent* event) {
    pointerInside_ = false;
    pointerShownForSlider_ = false;
    updateBrushOutline();
    QWidget::leaveEvent(event);
}

void GmZoomWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (isTakenDrop(event->mimeData())) {
        event->acceptProposedAction();
        window()->raise();
    } else {
        event->ignore();
    }
}

void GmZoomWidget::dragMoveEvent(QDragMoveEvent* event) {
    event->acceptProposedAction();
}

void GmZoomWidget::dragLeaveEvent(QDragLeaveEvent* event) {
    event->accept();
}

void GmZoomWidget::dropEvent(QDropEvent* event) {
    acceptImageDrop(event);
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
    } else if (outline_.isShown()) {
        updateBrushOutline();
    }
}

void GmZoomWidget::resizeEvent(QResizeEvent*) {
    recentreImage();
}
