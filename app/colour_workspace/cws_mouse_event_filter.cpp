#include "colour_workspace/cws_mouse_event_filter.h"

#include "colour_workspace/colour_display.h"

#include <QMouseEvent>
#include <QWidget>

CWSMouseEventFilter::CWSMouseEventFilter(ColourDisplay* display, QObject* parent)
    : QObject(parent), display_(display) {}

void CWSMouseEventFilter::watch(QWidget* widget) {
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
}

int CWSMouseEventFilter::bandAt(const QPoint& global) const {
    if (!display_) return ColourDisplay::NoEdge;
    const QPoint topLeft = display_->mapToGlobal(QPoint(0, 0));
    const int left = topLeft.x(), top = topLeft.y();
    const int width = display_->width(), height = display_->height();
    const int x = global.x(), y = global.y();
    const bool besideRows = y >= top && y < top + height;
    if (x > left - kBandWidth && x <= left && besideRows) return ColourDisplay::LeftEdge;
    if (x >= left + width && x < left + width + kBandWidth && besideRows)
        return ColourDisplay::RightEdge;
    // A histogram's values run along the horizontal axis only.
    if (display_->mode() == ColourDisplay::HistogramMode) return ColourDisplay::NoEdge;
    if (x >= left && x < left + width) {
        if (y > top - kBandWidth && y <= top) return ColourDisplay::TopEdge;
        if (y >= top + height && y < top + height + kBandWidth) return ColourDisplay::BottomEdge;
    }
    return ColourDisplay::NoEdge;
}

void CWSMouseEventFilter::updateHoverCursor(QWidget* widget, const QPoint& global) const {
    if (!widget) return;
    const bool inBand = bandAt(global) != ColourDisplay::NoEdge;
    const bool cross = widget->cursor().shape() == Qt::CrossCursor;
    if (inBand && !cross)
        widget->setCursor(Qt::CrossCursor);
    else if (!inBand && cross)
        widget->setCursor(Qt::ArrowCursor);
}

void CWSMouseEventFilter::forward(QMouseEvent* event, bool release) {
    const QPointF local = display_->mapFromGlobal(event->globalPos());
    QMouseEvent forwarded(release ? QEvent::MouseButtonRelease : QEvent::MouseMove, local, local,
                          event->screenPos(), event->button(), event->buttons(),
                          event->modifiers());
    if (release)
        display_->mouseReleaseEvent(&forwarded);
    else
        display_->mouseMoveEvent(&forwarded);
}

bool CWSMouseEventFilter::eventFilter(QObject* watched, QEvent* event) {
    if (!display_) return false;
    QWidget* widget = qobject_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        edgeDrag_ = false;
        const int band = bandAt(mouse->globalPos());
        if (band == ColourDisplay::NoEdge) return false;
        edgeDrag_ = true;
        display_->edge_ = band;
        display_->pressedInside_ = false;
        if (widget) widget->setCursor(Qt::CrossCursor);
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!edgeDrag_) {
            updateHoverCursor(widget, mouse->globalPos());
            return false;
        }
        // Only positions on the display move the gesture on; its last
        // column and row belong to the band's far side.
        const QPoint local = display_->mapFromGlobal(mouse->globalPos());
        if (QRect(0, 0, display_->width() - 1, display_->height() - 1).contains(local))
            forward(mouse, false);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !edgeDrag_) return false;
        // Inside the display or not, the release ends the drag and commits
        // its marks (the display clamps the position): otherwise the next
        // gesture would drop what this one showed.
        forward(mouse, true);
        edgeDrag_ = false;
        updateHoverCursor(widget, mouse->globalPos());
        return true;
    }
    default:
        return false;
    }
}
