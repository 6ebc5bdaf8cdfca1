#include "engine_bridge/vk_cmd_num_available_undo_redo.h"

#include "model/gm_model.h"

#include "vardek.h"

VkCmdNumAvailableUndoRedo::VkCmdNumAvailableUndoRedo(GmModel* model)
    : VardekCommand(model, tr("Examining undo stack...")) {}

bool VkCmdNumAvailableUndoRedo::prepare() {
    session_ = model() ? model()->imageSession() : nullptr;
    return session_ != nullptr;
}

void VkCmdNumAvailableUndoRedo::execute() {
    if (VkNumAvailableUndo(session_, &undos_) != VkOk) undos_ = 0;
    if (VkNumAvailableRedo(session_, &redos_) != VkOk) redos_ = 0;
}

void VkCmdNumAvailableUndoRedo::finished() {
    if (model()) model()->setUndoCounts(undos_, redos_);
}
