#include "tools/test_render_tool.h"

#include "engine_bridge/command_support.h"
#include "engine_bridge/vk_cmd_generate_mask.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/gm_status_array.h"
#include "model/segmentation_stuff.h"
#include "model/shape.h"
#include "model/tool_hooks.h"
#include "model/zt_rectangle.h"
#include "panels/empty_options_widget.h"
#include "shell/services/whats_this_text.h"
#include "tools/tool_icons.h"

#include <QPointer>

#include <cmath>

namespace {

QPointer<TestRenderTool> thePreviewTool;

} // namespace

TestRenderTool::TestRenderTool(QActionGroup* actionGroup, QWidget* actionWidget,
                               QWidget* actionHolder, QWidget* optionsParent)
    : RectangleTool(
          QStringLiteral("Preview Cut-out"), tr("Preview Cut-out"), cutoutPreviewIcon(),
          QStringLiteral("T"),
          tr("<p>Preview part of the image as it will appear when the final cut-out is "
             "made.</p><p>Click and drag the tool over an area to preview. A test render (a "
             "&lsquo;mini cut-out&rsquo;) will appear in place of the selection. Click on the "
             "image or select a different tool to restore the mask view.</p><p>Using the "
             "<b>Preview Cut-out</b> tool is a great way of testing and editing masks and edge "
             "blending as you go.</p>") +
              tr("<p>You can also right click a previously made <b>Patch</b> and select "
                 "<b>Preview Cut-out</b> and the area under the <b>Patch</b> will be "
                 "cut-out.</p>") +
              learnMoreParagraph(QStringLiteral("2-Using_Zeltran/Making_the_Cut-out.htm")),
          actionGroup, actionWidget, actionHolder, optionsParent) {
    setOptionsWidget(emptyOptionsWidget());
    thePreviewTool = this;
    toolHooks().previewPatch = [](GmRegion* patch) {
        if (thePreviewTool) thePreviewTool->previewPatch(patch);
    };
    // Marks come and go with every stroke.
    connect(GmModel::instance()->statusArray(), &GmStatusArray::statusesPresentChanged, this,
            &GmTool::setEnabledSlot);
    setEnabledSlot();
}

TestRenderTool::~TestRenderTool() {
    // The empty page is shared; the tool base would delete it.
    setOptionsWidget(nullptr);
    if (thePreviewTool == this) {
        thePreviewTool = nullptr;
        toolHooks().previewPatch = nullptr;
    }
}

TestRenderTool* TestRenderTool::previewTool() {
    return thePreviewTool;
}

QRect TestRenderTool::workspaceRectOf(const QRectF& imageRect, int factor) {
    const int left = int(std::floor(imageRect.left() / factor));
    const int top = int(std::floor(imageRect.top() / factor));
    const int right = int(std::ceil(imageRect.right() / factor));
    const int bottom = int(std::ceil(imageRect.bottom() / factor));
    return QRect(left, top, right - left, bottom - top);
}

void TestRenderTool::previewPatch(GmRegion* patch) {
    GmModel* model = GmModel::instance();
    if (!patch || !patch->shape()) return;
    const ImageRectF bounds = patch->shape()->boundingRect();
    model->setPreviewRectangle(bounds.topLeft());
    model->previewRectangle()->dragCorner(bounds.bottomRight());
    emit model->patchPreviewAvailable(patch);
    if (bounds.hasArea()) command_support::submit(new VkCmdGenerateMask(model, patch));
}

bool TestRenderTool::isAvailable() const {
    GmModel* model = GmModel::instance();
    if (!model->sourceImage()) return false;
    const SegmentationStuff* smeg = model->imageSmeg();
    if (!smeg || !(smeg->hasSegmentation() || smeg->hasPendingAnalysis())) return false;
    return (model->statusArray()->statusesPresent() & (VkStatusKeep | VkStatusDelete)) != 0;
}

void TestRenderTool::startTarget(const QPointF& point) {
    GmModel::instance()->setPreviewRectangle(point);
}

zt::Rectangle* TestRenderTool::currentTarget() const {
    return GmModel::instance()->previewRectangle();
}

void TestRenderTool::finishTarget(const QPointF& point) {
    zt::Rectangle* rectangle = currentTarget();
    if (previousButtonState() != ButtonDragging || !rectangle) return;
    rectangle->dragCorner(point);
    const ImageRectF bounds = rectangle->boundingRect();
    if (!bounds.hasArea()) return;
    GmModel* model = GmModel::instance();
    const ImageRectF area(workspaceRectOf(bounds, model->resolutionFactor()));
    command_support::submit(new VkCmdGenerateMask(model, &area));
}

void TestRenderTool::escape() {
    GmModel* model = GmModel::instance();
    if (!model->previewRectangle()) {
        GmTool::escape();
        return;
    }
    resetButtonState();
    model->clearPreviewRectangle();
}

void TestRenderTool::activate(GmTool*) {
    resetButtonState();
}

void TestRenderTool::deactivate(GmTool*) {
    GmModel::instance()->clearPreviewRectangle();
    resetButtonState();
}
