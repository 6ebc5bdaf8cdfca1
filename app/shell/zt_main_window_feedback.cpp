// What the user sees of the engine's work: the status-bar message with the
// command's description, the progress bar, the cancel button, the "Internal
// Error" box when the engine library fails; and the window title.
#include "shell/zt_main_window.h"

#include "engine_bridge/vardek_command.h"
#include "engine_bridge/vardek_thread.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "shell/services/prompt_service.h"
#include "shell/services/shell_functions.h"
#include "workspace/gm_zoom_widget.h"
#include "workspace/image_view.h"

#include <QAction>
#include <QFileInfo>
#include <QKeySequence>
#include <QProgressBar>
#include <QStatusBar>

void ZtMainWindow::connectEngineThread() {
    VardekThread* thread = engineThread_;
    connect(thread, &VardekThread::commandStarted, this, &ZtMainWindow::commandStartedSlot);
    connect(thread, &VardekThread::commandFinished, this, &ZtMainWindow::commandFinishedSlot);
    connect(thread, &VardekThread::commandCancelling, this, &ZtMainWindow::commandCancellingSlot);
    connect(thread, &VardekThread::commandDiscarded, this, &ZtMainWindow::commandDiscardedSlot);
    // Emitted by the engine's progress function on the worker: it arrives queued.
    connect(thread, &VardekThread::commandProgress, this,
            [this](int percent, void*) { commandProgressSlot(percent); });
    connect(thread, &VardekThread::stateChanged, this, &ZtMainWindow::updateCancelEnabledness);
    connect(thread, &VardekThread::deadLibrary, this, &ZtMainWindow::internalErrorSlot);
    connect(thread, &VardekThread::submissionRejectedLibraryDead, this,
            &ZtMainWindow::submissionRejectedOnDeadLibSlot);
}

void ZtMainWindow::commandStartedSlot(VardekCommand* command) {
    const QString description = command ? command->description() : QString();
    if (progressBar_) {
        progressBar_->setToolTip(description);
        progressBar_->setTextVisible(true);
    }
    statusBar()->showMessage(description);
}

void ZtMainWindow::commandProgressSlot(int percent) {
    if (progressBar_) progressBar_->setValue(qBound(0, percent, 100));
}

void ZtMainWindow::commandFinishedSlot(VardekCommand*) {
    resetProgress();
    statusBar()->clearMessage();
}

void ZtMainWindow::commandCancellingSlot(VardekCommand*) {
    statusBar()->showMessage(tr("Canceling...", "[all]"));
}

void ZtMainWindow::commandDiscardedSlot(VardekCommand* command) {
    resetProgress();
    statusBar()->showMessage(
        tr("%1 discarded", "[zt3]").arg(command ? command->description() : QString()));
}

void ZtMainWindow::submissionRejectedOnDeadLibSlot(VardekCommand*) {
    statusBar()->showMessage(tr("Please save project and exit", "[all]"));
}

void ZtMainWindow::resetProgress() {
    if (!progressBar_) return;
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    progressBar_->setToolTip(QString());
}

void ZtMainWindow::internalErrorSlot(const QString& commandDescription, const QString& error) {
    QString message =
        tr("<p>%1 has detected an internal error:</p><p><center>%2</center></p><p>while "
           "performing the operation:</p><p><center>%3</center></p>",
           "[all]%1 - product name, %2 - error message (of internal error), %3 - command "
           "description")
            .arg(productName(), error, commandDescription);
    if (actions_.saveProject && actions_.loadProject)
        message +=
            tr("<p>If possible, you should Save your work in a<br/>Project File (%2) and then "
               "Exit.</p><p>When you restart %1, you can <br/>Load the Project File (%3) "
               "and<br/>continue with your work.</p>",
               "[zt3]%1 - product name, %2 and %3 - command shortcut keys")
                .arg(productName(),
                     actions_.saveProject->shortcut().toString(QKeySequence::PortableText),
                     actions_.loadProject->shortcut().toString(QKeySequence::PortableText));
    promptService()->message(this, PromptService::Kind::Critical, tr("Internal Error", "[all]"),
                             message, PromptService::Ok);
}

void ZtMainWindow::setWindowTitleSlot() {
    QString title = productName();
    if (const ZtSourceImage* image = GmModel::instance()->sourceImage()) {
        title += QStringLiteral(": %1").arg(QFileInfo(image->filename()).fileName());
        title += QStringLiteral(" (%1 x %2)").arg(image->width()).arg(image->height());
        if (imageView_ && imageView_->canvas())
            title += QStringLiteral(" @ %1%").arg(
                QString::number(imageView_->canvas()->zoom() * 100, 'f', 1));
    }
    // "[*]" in a file name is text, not the window's modified mark.
    title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(title);
}
