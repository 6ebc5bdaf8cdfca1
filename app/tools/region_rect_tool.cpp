#include "tools/region_rect_tool.h"

#include "model/gm_model.h"
#include "model/rect_region.h"
#include "panels/empty_options_widget.h"
#include "shell/services/whats_this_text.h"
#include "tools/patch_tools.h"
#include "tools/tool_icons.h"

RegionRectTool::RegionRectTool(QActionGroup* actionGroup, QWidget* actionWidget,
                               QWidget* actionHolder, QWidget* optionsParent)
    : RectangleTool(
          QStringLiteral("Rectangle Patch"), tr("Rectangle Patch"), rectanglePatchIcon(),
          QStringLiteral("R"),
          tr("<p>Use Patches where difficult mask selection and complex blending requirements "
             "are needed. Rectangle Patch creates a rectangular patch in the image.</p><p>Drag "
             "from one corner of the area to the other; the new patch is made active. Click a "
             "patch with the <b>Select Tool</b> to activate it, drag its corners to resize it "
             "or its inside to move it, and press <b>Delete</b> to delete the active "
             "patch.</p>") +
              learnMoreParagraph(QStringLiteral("4-Zeltran_Tools/Working_with_Regions.htm")),
          actionGroup, actionWidget, actionHolder, optionsParent) {
    setOptionsWidget(emptyOptionsWidget());
    setEnabledSlot();
}

RegionRectTool::~RegionRectTool() {
    // The empty page is shared; the tool base would delete it.
    setOptionsWidget(nullptr);
}

RectRegion* RegionRectTool::patch() const {
    return patch_;
}

void RegionRectTool::mousePress(QMouseEvent* event, const QPointF& point) {
    if (hasSourceImage()) RectangleTool::mousePress(event, point);
}

void RegionRectTool::mouseMove(QMouseEvent* event, const QPointF& point) {
    if (hasSourceImage()) RectangleTool::mouseMove(event, point);
}

void RegionRectTool::mouseRelease(QMouseEvent* event, const QPointF& point) {
    if (hasSourceImage()) RectangleTool::mouseRelease(event, point);
}

void RegionRectTool::startTarget(const QPointF& point) {
    cancelPatch();
    patch_ = new RectRegion(point);
}

zt::Rectangle* RegionRectTool::currentTarget() const {
    // A patch the model let go of (deleted while being drawn) lives on only
    // until its session has ended.
    if (!patch_ || !GmModel::instance()->containsRegion(patch_)) return nullptr;
    return patch_->rectangle();
}

void RegionRectTool::finishTarget(const QPointF& point) {
    if (!currentTarget()) {
        patch_ = nullptr;
        return;
    }
    RectRegion* patch = patch_;
    patch_ = nullptr;
    zt::Rectangle* rectangle = patch->rectangle();
    rectangle->dragCorner(point);
    if (rectangle->rect().width() > 0 && rectangle->rect().height() > 0)
        finishPatch(patch, this);
    else
        GmModel::instance()->deleteRegion(patch);
}

void RegionRectTool::escape() {
    if (patch_) {
        resetButtonState();
        cancelPatch();
    }
    GmTool::escape();
}

int RegionRectTool::allowedViewTabs() const {
    return patchToolViewTabs();
}

bool RegionRectTool::isAvailable() const {
    return true;
}

int RegionRectTool::targetDrawMode(const ArrowTarget* target) const {
    return patchDrawMode(target, patch_);
}

void RegionRectTool::activate(GmTool*) {
    resetButtonState();
}

void RegionRectTool::deactivate(GmTool*) {
    cancelPatch();
    resetButtonState();
}

void RegionRectTool::cancelPatch() {
    RectRegion* patch = patch_;
    patch_ = nullptr;
    if (patch) GmModel::instance()->deleteRegion(patch);
}
