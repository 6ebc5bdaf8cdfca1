#include "workspace/zt_workspace.h"

#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "workspace/gm_zoom_widget.h"
#include "workspace/image_view.h"
#include "workspace/tab_filter.h"

#include <QEvent>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace {

// Boxes narrower or lower than this (screen pixels) zoom in one step instead.
constexpr double kSmallestBox = 5.0;
constexpr double kZoomStep = 1.25;

// The fraction of the canvas at the centre of the bar's page.
double centreFraction(const QScrollBar* bar) {
    const double length = bar->maximum() + bar->pageStep();
    if (length <= 0) return 0.5;
    return (bar->value() + bar->pageStep() * 0.5) / length;
}

// Turns updates of `widget` off for as long as it lives: several scroll and
// size changes then show as one.
class UpdatesOff {
public:
    explicit UpdatesOff(QWidget* widget) : widget_(widget), wereOn_(widget->updatesEnabled()) {
        widget_->setUpdatesEnabled(false);
    }
    ~UpdatesOff() { widget_->setUpdatesEnabled(wereOn_); }
    UpdatesOff(const UpdatesOff&) = delete;
    UpdatesOff& operator=(const UpdatesOff&) = delete;

private:
    QWidget* widget_;
    bool wereOn_;
};

} // namespace

ZtWorkspace::ZtWorkspace(ImageView* view) : QScrollArea(view), view_(view) {
    setFrameShape(QFrame::NoFrame);
    QWidget* const mainWindow = view ? view->mainWindow() : nullptr;
    canvas_ = new GmZoomWidget(mainWindow);
    setWidget(canvas_);
    // The scroll area turns the background fill of its widget on; the canvas
    // paints every pixel itself.
    canvas_->setAutoFillBackground(false);
    setBackgroundRole(QPalette::Dark);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    if (view) {
        connect(view, &ImageView::viewTabChanged, canvas_, &GmZoomWidget::viewTabChangedSlot);
        connect(canvas_, &GmZoomWidget::activateArrowTargetAt, view,
                &ImageView::activateArrowTargetAt);
        connect(canvas_, &GmZoomWidget::zoomChanged, view, &ImageView::zoomChanged);
    }
    connect(GmModel::instance(), &GmModel::brushSizeSliderMoved, this,
            &ZtWorkspace::showBrushBeingChangedBySlider);
    TabFilter::install(this, mainWindow);
}

void ZtWorkspace::zoomAnchored(double factor, bool absolute) {
    if (!isScrollAnchorPending()) {
        const QScrollBar* const h = horizontalScrollBar();
        const QScrollBar* const v = verticalScrollBar();
        anchor_ = QPointF(centreFraction(h), centreFraction(v));
        anchorOffset_ = QPointF(h->pageStep() * 0.5, v->pageStep() * 0.5);
    }
    canvas_->setZoom(factor, absolute);
    applyScrollAnchor();
}

void ZtWorkspace::applyScrollAnchor() {
    if (!isScrollAnchorPending()) return;
    horizontalScrollBar()->setValue(
        int(std::floor(canvas_->width() * anchor_.x() - anchorOffset_.x() + 0.5)));
    verticalScrollBar()->setValue(
        int(std::floor(canvas_->height() * anchor_.y() - anchorOffset_.y() + 0.5)));
    anchor_ = QPointF(-1, -1);
}

void ZtWorkspace::zoomToImageRect(const ImageRectF& rect) {
    if (isScrollAnchorPending()) return;
    const ZtSourceImage* const image = GmModel::instance()->sourceImage();
    if (!image || image->width() <= 0 || image->height() <= 0) return;

    const QScrollBar* const h = horizontalScrollBar();
    const QScrollBar* const v = verticalScrollBar();
    const double zoom = canvas_->zoom();
    anchor_ = QPointF((rect.x() + rect.width() * 0.5) / image->width(),
                      (rect.y() + rect.height() * 0.5) / image->height());
    double factor;
    if (rect.width() == 0 && rect.height() == 0) {
        // A point stays where it is on the screen.
        anchorOffset_ = QPointF(rect.x() * zoom - h->value(), rect.y() * zoom - v->value());
        factor = kZoomStep;
    } else {
        // The rectangle's centre comes to the middle of the viewport.
        anchorOffset_ = QPointF(h->pageStep() * 0.5, v->pageStep() * 0.5);
        factor = std::min(viewport()->width() / (rect.width() * zoom),
                          viewport()->height() / (rect.height() * zoom));
    }
    // The anchor is applied when the viewport lays out with the new canvas size.
    canvas_->setZoom(factor, false);
}

void ZtWorkspace::centreOn(const QPoint& point) {
    const double zoom = canvas_->zoom();
    const QPoint scaled(qRound(point.x() * zoom), qRound(point.y() * zoom));
    horizontalScrollBar()->setValue(scaled.x() - horizontalScrollBar()->pageStep() / 2);
    verticalScrollBar()->setValue(scaled.y() - verticalScrollBar()->pageStep() / 2);
}

QRectF ZtWorkspace::displayedImageRect() const {
    const QScrollBar* const h = horizontalScrollBar();
    const QScrollBar* const v = verticalScrollBar();
    const QRect onScreen(h->value(), v->value(), h->pageStep(), v->pageStep());
    const QRect content(QPoint(0, 0), canvas_->contentSize());
    const QRect shown = onScreen & content;
    if (shown == content) return QRectF(0, 0, 0, 0);
    const double zoom = canvas_->zoom();
    return QRectF(shown.x() / zoom, shown.y() / zoom, shown.width() / zoom, shown.height() / zoom);
}

void ZtWorkspace::moveViewportTo(const ImageRectF& rect) {
    UpdatesOff updatesOff(this);
    if (rect.width() >= 0 && rect.height() >= 0) {
        zoomToImageRect(rect);
        return;
    }
    // Width and height -1: scroll only (the navigator's box dragged).
    const double zoom = canvas_->zoom();
    horizontalScrollBar()->setValue(qRound(rect.x() * zoom));
    verticalScrollBar()->setValue(qRound(rect.y() * zoom));
}

void ZtWorkspace::minCheckedMoveViewportTo(const ImageRectF& rect) {
    const double zoom = canvas_->zoom();
    if (rect.width() * zoom < kSmallestBox || rect.height() * zoom < kSmallestBox) {
        zoomAnchored(kZoomStep, false);
        return;
    }
    moveViewportTo(rect);
}

void ZtWorkspace::panBy(int dx, int dy) {
    UpdatesOff updatesOff(this);
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() + dx);
    verticalScrollBar()->setValue(verticalScrollBar()->value() + dy);
}

void ZtWorkspace::showBrushBeingChangedBySlider() {
    const QScrollBar* const h = horizontalScrollBar();
    const QScrollBar* const v = verticalScrollBar();
    const QPoint centre(qRound(h->value() + h->pageStep() * 0.5),
                        qRound(v->value() + v->pageStep() * 0.5));
    canvas_->showPointerAt(centre - canvas_->imageRect().topLeft());
}

void ZtWorkspace::scrollContentsBy(int dx, int dy) {
    QScrollArea::scrollContentsBy(dx, dy);
    if (!GmModel::instance()->sourceImage()) return;
    const QRectF shown = displayedImageRect();
    if (shown.width() > 0 && shown.height() > 0)
        emit sayDisplayedRectChanged(shown, canvas_->zoom());
}

void ZtWorkspace::resizeEvent(QResizeEvent* event) {
    canvas_->resize(canvas_->sizeHint());
    QScrollArea::resizeEvent(event);
    reportDisplayedRect();
}

bool ZtWorkspace::viewportEvent(QEvent* event) {
    const bool handled = QScrollArea::viewportEvent(event);
    if (event->type() == QEvent::LayoutRequest && GmModel::instance()->sourceImage()) {
        applyScrollAnchor();
        reportDisplayedRect();
    }
    return handled;
}

void ZtWorkspace::reportDisplayedRect() {
    if (GmModel::instance()->sourceImage())
        emit sayDisplayedRectChanged(displayedImageRect(), canvas_->zoom());
}
