#include "tools/region_poly_tool.h"

#include "model/gm_model.h"
#include "model/poly_region.h"
#include "model/tool_hooks.h"
#include "panels/empty_options_widget.h"
#include "shell/services/whats_this_text.h"
#include "tools/patch_tools.h"
#include "tools/tool_icons.h"

namespace {

QPointer<RegionPolyTool> thePolygonPatchTool;

} // namespace

RegionPolyTool::RegionPolyTool(QActionGroup* actionGroup, QWidget* actionWidget,
                               QWidget* actionHolder, QWidget* optionsParent)
    : PolygonTool(
          QStringLiteral("Polygon Patch"), tr("Polygon Patch"), polygonPatchIcon(),
          QStringLiteral("P"),
          tr("<p>Use Patches where difficult mask selection and complex blending requirements "
             "are needed. Polygon Patch creates a polygonal patch in the image.</p><p>A patch "
             "has its own edge finding and blending settings, and can protect the mask under "
             "it. Click to place each corner of the polygon and double-click to close it; the "
             "new patch is made active. Press <b>Escape</b> to take back the last corner. Click "
             "a patch with the <b>Select Tool</b> to activate it, drag its corners to reshape it "
             "or its inside to move it, and press <b>Delete</b> to delete the active patch.</p>") +
              learnMoreParagraph(QStringLiteral("4-Zeltran_Tools/Working_with_Regions.htm")),
          actionGroup, actionWidget, actionHolder, optionsParent) {
    setOptionsWidget(emptyOptionsWidget());
    thePolygonPatchTool = this;
    toolHooks().stopPatchEdit = [](GmRegion* region) {
        if (thePolygonPatchTool) thePolygonPatchTool->stopEditing(region);
    };
    // The base decided while this tool's own rule was not in place yet.
    setEnabledSlot();
}

RegionPolyTool::~RegionPolyTool() {
    // The empty page is shared; the tool base would delete it.
    setOptionsWidget(nullptr);
    if (thePolygonPatchTool == this) {
        thePolygonPatchTool = nullptr;
        toolHooks().stopPatchEdit = nullptr;
    }
}

RegionPolyTool* RegionPolyTool::polygonPatchTool() {
    return thePolygonPatchTool;
}

PolyRegion* RegionPolyTool::patch() const {
    return patch_;
}

void RegionPolyTool::stopEditing(GmRegion* region) {
    if (!region || region != patch_.data()) return;
    patch_ = nullptr;
    abort();
}

void RegionPolyTool::mousePress(QMouseEvent* event, const QPointF& point) {
    if (hasSourceImage()) PolygonTool::mousePress(event, point);
}

void RegionPolyTool::mouseMove(QMouseEvent* event, const QPointF& point) {
    if (hasSourceImage()) PolygonTool::mouseMove(event, point);
}

void RegionPolyTool::mouseDoubleClick(QMouseEvent* event, const QPointF& point) {
    if (hasSourceImage()) PolygonTool::mouseDoubleClick(event, point);
}

void RegionPolyTool::startTarget(const QPointF& point) {
    // An earlier patch still held was never finished.
    cancelTarget();
    patch_ = new PolyRegion(point);
}

zt::Polygon* RegionPolyTool::currentTarget() const {
    return patch_ ? patch_->polygon() : nullptr;
}

void RegionPolyTool::finishTarget() {
    if (!patch_) return;
    patch_->polygon()->dropTrailingDuplicates();
    PolyRegion* patch = patch_;
    patch_ = nullptr;
    if (patch->polygon()->points().size() > 2)
        finishPatch(patch, this);
    else
        GmModel::instance()->deleteRegion(patch);
}

void RegionPolyTool::cancelTarget() {
    PolyRegion* patch = patch_;
    patch_ = nullptr;
    if (patch) GmModel::instance()->deleteRegion(patch);
}

int RegionPolyTool::allowedViewTabs() const {
    return patchToolViewTabs();
}

bool RegionPolyTool::isAvailable() const {
    return true;
}

int RegionPolyTool::targetDrawMode(const ArrowTarget* target) const {
    return patchDrawMode(target, patch_);
}
