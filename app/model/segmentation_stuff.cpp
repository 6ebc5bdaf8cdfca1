#include "model/segmentation_stuff.h"

#include "engine_bridge/vardek_thread.h"
#include "engine_bridge/vk_cmd_analyse_image.h"
#include "model/gm_model.h"
#include "model/variant_values.h"

#include <QVariantMap>

#include "vardek.h"

SegmentationStuff::SegmentationStuff(GmRegion* owner) : owner_(owner) {
    if (owner) {
        edos_.copyValues(GmModel::instance()->imageSmeg()->edos());
        edos_.revertAll();
    }
}

SegmentationStuff::SegmentationStuff(const QVariant& map, GmRegion* owner)
    : owner_(owner), edos_(map.toMap().value(QStringLiteral("edos_"))) {
    isChecked_ = boolFromVariant(map.toMap().value(QStringLiteral("isChecked_"))).value_or(false);
}

SegmentationStuff::~SegmentationStuff() = default;

QVariant SegmentationStuff::toVariant() const {
    QVariantMap m;
    m.insert(QStringLiteral("isChecked_"), isChecked_);
    m.insert(QStringLiteral("edos_"), edos_.toVariant());
    return m;
}

void SegmentationStuff::setSegmentationSession(VkSession* session) {
    segmentationSession_ = session;
    refreshSegmentationState();
}

void SegmentationStuff::refreshSegmentationState() {
    analysed_ = segmentationSession_ && segmentationSession_->analysed != 0;
}

void SegmentationStuff::setChecked(bool checked) {
    isChecked_ = checked;
    emit GmModel::instance()->smegChanged();
}

VkCmdAnalyseImage* SegmentationStuff::pendingAnalysis() const {
    return pendingAnalysis_;
}

bool SegmentationStuff::hasSegmentation() const {
    return segmentationSession_ && analysed_;
}

void SegmentationStuff::refreshEdges() {
    objectEdges_.setFromSegmentation(segmentationSession_);
    GmModel::instance()->signalDirtyImageSlot(DropPatchPreview);
}

void SegmentationStuff::analyse(QObject* requester) {
    GmModel* model = GmModel::instance();
    edos_.applyAll();
    VardekThread* thread = VardekThread::instance();
    if (thread && pendingAnalysis_) thread->cancel(pendingAnalysis_);
    auto* command = new VkCmdAnalyseImage(model, owner_, this);
    pendingAnalysis_ = command;
    if (!owner_) emit model->imageAnalysisHasBegun();
    if (thread)
        thread->submit(command);
    else
        command->deleteLater();
    if (requester && requester->metaObject()->indexOfSlot("setEnablednessOfButtons()") >= 0) {
        QMetaObject::invokeMethod(requester, "setEnablednessOfButtons");
        connect(command, SIGNAL(destroyed()), requester, SLOT(setEnablednessOfButtons()));
    }
    emit model->smegChanged();
}
