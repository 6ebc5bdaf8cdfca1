// The selection arrow ("Select Tool"): picks a patch or a forced edge,
// drags its vertices, corners, edges or the whole outline, and sets the
// feather width of the active forced edge. It also answers the canvas's
// right click (activateArrowTargetAtSlot, before the context menu comes
// up), so the menu acts on the object under the pointer, and a double click
// zooms the view onto the active object. It registers itself as the arrow
// tool that Escape and the fallback install.
//
// Hits: the handles (vertex, corner, edge) of the active object win; then
// the first handle of another object in list order (patches, then forced
// edges); then the active object's inside; then the inside of the last
// object in list order that holds the point.
//
// A drag holds on to the object it grabbed. It goes on only while the
// object is still listed and active: a key or a right click in the middle
// of it (Escape deselects, Delete removes, the context menu activates the
// object under the pointer) ends it. An object that is still listed but no
// longer active is released as a release does (reshaped objects go into the
// engine again); one taken out of the model is let go untouched.
//
// Moved forced edges are laid into the engine again, all of them, once the
// tool stops being current.
#ifndef APP_TOOLS_ARROW_TOOL_H
#define APP_TOOLS_ARROW_TOOL_H

#include "model/image_coordinates.h"
#include "model/shape_hit.h"
#include "panels/parameter_stack.h"
#include "tools/gm_tool.h"

#include <QPointer>

class ArrowTool : public GmTool {
    Q_OBJECT
public:
    // The action goes into `actionWidget` (may be null); a null group or
    // options parent takes the shared one.
    ArrowTool(QActionGroup* actionGroup = nullptr, QWidget* actionWidget = nullptr,
              QWidget* optionsParent = nullptr);
    ~ArrowTool() override;

    // What lies under `point` (image pixels), its target filled in; kind
    // None when nothing.
    ShapeHit hitTestTargets(const QPointF& point) const;
    // The pointer for `hit`: the arrow over nothing, the pointing hand over
    // an object that is not active, the hit's own shape over the active one
    // (the open hand closed while `pressed`). The canvas is told when it changes.
    void updateCursor(const ShapeHit& hit, bool pressed);
    // The feather-width row is shown (while the tool is current), with the
    // edge's width, only while a forced edge is active.
    void syncForcedEdgeOptions();

    QCursor cursor() const override;
    void mousePress(QMouseEvent* event, const QPointF& point) override;
    void mouseMove(QMouseEvent* event, const QPointF& point) override;
    void mouseRelease(QMouseEvent* event, const QPointF& point) override;
    // Zooms the view onto the active patch (else forced edge) with a margin
    // of 5 % of its size on every side.
    void mouseDoubleClick(QMouseEvent* event, const QPointF& point) override;
    // The active object with its handles (5), the others as outlines (3).
    int targetDrawMode(const ArrowTarget* target) const override;
    void activate(GmTool* previous) override;
    // A drag still on is released; moved forced edges go into the engine again.
    void deactivate(GmTool* next) override;

    // The object being dragged, or null.
    ArrowTarget* dragTarget() const;
    ParameterStack* widthStack() const { return widthStack_; }

signals:
    // The view should show `into`.
    void zoomToRectSignal(const ImageRectF& into);

public slots:
    // The object under `point` becomes active; over nothing, nothing is.
    void activateArrowTargetAtSlot(const ImagePointF& point);
    // The active forced edge takes the width (used when it is next laid into
    // the engine); nothing without one.
    void forcedEdgeWidthChangedSlot(int width);

private:
    void setCursorShape(Qt::CursorShape shape);
    // Ends the drag: the grabbed object, when still listed, gets its endDrag,
    // shapeChanged when it moved, and (a patch that is active) the model's
    // announcement that it is ready.
    void finishDrag(const QPointF& point);

    QCursor cursor_{Qt::ArrowCursor};
    bool dragging_ = false;
    // The grab of the drag; its target is the object below.
    ShapeHit hit_;
    QPointer<ArrowTarget> grabbed_;
    QPointer<ParameterStack> widthStack_;
};

#endif
