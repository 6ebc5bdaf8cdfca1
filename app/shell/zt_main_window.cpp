// Construction and start-up of the main window, the hooks through which the
// lower libraries reach it, and the documents it opens.
#include "shell/zt_main_window.h"

#include "colour_workspace/colour_workspace.h"
#include "colour_workspace/colour_workspace_select_tool.h"
#include "engine_bridge/vardek_thread.h"
#include "files/file_handler.h"
#include "files/main_window_hooks.h"
#include "files/zt_source_image.h"
#include "model/gm_color.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/gm_status_array.h"
#include "model/view_hooks.h"
#include "panels/background_picker.h"
#include "panels/pipette_hooks.h"
#include "panels/regional_properties.h"
#include "panels/tip_window.h"
#include "panels/view_options.h"
#include "shell/gas_pipe.h"
#include "shell/panel_framework/fake_dock.h"
#include "shell/program_run.h"
#include "shell/services/logger.h"
#include "shell/services/problem_reports.h"
#include "shell/services/prompt_service.h"
#include "shell/services/shell_functions.h"
#include "shell/zt_app.h"
#include "tools/arrow_tool.h"
#include "tools/clean_tool.h"
#include "tools/forced_edge_tool.h"
#include "tools/gm_tool.h"
#include "tools/no_tool.h"
#include "tools/pan_tool.h"
#include "tools/pipette_tool.h"
#include "tools/region_brush_tool.h"
#include "tools/region_poly_tool.h"
#include "tools/region_rect_tool.h"
#include "tools/test_render_tool.h"
#include "tools/zoom_tool.h"
#include "workspace/canvas_hooks.h"
#include "workspace/image_view.h"

#include <QCoreApplication>
#include <QGuiApplication>
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
    installHooks();
    connectEngineThread();
    createActions();
    createStatusBar();
    createMenus();
    createSubWindows();
    createTools();
    connectZoom();
    connectModel();
    connectPanelsToViewTabs();
    restoreWindowState();

    reloadControlFile();
    openInitialDocument();
    checkForProblemReports(this);
    startNetworkChecks();
}

ZtMainWindow::~ZtMainWindow() {
    removeHooks();
    // The tools go while the options strip that shows their widgets still
    // exists; the empty tool last, since a current tool that goes installs it.
    colourSampler_.reset();
    zoomTool_.reset();
    panTool_.reset();
    patchBrushTool_.reset();
    polygonPatchTool_.reset();
    rectanglePatchTool_.reset();
    for (auto it = brushes_.rbegin(); it != brushes_.rend(); ++it)
        it->reset();
    forcedEdgeTool_.reset();
    cleanTool_.reset();
    arrowTool_.reset();
    previewTool_.reset();
    noTool_.reset();
    backgroundPicker_.reset();
    delete fileHandler_;
    fileHandler_ = nullptr;
    if (mainWindow == this) mainWindow = nullptr;
}

ZtMainWindow* ZtMainWindow::instance() {
    return mainWindow;
}

MaskBrushTool* ZtMainWindow::maskBrush(MaskBrushTool::Kind kind) const {
    return kind >= 0 && kind < MaskBrushTool::KindCount ? brushes_[size_t(kind)].get() : nullptr;
}

// ----- Construction steps -----

void ZtMainWindow::createImageView() {
    imageView_ = new ImageView(this);
    imageView_->setObjectName(QStringLiteral("imageView_"));
    connect(imageView_, &ImageView::addTabAction, this, &ZtMainWindow::addTabAction);
    connect(imageView_, &ImageView::viewTabChanged, this,
            &ZtMainWindow::updateActionEnablednessSlot);
    connect(imageView_, &ImageView::zoomChanged, this, &ZtMainWindow::setWindowTitleSlot);
    // The tools check and switch this view's tabs; it must be known before
    // the first tool is built.
    GmTool::setImageView(imageView_);

    splitter_ = new QSplitter(Qt::Horizontal);
    splitter_->setObjectName(QStringLiteral("Main Splitter"));
    splitter_->addWidget(imageView_);
    dock_ = new FakeDock(splitter_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    splitter_->setChildrenCollapsible(false);
    setCentralWidget(splitter_);
}

void ZtMainWindow::createFileHandler() {
    fileHandler_ = new FileHandler(this);
}

void ZtMainWindow::createEngineThread() {
    engineThread_ = new VardekThread(this);
}

void ZtMainWindow::connectModel() {
    GmModel* model = GmModel::instance();
    connect(model->statusArray(), &GmStatusArray::statusesPresentChanged, this,
            &ZtMainWindow::statusesPresentChangedSlot);
    // A new patch: its properties and the colour workspace show (even where
    // the user closed them), and the arrow tool takes over.
    for (GmTool* tool : std::initializer_list<GmTool*>{
             rectanglePatchTool_.get(), polygonPatchTool_.get(), patchBrushTool_.get()}) {
        if (!tool) continue;
        if (patchProperties_)
            connect(tool, &GmTool::userCreatedRegion, patchProperties_, &GmSubWindow::userShow);
        connect(tool, &GmTool::userCreatedRegion, this, &ZtMainWindow::regionCreatedSlot);
        if (colourWorkspace_)
            connect(tool, &GmTool::userCreatedRegion, colourWorkspace_, &GmSubWindow::userShow);
    }
    connect(model, &GmModel::smegChanged, this, &ZtMainWindow::updateShowEdgesSlot);
    connect(model, &GmModel::activeRegionChanged, this, &ZtMainWindow::updateShowEdgesSlot);
    // The colour workspace's highlight is drawn with the mask's opacity.
    // (Each new session is analysed by the edge-finding panel, not here: a
    // second request would cancel the first.)
    if (colourWorkspace_)
        connect(viewOptions_, &ViewOptions::opacityChanged, colourWorkspace_,
                &ColourWorkspace::opacityChanged);
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

// ----- Hooks -----

void ZtMainWindow::installHooks() {
    // What the document needs of the window.
    setInternalErrorHook([this](const QString& commandText, const QString& errorText) {
        internalErrorSlot(commandText, errorText);
    });
    setDialogParentHook([this] { return static_cast<QWidget*>(this); });
    setWindowBusyHook([this](bool busy) {
        // Balanced: the wait cursor is set once for a busy spell and taken once.
        if (busy == busy_) return;
        busy_ = busy;
        setEnabled(!busy);
        if (busy)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QGuiApplication::restoreOverrideCursor();
    });
    setTipHook([](const QString& html) { TipWindow::showTip(html); });
    setStatusMessageHook(
        [this](const QString& text, int timeoutMs) { statusBar()->showMessage(text, timeoutMs); });
    setRaiseWindowHook([this] {
        if (isMinimized()) showNormal();
        raise();
        activateWindow();
    });
    setConfirmDiscardHook([this](const QString& title) { return confirmDiscardChanges(title); });
    GmColor::setDialogParentHook([this] { return static_cast<QWidget*>(this); });
    GmColor::setStatusMessageHook([this](const QString& text) {
        if (text.isEmpty())
            statusBar()->clearMessage();
        else
            statusBar()->showMessage(text);
    });

    // What the view and the tools need of the window.
    setShowViewTabHook([this](int tab) { imageView_->ensureTab(tab, ImageView::ViewTab(tab)); });
    GmTool::setEscapeSteps(GmTool::modelEscapeSteps());
    // The patch panel's complex blending takes its two colours with pipettes;
    // it makes them when it is built, so the factory comes first.
    setPipetteFactory([](const QString& name, const QString& translatedName) {
        auto* pipette = new PipetteTool(name, translatedName);
        return Pipette{pipette, pipette->action()};
    });
    // The colour workspace leaves its sampler by the window's rule.
    ColourWorkspace::setSelectToolOrFallbackHook(
        [this](GmTool* tool) { selectToolOrFallback(tool); });

    // The canvas's context menu over no patch or forced edge. The panels put
    // their own toggles into the menu while they exist.
    CanvasHooks& canvas = canvasHooks();
    canvas.imageActions = [this] {
        return QList<QAction*>{actions_.autoFillImage, actions_.autoFillKeep,
                               actions_.autoFillDelete, actions_.createCutout};
    };
    canvas.patchPropertiesToggle = nullptr;
    canvas.colourWorkspaceToggle = nullptr;

    installKeyAndDocumentHooks();
}

void ZtMainWindow::removeHooks() {
    removeKeyAndDocumentHooks();
    setInternalErrorHook({});
    setDialogParentHook({});
    setWindowBusyHook({});
    setTipHook({});
    setStatusMessageHook({});
    setRaiseWindowHook({});
    setConfirmDiscardHook({});
    GmColor::setDialogParentHook({});
    GmColor::setStatusMessageHook({});
    setShowViewTabHook({});
    GmTool::setEscapeSteps({});
    setPipetteFactory(nullptr);
    ColourWorkspace::setSelectToolOrFallbackHook(nullptr);
    CanvasHooks& canvas = canvasHooks();
    canvas.imageActions = nullptr;
    canvas.patchPropertiesToggle = nullptr;
    canvas.colourWorkspaceToggle = nullptr;
    // A busy spell the window's end cut short leaves no wait cursor behind.
    if (busy_) QGuiApplication::restoreOverrideCursor();
    busy_ = false;
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
