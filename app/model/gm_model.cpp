#include "model/gm_model.h"

#include "engine_bridge/command_support.h"
#include "engine_bridge/vardek_thread.h"
#include "engine_bridge/vk_cmd_analyse_image.h"
#include "engine_bridge/vk_cmd_auto_fill.h"
#include "engine_bridge/vk_cmd_despeckle_selection.h"
#include "engine_bridge/vk_cmd_protect.h"
#include "engine_bridge/vk_cmd_select.h"
#include "files/zt_source_image.h"
#include "model/arrow_target.h"
#include "model/blending_stuff.h"
#include "model/forced_edge.h"
#include "model/gm_region.h"
#include "model/gm_status_array.h"
#include "model/segmentation_stuff.h"
#include "model/zt_rectangle.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>

namespace {

bool isFactor(int factor) {
    return factor == 1 || factor == 2 || factor == 4 || factor == 8;
}

ImageRectF boundsOf(ArrowTarget* target) {
    if (!target || !target->shape()) return ImageRectF::empty();
    return target->shape()->boundingRect();
}

bool hasArea(const QRectF& r) {
    return r.width() > 0 && r.height() > 0;
}

} // namespace

GmModel* GmModel::instance() {
    // Never deleted: objects destroyed late at exit (strokes, patches) still
    // tell the model what to repaint.
    static GmModel* const model = new GmModel;
    return model;
}

GmModel::GmModel()
    : statusArray_(new GmStatusArray(this)), imageBlendage_(new BlendingStuff),
      imageSmeg_(new SegmentationStuff(nullptr)) {
    qRegisterMetaType<ImageRectF>("ImageRectF");
    qRegisterMetaType<DirtyHint>("DirtyHint");
    qRegisterMetaType<PatchPreviewWanted>("PatchPreviewWanted");
    qRegisterMetaType<SegmentationStuff*>("SegmentationStuff");
    qRegisterMetaType<uint32_t>("uint32_t");
    imageSmeg_->setParent(this);
    createActions();
}

void GmModel::createActions() {
    const auto make = [this](const QString& text, void (GmModel::*slot)()) {
        auto* action = new QAction(text, this);
        action->setEnabled(false);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    deletePatchAction_ = make(tr("Delete Patch"), &GmModel::deleteActiveRegionSlot);
    deleteForcedEdgeAction_ = make(tr("Delete Forced Edge"), &GmModel::deleteActiveForcedEdgeSlot);
    eraseMaskAction_ = make(tr("Erase Mask in Patch"), &GmModel::clearMaskInActiveRegionSlot);
    protectPatchAction_ = make(tr("Protect Patch"), &GmModel::protectActiveRegionSlot);
    protectPatchAction_->setCheckable(true);
    autoFillKeepAction_ = make(tr("Auto-Fill Patch with &Keep"), &GmModel::autoFillWithKeepSlot);
    autoFillDeleteAction_ =
        make(tr("Auto-Fill Patch with &Delete"), &GmModel::autoFillWithDeleteSlot);
    previewAction_ = make(tr("Preview Cut-out in Patch"), &GmModel::testRenderActiveRegionSlot);
    previewAction_->setIcon(QIcon(QStringLiteral(":images/tool_mark_preview.png")));
}

// ---------------------------------------------------------------------------
// Images and sessions
// ---------------------------------------------------------------------------

const QImage& GmModel::workspaceImage() {
    static const QImage none;
    if (!sourceImage_) return none;
    return sourceImage_->image(resolutionFactor_);
}

ImageRectF GmModel::imageRect() const {
    if (!sourceImage_) return ImageRectF::empty();
    return ImageRectF(0, 0, sourceImage_->width(), sourceImage_->height());
}

void GmModel::setSourceImage(ZtSourceImage* image) {
    sourceImage_ = image;
}

void GmModel::setWorkingImage(ZtSourceImage* image) {
    workingImage_ = image;
}

void GmModel::setStatusImage(VkImage* handle) {
    statusArray_->setImage(handle);
    const QImage& image = statusArray_->statusImage();
    emit statusImageChanged(image.isNull() ? nullptr : &image);
}

// ---------------------------------------------------------------------------
// Resolution
// ---------------------------------------------------------------------------

bool GmModel::setResolutionFactor(int factor) {
    if (!isFactor(factor)) return false;
    resolutionFactor_ = factor;
    return true;
}

// ---------------------------------------------------------------------------
// Brush strokes
// ---------------------------------------------------------------------------

void GmModel::addBrushing(GmBrushing* brushing) {
    if (brushing && !brushings_.contains(brushing)) brushings_.append(brushing);
}

void GmModel::removeBrushing(GmBrushing* brushing) {
    brushings_.removeAll(brushing);
}

// ---------------------------------------------------------------------------
// Patches and forced edges
// ---------------------------------------------------------------------------

void GmModel::appendRegion(GmRegion* region) {
    if (region && !regions_.contains(region)) regions_.append(region);
}

void GmModel::appendForcedEdge(ForcedEdge* edge) {
    if (edge && !forcedEdges_.contains(edge)) forcedEdges_.append(edge);
}

void GmModel::forgetArrowTarget(ArrowTarget* target) {
    regions_.removeAll(target);
    forcedEdges_.removeAll(target);
}

QList<ArrowTarget*> GmModel::allArrowTargets() const {
    return regions_ + forcedEdges_;
}

bool GmModel::containsRegion(ArrowTarget* target) const {
    return target && (regions_.contains(target) || forcedEdges_.contains(target));
}

void GmModel::dirtyBounds(const ImageRectF& oldBounds, const ImageRectF& newBounds) {
    const bool oldArea = hasArea(oldBounds), newArea = hasArea(newBounds);
    if (oldArea && newArea && oldBounds.intersects(newBounds)) {
        emit rectDirty(ImageRectF(oldBounds.united(newBounds)), LargeDirtyMargin, KeepPatchPreview);
        return;
    }
    if (oldArea) emit rectDirty(oldBounds, LargeDirtyMargin, KeepPatchPreview);
    if (newArea) emit rectDirty(newBounds, LargeDirtyMargin, KeepPatchPreview);
}

void GmModel::setActiveRegion(GmRegion* region, int announce) {
    if (region && activeForcedEdge_) setActiveForcedEdge(nullptr);
    GmRegion* const old = activeRegion_;
    if (region != old) {
        if (region) {
            // The active patch is drawn last.
            const int index = regions_.indexOf(region);
            if (index >= 0 && index != regions_.size() - 1)
                regions_.swapItemsAt(index, regions_.size() - 1);
        }
        activeRegion_ = region;
        emit activeRegionChanged(region);
        updatePatchActions(region);
        updateDeleteShortcuts(region);
        dirtyBounds(boundsOf(old), boundsOf(region));
        if (region) return;
    } else if (region) {
        emit activeRegionChanged(region);
        return;
    }
    if (announce == 1) emit activeRegionReady(nullptr);
}

void GmModel::setActiveForcedEdge(ForcedEdge* edge) {
    if (edge && activeRegion_) setActiveRegion(nullptr, 1);
    ForcedEdge* const old = activeForcedEdge_;
    if (edge == old) return;
    deleteForcedEdgeAction_->setEnabled(edge != nullptr);
    activeForcedEdge_ = edge;
    dirtyBounds(boundsOf(old), boundsOf(edge));
    updateDeleteShortcuts(edge);
}

void GmModel::announceActiveRegionReady(GmRegion* region) {
    emit activeRegionReady(region);
}

void GmModel::deleteRegion(GmRegion* region) {
    if (!region || !regions_.contains(region)) return;
    if (VardekThread* thread = VardekThread::instance())
        if (region->smeg().pendingAnalysis()) thread->cancel(region->smeg().pendingAnalysis());
    regions_.removeAll(region);
    region->deactivate();
    const ImageRectF bounds = boundsOf(region);
    if (hasArea(bounds)) emit rectDirty(bounds, LargeDirtyMargin, KeepPatchPreview);
    // Deleted once its sub-session has ended.
    region->releaseEngineState(region);
}

void GmModel::deleteForcedEdge(ForcedEdge* edge) {
    if (!edge || !forcedEdges_.contains(edge)) return;
    forcedEdges_.removeAll(edge);
    edge->deactivate();
    delete edge;
}

void GmModel::deleteAllArrowTargets() {
    for (QList<ArrowTarget*> all = allArrowTargets(); !all.isEmpty(); all = allArrowTargets()) {
        ArrowTarget* target = all.first();
        if (GmRegion* region = target->asRegion()) {
            deleteRegion(region);
        } else {
            forcedEdges_.removeAll(target);
            target->deactivate();
            delete target;
        }
    }
}

void GmModel::resetArrowTargets() {
    for (ArrowTarget* target : allArrowTargets()) {
        if (GmRegion* region = target->asRegion())
            region->releaseEngineState(nullptr);
        else if (ForcedEdge* edge = target->asForcedEdge())
            edge->releaseEngineState();
        if (target->removedOnRevert())
            if (GmRegion* region = target->asRegion()) deleteRegion(region);
    }
}

void GmModel::updatePatchActions(GmRegion* region) {
    const bool unprotected = region && !region->isProtected();
    deletePatchAction_->setEnabled(region != nullptr);
    protectPatchAction_->setEnabled(region != nullptr);
    protectPatchAction_->setChecked(region && region->isProtected());
    eraseMaskAction_->setEnabled(unprotected);
    autoFillKeepAction_->setEnabled(unprotected);
    autoFillDeleteAction_->setEnabled(unprotected);
    previewAction_->setEnabled(region && region->canPreview());
}

void GmModel::updateDeleteShortcuts(ArrowTarget* target) {
    if (!target) return;
    const QKeySequence deleteKey(tr("Delete"));
    if (target->asRegion()) {
        deletePatchAction_->setShortcut(deleteKey);
        deleteForcedEdgeAction_->setShortcut(QKeySequence());
    } else {
        deleteForcedEdgeAction_->setShortcut(deleteKey);
        deletePatchAction_->setShortcut(QKeySequence());
    }
}

void GmModel::reprotectAll() {
    command_support::submit(new VkCmdSelect(this, static_cast<GmRegion*>(nullptr),
                                            VkStatusPatchProtection, VkStatusUnassigned, 0));
    for (ArrowTarget* target : regions_) {
        GmRegion* region = target->asRegion();
        if (region && region->isProtected())
            command_support::submit(new VkCmdProtect(this, region));
    }
}

void GmModel::resubmitForcedEdges() {
    command_support::submit(new VkCmdSelect(this, static_cast<GmRegion*>(nullptr),
                                            VkStatusForcedEdge, VkStatusUnassigned, 0));
    for (ArrowTarget* target : forcedEdges_)
        if (ForcedEdge* edge = target->asForcedEdge())
            command_support::submit(new VkCmdSelect(this, edge));
}

void GmModel::setPreviewRectangle(const QPointF& anchor) {
    clearPreviewRectangle();
    previewRectangle_ = new zt::Rectangle(anchor, 0);
}

void GmModel::clearPreviewRectangle() {
    if (!previewRectangle_) return;
    const ImageRectF bounds = previewRectangle_->boundingRect();
    if (hasArea(bounds)) emit rectDirty(bounds, SmallDirtyMargin, KeepPatchPreview);
    delete previewRectangle_;
    previewRectangle_ = nullptr;
}

void GmModel::setZoomRectangle(const QPointF& anchor) {
    clearZoomRectangle();
    zoomRectangle_ = new zt::Rectangle(anchor, 0);
}

void GmModel::clearZoomRectangle() {
    if (!zoomRectangle_) return;
    const ImageRectF bounds = zoomRectangle_->boundingRect();
    if (hasArea(bounds)) emit rectDirty(bounds, SmallDirtyMargin, KeepPatchPreview);
    delete zoomRectangle_;
    zoomRectangle_ = nullptr;
}

void GmModel::cleanAllSelection(int statuses) {
    command_support::submit(new VkCmdDespeckleSelection(this, statuses));
}

void GmModel::cleanLastSelection() {
    command_support::submit(new VkCmdDespeckleSelection(this, 0));
}

// ---------------------------------------------------------------------------
// Engine state
// ---------------------------------------------------------------------------

GmRegion* GmModel::activeRegion() const {
    return activeRegion_;
}

ForcedEdge* GmModel::activeForcedEdge() const {
    return activeForcedEdge_;
}

VkSession* GmModel::imageSession() const {
    return imageSmeg_->session();
}

void GmModel::setUndoCounts(uint32_t undos, uint32_t redos) {
    undoCount_ = undos;
    redoCount_ = redos;
    emit vkUndoStackChanged(undos, redos);
}

// ---------------------------------------------------------------------------
// Slots
// ---------------------------------------------------------------------------

void GmModel::deleteActiveRegionSlot() {
    if (activeRegion_) deleteRegion(activeRegion_);
}

void GmModel::deleteActiveForcedEdgeSlot() {
    if (!activeForcedEdge_) return;
    deleteForcedEdge(activeForcedEdge_);
    resubmitForcedEdges();
}

void GmModel::clearMaskInActiveRegionSlot() {
    if (!activeRegion_) return;
    command_support::submit(new VkCmdSelect(this, activeRegion_.data(),
                                            VkStatusKeep | VkStatusDelete | VkStatusBlend,
                                            VkStatusUnassigned, 0));
}

void GmModel::protectActiveRegionSlot() {
    if (!activeRegion_) return;
    activeRegion_->setProtected(!activeRegion_->isProtected());
    updatePatchActions(activeRegion_);
}

void GmModel::signalDirtyImageSlot(PatchPreviewWanted preview) {
    if (!sourceImage_) return;
    emit rectDirty(imageRect(), NoDirtyMargin, preview);
}

void GmModel::signalDirtyImageSlot() {
    signalDirtyImageSlot(KeepPatchPreview);
}

void GmModel::submitAutoFill(GmRegion* region, int boundingClass) {
    command_support::submit(new VkCmdAutoFill(this, region, boundingClass));
}

void GmModel::autoFillImageSlot() {
    submitAutoFill(nullptr, 0);
}

void GmModel::autoFillImageWithKeepSlot() {
    submitAutoFill(nullptr, VkStatusDelete);
}

void GmModel::autoFillWithKeepSlot() {
    if (activeRegion_) submitAutoFill(activeRegion_, VkStatusDelete);
}

void GmModel::autoFillImageWithDeleteSlot() {
    submitAutoFill(nullptr, VkStatusKeep);
}

void GmModel::autoFillWithDeleteSlot() {
    if (activeRegion_) submitAutoFill(activeRegion_, VkStatusKeep);
}

void GmModel::testRenderActiveRegionSlot() {
    if (activeRegion_ && activeRegion_->canPreview()) activeRegion_->testRender();
}

void GmModel::dirtyRectSlot(ImageRectF r) {
    emit rectDirty(r, NoDirtyMargin, KeepPatchPreview);
}

// ---------------------------------------------------------------------------
// Project map
// ---------------------------------------------------------------------------
