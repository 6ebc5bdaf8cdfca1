#include "engine_bridge/vk_cmd_undo.h"

#include "engine_bridge/command_support.h"
#include "model/gm_model.h"

#include "vardek.h"

VkCmdUndo::VkCmdUndo(GmModel* model) : VardekCommand(model, tr("Undoing...")) {}

bool VkCmdUndo::prepare() {
    session_ = model() ? model()->imageSession() : nullptr;
    return session_ != nullptr;
}

void VkCmdUndo::execute() {
    result_ = VkUndo(session_);
}

void VkCmdUndo::finished() {
    checkResult(result_);
    command_support::refreshStatuses(model());
}
