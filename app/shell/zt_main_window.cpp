#include "shell/zt_main_window.h"

#include "engine_bridge/vardek_thread.h"
#include "files/file_handler.h"
#include "files/main_window_hooks.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "model/segmentation_stuff.h"
#include "model/view_hooks.h"
#include "shell/gas_pipe.h"
#include "shell/program_run.h"
#include "shell/services/logger.h"
#include "shell/services/problem_reports.h"
#include "shell/services/prompt_service.h"
#include "shell/services/shell_functions.h"
#include "shell/zt_app.h"
#include "workspace/image_view.h"

#include <QCoreApplication>
#include <QSplitter>
#include <QStatusBar>

namespace {

ZtMainWindow* mainWindow = nullptr;

QString translate(const char* text, const char* disambiguation) {
    return QCoreApplication::translate("ZtMainWindow", text, disambiguation);
}

} // namespace

ZtMainWindow::ZtMainWindow() {
    mainWindow = this;
    setAttribute(Qt::WA_DeleteOnClose);
    setIconSize(QSize(24, 24));
    setWindowTitle(productName());
    resize(1200, 800);

    createImageView();
    createFileHandler();
    createEngineThread();
    connectModel();

    reloadControlFile();
    openInitialDocument();
    checkForProblemReports(this);
    startNetworkChecks();
}

ZtMainWindow::~ZtMainWindow() {
    removeFileHandlerHooks();
    delete fileHandler_;
    fileHandler_ = nullptr;
    if (mainWindow == this) mainWindow = nullptr;
}

ZtMainWindow* ZtMainWindow::instance() {
    return mainWindow;
}

// ----- Construction steps -----

void ZtMainWindow::createImageView() {
    imageView_ = new ImageView(this);
    imageView_->setObjectName(QStringLiteral("imageView_"));
    // The tab actions' shortcuts work before any menu holds them.
    addActions(imageView_->tabActions());
    splitter_ = new QSplitter(Qt::Horizontal);
    splitter_->setObjectName(QStringLiteral("Main Splitter"));
    splitter_->addWidget(imageView_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setChildrenCollapsible(false);
    setCentralWidget(splitter_);
}

void ZtMainWindow::createFileHandler() {
    fileHandler_ = new FileHandler(this);
    installFileHandlerHooks();
}

void ZtMainWindow::createEngineThread() {
    engineThread_ = new VardekThread(this);
}

void ZtMainWindow::connectModel() {
    GmModel* model = GmModel::instance();
    // Every new session is analysed at once with the image's edge settings.
    // The edge-finding panel takes this over when the window has it.
    connect(model, &GmModel::sessionHasBegun, this, [model] { model->imageSmeg()->analyse(); });
}

void ZtMainWindow::reloadControlFile() {
    // In control-file mode the control file is read again, so that the paths
    // are those of the file as it is now.
    GasPipe* controlFile = currentControlFile();
    if (!controlFile) return;
    try {
        controlFile->load();
    } catch (const QString& text) {
        logStream() << text << endLogLine;
    }
}

void ZtMainWindow::openInitialDocument() {
    ZtApp* app = ZtApp::instance();
    if (!app) return;
    if (app->mode() != StandaloneMode) {
        // The host's or the control file's two images; none when they could
        // not be had (the log says why), and then the window stays empty.
        ZtSourceImage* source = app->sourceImage();
        ZtSourceImage* working = app->workingImage();
        if (!source || !working) {
            logStream() << "No image to open" << endLogLine;
            return;
        }
        if (!fileHandler_->openSourceImage(source, working))
            logStream() << "The image could not be opened: " << source->filename() << endLogLine;
        return;
    }
    const QStringList arguments = app->arguments();
    if (arguments.size() > 1) openFile(arguments.at(1));
}

void ZtMainWindow::startNetworkChecks() {
    if (ZtApp* app = ZtApp::instance()) app->runStartUpChecks();
}

// ----- The file handler's hooks -----

void ZtMainWindow::installFileHandlerHooks() {
    setDialogParentHook([this] { return static_cast<QWidget*>(this); });
    setStatusMessageHook(
        [this](const QString& text, int timeoutMs) { statusBar()->showMessage(text, timeoutMs); });
    setRaiseWindowHook([this] {
        if (isMinimized()) showNormal();
        raise();
        activateWindow();
    });
    setShowViewTabHook([this](int tab) { imageView_->ensureTab(tab, ImageView::ViewTab(tab)); });
    setConfirmDiscardHook([this](const QString& title) { return confirmDiscardChanges(title); });
}

void ZtMainWindow::removeFileHandlerHooks() {
    setDialogParentHook({});
    setStatusMessageHook({});
    setRaiseWindowHook({});
    setShowViewTabHook({});
    setConfirmDiscardHook({});
}

// ----- Documents -----

void ZtMainWindow::openFile(const QString& fileName) {
    try {
        fileHandler_->loadFile(fileName);
    } catch (...) {
        // Nothing may reach the event loop, which called this for the desktop.
        const QString error = describeCurrentException();
        logStream() << "Opening " << fileName << " failed: " << error << endLogLine;
        promptService()->message(this, PromptService::Kind::Warning, productName(),
                                 translate("Could not open file\n%1", "[zt3]").arg(fileName),
                                 PromptService::Ok);
    }
}

bool ZtMainWindow::confirmDiscardChanges(const QString& title) {
    // The answer is not yet recorded as the run's result: the close of the
    // window, which sets it, asks its own question.
    if (GmModel::instance()->isUnmodified()) return true;
    if (runMode() == StandaloneMode) {
        const int changes = engineThread_ ? engineThread_->changeCount() : 0;
        if (changes == fileHandler_->cutoutSavedAt() || changes == fileHandler_->projectSavedAt())
            return true;
    }
    const PromptService::Button answer = promptService()->message(
        this, PromptService::Kind::Critical, title,
        translate("You have made unsaved changes that will be lost.\nDo you wish to discard these "
                  "changes?",
                  "[zt3]"),
        PromptService::Discard | PromptService::Cancel, PromptService::Cancel);
    return answer == PromptService::Discard;
}
