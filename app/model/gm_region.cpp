#include "model/gm_region.h"

#include "engine_bridge/command_support.h"
#include "engine_bridge/vardek_thread.h"
#include "engine_bridge/vk_cmd_analyse_image.h"
#include "engine_bridge/vk_cmd_begin_sub_session.h"
#include "engine_bridge/vk_cmd_end_session.h"
#include "engine_bridge/vk_cmd_protect.h"
#include "model/gm_model.h"
#include "model/segmentation_stuff.h"
#include "model/shape.h"
#include "model/tool_hooks.h"
#include "model/variant_values.h"

#include <QVariantMap>

GmRegion::GmRegion() : smeg_(std::make_unique<SegmentationStuff>(this)), blendage_(this) {}

GmRegion::GmRegion(const QVariant& map)
    : smeg_(std::make_unique<SegmentationStuff>(map.toMap().value(QStringLiteral("smeg_")), this)),
      blendage_(map.toMap().value(QStringLiteral("blendage_")), this),
      isProtected_(
          boolFromVariant(map.toMap().value(QStringLiteral("isProtected_"))).value_or(false)) {}

GmRegion::~GmRegion() = default;

QVariant GmRegion::regionVariant() const {
    QVariantMap m;
    m.insert(QStringLiteral("smeg_"), smeg_->toVariant());
    m.insert(QStringLiteral("blendage_"), blendage_.toVariant());
    m.insert(QStringLiteral("isProtected_"), isProtected_);
    return m;
}

void GmRegion::activate() {
    GmModel::instance()->setActiveRegion(this, 1);
}

void GmRegion::deactivate() {
    GmModel* model = GmModel::instance();
    if (model->activeRegion() == this) model->setActiveRegion(nullptr, 1);
}

bool GmRegion::isActive() const {
    return GmModel::instance()->activeRegion() == this;
}

void GmRegion::shapeChanged() {
    ++editCount_;
    if (VardekThread* thread = VardekThread::instance())
        if (smeg_->pendingAnalysis()) thread->cancel(smeg_->pendingAnalysis());
    releaseEngineState(nullptr);
    activate();
    submitToEngine();
}

void GmRegion::submitToEngine() {
    GmModel* model = GmModel::instance();
    command_support::submit(new VkCmdBeginSubSession(model, this, nullptr));
    if (smeg_->isChecked()) smeg_->analyse();
    if (isProtected_) protect();
}

void GmRegion::releaseEngineState(GmRegion* toDelete) {
    GmModel* model = GmModel::instance();
    smeg_->clearObjectEdges();
    if (Shape* s = shape()) s->setEdges(nullptr);
    model->signalDirtyImageSlot(KeepPatchPreview);

    if (isProtected_) {
        // The others' protection is laid again without this patch's.
        isProtected_ = false;
        model->reprotectAll();
        isProtected_ = true;
    }

    if (toDelete) {
        VardekThread* thread = VardekThread::instance();
        if (thread && thread->isOpen())
            command_support::submit(new VkCmdEndSession(model, toDelete));
        else
            // No session can end now; the patch must not be left behind.
            toDelete->deleteLater();
        return;
    }
    command_support::submit(new VkCmdEndSession(model, smeg_.get(), shape()));
}

bool GmRegion::canPreview() const {
    return false;
}

void GmRegion::testRender() {}

void GmRegion::beginSubSession(QObject* requester) {
    GmModel* model = GmModel::instance();
    command_support::submit(new VkCmdBeginSubSession(model, this, requester));
    if (model->containsRegion(this)) activate();
}

void GmRegion::setProtected(bool on) {
    isProtected_ = on;
    if (on)
        protect();
    else
        GmModel::instance()->reprotectAll();
    emit GmModel::instance()->protectionChanged(this);
}

void GmRegion::protect() {
    command_support::submit(new VkCmdProtect(GmModel::instance(), this));
}
