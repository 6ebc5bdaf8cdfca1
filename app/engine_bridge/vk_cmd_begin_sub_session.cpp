#include "engine_bridge/vk_cmd_begin_sub_session.h"

#include "engine_bridge/command_support.h"
#include "engine_bridge/vk_cmd_end_session.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/segmentation_stuff.h"
#include "model/shape.h"
#include "shell/services/logger.h"

#include <QBrush>
#include <QPen>

VkCmdBeginSubSession::VkCmdBeginSubSession(GmModel* model, GmRegion* patch, QObject* owned)
    : VardekCommand(model, tr("Beginning Sub-Session...", "[zt3]")), patch_(patch), owned_(owned) {}

VkCmdBeginSubSession::~VkCmdBeginSubSession() = default;

GmRegion* VkCmdBeginSubSession::patch() const {
    return patch_;
}

QString VkCmdBeginSubSession::parameterText() const {
    return QString::asprintf("%p", static_cast<void*>(patch_.data()));
}

bool VkCmdBeginSubSession::prepare() {
    if (!patch_ || !model()) return false;
    imageSession_ = model()->imageSession();
    if (!imageSession_) {
        logStream() << "VkCmdBeginSubSession::prepare: No VkSession!" << endLogLine;
        return false;
    }
    if (QImage* mask = patch_->shape()->mask(QPen(Qt::NoPen), QBrush(Qt::color1))) mask_ = *mask;
    if (mask_.isNull()) {
        logStream() << "VkCmdBeginSubSession::prepare: No VkSelection!" << endLogLine;
        return false;
    }
    selection_ = command_support::maskRectOf(mask_);
    return true;
}

void VkCmdBeginSubSession::execute() {
    session_ = VkBeginSubSession(imageSession_, &selection_, 0);
}

void VkCmdBeginSubSession::finished() {
    if (!patch_) {
        if (session_) command_support::submit(new VkCmdEndSession(model(), session_));
        return;
    }
    if (session_) {
        patch_->smeg().setSession(session_);
        patch_->shape()->setEdges(session_);
        emit model()->rectDirty(patch_->shape()->boundingRect(), SmallDirtyMargin,
                                KeepPatchPreview);
        return;
    }
    patch_->smeg().setSession(nullptr);
    if (model() && model()->containsRegion(patch_)) model()->deleteRegion(patch_);
}
