#include "engine_bridge/vk_cmd_init.h"

#include "model/gm_model.h"

#include "vardek.h"

VkCmdInit::VkCmdInit(GmModel* model) : VardekCommand(model, tr("Initializing...")) {}

void VkCmdInit::execute() {
    engine_ = VkInit();
}

void VkCmdInit::finished() {
    if (model()) model()->setEngine(engine_);
}
