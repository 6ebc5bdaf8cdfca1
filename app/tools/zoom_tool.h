// The zoom tool ("Zoom Tool"): a click zooms in one step, Alt and a click
// zooms out one step, a drag draws a rubber band that the view then fills.
// Its options are the buttons "Actual Pixels" and "Fit Screen".
//
// The steps go through the navigator, which keeps the zoom between 6.25 %
// and 1600 % and says when a step further is possible (zoomInEnabledSlot,
// zoomOutEnabledSlot); the pointer shows which step a click makes: the
// zoom-in or zoom-out glass (following Alt on key and mouse events alike),
// or the empty glass when that step is not possible. A double click makes
// two steps, one per click.
//
// Like the hand tool it works on every view tab and keeps the look of the
// tool it was made current over.
#ifndef APP_TOOLS_ZOOM_TOOL_H
#define APP_TOOLS_ZOOM_TOOL_H

#include "model/image_coordinates.h"
#include "tools/rectangle_tool.h"

#include <QPointer>

#include <memory>

class QPushButton;

class ZoomTool : public RectangleTool {
    Q_OBJECT
public:
    enum ZoomCursor { ZoomInCursor, ZoomOutCursor, ZoomUnavailableCursor };

    ZoomTool(QActionGroup* actionGroup = nullptr, QWidget* actionWidget = nullptr,
             QWidget* actionHolder = nullptr, QWidget* optionsParent = nullptr);
    ~ZoomTool() override;

    // The pointer showing which step a click makes.
    ZoomCursor zoomCursor() const { return current_; }
    void setToolCursor(ZoomCursor cursor);
    // With Alt the zoom-out glass (unless a band is being drawn), without it
    // the zoom-in glass; the empty glass when that step is not possible. The
    // navigator's word that a step became possible or not changes the glass
    // only for the step it shows.
    void updateZoomCursor(Qt::KeyboardModifiers modifiers);
    bool isZoomInPossible() const { return zoomInPossible_; }
    bool isZoomOutPossible() const { return zoomOutPossible_; }
    int lastSliderValue() const { return lastSliderValue_; }
    QPushButton* actualPixelsButton() const { return actualPixels_; }
    QPushButton* fitScreenButton() const { return fitScreen_; }

    QCursor cursor() const override;
    void mousePress(QMouseEvent* event, const QPointF& point) override;
    void mouseMove(QMouseEvent* event, const QPointF& point) override;
    void mouseRelease(QMouseEvent* event, const QPointF& point) override;
    // With the zoom-out glass the second press of a double click; with the
    // zoom-in glass nothing (the release that follows makes the step).
    void mouseDoubleClick(QMouseEvent* event, const QPointF& point) override;
    // A band being drawn goes (the tool stays); otherwise the tool base's Escape.
    void escape() override;
    // The Alt key changes the glass.
    void keyEvent(QKeyEvent* event) override;
    int allowedViewTabs() const override;
    bool clearsPreviewOnPress() const override;
    int targetDrawMode(const ArrowTarget* target) const override;
    GmTool* previousTool() const override;
    void activate(GmTool* previous) override;
    // The band goes.
    void deactivate(GmTool* next) override;
    bool clearsColourHighlight() const override;

    // The band is the model's zoom rectangle.
    void startTarget(const QPointF& point) override;
    zt::Rectangle* currentTarget() const override;
    // After a drag, the view fills the band; after a click, one step in.
    void finishTarget(const QPointF& point) override;

signals:
    void zoomToRectSignal(const ImageRectF& into);
    void zoomInSignal();
    void zoomOutSignal();
    void actualPixelsSignal();
    void fitScreenSignal();
    // For the navigator's slider; the tool has no slider of its own, so
    // nothing here emits it.
    void zoomSliderChanged(int value);

public slots:
    void zoomInEnabledSlot(bool enabled);
    void zoomOutEnabledSlot(bool enabled);
    // The navigator's slider moved; remembered.
    void setZoomSliderValue(int value);

private:
    QWidget* createOptionsWidget();
    const QCursor& cursorOf(ZoomCursor cursor) const;
    // The glass for the step Alt (held or not at the last key or mouse
    // event) asks for, or the empty one when that step is not possible.
    void showZoomCursor();

    QPointer<GmTool> previous_;
    std::unique_ptr<QCursor> zoomIn_;
    std::unique_ptr<QCursor> zoomOut_;
    std::unique_ptr<QCursor> zoomUnavailable_;
    ZoomCursor current_ = ZoomInCursor;
    bool zoomInPossible_ = true;
    bool zoomOutPossible_ = true;
    bool altHeld_ = false;
    int lastSliderValue_ = 0;
    // The left button went down for a step in or a band (not for a step
    // out, nor where no step was possible): what its release finishes, even
    // when Alt changed the glass meanwhile.
    bool zoomingIn_ = false;
    QPushButton* actualPixels_ = nullptr;
    QPushButton* fitScreen_ = nullptr;
};

#endif
