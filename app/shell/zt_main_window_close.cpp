// When work may be lost and what the run tells its host: the one question
// before work is thrown away (which records the run's result code), the
// close that winds the engine down before the window goes, "Save and Apply",
// the two revert commands and the images other parts hand over.
#include "shell/zt_main_window.h"

#include "engine_bridge/command_support.h"
#include "engine_bridge/vardek_thread.h"
#include "engine_bridge/vk_cmd_generate_mask.h"
#include "engine_bridge/vk_cmd_select.h"
#include "files/file_handler.h"
#include "files/main_window_hooks.h"
#include "files/named_image.h"
#include "files/receiving/accept_image_drop.h"
#include "model/gm_model.h"
#include "shell/program_run.h"
#include "shell/services/logger.h"
#include "shell/services/prompt_service.h"
#include "shell/services/shell_functions.h"
#include "shell/zt_app.h"
#include "tools/gm_tool.h"
#include "tools/no_tool.h"
#include "workspace/image_view.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QStatusBar>

namespace {

// Keep, delete and blend: what Revert Mask takes back to unassigned.
constexpr int kAnyMark = 2 | 4 | 8;
constexpr int kUnassigned = 1;

void recordResult(int code) {
    if (ZtApp* app = ZtApp::instance()) app->setResultCode(code);
}

// A whole-image cut-out on its way that was submitted after the last change
// (and is not being cancelled): its result will be the current one.
VardekCommand* finalCutoutOnItsWay(const VardekThread* thread) {
    const auto isFinal = [thread](VardekCommand* command) {
        const auto* cutout = qobject_cast<VkCmdGenerateMask*>(command);
        return cutout && cutout->isWholeImage() &&
               cutout->changeCountAtSubmission() == thread->changeCount();
    };
    if (VardekCommand* current = thread->currentCommand())
        if (isFinal(current) && !thread->isCancelling()) return current;
    for (VardekCommand* queued : thread->queuedCommands())
        if (isFinal(queued)) return queued;
    return nullptr;
}

} // namespace

// ----- The question -----

bool ZtMainWindow::confirmDiscardChanges(const QString& title) {
    // While the window winds down, or waits to apply, nothing replaces the document.
    if (closing_ || applying_) return false;
    recordResult(ResultApply);
    // "Save and Apply" has made sure the cut-out is the one of the marks.
    if (!askBeforeDiscard_) return true;

    bool nothingToLose = GmModel::instance()->isUnmodified();
    if (!nothingToLose && runMode() == StandaloneMode) {
        // Nothing changed since the cut-out was saved, or a project saved or loaded.
        const int changes = engineThread_ ? engineThread_->changeCount() : 0;
        nothingToLose =
            changes == fileHandler_->cutoutSavedAt() || changes == fileHandler_->projectSavedAt();
    }
    if (nothingToLose) {
        recordResult(ResultNothingToApply);
        return true;
    }
    const PromptService::Button answer = promptService()->message(
        this, PromptService::Kind::Critical, title,
        tr("You have made unsaved changes that will be lost.\nDo you wish to discard these "
           "changes?",
           "[zt3]"),
        PromptService::Discard | PromptService::Cancel, PromptService::Cancel);
    if (answer == PromptService::Discard) {
        recordResult(ResultDiscarded);
        return true;
    }
    // The work stays: nothing is decided (and nothing applied should the run end now).
    recordResult(ResultUndecided);
    return false;
}

// ----- Closing -----

void ZtMainWindow::closeEvent(QCloseEvent* event) {
    VardekThread* thread = engineThread_;
    const auto engineAtWork = [thread] {
        return thread && (thread->isBusy() || thread->queuedCount() > 0);
    };
    if (closing_) {
        // Repeated when the engine thread has drained, or asked again meanwhile.
        if (engineAtWork()) {
            logStream() << "Closed several times" << endLogLine;
            event->ignore();
            return;
        }
        closing_ = false;
        QGuiApplication::restoreOverrideCursor();
    } else {
        // The shut-down commands must be able to go in.
        if (thread && !thread->isOpen()) thread->setOpen(true);
        if (!confirmDiscardChanges(tr("Unsaved changes", "[all]"))) {
            event->ignore();
            return;
        }
        statusBar()->showMessage(
            tr("Exiting %1 ...", "[all] %1 is the name of the product").arg(productName()));
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        setEnabled(false);
        saveWindowState();
        GmModel::instance()->closeImage();
        // Ending a drain the model waited for gave the window back: it stays disabled.
        setEnabled(false);
        if (thread) thread->setOpen(false);
        if (engineAtWork()) {
            closing_ = true;
            connect(thread, &VardekThread::closureComplete, this, &QWidget::close,
                    Qt::UniqueConnection);
            event->ignore();
            return;
        }
        QGuiApplication::restoreOverrideCursor();
    }
    // The engine thread goes after the window's last event; the window then
    // closes and deletes itself.
    if (thread) thread->deleteLater();
    engineThread_ = nullptr;
    event->accept();
}

// ----- Save and Apply -----

void ZtMainWindow::saveAndApplySlot() {
    if (runMode() == StandaloneMode || closing_ || applying_ || !engineThread_) return;
    imageView_->ensureTab(ImageView::Cutout, ImageView::Cutout);
    askBeforeDiscard_ = false;

    VardekCommand* finalCutout = nullptr;
    if (engineThread_->changeCount() != VardekThread::lastCutoutChangeCount()) {
        // One already on its way after the last change is enough.
        finalCutout = finalCutoutOnItsWay(engineThread_);
        if (!finalCutout) {
            finalCutout =
                new VkCmdGenerateMask(GmModel::instance(), static_cast<const ImageRectF*>(nullptr));
            engineThread_->submit(finalCutout, VardekThread::NotCancellable);
        }
    }
    if (!finalCutout) {
        finishSaveAndApply();
        return;
    }
    // Nothing may change the marks until the cut-out is made.
    applying_ = true;
    setEnabled(false);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    // Once the command is gone (finished, discarded or refused), and not from
    // inside its destruction.
    connect(
        finalCutout, &QObject::destroyed, this, [this] { finishSaveAndApply(); },
        Qt::QueuedConnection);
}

void ZtMainWindow::finishSaveAndApply() {
    if (applying_) {
        applying_ = false;
        QGuiApplication::restoreOverrideCursor();
        setEnabled(true);
    }
    // The working image holds the cut-out of the current marks only when the
    // last whole-image cut-out succeeded after the last change.
    if (engineThread_ && engineThread_->changeCount() == VardekThread::lastCutoutChangeCount()) {
        close();
        return;
    }
    askBeforeDiscard_ = true;
    logStream() << "Save and Apply: the final cut-out was not made" << endLogLine;
    statusBar()->showMessage(tr("Nothing was applied: the cut-out could not be made", "[zt3]"));
    promptService()->message(
        this, PromptService::Kind::Warning, tr("Save and Apply", "[zt3]"),
        tr("<p>The cut-out could not be made, so nothing was applied.</p><p>Your work is still "
           "here: you can try again, or save it as a project.</p>",
           "[zt3]"),
        PromptService::Ok, PromptService::Ok);
}

// ----- Revert -----

void ZtMainWindow::revertSlot() {
    if (actions_.revertMask) actions_.revertMask->setEnabled(false);
    imageView_->ensureTab(ImageView::Workspace, ImageView::Workspace);
    GmModel* model = GmModel::instance();
    auto* select = new VkCmdSelect(model, nullptr, kAnyMark, kUnassigned);
    // The cut-out becomes the photograph once the selection has run: a
    // cut-out queued or running before it still writes the working image.
    pendingReverts_ << QPointer<VardekCommand>(select);
    command_support::submit(select);
    if (actions_.showObjectEdges) actions_.showObjectEdges->setChecked(true);
}

void ZtMainWindow::revertSelectionEnded(VardekCommand* command, bool finished) {
    // Forget the reverts that are gone (discarded or refused) or this one.
    bool found = false;
    for (auto it = pendingReverts_.begin(); it != pendingReverts_.end();) {
        if (it->isNull() || it->data() == command) {
            found = found || it->data() == command;
            it = pendingReverts_.erase(it);
        } else {
            ++it;
        }
    }
    if (!found || !finished) return;
    GmModel* model = GmModel::instance();
    model->revertOutputImage();
    model->signalDirtyOutputImageSlot();
}

void ZtMainWindow::revertAllSlot() {
    if (actions_.revertAll) actions_.revertAll->setEnabled(false);
    GmModel* model = GmModel::instance();
    model->clearPreviewRectangle();
    model->resetArrowTargets();
    model->deleteAllArrowTargets();
    revertSlot();
}

// ----- Images handed over -----

bool ZtMainWindow::refusesHandedOverImages() {
    if (runMode() == StandaloneMode) return false;
    // The run's image is the host's (or the control file's), and its result
    // goes back there: another image would go back in its place.
    logStream() << "An image handed over was not opened: the run works on its host's image"
                << endLogLine;
    statusBar()->showMessage(tr("Only the image %1 was started with can be worked on here",
                                "[zt3]%1 is the product name")
                                 .arg(productName()),
                             5000);
    return true;
}

void ZtMainWindow::receivedImageSlot(const NamedImage& image) {
    if (refusesHandedOverImages()) return;
    if (!confirmDiscardChanges(tr("Unsaved changes", "[all]"))) return;
    fileHandler_->loadImage(image, FileHandler::AlreadyAsked);
    if (noTool_ && GmTool::currentTool() != noTool_.get()) noTool_->installSlot();
}

void ZtMainWindow::loadNamedImage(const NamedImage& image) {
    if (refusesHandedOverImages()) return;
    fileHandler_->loadImage(image, FileHandler::AlreadyAsked);
}

void ZtMainWindow::loadImage(const QString& fileName) {
    if (refusesHandedOverImages()) return;
    // The open work is not thrown away unasked.
    if (!confirmDiscardChanges(tr("Unsaved changes", "[all]"))) return;
    const QString name = fileName.isEmpty() ? fileHandler_->askImageFilename() : fileName;
    if (!name.isEmpty()) fileHandler_->loadImage(name);
}

void ZtMainWindow::loadImage() {
    loadImage(QString());
}

// ----- Hooks -----

void ZtMainWindow::installKeyAndDocumentHooks() {
    // Selecting a tool while Space holds the hand leaves the view tab alone.
    GmTool::setTemporaryToolHook([this] { return !rememberedTool_.isNull(); });
    setReceivedImageHandler([this](const NamedImage& image) { receivedImageSlot(image); });
    // Revert Mask's selection has run (the cut-out is reverted then), or was discarded.
    connect(engineThread_, &VardekThread::commandFinished, this,
            [this](VardekCommand* command) { revertSelectionEnded(command, true); });
    connect(engineThread_, &VardekThread::commandDiscarded, this,
            [this](VardekCommand* command) { revertSelectionEnded(command, false); });
}

void ZtMainWindow::removeKeyAndDocumentHooks() {
    GmTool::setTemporaryToolHook({});
    setReceivedImageHandler({});
}
