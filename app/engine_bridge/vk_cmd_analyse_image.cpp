#include "engine_bridge/vk_cmd_analyse_image.h"

#include "engine_bridge/command_support.h"
#include "engine_bridge/vk_cmd_end_session.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/segmentation_stuff.h"
#include "model/shape.h"
#include "shell/services/logger.h"

#include <QBrush>
#include <QPen>

namespace {

// Sensitivity 1..100 as the engine's tolerance 0..1: (s - 1) x 1/99, with
// 1/99 as the single-precision constant it has always been. Projects are
// checked for the ranges when they are read; the values are held to them
// here as well, so that no value computes outside them.
float toleranceOf(int sensitivity) {
    return float(qBound(1, sensitivity, 100) - 1) * 0.0101010101f;
}

} // namespace

VkCmdAnalyseImage::VkCmdAnalyseImage(GmModel* model, GmRegion* owner, SegmentationStuff* record)
    : VardekCommand(model, owner ? tr("Finding Edges in Patch...", "[zt3]")
                                 : tr("Finding Edges in Image...")),
      owner_(owner), hasOwner_(owner != nullptr), record_(record), options_{0.0f, 0, 0, 0} {
    if (record) {
        const EDOs& edos = record->edos();
        options_ = VkAnalysisOptions{toleranceOf(edos.sensitivity_.applied()),
                                     uint32_t(qBound(1, edos.width_.applied(), 32)),
                                     uint8_t(qBound(0, edos.contrast_.applied(), 2)),
                                     uint8_t(qBound(0, edos.texture_.applied(), 2))};
    }
}

QString VkCmdAnalyseImage::parameterText() const {
    return QString::asprintf("%p", static_cast<void*>(owner_.data()));
}

bool VkCmdAnalyseImage::prepare() {
    if (!record_ || (hasOwner_ && !owner_) || !model()) return false;
    segmentationSession_ = record_->segmentationSession();
    if (!segmentationSession_) {
        imageSession_ = model()->imageSession();
        if (owner_)
            if (QImage* mask = owner_->shape()->mask(QPen(Qt::NoPen), QBrush(Qt::color1)))
                mask_ = *mask;
        selection_ = command_support::maskRectOf(mask_);
        if (!imageSession_ || mask_.isNull()) return false;
    }
    record_->clearObjectEdges();
    model()->signalDirtyImageSlot();
    return true;
}

void VkCmdAnalyseImage::execute() {
    VkSession* session = segmentationSession_;
    if (!session) {
        opened_ = VkBeginSubSession(imageSession_, &selection_, 1);
        logStream() << QString::asprintf("VkBeginSubSession (for analysis) finished (%p)",
                                         static_cast<void*>(opened_))
                    << endLogLine;
        session = opened_;
        if (!session) return;
    }
    result_ = VkSetAnalysisOptions(session, options_);
    if (result_ == VkOk) result_ = VkAnalyseImage(session, vardekProgressCallback);
}

void VkCmdAnalyseImage::finished() {
    // A session opened here is the record's from now on, whatever the result.
    if (opened_) {
        if (record_)
            record_->setSegmentationSession(opened_);
        else
            command_support::submit(new VkCmdEndSession(model(), opened_));
    }
    checkResult(result_);
    if (!record_) return;
    record_->refreshSegmentationState();
    if (result_ == VkOk && record_->segmentationSession()) {
        emit model()->smegChanged();
        record_->refreshEdges();
    } else if (record_->pendingAnalysis() == this) {
        // A newer Apply (which cancelled this one) owns the applied values now.
        record_->edos().restoreAll();
    }
}

void VkCmdAnalyseImage::discarded() {
    // The latest Apply never ran: its values were not applied after all.
    if (record_ && record_->pendingAnalysis() == this) record_->edos().restoreAll();
}
