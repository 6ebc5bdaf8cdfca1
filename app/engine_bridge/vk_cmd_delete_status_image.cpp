#include "engine_bridge/vk_cmd_delete_status_image.h"

#include "engine_bridge/command_support.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"

VkCmdDeleteStatusImage::VkCmdDeleteStatusImage(GmModel* model)
    : VardekCommand(model, tr("Deleting Status Image...")) {
    if (!model) return;
    image_ = model->statusArray()->engineImage();
    model->setStatusImage(nullptr);
}

void VkCmdDeleteStatusImage::execute() {
    result_ = image_ ? VkOk : VkBadImage;
}

void VkCmdDeleteStatusImage::finished() {
    checkResult(result_);
    if (!model()) return;
    // Detached again, unless a status image of a newer session is shown.
    VkImage* shown = model()->statusArray()->engineImage();
    if (!shown || shown == image_) model()->setStatusImage(nullptr);
    command_support::refreshStatuses(model());
}
