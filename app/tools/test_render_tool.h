// The cut-out preview tool: the user drags a rectangle and the cut-out of
// the current marks is generated inside it, shown on the canvas in place of
// the mask view until the preview is cleared (Escape, another tool, the
// next preview). The rectangle is the model's preview rectangle; the
// generation is a mask generation over that rectangle in workspace pixels,
// rounded outward. A click without a drag makes no preview.
//
// It also previews a patch ("Preview Cut-out in Patch", through
// toolHooks().previewPatch): the preview rectangle covers the patch and the
// generation runs over the patch's own mask.
//
// The tool can be used once the image is analysed (or its analysis is
// under way) and holds keep or delete marks.
#ifndef APP_TOOLS_TEST_RENDER_TOOL_H
#define APP_TOOLS_TEST_RENDER_TOOL_H

#include "tools/rectangle_tool.h"

#include <QRect>
#include <QRectF>

class GmRegion;

class TestRenderTool : public RectangleTool {
    Q_OBJECT
public:
    TestRenderTool(QActionGroup* actionGroup = nullptr, QWidget* actionWidget = nullptr,
                   QWidget* actionHolder = nullptr, QWidget* optionsParent = nullptr);
    ~TestRenderTool() override;

    // The preview tool built last and still alive, or null.
    static TestRenderTool* previewTool();

    // The preview rectangle becomes the bounds of the patch's shape, the
    // model announces the patch's preview, and, when the bounds have an
    // area, the cut-out inside the patch is generated.
    void previewPatch(GmRegion* patch);
    // `imageRect` in workspace pixels at `factor`, rounded outward.
    static QRect workspaceRectOf(const QRectF& imageRect, int factor);

    bool isAvailable() const override;
    // The model's preview rectangle starts anew at `point`.
    void startTarget(const QPointF& point) override;
    zt::Rectangle* currentTarget() const override;
    // Only at the end of a drag: the corner goes to `point` and the
    // rectangle's cut-out is generated.
    void finishTarget(const QPointF& point) override;
    // A preview shown is cleared; without one, the tool base's Escape.
    void escape() override;
    void activate(GmTool* previous) override;
    // The preview is cleared.
    void deactivate(GmTool* next) override;
};

#endif
