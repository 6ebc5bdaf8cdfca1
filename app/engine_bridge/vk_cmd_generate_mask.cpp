#include "engine_bridge/vk_cmd_generate_mask.h"

#include "engine_bridge/command_support.h"
#include "engine_bridge/vardek_thread.h"
#include "files/zt_source_image.h"
#include "model/blending_options.h"
#include "model/blending_stuff.h"
#include "model/forced_edge.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/gm_status_array.h"
#include "model/segmentation_stuff.h"
#include "model/shape.h"

#include <QBrush>
#include <QPen>

namespace {

VkImage engineViewOf(ZtSourceImage* image) {
    return image ? image->engineView() : VkImage{0, 0, 0, 0, nullptr};
}

void putBlueGreenRed(const QColor& colour, uint8_t* bytes) {
    bytes[0] = uint8_t(colour.blue());
    bytes[1] = uint8_t(colour.green());
    bytes[2] = uint8_t(colour.red());
}

// A patch's mask as the engine reads it: inside non-zero, drawn with a
// filled brush and no pen.
QImage* patchMask(GmRegion* patch) {
    Shape* shape = patch ? patch->shape() : nullptr;
    return shape ? shape->mask(QPen(Qt::NoPen), QBrush(Qt::color1)) : nullptr;
}

} // namespace

VkPatchRecord patchRecordOf(const BlendingOptions& options, const QImage& mask, bool previewed) {
    VkPatchRecord record{};
    if (!mask.isNull()) {
        record.maskX = mask.offset().x();
        record.maskY = mask.offset().y();
        record.maskWidth = mask.width();
        record.maskHeight = mask.height();
        record.maskRowBytes = int32_t(mask.bytesPerLine());
        record.maskKind = VkKindStatus;
        record.maskData = mask.constBits();
    }
    record.isPreview = previewed ? 1 : 0;
    record.fgOverride = options.fgChecked_ ? 1 : 0;
    record.bgOverride = options.bgChecked_ ? 1 : 0;
    putBlueGreenRed(options.fgOverride().color(), record.fgColour);
    putBlueGreenRed(options.bgOverride().color(), record.bgColour);
    const bool complex = options.isChoices_ || options.isMembrane_;
    record.blendRatio = complex ? 0.0f : options.blendRatioF_;
    if (options.isMembrane_) {
        record.blendMode = VkBlendMembrane;
        record.param1 = options.membrane1F_;
    } else if (options.isChoices_) {
        record.blendMode = VkBlendChoices;
        record.param1 = options.choices1F_;
        record.param2 = options.choices2F_;
    } else {
        record.blendMode = VkBlendDefault;
    }
    return record;
}

VkCmdGenerateMask::VkCmdGenerateMask(GmModel* model, GmRegion* patch, bool isPatchPreview)
    : VardekCommand(model, tr("Creating Cut-out...")), patch_(patch),
      isPatchPreview_(isPatchPreview) {
    if (patch) patchEditCount_ = patch->editCount();
    if (!model) return;
    session_ = model->imageSession();
    statusImage_ = model->statusArray()->engineImage();
    output_ = engineViewOf(model->workingImage());
    source_ = engineViewOf(model->sourceImage());
    autoBlueWidth_ = model->imageBlendage()->options().autoBlueWidthF_;
    blendRatio_ = model->imageBlendage()->options().blendRatioF_;
}

VkCmdGenerateMask::VkCmdGenerateMask(GmModel* model, GmRegion* patch)
    : VkCmdGenerateMask(model, patch, true) {}

VkCmdGenerateMask::VkCmdGenerateMask(GmModel* model, const ImageRectF* rectangle)
    : VkCmdGenerateMask(model, nullptr, false) {
    wholeImage_ = rectangle == nullptr;
    if (rectangle)
        rect_ = VkRect{qRound(rectangle->x()), qRound(rectangle->y()), qRound(rectangle->width()),
                       qRound(rectangle->height())};
}

VkCmdGenerateMask::~VkCmdGenerateMask() = default;

bool VkCmdGenerateMask::prepare() {
    GmModel* model = this->model();
    if (!model) return false;
    // Every refusal comes first: a command that marks unchanged patches in
    // the status image must run, or the marks would stay behind.
    const SegmentationStuff* smeg = model->imageSmeg();
    if (!smeg->hasSegmentation() && !smeg->hasPendingAnalysis()) return false;
    GmStatusArray* statusArray = model->statusArray();
    if (!(statusArray->statusesPresent() & (VkStatusKeep | VkStatusDelete))) return false;
    // A command built for an earlier session has handles that are gone.
    if (!session_ || session_ != model->imageSession() || !statusImage_ ||
        statusImage_ != statusArray->engineImage())
        return false;
    if (isPatchPreview_) {
        // A patch deleted meanwhile, or one that covers no workspace pixel,
        // has nothing to preview.
        const QImage* mask = patchMask(patch_);
        if (!mask) return false;
        rect_ = VkRect{mask->offset().x(), mask->offset().y(), mask->width(), mask->height()};
    }

    buildForcedEdgeRecords();
    buildPatchRecords();
    for (ArrowTarget* target : model->regions())
        if (GmRegion* region = target->asRegion()) statusArray->markUnchangedPatch(region);
    prepared_ = true;
    return true;
}

void VkCmdGenerateMask::buildForcedEdgeRecords() {
    edgePoints_.clear();
    edgeRecords_.clear();
    std::vector<int> widths;
    for (ArrowTarget* target : model()->forcedEdges()) {
        ForcedEdge* edge = target->asForcedEdge();
        if (!edge) continue;
        edgePoints_.push_back(edge->workspacePoints());
        widths.push_back(edge->featherWidth());
    }
    // The records point into the command's own copies, filled completely first.
    for (std::size_t i = 0; i < edgePoints_.size(); ++i)
        edgeRecords_.push_back(VkForcedEdgeRecord{
            edgePoints_[i].data(), uint32_t(edgePoints_[i].size() / 2), float(widths[i])});
}

void VkCmdGenerateMask::buildPatchRecords() {
    patchMasks_.clear();
    patchRecords_.clear();
    std::vector<GmRegion*> regions;
    for (ArrowTarget* target : model()->regions()) {
        GmRegion* region = target->asRegion();
        const QImage* mask = patchMask(region);
        // A patch that covers no workspace pixel blends nothing.
        if (!mask) continue;
        // Shared, not copied: a mask redrawn or saved into later detaches from this one.
        patchMasks_.push_back(*mask);
        regions.push_back(region);
    }
    for (std::size_t i = 0; i < regions.size(); ++i)
        patchRecords_.push_back(patchRecordOf(regions[i]->blendage().options(), patchMasks_[i],
                                              isPatchPreview_ && regions[i] == patch_));
}

void VkCmdGenerateMask::execute() {
    // Every change count after a session start is at least 3.
    VardekThread::setLastCutoutChangeCount(1);
    const bool none = rect_.width == 0 && rect_.height == 0;
    result_ = VkGenerateMask(session_, none ? nullptr : &rect_, output_, source_, statusImage_,
                             edgeRecords_.data(), uint32_t(edgeRecords_.size()), autoBlueWidth_,
                             blendRatio_, patchRecords_.data(), uint32_t(patchRecords_.size()));
}

void VkCmdGenerateMask::finished() {
    // Whatever the result: a patch marked unchanged where the engine did not
    // work (outside a preview) would otherwise stay marked.
    GmModel* model = this->model();
    if (prepared_ && model && statusImage_ == model->statusArray()->engineImage())
        model->statusArray()->clearTemporaryMarks();
    checkResult(result_);
    if (!model) return;
    refreshOutputTab();
    // The cut-out holds the marks of what was submitted before it; a stroke
    // submitted while it ran is not in it.
    if (result_ == VkOk && wholeImage_)
        VardekThread::setLastCutoutChangeCount(changeCountAtSubmission());
    if (result_ == VkOk && isPatchPreview_ && patch_ && model->statusArray()->engineImage() &&
        patch_->editCount() == patchEditCount_)
        model->snapshotRegionPixels(patch_);
    command_support::refreshStatuses(model);
}

void VkCmdGenerateMask::refreshOutputTab() {
    if (model()) model()->signalDirtyOutputImageSlot();
}
