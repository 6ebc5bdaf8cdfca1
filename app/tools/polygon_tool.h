// The base of the tools that draw an outline click by click: the forced-edge
// tool and the polygon patch tool. Each click fixes the floating last point
// where it is and adds a new one that follows the mouse; a double click
// adds its point and finishes. The subclass makes the object that owns the
// polygon (startTarget) and says what finishing and cancelling mean.
//
// Escape drops the last fixed vertex while more than two points remain and
// cancels the outline otherwise; switching tools cancels it. An owner that
// disappears from elsewhere ends the drawing: the subclass connects its
// destroyed() to abort(), and a null currentTarget() counts as no drawing.
#ifndef APP_TOOLS_POLYGON_TOOL_H
#define APP_TOOLS_POLYGON_TOOL_H

#include "tools/gm_tool.h"

#include <memory>

namespace zt {
class Polygon;
}

class PolygonTool : public GmTool {
    Q_OBJECT
public:
    using GmTool::GmTool;
    ~PolygonTool() override;

    // Creates the owner and its polygon holding `point`.
    virtual void startTarget(const QPointF& point) = 0;
    // The polygon being drawn, or null.
    virtual zt::Polygon* currentTarget() const = 0;
    // The outline was finished (double click) or cancelled (Escape at two
    // points or fewer, another tool).
    virtual void finishTarget() = 0;
    virtual void cancelTarget() = 0;

    // The polygon cursor, the cross when it cannot be made.
    QCursor cursor() const override;
    // Left press: starts an outline when none is drawn, then fixes the
    // floating point (no doubled vertex) and adds a new one at `point`.
    void mousePress(QMouseEvent* event, const QPointF& point) override;
    // The floating point follows the mouse.
    void mouseMove(QMouseEvent* event, const QPointF& point) override;
    // Left double click while drawing: adds `point` and finishes.
    void mouseDoubleClick(QMouseEvent* event, const QPointF& point) override;
    void escape() override;
    void activate(GmTool* previous) override;
    // An outline being drawn is cancelled.
    void deactivate(GmTool* next) override;

    // An outline is being drawn and its polygon still exists.
    bool isDrawing() const;

public slots:
    // The owner went from elsewhere: the drawing ends, nothing more.
    void abort();

private:
    bool drawing_ = false;
    mutable std::unique_ptr<QCursor> cursor_;
};

#endif
