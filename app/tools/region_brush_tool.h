// The patch brush: a stroke painted with the brush machinery becomes, on
// release, a brushed patch (BrushRegion) whose outline is the stroke. The
// patch opens its engine sub-session, which takes the painted stroke with
// it, and becomes the active patch. A stroke that paints nothing (wholly off
// the image) leaves nothing behind. Without an image the brush paints
// nothing, though its action stays enabled.
#ifndef APP_TOOLS_REGION_BRUSH_TOOL_H
#define APP_TOOLS_REGION_BRUSH_TOOL_H

#include "tools/brushing_tool.h"

class RegionBrushTool : public BrushingTool {
    Q_OBJECT
public:
    RegionBrushTool(QActionGroup* actionGroup = nullptr, QWidget* actionWidget = nullptr,
                    QWidget* actionHolder = nullptr, QWidget* optionsParent = nullptr);

    // The outline colour of an active patch.
    QColor strokeColour() const override;
    // Always, so that the tool can be chosen before an image is opened.
    bool isAvailable() const override;
    // The "Strength" row does not apply.
    bool usesStrength() const override;
    // An empty page: the brush has no options of its own.
    QWidget* createOptionsWidget() override;
    // Reuses the held stroke (cleared) or makes one; null without an image.
    // The active patch stays as it is.
    Brushing* beginStroke(const QPointF& point) override;
    // A stroke that painted something becomes a new, active patch.
    void endStroke() override;
};

#endif
