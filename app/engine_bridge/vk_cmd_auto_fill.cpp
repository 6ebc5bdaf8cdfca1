#include "engine_bridge/vk_cmd_auto_fill.h"

#include "engine_bridge/command_support.h"
#include "model/blending_stuff.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/gm_status_array.h"
#include "model/segmentation_stuff.h"

VkCmdAutoFill::VkCmdAutoFill(GmModel* model, GmRegion* patch, int boundingClass)
    : VardekCommand(model, tr("Auto-Filling...")), patch_(patch), hasPatch_(patch != nullptr),
      boundingClass_(boundingClass) {
    if (model) blendWidth_ = model->imageBlendage()->options().autoBlueWidthF_;
}

QString VkCmdAutoFill::parameterText() const {
    return QString::asprintf("%p", static_cast<void*>(session_ ? session_ : imageSession_));
}

bool VkCmdAutoFill::prepare() {
    if (!model()) return false;
    imageSession_ = model()->imageSession();
    statusImage_ = model()->statusArray()->engineImage();
    if (hasPatch_) {
        if (!patch_) return false;
        const SegmentationStuff& record = patch_->smeg();
        session_ = record.segmentationSession() ? record.segmentationSession() : record.session();
    } else {
        session_ = imageSession_;
    }
    return imageSession_ && statusImage_ && session_;
}

void VkCmdAutoFill::execute() {
    result_ = VkNewUndoGroup(imageSession_);
    if (!hasPatch_) {
        if (result_ == VkOk)
            result_ = VkAutoFill(imageSession_, statusImage_, nullptr, uint8_t(boundingClass_),
                                 blendWidth_);
        return;
    }
    if (result_ == VkOk) result_ = VkSubSessionPull(session_, statusImage_);
    if (result_ == VkOk)
        result_ = VkAutoFill(session_, statusImage_, nullptr, uint8_t(boundingClass_), blendWidth_);
    if (result_ == VkOk) result_ = VkSubSessionPush(session_, statusImage_);
}

void VkCmdAutoFill::finished() {
    checkResult(result_);
    command_support::refreshStatuses(model());
}
