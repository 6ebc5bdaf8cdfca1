#include "engine_bridge/vk_cmd_redo.h"

#include "engine_bridge/command_support.h"
#include "model/gm_model.h"

#include "vardek.h"

VkCmdRedo::VkCmdRedo(GmModel* model) : VardekCommand(model, tr("Redoing...")) {}

bool VkCmdRedo::prepare() {
    session_ = model() ? model()->imageSession() : nullptr;
    return session_ != nullptr;
}

void VkCmdRedo::execute() {
    result_ = VkRedo(session_);
}

void VkCmdRedo::finished() {
    checkResult(result_);
    command_support::refreshStatuses(model());
}
