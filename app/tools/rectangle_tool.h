// The base of the tools that draw a rectangle by dragging from one corner to
// the other: the rectangle patch tool, the cut-out preview and the zoom
// tool's rubber band. The rectangle is made on the first move of a drag,
// anchored where the button went down, and finished on the release. A click
// without a drag finishes with no rectangle made, so the subclass's
// finishTarget must cope with currentTarget() being null.
#ifndef APP_TOOLS_RECTANGLE_TOOL_H
#define APP_TOOLS_RECTANGLE_TOOL_H

#include "tools/gm_tool.h"

#include <QPointF>

namespace zt {
class Rectangle;
}

class RectangleTool : public GmTool {
    Q_OBJECT
public:
    using GmTool::GmTool;

    // Creates the owner and its rectangle anchored at `point`.
    virtual void startTarget(const QPointF& point) = 0;
    // The release at `point` after a press (with or without a drag).
    virtual void finishTarget(const QPointF& point) = 0;
    // The rectangle being drawn, or null.
    virtual zt::Rectangle* currentTarget() const = 0;

    QCursor cursor() const override;
    // Left press: remembers the point.
    void mousePress(QMouseEvent* event, const QPointF& point) override;
    // With the left button held: the first move of a drag makes the
    // rectangle at the press point, later moves drag its free corner.
    void mouseMove(QMouseEvent* event, const QPointF& point) override;
    // Left release after a press: finishTarget.
    void mouseRelease(QMouseEvent* event, const QPointF& point) override;

    QPointF pressPoint() const { return pressPoint_; }

protected:
    void setPressPoint(const QPointF& point) { pressPoint_ = point; }

private:
    QPointF pressPoint_;
};

#endif
