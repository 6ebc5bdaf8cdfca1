#include "panels/mouse_click_filter.h"

#include <QApplication>
#include <QWidget>

MouseClickFilter::MouseClickFilter(QWidget* parent) : QTimer(parent) {
    setSingleShot(true);
    connect(this, &QTimer::timeout, this, &MouseClickFilter::singleClickTimeout);
    if (parent) parent->installEventFilter(this);
}

MouseClickFilter::~MouseClickFilter() = default;

bool MouseClickFilter::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        if (pending_) {
            // The second release of a double click.
            pending_.reset();
        } else {
            const auto* release = static_cast<QMouseEvent*>(event);
            pending_ = std::make_unique<QMouseEvent>(
                release->type(), release->localPos(), release->windowPos(), release->screenPos(),
                release->button(), release->buttons(), release->modifiers());
            start(QApplication::doubleClickInterval());
        }
        break;
    case QEvent::MouseButtonDblClick:
        stop();
        emit doubleClick(static_cast<QMouseEvent*>(event));
        break;
    default:
        break;
    }
    return false;
}

void MouseClickFilter::singleClickTimeout() {
    if (!pending_) return;
    const std::unique_ptr<QMouseEvent> click = std::move(pending_);
    emit singleClick(click.get());
}
