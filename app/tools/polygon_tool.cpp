#include "tools/polygon_tool.h"

#include "model/zt_polygon.h"
#include "tools/tool_cursors.h"

#include <QMouseEvent>

PolygonTool::~PolygonTool() = default;

QCursor PolygonTool::cursor() const {
    // Made on first use: a bitmap needs the application's screen.
    if (!cursor_) cursor_ = createPolygonCursor();
    return cursor_ ? *cursor_ : QCursor(Qt::CrossCursor);
}

bool PolygonTool::isDrawing() const {
    return drawing_ && currentTarget();
}

void PolygonTool::mousePress(QMouseEvent* event, const QPointF& point) {
    if (event->button() != Qt::LeftButton) return;
    if (!isDrawing()) {
        drawing_ = false;
        startTarget(point);
        drawing_ = currentTarget() != nullptr;
        if (!drawing_) return;
    }
    zt::Polygon* polygon = currentTarget();
    polygon->dropTrailingDuplicates();
    polygon->addPoint(point);
}

void PolygonTool::mouseMove(QMouseEvent*, const QPointF& point) {
    if (isDrawing()) currentTarget()->setLastPoint(point);
}

void PolygonTool::mouseDoubleClick(QMouseEvent* event, const QPointF& point) {
    if (event->button() != Qt::LeftButton || !isDrawing()) return;
    zt::Polygon* polygon = currentTarget();
    polygon->dropTrailingDuplicates();
    polygon->addPoint(point);
    drawing_ = false;
    finishTarget();
}

void PolygonTool::escape() {
    if (!isDrawing()) {
        drawing_ = false;
        GmTool::escape();
        return;
    }
    if (currentTarget()->points().size() > 2) {
        currentTarget()->removeLastPoint();
        return;
    }
    drawing_ = false;
    cancelTarget();
    resetButtonState();
}

void PolygonTool::activate(GmTool*) {
    resetButtonState();
}

void PolygonTool::deactivate(GmTool*) {
    if (isDrawing()) {
        drawing_ = false;
        cancelTarget();
    }
    drawing_ = false;
    resetButtonState();
}

void PolygonTool::abort() {
    drawing_ = false;
}
