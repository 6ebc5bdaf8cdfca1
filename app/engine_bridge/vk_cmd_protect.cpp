#include "engine_bridge/vk_cmd_protect.h"

#include "engine_bridge/command_support.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/gm_status_array.h"
#include "model/shape.h"

#include <QBrush>
#include <QPen>

VkCmdProtect::VkCmdProtect(GmModel* model, GmRegion* patch)
    : VardekCommand(model, tr("Protecting Patch...", "[zt3]")), patch_(patch) {
    if (patch)
        if (QImage* mask = patch->shape()->mask(QPen(Qt::NoPen), QBrush(Qt::color1))) mask_ = *mask;
}

GmRegion* VkCmdProtect::patch() const {
    return patch_;
}

bool VkCmdProtect::prepare() {
    if (!model() || model() != GmModel::instance()) return false;
    // A patch deleted meanwhile must not leave protection behind.
    if (!patch_) return false;
    session_ = model()->imageSession();
    statusImage_ = model()->statusArray()->engineImage();
    selection_ = command_support::maskRectOf(mask_);
    return session_ && statusImage_ && !mask_.isNull();
}

void VkCmdProtect::execute() {
    result_ = VkSelect(session_, statusImage_, &selection_, VkStatusPatchProtection,
                       VkStatusUnassigned, VkScopeExact, 0.0f, vardekProgressCallback);
}

void VkCmdProtect::finished() {
    command_support::refreshStatuses(model());
}
