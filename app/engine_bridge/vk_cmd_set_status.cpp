#include "engine_bridge/vk_cmd_set_status.h"

#include "engine_bridge/command_support.h"
#include "files/main_window_hooks.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "shell/services/logger.h"
#include "shell/services/prompt_service.h"
#include "shell/services/shell_functions.h"

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
    if (result_ == VkOk) return;
    // The document is open without its marks: saving it now would store
    // none, so the user must know.
    logStream() << "VkCmdSetStatus: the statuses were not restored (result " << result_ << ")"
                << endLogLine;
    promptService()->message(
        dialogParent(), PromptService::Kind::Warning, productName(),
        tr("The keep, delete and blend masks saved with this project could not be restored, so "
           "it is open without them.\n\nSaving the project now would store it without its "
           "masks."),
        PromptService::Ok);
}
