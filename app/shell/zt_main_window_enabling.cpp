// The rules that enable the main window's commands: an open image, the mask
// classes present, the engine thread's queue, the undo and redo counts, an
// active patch.
#include "shell/zt_main_window.h"

#include "engine_bridge/vardek_thread.h"
#include "files/file_handler.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/gm_status_array.h"
#include "model/segmentation_stuff.h"
#include "panels/image_edge_finder.h"
#include "panels/regional_properties.h"
#include "panels/view_options.h"
#include "shell/services/shell_functions.h"
#include "tools/gm_tool.h"
#include "tools/no_tool.h"
#include "workspace/image_view.h"
#include "workspace/navigator_window.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

#include <limits>

namespace {

// The mask classes of a status byte.
constexpr uint8_t kKeep = 2;
constexpr uint8_t kDelete = 4;
constexpr uint8_t kBlend = 8;

// The engine had no count to give.
constexpr uint32_t kNoCount = std::numeric_limits<uint32_t>::max();

void enable(QAction* action, bool enabled) {
    if (action) action->setEnabled(enabled);
}

// The shortcut goes to `action` (or is taken from it); its tool tip names it.
void giveShortcut(QAction* action, const QKeySequence& shortcut) {
    if (!action) return;
    // Back to the text, so that the shortcuts do not pile up in the tool tip.
    action->setToolTip(QString());
    if (shortcut.isEmpty())
        action->setShortcut(shortcut);
    else
        setShortcutAndToolTip(action, shortcut);
}

} // namespace

void ZtMainWindow::updateActionEnablednessSlot() {
    updateActionEnabledness(GmModel::instance()->sourceImage());
}

void ZtMainWindow::updateActionEnabledness(const ZtSourceImage* image) {
    setWindowTitleSlot();
    const bool open = image != nullptr;
    const ZtMainWindowActions& a = actions_;
    for (QAction* action : {a.save, a.saveAs, a.close, a.fitOnScreen, a.actualPixels,
                            a.autoFillKeep, a.autoFillDelete, a.showObjectEdges})
        enable(action, open);
    for (QAction* action : {a.open, a.loadProject, a.exit, a.preferences, a.help, a.tutorials,
                            a.homePage, a.checkForUpdates, a.about})
        enable(action, true);
    updateZoomActions();
    updateProjectActions(image);
    updateShowEdgesSlot();
    for (QMenu* menu : {menus_.recentFiles, menus_.recentProjects})
        if (menu && !menu->isEmpty()) menu->setEnabled(true);
}

void ZtMainWindow::updateProjectActions(const ZtSourceImage* image) {
    // A project saved while the session reopens (no status image yet) would
    // be refused when it is loaded again.
    const bool ready = image && !GmModel::instance()->statusArray()->statusImage().isNull();
    enable(actions_.saveProject, ready);
    enable(actions_.saveProjectAs, ready);
    enable(actions_.revertProject, fileHandler_ && !fileHandler_->projectPath().isEmpty());
}

void ZtMainWindow::updateZoomActions() {
    const bool open = GmModel::instance()->sourceImage() != nullptr;
    enable(actions_.zoomIn, open && (!navigatorWindow_ || navigatorWindow_->isZoomInPossible()));
    enable(actions_.zoomOut, open && (!navigatorWindow_ || navigatorWindow_->isZoomOutPossible()));
}

void ZtMainWindow::imageChangedSlot(const ZtSourceImage* image) {
    // Without an image not even the empty tool can be installed; the tool
    // that stays current has its action disabled.
    if (!image && noTool_ && GmTool::currentTool() != noTool_.get()) noTool_->installSlot();
    updateActionEnabledness(image);
    if (image) showWelcomeTip();
}

void ZtMainWindow::imageAnalysisHasBegunSlot() {
    // No tool yet (none could be installed without an image) counts as the empty tool.
    GmTool* current = GmTool::currentTool();
    if (current && current != noTool_.get()) return;
    imageView_->ensureTab(ImageView::Workspace, ImageView::Workspace);
    if (MaskBrushTool* brush = maskBrush(MaskBrushTool::DeleteLocal)) brush->installSlot();
}

void ZtMainWindow::statusesPresentChangedSlot(uint8_t statusesPresent) {
    const bool keep = statusesPresent & kKeep;
    const bool remove = statusesPresent & kDelete;
    const bool blend = statusesPresent & kBlend;
    const bool any = keep || remove || blend;
    const ZtMainWindowActions& a = actions_;
    enable(a.cleanAll, any);
    enable(a.cleanLastSelection, any);
    enable(a.cleanKeep, keep);
    enable(a.cleanDelete, remove);
    enable(a.cleanBlend, blend);
    enable(a.autoFillImage, keep != remove);
    updateGenerateMaskEnablednessSlot();
    hasStatuses_ = any;
    const int tab = imageView_ ? imageView_->currentViewTab() : ImageView::Workspace;
    enable(a.revertMask,
           any && (tab & (ImageView::Source | ImageView::Workspace | ImageView::Cutout)));
    enable(a.revertAll, any || !GmModel::instance()->allArrowTargets().isEmpty());
    enable(a.saveAndApply, keep || remove);
}

void ZtMainWindow::updateGenerateMaskEnablednessSlot() {
    GmModel* model = GmModel::instance();
    const SegmentationStuff* smeg = model->imageSmeg();
    const bool analysed =
        smeg && ((smeg->session() && smeg->hasSegmentation()) || smeg->hasPendingAnalysis());
    const bool marked = model->statusArray()->statusesPresent() & (kKeep | kDelete);
    enable(actions_.createCutout, analysed && marked);
}

void ZtMainWindow::activeRegionChangedSlot(GmRegion* region) {
    moveAutoFillShortcuts(region != nullptr);
    // A new patch is something "Re&vert All" takes away.
    enable(actions_.revertAll, hasStatuses_ || !GmModel::instance()->allArrowTargets().isEmpty());
}

void ZtMainWindow::moveAutoFillShortcuts(bool patchActive) {
    GmModel* model = GmModel::instance();
    const QKeySequence keep(tr("Ctrl+Shift+K", "[zt3]"));
    const QKeySequence remove(tr("Ctrl+Shift+D", "[zt3]"));
    const QKeySequence none;
    giveShortcut(actions_.autoFillKeep, patchActive ? none : keep);
    giveShortcut(actions_.autoFillDelete, patchActive ? none : remove);
    giveShortcut(model->autoFillKeepAction(), patchActive ? keep : none);
    giveShortcut(model->autoFillDeleteAction(), patchActive ? remove : none);
}

void ZtMainWindow::regionCreatedSlot() {
    if (GmTool* arrow = GmTool::arrowTool()) arrow->installSlot();
}

void ZtMainWindow::vkUndoStackChangedSlot(uint32_t numUndos, uint32_t numRedos) {
    if (numUndos != kNoCount) undoCount_ = numUndos;
    if (numRedos != kNoCount) redoCount_ = numRedos;
    updateUndoRedoEnabledness();
}

void ZtMainWindow::updateUndoRedoEnabledness() {
    // An undo behind queued work would undo the wrong step.
    const bool idle =
        engineThread_ && engineThread_->queuedCount() == 0 && !engineThread_->isBusy();
    enable(actions_.undo, undoCount_ > 0 && idle);
    enable(actions_.redo, redoCount_ > 0);
}

void ZtMainWindow::updateCancelEnabledness() {
    enable(actions_.cancel, engineThread_ && engineThread_->canCancel());
}

void ZtMainWindow::updateShowEdgesSlot() {
    if (!viewOptions_) return;
    // The edges are too many to be worth showing at the highest sensitivity:
    // the active patch's own when it is analysed with its own values, else
    // the image's.
    GmModel* model = GmModel::instance();
    bool enabled = model->sourceImage() != nullptr;
    if (enabled) {
        const GmRegion* active = model->activeRegion();
        if (active && active->smeg().isChecked()) {
            if (patchProperties_) enabled = patchProperties_->canShowVectorEdges();
        } else if (edgeFinder_) {
            enabled = edgeFinder_->canShowVectorEdges();
        }
    }
    viewOptions_->setShowVectorEdgesEnabled(enabled);
}
