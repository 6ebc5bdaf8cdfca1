#include "engine_bridge/vk_cmd_begin_session.h"

#include "engine_bridge/command_support.h"
#include "engine_bridge/vk_cmd_end_session.h"
#include "model/gm_model.h"
#include "model/segmentation_stuff.h"

VkCmdBeginSession::VkCmdBeginSession(GmModel* model)
    : VardekCommand(model, tr("Beginning Session...")),
      preservation_(model ? model->sessionPreservation() : GmSession::SettingsForNewImage) {}

QString VkCmdBeginSession::parameterText() const {
    return QString::asprintf("%p", static_cast<void*>(session_));
}

bool VkCmdBeginSession::prepare() {
    if (!model()) return true;
    engine_ = model()->engine();
    view_ = model()->workspaceEngineView();
    target_ = model()->imageSmeg();
    targetExists_ = !target_.isNull();
    return true;
}

void VkCmdBeginSession::execute() {
    if (!targetExists_) return;
    session_ =
        VkBeginSession(engine_, view_.width, view_.height, view_.rowBytes, VkKindRgba8, view_.data);
    if (session_)
        options_ = VkAnalysisOptions{session_->tolerance, session_->edgeWidth, session_->contrast,
                                     session_->texture};
}

void VkCmdBeginSession::finished() {
    if (!session_) return;
    if (!target_) {
        // Nobody holds the session any more: end it rather than leave it.
        command_support::submit(new VkCmdEndSession(model(), session_));
        return;
    }
    // A session still held here was begun for a resolution closed while it
    // began (its begin cannot be cancelled, and closing found nothing to
    // end yet): nothing uses it after this one, so it ends behind the
    // commands already queued rather than stay in the engine unreachable.
    VkSession* const held = target_->session();
    VkSession* const heldSegmentation = target_->segmentationSession();
    target_->setSession(session_);
    target_->setSegmentationSession(session_);
    if (held && held != session_) command_support::submit(new VkCmdEndSession(model(), held));
    if (heldSegmentation && heldSegmentation != held && heldSegmentation != session_)
        command_support::submit(new VkCmdEndSession(model(), heldSegmentation));
    model()->sessionBegun(options_, preservation_);
}
