#include "engine_bridge/vk_cmd_end_session.h"

#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/pixel_state.h"
#include "model/segmentation_stuff.h"
#include "model/shape.h"

#include "vardek.h"

VkCmdEndSession::VkCmdEndSession(GmModel* model, SegmentationStuff* record, Shape* shape)
    : VardekCommand(model, tr("Ending Session...")), form_(RecordForm), record_(record) {
    if (shape) oldPixels_ = shape->takePixelState();
}

VkCmdEndSession::VkCmdEndSession(GmModel* model, GmRegion* patchToDelete)
    : VardekCommand(model, tr("Ending Session...")), form_(DeletePatchForm),
      record_(patchToDelete ? &patchToDelete->smeg() : nullptr), patch_(patchToDelete) {}

VkCmdEndSession::VkCmdEndSession(GmModel* model, VkSession* session, VkSession* second,
                                 ZtSourceImage* source, ZtSourceImage* working)
    : VardekCommand(model, tr("Ending Session...")), form_(SessionsForm), session_(session),
      second_(second), source_(source), working_(working), resetsUndoCounts_(true) {}

VkCmdEndSession::VkCmdEndSession(GmModel* model, VkSession* orphan)
    : VardekCommand(model, tr("Ending Session...")), form_(SessionsForm), session_(orphan) {}

VkCmdEndSession::~VkCmdEndSession() {
    delete patch_.data();
}

GmRegion* VkCmdEndSession::patch() const {
    return patch_;
}

QString VkCmdEndSession::parameterText() const {
    return QString::asprintf("%p, %p", static_cast<void*>(session_), static_cast<void*>(second_));
}

bool VkCmdEndSession::prepare() {
    if (form_ == SessionsForm) return true;
    if (!record_) return false;
    session_ = record_->session();
    second_ = record_->segmentationSession();
    record_->setSession(nullptr);
    record_->setSegmentationSession(nullptr);
    return session_ || second_;
}

void VkCmdEndSession::execute() {
    int result = VkOk;
    if (session_) result = VkEndSession(session_);
    if (second_ && second_ != session_) {
        const int secondResult = VkEndSession(second_);
        if (result == VkOk) result = secondResult;
    }
    if (session_ || second_) result_ = result;
}

void VkCmdEndSession::finished() {
    checkResult(result_);
    if (resetsUndoCounts_ && model()) model()->setUndoCounts(0, 0);
}
