#include "model/gm_model.h"

#include "engine_bridge/command_support.h"
#include "engine_bridge/vardek_thread.h"
#include "engine_bridge/vk_cmd_analyse_image.h"
#include "engine_bridge/vk_cmd_auto_fill.h"
#include "engine_bridge/vk_cmd_begin_session.h"
#include "engine_bridge/vk_cmd_delete_status_image.h"
#include "engine_bridge/vk_cmd_despeckle_selection.h"
#include "engine_bridge/vk_cmd_end_session.h"
#include "engine_bridge/vk_cmd_finish.h"
#include "engine_bridge/vk_cmd_generate_mask.h"
#include "engine_bridge/vk_cmd_init.h"
#include "engine_bridge/vk_cmd_new_status_image.h"
#include "engine_bridge/vk_cmd_protect.h"
#include "engine_bridge/vk_cmd_select.h"
#include "files/main_window_hooks.h"
#include "files/zt_source_image.h"
#include "model/arrow_target.h"
#include "model/blending_stuff.h"
#include "model/brushing.h"
#include "model/forced_edge.h"
#include "model/gm_region.h"
#include "model/gm_status_array.h"
#include "model/segmentation_stuff.h"
#include "model/tool_hooks.h"
#include "model/variant_values.h"
#include "model/view_hooks.h"
#include "model/zt_app_prefs.h"
#include "model/zt_rectangle.h"
#include "shell/services/logger.h"
#include "shell/services/prompt_service.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QVariantList>
#include <QVariantMap>

#include <algorithm>
#include <cmath>
#include <new>

namespace {

// Above this many pixels the workspace is reduced (chooseResolution).
constexpr quint64 kWorkspacePixelLimit = 4000000;
constexpr int kLargestFactor = 8;

bool persistOptions() {
    return ZtAppPrefs::instance() && ZtAppPrefs::instance()->persistOptions();
}

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

VkImage GmModel::workspaceEngineView() {
    if (!sourceImage_) return VkImage{0, 0, 0, 0, nullptr};
    sourceImage_->updateWorkingImage(resolutionFactor_);
    const PixelView8& view = sourceImage_->workspaceView();
    if (view.isEmpty()) return VkImage{0, 0, 0, 0, nullptr};
    return VkImage{view.width, view.height, view.rowBytes, VkKindRgba8, view.pixels};
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

bool GmModel::setImages(int preservation, int sessionState, ZtSourceImage* source,
                        ZtSourceImage* working) {
    sessionState_ = sessionState;
    ZtSourceImage* ownCopy = nullptr;
    if (!sourceImage_) {
        if (!source || !source->isValid()) {
            forgetImages();
            return false;
        }
        sourceImage_ = source;
        workingImage_ = working;
        if (!workingImage_) {
            try {
                ownCopy = new ZtSourceImage(*source);
            } catch (const std::bad_alloc&) {
                reportInternalError(tr("Opening %1").arg(source->filename()),
                                    tr("Out of memory", "description of Vardek Library error"));
            }
            workingImage_ = ownCopy;
        }
    }
    if (!sourceImage_ || !workingImage_ || !sourceImage_->isValid() || !workingImage_->isValid()) {
        delete ownCopy;
        forgetImages();
        return false;
    }

    if (preservation == GmSession::SettingsForNewImage && !persistOptions())
        chooseResolution(quint64(sourceImage_->width()) * quint64(sourceImage_->height()));

    command_support::submit(new VkCmdInit(this));
    imageSmeg_->setChecked(true);
    openSession(GmSession::SettingsPreservation(preservation));

    const int shorter = std::min(sourceImage_->width(), sourceImage_->height());
    setBrushSize(shorter / 10);
    setCleanStrength(shorter / 50);
    return true;
}

void GmModel::forgetImages() {
    sourceImage_ = nullptr;
    workingImage_ = nullptr;
}

void GmModel::openSession() {
    openSession(GmSession::SettingsForNewImage);
}

void GmModel::openSession(GmSession::SettingsPreservation preservation) {
    VardekThread* thread = VardekThread::instance();
    if (!thread) {
        logStream() << "GmModel::openSession: no engine thread" << endLogLine;
        return;
    }
    if (thread->isOpen()) {
        sessionPreservation_ = preservation;
        thread->setOpen(false);
        if (thread->isBusy() || thread->queuedCount() > 0) {
            // Resumed from closureComplete once the queue has drained.
            setWindowBusy(true);
            disconnect(resumeConnection_);
            resumeConnection_ = connect(thread, &VardekThread::closureComplete, this,
                                        QOverload<>::of(&GmModel::openSession));
            return;
        }
    } else if (resumeConnection_) {
        disconnect(resumeConnection_);
        resumeConnection_ = QMetaObject::Connection();
        setWindowBusy(false);
    }

    thread->setOpen(true);
    if (!sourceImage_) return;
    // Every session that read an earlier workspace copy has ended by now.
    sourceImage_->releaseRetiredWorkspaces();
    sourceImage_->updateWorkingImage(resolutionFactor_);
    command_support::submit(new VkCmdNewStatusImage(this));
    command_support::submit(new VkCmdBeginSession(this));
    for (ArrowTarget* target : allArrowTargets())
        target->submitToEngine();
    emit tellImageChanged(sourceImage_);
}

void GmModel::sessionBegun(const VkAnalysisOptions& options, int preservation) {
    EDOs& edos = imageSmeg_->edos();
    edos.sensitivity_.setDefaultValue(qRound(options.tolerance * 99.0f + 1.0f));
    edos.width_.setDefaultValue(int(options.edgeWidth));
    edos.contrast_.setDefaultValue(options.contrast);
    edos.texture_.setDefaultValue(options.texture);
    if (preservation == GmSession::SettingsForNewImage && !persistOptions())
        edos.setCurrentFromEngine(options);
    edos.applyAll();
    edos.storeAll();
    emit sessionHasBegun();
}

void GmModel::setStatusImage(VkImage* handle) {
    statusArray_->setImage(handle);
    const QImage& image = statusArray_->statusImage();
    emit statusImageChanged(image.isNull() ? nullptr : &image);
}

void GmModel::closeSession(ZtSourceImage* source, ZtSourceImage* working) {
    if (resumeConnection_) {
        disconnect(resumeConnection_);
        resumeConnection_ = QMetaObject::Connection();
        setWindowBusy(false);
    }
    if (VardekThread* thread = VardekThread::instance()) thread->cancelCommandsSlot();
    clearPreviewRectangle();
    resetArrowTargets();
    VkSession* session = imageSmeg_->session();
    VkSession* segmentation = imageSmeg_->segmentationSession();
    if (session || segmentation || source || working) {
        imageSmeg_->setSession(nullptr);
        imageSmeg_->setSegmentationSession(nullptr);
        imageSmeg_->refreshEdges();
        // The images go once the session that reads them has ended.
        command_support::submit(new VkCmdEndSession(
            this, session, segmentation == session ? nullptr : segmentation, source, working));
    }
    if (statusArray_->engineImage()) command_support::submit(new VkCmdDeleteStatusImage(this));
}

bool GmModel::closeImage() {
    if (!sourceImage_) return true;
    deleteAllArrowTargets();
    if (runMode() != StandaloneMode) {
        // The host's images belong to the application.
        closeSession(nullptr, nullptr);
    } else {
        closeSession(sourceImage_, workingImage_);
        forgetImages();
    }
    // Also when the engine's start is still queued: the finish runs after it
    // and finds the engine then (without one it does nothing).
    command_support::submit(new VkCmdFinish(this));
    emit tellImageChanged(nullptr);
    sessionState_ = NoDocument;
    return true;
}

bool GmModel::isUnmodified() const {
    if (!regions_.isEmpty() || !forcedEdges_.isEmpty()) return false;
    switch (sessionState_) {
    case NoDocument:
        return true;
    case OpenedFromImage:
        return undoCount_ == 0 && redoCount_ == 0;
    case OpenedFromProject:
        return undoCount_ <= 1 && redoCount_ == 0;
    default:
        return false;
    }
}

void GmModel::revertOutputImage() {
    if (sourceImage_ && workingImage_) workingImage_->copyPixelsFrom(*sourceImage_);
    for (ArrowTarget* target : regions_)
        if (Shape* shape = target->shape()) shape->pixelState()->clearSaved();
}

QColor GmModel::workingPixelColour(double x, double y) {
    if (!sourceImage_) return Qt::black;
    const QImage& image = workspaceImage();
    const int px = int(std::floor(x / resolutionFactor_));
    const int py = int(std::floor(y / resolutionFactor_));
    if (!image.valid(px, py)) return Qt::black;
    return QColor(image.pixel(px, py));
}

// ---------------------------------------------------------------------------
// Resolution
// ---------------------------------------------------------------------------

bool GmModel::setResolutionFactor(int factor) {
    if (!isFactor(factor)) return false;
    resolutionFactor_ = factor;
    return true;
}

void GmModel::chooseResolution(quint64 pixelCount) {
    const int old = resolutionFactor_;
    int factor = 1;
    while (factor < kLargestFactor && pixelCount / quint64(factor) > kWorkspacePixelLimit)
        factor *= 2;
    resolutionFactor_ = factor;
    emit resolutionChanged(old, factor);
}

void GmModel::setResolution(int factor) {
    if (!isFactor(factor)) return;
    if (!sourceImage_) {
        resolutionFactor_ = factor;
        return;
    }
    const int old = resolutionFactor_;
    if (factor != old) {
        const VkPixelStatus marks = VkStatusKeep | VkStatusDelete | VkStatusBlend;
        bool go = true;
        if (statusArray_->statusesPresent() & marks)
            go = promptService()->message(
                     dialogParent(), PromptService::Kind::Question,
                     tr("Confirm change of resolution"),
                     tr("<p>When changing resolution, the image will be reverted, and masks laid "
                        "down in the workspace will be lost.</p><p>Do you wish to continue?</p>"),
                     PromptService::Yes | PromptService::No) == PromptService::Yes;
        if (go) {
            closeSession(nullptr, nullptr);
            resolutionFactor_ = factor;
            openSession(GmSession::SettingsForNewImage);
            setBrushSize(int(float(Brushing::brushSize()) * float(old) / float(factor)));
        }
    }
    emit resolutionChanged(old, resolutionFactor_);
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
        // The edges shown switch between the image's and the patch's.
        GmRegion* const patch = region ? region : old;
        if ((!region || !old) && patch && edgesShown() && patch->smeg().hasSegmentation() &&
            imageSmeg_->hasSegmentation())
            signalDirtyImageSlot(KeepPatchPreview);
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
    stopPatchEdit(region);
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

void GmModel::snapshotRegionPixels(GmRegion* patch) {
    Shape* shape = patch ? patch->shape() : nullptr;
    if (!shape) return;
    PixelState* state = shape->pixelState();
    state->savemask(statusArray_->statusImage());
    state->setBlendingSnapshot(patch->blendage().options().toVariant());
    for (ArrowTarget* target : regions_)
        if (target != patch && target->shape())
            target->shape()->pixelState()->mergeSavedFrom(*state);
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
    showViewTab(WorkspaceTabRequest);
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

void GmModel::signalDirtyOutputImageSlot() {
    if (!workingImage_) return;
    workingImage_->markPixelsChanged();
    emit rectDirty(ImageRectF(0, 0, workingImage_->width(), workingImage_->height()), NoDirtyMargin,
                   KeepPatchPreview);
    emit cutoutChanged(workingImage_->displayImage());
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

void GmModel::generateMaskSlot() {
    showViewTab(CutoutTabRequest);
    command_support::submit(new VkCmdGenerateMask(this, static_cast<const ImageRectF*>(nullptr)));
}

void GmModel::dirtyRectSlot(ImageRectF r) {
    emit rectDirty(r, NoDirtyMargin, KeepPatchPreview);
}

// ---------------------------------------------------------------------------
// Project map
// ---------------------------------------------------------------------------

QVariant GmModel::toVariant() const {
    QVariantMap m;
    m.insert(QStringLiteral("segImg_"), sourceImage_ ? sourceImage_->toVariant() : QVariant());
    m.insert(QStringLiteral("blendImg_"), workingImage_ ? workingImage_->toVariant() : QVariant());
    // A copy (the engine goes on writing its own bytes), without the marks
    // of a cut-out that may be running: the engine takes no statuses with them.
    m.insert(QStringLiteral("statusArray_"), statusArray_->storedStatuses());
    m.insert(QStringLiteral("imageSmeg_"), imageSmeg_->toVariant());
    m.insert(QStringLiteral("imageBlendage_"), imageBlendage_->toVariant());
    m.insert(QStringLiteral("resolution_"), resolutionFactor_);
    QVariantList targets;
    for (ArrowTarget* target : allArrowTargets())
        targets << target->toVariant();
    m.insert(QStringLiteral("arrowTargetList"), targets);
    return m;
}

void GmModel::fromVariant(const QVariant& map) {
    const QVariantMap m = map.toMap();
    const int old = resolutionFactor_;
    const int factor = intFromVariant(m.value(QStringLiteral("resolution_"))).value_or(old);
    if (isFactor(factor) && factor != old) {
        resolutionFactor_ = factor;
        emit resolutionChanged(old, factor);
    }

    ZtSourceImage* source = nullptr;
    ZtSourceImage* working = nullptr;
    if (runMode() == StandaloneMode) {
        source = new ZtSourceImage(m.value(QStringLiteral("segImg_")));
        working = new ZtSourceImage(m.value(QStringLiteral("blendImg_")));
        sourceImage_ = source;
        workingImage_ = working;
    }

    statusArray_->setLoadedImage(m.value(QStringLiteral("statusArray_")).value<QImage>());
    if (statusArray_->engineImage()) statusArray_->pushLoadedStatuses();

    delete imageSmeg_;
    imageSmeg_ = new SegmentationStuff(m.value(QStringLiteral("imageSmeg_")), nullptr);
    imageSmeg_->setParent(this);
    delete imageBlendage_;
    imageBlendage_ = new BlendingStuff(m.value(QStringLiteral("imageBlendage_")), nullptr);

    for (const QVariant& entry : m.value(QStringLiteral("arrowTargetList")).toList()) {
        ArrowTarget* target = ArrowTarget::createFromVariant(entry);
        if (!target) continue;
        if (GmRegion* region = target->asRegion())
            appendRegion(region);
        else if (ForcedEdge* edge = target->asForcedEdge())
            appendForcedEdge(edge);
    }

    if (!setImages(GmSession::KeepSettings, OpenedFromProject, nullptr, nullptr)) {
        delete source;
        delete working;
    }
}
