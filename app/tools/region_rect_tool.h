// The rectangle patch tool: draws a rectangle patch (RectRegion) by
// dragging. The patch is made on the first move of a drag, its corners on
// the workspace pixel grid and clipped to the image; on release a patch of
// positive size opens its engine sub-session and becomes the active patch,
// one of zero width or height is deleted. A click without a drag makes
// nothing. Escape or another tool deletes the patch being drawn.
//
// It works on the Workspace and Cut-out tabs and can always be chosen;
// without an image the mouse draws nothing.
#ifndef APP_TOOLS_REGION_RECT_TOOL_H
#define APP_TOOLS_REGION_RECT_TOOL_H

#include "tools/rectangle_tool.h"

#include <QPointer>

class RectRegion;

class RegionRectTool : public RectangleTool {
    Q_OBJECT
public:
    RegionRectTool(QActionGroup* actionGroup = nullptr, QWidget* actionWidget = nullptr,
                   QWidget* actionHolder = nullptr, QWidget* optionsParent = nullptr);
    ~RegionRectTool() override;

    // The patch being drawn, or null.
    RectRegion* patch() const;

    void mousePress(QMouseEvent* event, const QPointF& point) override;
    void mouseMove(QMouseEvent* event, const QPointF& point) override;
    void mouseRelease(QMouseEvent* event, const QPointF& point) override;
    // A patch still held (its release lost, say on another tab) is deleted
    // first; then a new patch of size 0 at `point`.
    void startTarget(const QPointF& point) override;
    zt::Rectangle* currentTarget() const override;
    void finishTarget(const QPointF& point) override;
    // The patch being drawn is deleted, then the tool base's Escape.
    void escape() override;

    int allowedViewTabs() const override;
    bool isAvailable() const override;
    int targetDrawMode(const ArrowTarget* target) const override;
    void activate(GmTool* previous) override;
    // The patch being drawn is deleted.
    void deactivate(GmTool* next) override;

private:
    void cancelPatch();

    QPointer<RectRegion> patch_;
};

#endif
