#include "engine_bridge/vk_cmd_finish.h"

#include "model/gm_model.h"

#include "vardek.h"

VkCmdFinish::VkCmdFinish(GmModel* model) : VardekCommand(model, tr("Finishing...")) {}

bool VkCmdFinish::prepare() {
    engine_ = model() ? model()->engine() : nullptr;
    return engine_ != nullptr;
}

void VkCmdFinish::execute() {
    result_ = VkFinish(engine_);
}

void VkCmdFinish::finished() {
    // A later engine (a new image started meanwhile) stays.
    if (model() && (!engine_ || model()->engine() == engine_)) model()->setEngine(nullptr);
    checkResult(result_);
}
