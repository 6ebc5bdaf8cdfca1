// The hand tool ("Hand Tool"): drags the view. The main window also makes
// it current while the space bar is held and returns to the tool it
// replaced when the bar is let go.
//
// It works on every view tab and leaves the cut-out preview and the colour
// highlight alone. Patches and forced edges keep the look the remembered
// tool gives them: the tool it was made current over, or the tool that one
// stood in for when it was itself temporary. Without one (none, or gone)
// they are drawn as plain outlines.
#ifndef APP_TOOLS_PAN_TOOL_H
#define APP_TOOLS_PAN_TOOL_H

#include "tools/gm_tool.h"

#include <QPoint>
#include <QPointer>

#include <memory>

class PanTool : public GmTool {
    Q_OBJECT
public:
    PanTool(QActionGroup* actionGroup = nullptr, QWidget* actionWidget = nullptr,
            QWidget* actionHolder = nullptr, QWidget* optionsParent = nullptr);
    ~PanTool() override;

    // The open hand, the grabbing hand while the button is held.
    QCursor cursor() const override;
    void mousePress(QMouseEvent* event, const QPointF& point) override;
    void mouseMove(QMouseEvent* event, const QPointF& point) override;
    void mouseRelease(QMouseEvent* event, const QPointF& point) override;
    // As a press.
    void mouseDoubleClick(QMouseEvent* event, const QPointF& point) override;
    int allowedViewTabs() const override;
    bool clearsPreviewOnPress() const override;
    int targetDrawMode(const ArrowTarget* target) const override;
    GmTool* previousTool() const override;
    // Remembers the tool it replaces; when the button is already down (the
    // space bar pressed during a drag) the drag goes on from here.
    void activate(GmTool* previous) override;
    void deactivate(GmTool* next) override;
    bool clearsColourHighlight() const override;

    bool isGrabbing() const { return current_ == grabbingHand_.get(); }

signals:
    // The view scrolls by `delta` (the pointer's movement, reversed).
    void tellPan(const QPoint& delta);

private:
    void setCurrentCursor(const QCursor* cursor);

    std::unique_ptr<QCursor> openHand_;
    std::unique_ptr<QCursor> grabbingHand_;
    const QCursor* current_;
    QPoint last_;
    QPointer<GmTool> previous_;
};

#endif
