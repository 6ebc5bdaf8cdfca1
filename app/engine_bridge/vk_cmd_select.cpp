#include "engine_bridge/vk_cmd_select.h"

#include "engine_bridge/command_support.h"
#include "files/main_window_hooks.h"
#include "model/brushing.h"
#include "model/forced_edge.h"
#include "model/gm_brushing.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/gm_status_array.h"
#include "model/segmentation_stuff.h"
#include "model/tool_hooks.h"

#include <QBrush>
#include <QPen>

namespace {

// The engine's own rule for whether a session can select by regions.
bool engineHasSegmentation(const VkSession* session) {
    return session && session->analysed != 0;
}

} // namespace

VkCmdSelect::VkCmdSelect(GmModel* model, const QString& description, Target target, int fromStatus,
                         int toStatus, int scope)
    : VardekCommand(model, description), target_(target), from_(fromStatus), to_(toStatus),
      scope_(scope), strength_(float(brushStrength())) {}

VkCmdSelect::VkCmdSelect(GmModel* model, GmRegion* patch, int fromStatus, int toStatus, int)
    : VkCmdSelect(model, tr("Making Selection..."), patch ? Patch : WholeImage, fromStatus,
                  toStatus, VkScopeExact) {
    patch_ = patch;
    if (!patch) return;
    record_ = &patch->smeg();
    if (QImage* mask = patch->shape()->mask(QPen(Qt::NoPen), QBrush(Qt::color1))) mask_ = *mask;
}

VkCmdSelect::VkCmdSelect(GmModel* model, GmBrushing* stroke, int fromStatus, int toStatus,
                         int scope, int skipAutoComplex)
    : VkCmdSelect(model, tr("Brushing..."), Stroke, fromStatus, toStatus, scope) {
    stroke_.reset(stroke);
    skipAutoComplex_ = skipAutoComplex != 0;
    GmRegion* active = model ? model->activeRegion() : nullptr;
    patch_ = active;
    if (active) {
        record_ = &active->smeg();
        blendWidth_ = active->blendage().options().autoBlueWidthF_;
    } else if (model) {
        record_ = model->imageSmeg();
        blendWidth_ = model->imageBlendage()->options().autoBlueWidthF_;
    }
    if (stroke && stroke->brushing()) mask_ = stroke->brushing()->renderMask(QPen(), QBrush());
}

VkCmdSelect::VkCmdSelect(GmModel* model, ForcedEdge* edge)
    : VkCmdSelect(model, tr("Creating Forced Edge...", "[zt3]"), Edge, VkStatusUnassigned,
                  VkStatusForcedEdge, VkScopeExact) {
    edge_ = edge;
    if (!edge || !model) return;
    // One workspace pixel wide: the painter works in image pixels.
    const QPen pen(Qt::color1, model->resolutionFactor(), Qt::SolidLine, Qt::RoundCap,
                   Qt::RoundJoin);
    if (QImage* mask = edge->shape()->mask(pen, QBrush(Qt::NoBrush))) mask_ = *mask;
}

VkCmdSelect::~VkCmdSelect() = default;

GmRegion* VkCmdSelect::patch() const {
    return patch_;
}

ForcedEdge* VkCmdSelect::edge() const {
    return edge_;
}

QString VkCmdSelect::parameterText() const {
    return QString::asprintf("%p", static_cast<void*>(session_));
}

bool VkCmdSelect::prepare() {
    GmModel* model = this->model();
    if (!model || model != GmModel::instance()) return false;
    imageSession_ = model->imageSession();
    statusImage_ = model->statusArray()->engineImage();
    statusesPresent_ = model->statusArray()->statusesPresent();

    switch (target_) {
    case Stroke: {
        if (!record_) return false;
        const bool separate = record_->owner() && record_->isChecked();
        const bool byRegions = scope_ != VkScopeExact;
        if (byRegions && separate && !record_->hasSegmentation()) {
            showTip(tr("Use the <b>Apply</b> button to analyze the patch", "[tip,zt3]"));
            return false;
        }
        session_ = separate && byRegions ? record_->segmentationSession() : record_->session();
        break;
    }
    case Edge:
        if (!edge_ || mask_.isNull()) return false;
        session_ = imageSession_;
        break;
    case Patch:
        if (!patch_ || !record_) return false;
        session_ = record_->session();
        break;
    case WholeImage:
        session_ = imageSession_;
        break;
    }
    if (target_ == WholeImage) {
        selection_ = command_support::wholeSessionRect(session_);
    } else {
        // A shape that covers no workspace pixel selects nothing.
        if (mask_.isNull()) return false;
        selection_ = command_support::maskRectOf(mask_);
    }
    inSubSession_ = session_ && session_ != imageSession_;
    return session_ && statusImage_;
}

void VkCmdSelect::execute() {
    result_ = VkOk;
    if (inSubSession_) result_ = VkSubSessionPull(session_, statusImage_);
    const bool protection = from_ == VkStatusPatchProtection || to_ == VkStatusPatchProtection;
    if (result_ == VkOk && from_ != to_ && target_ != Edge && !protection)
        result_ = VkNewUndoGroup(imageSession_);
    if (result_ == VkOk)
        result_ = VkSelect(session_, statusImage_, &selection_, uint8_t(to_), uint8_t(from_),
                           scope_, strength_, vardekProgressCallback);
    if (target_ == Stroke && result_ == VkOk && !skipAutoComplex_) {
        const bool keepMeetsDelete = to_ == VkStatusKeep && (statusesPresent_ & VkStatusDelete);
        const bool deleteMeetsKeep = to_ == VkStatusDelete && (statusesPresent_ & VkStatusKeep);
        if (keepMeetsDelete || deleteMeetsKeep) {
            result_ = VkAutoComplex(session_, statusImage_, blendWidth_, vardekProgressCallback);
            // Without any segmentation there are no regions to blend along.
            if (!engineHasSegmentation(session_) && !engineHasSegmentation(imageSession_))
                result_ = VkOk;
        }
    }
    if (inSubSession_ && result_ == VkOk) result_ = VkSubSessionPush(session_, statusImage_);
}

void VkCmdSelect::finished() {
    checkResult(result_);
    if (result_ == VkNoSegmentation)
        showTip(tr("Brushing failed because no segmentation was available. Apply some Edge "
                   "Detection options to create a segmentation",
                   "[tip]"));
    // The next selection of the edge renders its mask afresh.
    if (edge_) edge_->releaseEngineState();
    command_support::refreshStatuses(model());
}
