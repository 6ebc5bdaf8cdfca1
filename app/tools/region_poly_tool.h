// The polygon patch tool: draws a polygon patch (PolyRegion) click by click.
// The first click makes the patch (the model lists it at once); the double
// click finishes it: with three points or more it opens its engine
// sub-session and becomes the active patch, with fewer it is deleted.
// Escape at two points or fewer, or another tool, deletes it.
//
// It is the program's polygon patch tool: the model asks it to stop when
// it deletes the patch being drawn (toolHooks().stopPatchEdit). It works on
// the Workspace and Cut-out tabs and can always be chosen; without an image
// the mouse draws nothing.
#ifndef APP_TOOLS_REGION_POLY_TOOL_H
#define APP_TOOLS_REGION_POLY_TOOL_H

#include "tools/polygon_tool.h"

#include <QPointer>

class GmRegion;
class PolyRegion;

class RegionPolyTool : public PolygonTool {
    Q_OBJECT
public:
    RegionPolyTool(QActionGroup* actionGroup = nullptr, QWidget* actionWidget = nullptr,
                   QWidget* actionHolder = nullptr, QWidget* optionsParent = nullptr);
    ~RegionPolyTool() override;

    // The polygon patch tool built last and still alive, or null.
    static RegionPolyTool* polygonPatchTool();

    // The patch being drawn, or null.
    PolyRegion* patch() const;
    // The model is deleting `region`: when it is the patch being drawn, the
    // tool lets go of it and the drawing ends.
    void stopEditing(GmRegion* region);

    void mousePress(QMouseEvent* event, const QPointF& point) override;
    void mouseMove(QMouseEvent* event, const QPointF& point) override;
    void mouseDoubleClick(QMouseEvent* event, const QPointF& point) override;
    void startTarget(const QPointF& point) override;
    zt::Polygon* currentTarget() const override;
    void finishTarget() override;
    void cancelTarget() override;

    int allowedViewTabs() const override;
    bool isAvailable() const override;
    // The patch being drawn in drawing mode (1), every other target as an
    // outline (3); asked without a target, 1 while nothing is drawn.
    int targetDrawMode(const ArrowTarget* target) const override;

private:
    QPointer<PolyRegion> patch_;
};

#endif
