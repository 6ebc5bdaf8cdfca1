#include "engine_bridge/vk_cmd_new_status_image.h"

#include "engine_bridge/command_support.h"
#include "model/gm_model.h"

VkCmdNewStatusImage::VkCmdNewStatusImage(GmModel* model)
    : VardekCommand(model, tr("Creating New Status Image...")) {}

bool VkCmdNewStatusImage::prepare() {
    if (!model()) return true;
    engine_ = model()->engine();
    view_ = model()->workspaceEngineView();
    return true;
}

void VkCmdNewStatusImage::execute() {
    image_ = VkNewStatusImage(engine_, view_.width, view_.height, view_.rowBytes, VkKindRgba8,
                              view_.data);
}

void VkCmdNewStatusImage::finished() {
    if (!model()) return;
    model()->setStatusImage(image_);
    command_support::refreshStatuses(model());
}
