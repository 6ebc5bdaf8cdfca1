#include "engine_bridge/vk_cmd_set_status.h"

#include "engine_bridge/command_support.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "shell/services/logger.h"

VkCmdSetStatus::VkCmdSetStatus(GmModel* model, const QImage& statuses)
    : VardekCommand(model, tr("Setting Status Image...")), statuses_(statuses.copy()) {}

bool VkCmdSetStatus::prepare() {
    if (!model()) return false;
    session_ = model()->imageSession();
    statusImage_ = model()->statusArray()->engineImage();
    if (!statuses_.isNull() && statuses_.depth() != 8) {
        logStream() << "VkCmdSetStatus: statuses of " << statuses_.depth()
                    << " bits a pixel are not status bytes" << endLogLine;
        return false;
    }
    statuses_.setOffset(QPoint(0, 0));
    bytes_ = command_support::maskRectOf(statuses_);
    return session_ != nullptr;
}

void VkCmdSetStatus::execute() {
    result_ = VkSetStatus(session_, statusImage_, &bytes_);
}

void VkCmdSetStatus::finished() {
    checkResult(result_);
    command_support::refreshStatuses(model());
}
