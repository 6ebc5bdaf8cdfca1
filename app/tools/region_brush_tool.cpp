#include "tools/region_brush_tool.h"

#include "model/brush_region.h"
#include "model/brushing.h"
#include "model/gm_brushing.h"
#include "model/gm_model.h"
#include "model/zt_app_prefs.h"
#include "shell/services/whats_this_text.h"
#include "tools/tool_icons.h"

RegionBrushTool::RegionBrushTool(QActionGroup* actionGroup, QWidget* actionWidget,
                                 QWidget* actionHolder, QWidget* optionsParent)
    : BrushingTool(
          QStringLiteral("Patch Brush"), tr("Patch Brush"), patchBrushIcon(), QStringLiteral("U"),
          tr("<p>Use Patches where difficult mask selection and complex blending requirements "
             "are needed. Patch Brush creates an unconstrained Patch by &lsquo;painting&rsquo; an "
             "area in the image.</p><p>A patch has its own edge finding and blending settings, "
             "and can protect the mask under it. Paint over the area and release the mouse "
             "button: the painted area becomes a new patch and is made active. A brushed patch "
             "cannot be reshaped or moved afterwards; paint a new one instead.</p>") +
              learnMoreParagraph(QStringLiteral("4-Zeltran_Tools/Working_with_Regions.htm")),
          actionGroup, actionWidget, actionHolder, optionsParent) {
    addOptionsPage();
    // The base decided while this brush's own rule was not in place yet.
    setEnabledSlot();
}

QColor RegionBrushTool::strokeColour() const {
    return ZtAppPrefs::currentColor(ZtAppPrefs::ActivePatchOrForcedEdgeColor);
}

bool RegionBrushTool::isAvailable() const {
    return true;
}

bool RegionBrushTool::usesStrength() const {
    return false;
}

QWidget* RegionBrushTool::createOptionsWidget() {
    return new QWidget;
}

Brushing* RegionBrushTool::beginStroke(const QPointF&) {
    // Always available, so the canvas hands over presses with no image too.
    if (!GmModel::instance()->sourceImage()) return nullptr;
    if (GmBrushing* held = stroke())
        held->brushing()->clear();
    else
        setStroke(new GmBrushing(strokeColour()));
    return stroke()->brushing();
}

void RegionBrushTool::endStroke() {
    GmBrushing* painted = stroke();
    if (!painted) return;
    const QRectF bounds = painted->brushing()->boundingRect();
    if (bounds.width() > 0 && bounds.height() > 0) {
        auto* patch = new BrushRegion(*painted->brushing());
        // The sub-session command takes the painted stroke over.
        patch->beginSubSession(takeStroke());
        emit userCreatedRegion(patch);
        return;
    }
    deleteStroke();
}
