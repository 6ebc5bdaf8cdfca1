// What the canvas needs of the current tool. The tools' library sits above
// the workspace's (a tool switches the view's tabs), so the canvas does not
// see GmTool itself: GmTool implements this interface and tells the canvas
// where the current tool is (setCurrentToolSource).
//
// The canvas hands a tool its mouse events with the point in full-image
// pixels, only while the tool answers isAvailable() and
// isAllowedOnCurrentTab(); a press it cannot take beeps.
//
// "No current tool" is a valid state (at start without an image not even
// the empty tool can be installed): the canvas then beeps on a press, shows
// no brush outline and draws patches and forced edges as plain outlines.
//
// User-interface thread only.
#ifndef APP_WORKSPACE_CANVAS_TOOL_H
#define APP_WORKSPACE_CANVAS_TOOL_H

#include <QColor>
#include <QCursor>
#include <QPointF>

#include <functional>

class ArrowTarget;
class QMouseEvent;

class CanvasTool {
public:
    virtual ~CanvasTool();

    virtual QCursor cursor() const = 0;
    virtual void mousePress(QMouseEvent* event, const QPointF& point) = 0;
    virtual void mouseMove(QMouseEvent* event, const QPointF& point) = 0;
    virtual void mouseRelease(QMouseEvent* event, const QPointF& point) = 0;
    virtual void mouseDoubleClick(QMouseEvent* event, const QPointF& point) = 0;
    // The view tabs (ViewTabs flags) the tool works on.
    virtual int allowedViewTabs() const = 0;
    // Whether a press first removes the cut-out preview of a patch.
    virtual bool clearsPreviewOnPress() const = 0;
    // Brushes get the brush outline in place of a pointer.
    virtual bool isBrush() const = 0;
    // The colour of the brush outline and cross-hair.
    virtual QColor cursorColour() const = 0;
    virtual bool isAvailable() const = 0;
    // The paint mode of a patch or forced edge while the tool is current.
    virtual int targetDrawMode(const ArrowTarget* target) const = 0;
    virtual bool isAllowedOnCurrentTab() const = 0;
    // Follows the left button; called before each mouse operation.
    virtual void trackButtonState(QMouseEvent* event) = 0;

    // The current tool, or null: what the installed source answers.
    static CanvasTool* current();
    // Installs where the current tool is kept; an empty function means none.
    static void setCurrentToolSource(std::function<CanvasTool*()> source);
};

#endif
