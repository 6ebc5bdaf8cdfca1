#include "tools/rectangle_tool.h"

#include "model/zt_rectangle.h"

#include <QMouseEvent>

QCursor RectangleTool::cursor() const {
    return QCursor(Qt::CrossCursor);
}

void RectangleTool::mousePress(QMouseEvent* event, const QPointF& point) {
    if (event->button() == Qt::LeftButton) pressPoint_ = point;
}

void RectangleTool::mouseMove(QMouseEvent* event, const QPointF& point) {
    // A drag that began off the canvas leaves the button state up.
    if (!(event->buttons() & Qt::LeftButton) || buttonState() != ButtonDragging) return;
    if (previousButtonState() == ButtonPressed)
        startTarget(pressPoint_);
    else if (zt::Rectangle* rectangle = currentTarget())
        rectangle->dragCorner(point);
}

void RectangleTool::mouseRelease(QMouseEvent* event, const QPointF& point) {
    if (event->button() == Qt::LeftButton && previousButtonState() != ButtonUp) finishTarget(point);
}
