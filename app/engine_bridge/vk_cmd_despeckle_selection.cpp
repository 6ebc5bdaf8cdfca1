#include "engine_bridge/vk_cmd_despeckle_selection.h"

#include "engine_bridge/command_support.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "model/tool_hooks.h"

VkCmdDespeckleSelection::VkCmdDespeckleSelection(GmModel* model, int statuses)
    : VardekCommand(model, tr("Cleaning...")), statuses_(statuses), strength_(cleanStrength()) {}

bool VkCmdDespeckleSelection::prepare() {
    if (!model()) return false;
    session_ = model()->imageSession();
    statusImage_ = model()->statusArray()->engineImage();
    whole_ = command_support::wholeSessionRect(session_);
    return session_ != nullptr;
}

void VkCmdDespeckleSelection::execute() {
    const auto size = uint8_t(qBound(0, strength_, 255));
    result_ = VkNewUndoGroup(session_);
    if (result_ != VkOk) return;
    if (statuses_ == 0) {
        result_ = VkDespeckleSelection(session_, statusImage_, size);
        return;
    }
    for (const VkStatus status : {VkStatusKeep, VkStatusDelete, VkStatusBlend}) {
        if (!(statuses_ & status)) continue;
        result_ = VkSelect(session_, statusImage_, &whole_, status, status, VkScopeExact, 0.0f,
                           vardekProgressCallback);
        if (result_ == VkOk) result_ = VkDespeckleSelection(session_, statusImage_, size);
        if (result_ != VkOk) return;
    }
}

void VkCmdDespeckleSelection::finished() {
    checkResult(result_);
    command_support::refreshStatuses(model());
}
