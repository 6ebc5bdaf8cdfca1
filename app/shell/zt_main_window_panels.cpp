// The main window's widgets around the view: the status bar with progress,
// cancel and the view options; the panels and the tool options strip; the
// tools in their menus and the tool palette.
#include "shell/zt_main_window.h"

#include "colour_workspace/colour_workspace.h"
#include "colour_workspace/colour_workspace_icons.h"
#include "colour_workspace/colour_workspace_select_tool.h"
#include "model/gm_model.h"
#include "panels/background_picker.h"
#include "panels/image_blending_window.h"
#include "panels/image_edge_finder.h"
#include "panels/regional_properties.h"
#include "panels/tip_window.h"
#include "panels/tool_palette.h"
#include "panels/view_options.h"
#include "shell/distributor_info.h"
#include "shell/main_window_icons.h"
#include "shell/panel_framework/fake_dock.h"
#include "shell/panel_framework/gm_sub_window.h"
#include "shell/services/shell_functions.h"
#include "tools/arrow_tool.h"
#include "tools/clean_tool.h"
#include "tools/forced_edge_tool.h"
#include "tools/gm_action.h"
#include "tools/gm_tool.h"
#include "tools/no_tool.h"
#include "tools/pan_tool.h"
#include "tools/region_brush_tool.h"
#include "tools/region_poly_tool.h"
#include "tools/region_rect_tool.h"
#include "tools/test_render_tool.h"
#include "tools/tool_icons.h"
#include "tools/view_tool_wiring.h"
#include "tools/zoom_tool.h"
#include "workspace/image_view.h"
#include "workspace/navigator_window.h"
#include "workspace/navigator_wiring.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

// ----- Status bar -----

void ZtMainWindow::createStatusBar() {
    QStatusBar* bar = statusBar();
    if (actions_.cancel) {
        cancelButton_ = new QToolButton(bar);
        cancelButton_->setDefaultAction(actions_.cancel);
        cancelButton_->setSizePolicy(cancelButton_->sizePolicy().horizontalPolicy(),
                                     QSizePolicy::MinimumExpanding);
        bar->addPermanentWidget(cancelButton_);
    }

    auto* progress = new QWidget(bar);
    auto* layout = new QHBoxLayout(progress);
    layout->setSpacing(10);
    layout->setContentsMargins(0, 0, 0, 0);
    progressBar_ = new QProgressBar(progress);
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    progressBar_->setWhatsThis(
        tr("<b>Progress Bar</b><p>Indicates time spent and remaining till a command is complete. "
           "Click the red cross button to cancel the command.</p>",
           "[tip]"));
    layout->addWidget(progressBar_);
    bar->addPermanentWidget(progress);

    viewOptions_ = new ViewOptions(bar);
    bar->addPermanentWidget(viewOptions_);
    connect(viewOptions_, &ViewOptions::modified, GmModel::instance(),
            QOverload<>::of(&GmModel::signalDirtyImageSlot));
    if (QAction* edges = actions_.showObjectEdges) {
        connect(edges, &QAction::toggled, viewOptions_, &ViewOptions::setShowVectorEdges);
        connect(viewOptions_, &ViewOptions::showVectorEdges, edges, &QAction::setChecked);
        // The box also changes without the user (no image, an image again):
        // the action shows what the box shows.
        if (QCheckBox* box = viewOptions_->objectEdgeBox()) {
            connect(box, &QCheckBox::toggled, edges, &QAction::setChecked);
            edges->setChecked(box->isChecked());
        }
    }
    viewOptions_->setShowVectorEdgesEnabled(false);

    bar->setSizePolicy(QSizePolicy::MinimumExpanding, bar->sizePolicy().verticalPolicy());
}

// ----- Panels -----

void ZtMainWindow::createSubWindows() {
    QMenu* windowMenu = menus_.window;

    tipWindow_ = new TipWindow(windowMenu, tr("Ctrl+T", "[tip]"), this);
    showWelcomeTip();

    navigatorWindow_ = new NavigatorWindow(this, windowMenu, tr("F6", "[zt3]"));
    connectNavigatorToView(navigatorWindow_, imageView_);

    // The whole image's edge finding and blending, as wide as their
    // contents; the edge-finding panel also analyses each new session.
    edgeFinder_ = new ImageEdgeFinder(windowMenu, tr("F7", "[zt3]"), this);
    edgeFinder_->setWidthLocked(true);
    blendingWindow_ = new ImageBlendingWindow(windowMenu, tr("F8", "[zt3]"), this);
    blendingWindow_->setWidthLocked(true);

    optionsToolBar_ = new QToolBar(tr("Options", "[all]"), this);
    optionsToolBar_->setObjectName(QStringLiteral("ToolBar-") + optionsToolBar_->windowTitle());
    optionsToolBar_->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    addToolBar(Qt::TopToolBarArea, optionsToolBar_);
    windowMenu->addSeparator();
    windowMenu->addAction(optionsToolBar_->toggleViewAction());
    auto* options = new QWidget(optionsToolBar_);
    options->setObjectName(QStringLiteral("OptionsWidget"));
    options->setMinimumHeight(30);
    auto* optionsLayout = new QHBoxLayout(options);
    optionsLayout->setObjectName(QStringLiteral("OptionsLayout"));
    optionsLayout->setAlignment(Qt::AlignHCenter);
    optionsLayout->addWidget(GmTool::sharedOptionsParent(), 1);
    optionsToolBar_->addWidget(options);

    // The colour workspace before the tools, so that the colour sampler can
    // register with it; it and the patch properties float. Escape pressed
    // in either acts as in the window.
    const auto forwardEscape = [this](QKeyEvent* event) {
        QCoreApplication::sendEvent(this, event);
    };
    colourWorkspace_ = new ColourWorkspace(this, windowMenu, tr("C", "[zt3]"));
    colourWorkspace_->setFloating(true, true);
    connect(colourWorkspace_, &GmSubWindow::escapeKeyPressed, this, forwardEscape);
    patchProperties_ = new RegionalProperties(windowMenu, tr("F9", "[zt3]"), this);
    patchProperties_->setFloating(true, true);
    connect(patchProperties_, &GmSubWindow::escapeKeyPressed, this, forwardEscape);

    GmModel* model = GmModel::instance();
    connect(model, &GmModel::resolutionChanged, viewOptions_, &ViewOptions::syncResolutionSlot);
    connect(model, &GmModel::resolutionChanged, this, &ZtMainWindow::setWindowTitleSlot);

    for (GmSubWindow* panel : std::initializer_list<GmSubWindow*>{edgeFinder_, blendingWindow_,
                                                                  navigatorWindow_, tipWindow_})
        panel->setDock(dock_);

    // Saved, restored and hidden in this order.
    panels_ = {colourWorkspace_, patchProperties_, navigatorWindow_,
               edgeFinder_,      blendingWindow_,  tipWindow_};
}

void ZtMainWindow::connectPanelsToViewTabs() {
    for (GmSubWindow* panel : panels_) {
        connect(imageView_, &ImageView::viewTabChanged, panel, &GmSubWindow::viewTabChangedSlot);
        panel->viewTabChangedSlot(imageView_->currentViewTab());
    }
}

void ZtMainWindow::showWelcomeTip() {
    TipWindow::showTip(
        QCoreApplication::translate(
            "ZtMainWindow",
            "<p>Welcome to <b>%1</b>&mdash;%2.</p><p><b>How to use the Tip Window?</b></p><p>Point "
            "at an area of interest in the interface and hold for a couple of seconds. In this "
            "<b>Tip</b> window you will find:</p><p><ul><li>A brief description of the "
            "area.</li><li>Details on how to use it.</li><li>Suggestions of what to consider "
            "doing next.</li><li>Link(s) to the manual for further reading.</li></ul></p>",
            "[tip]")
            .arg(productName(), productTagline()));
}

// ----- Tools -----

void ZtMainWindow::createTools() {
    GmModel* model = GmModel::instance();
    // Every tool joins the shared group and shows its options in the shared strip.
    noTool_ = std::make_unique<NoTool>();
    noTool_->installSlot();

    previewTool_ = std::make_unique<TestRenderTool>(nullptr, menus_.image);
    menus_.image->addSeparator();
    arrowTool_ = std::make_unique<ArrowTool>(nullptr, menus_.image);
    cleanTool_ = std::make_unique<CleanTool>(nullptr, menus_.image);
    forcedEdgeTool_ = std::make_unique<ForcedEdgeTool>(nullptr, menus_.image);

    createBrushes();
    createPatchTools();
    // The model's preview of a patch gets the preview tool's picture.
    model->previewPatchAction()->setIcon(cutoutPreviewIcon());

    panTool_ = std::make_unique<PanTool>(nullptr, menus_.view);
    zoomTool_ = std::make_unique<ZoomTool>(nullptr, menus_.view);
    // Its picks go into the colour workspace's selection.
    colourSampler_ = std::make_unique<ColourWorkspaceSelectTool>(nullptr, menus_.image, nullptr,
                                                                 colourWorkspace_);

    createToolPalette();

    // The arrow tool's right click and double click, the hand's scrolling
    // and the zoom tool's steps reach the view and the navigator.
    connectViewTools(imageView_, navigatorWindow_, arrowTool_.get(), panTool_.get(),
                     zoomTool_.get());

    createBrushSizeActions();
    // The tools' and the panels' shortcuts too work while the menu bar is hidden.
    addMenuActionsToWindow();
}

void ZtMainWindow::createBrushes() {
    using Kind = MaskBrushTool::Kind;
    // The Brush menu's order: by reach, then by class.
    const Kind order[] = {Kind::KeepExact,    Kind::DeleteExact, Kind::BlendExact,
                          Kind::EraseExact,   Kind::KeepLocal,   Kind::DeleteLocal,
                          Kind::BlendLocal,   Kind::EraseLocal,  Kind::KeepGlobal,
                          Kind::DeleteGlobal, Kind::BlendGlobal, Kind::EraseGlobal};
    for (Kind kind : order)
        brushes_[size_t(kind)] =
            std::make_unique<MaskBrushTool>(kind, nullptr, menus_.brush, nullptr, nullptr);
}

void ZtMainWindow::createPatchTools() {
    GmModel* model = GmModel::instance();
    QMenu* patch = menus_.patch;
    rectanglePatchTool_ = std::make_unique<RegionRectTool>(nullptr, patch);
    polygonPatchTool_ = std::make_unique<RegionPolyTool>(nullptr, patch);
    patchBrushTool_ = std::make_unique<RegionBrushTool>(nullptr, patch);
    patch->addSeparator();
    for (QAction* action :
         {model->deletePatchAction(), model->eraseMaskInPatchAction(), model->protectPatchAction(),
          model->autoFillKeepAction(), model->autoFillDeleteAction(), model->previewPatchAction()})
        patch->addAction(action);
    // In no menu: its shortcut (Delete, while a forced edge is active) still works.
    addAction(model->deleteForcedEdgeAction());
}

void ZtMainWindow::createBrushSizeActions() {
    // One size for every brush: any brush changes it.
    MaskBrushTool* brush = maskBrush(MaskBrushTool::DeleteExact);
    if (!brush) return;
    actions_.increaseBrushSize = new GmAction(tr("Increase Brush Size", "[all]"), this);
    setShortcutAndToolTip(actions_.increaseBrushSize,
                          QKeySequence(tr("]", "[all]shortcut for increasing brush size")));
    connect(actions_.increaseBrushSize, &QAction::triggered, brush,
            &BrushingTool::increaseBrushSizeSlot);
    addAction(actions_.increaseBrushSize);
    actions_.decreaseBrushSize = new GmAction(tr("Decrease Brush Size", "[all]"), this);
    setShortcutAndToolTip(actions_.decreaseBrushSize,
                          QKeySequence(tr("[", "[all]shortcut for increasing brush size")));
    connect(actions_.decreaseBrushSize, &QAction::triggered, brush,
            &BrushingTool::decreaseBrushSizeSlot);
    addAction(actions_.decreaseBrushSize);
}

void ZtMainWindow::selectToolOrFallback(GmTool* tool) {
    GmTool* chosen = tool;
    if (!chosen || !chosen->isAllowedOnCurrentTab()) {
        GmTool* arrow = arrowTool_.get();
        chosen = arrow && arrow->isAllowedOnCurrentTab() ? arrow : noTool_.get();
    }
    if (chosen && chosen != GmTool::currentTool()) chosen->installSlot();
}

void ZtMainWindow::createToolPalette() {
    ToolPalette* palette = toolPalette_ = new ToolPalette(this, menus_.window, tr("F5", "[zt3]"));
    const QString homePage = productSiteUrl();
    const QString distributor = distributorId().isEmpty() ? makerName() : distributorId();
    palette->setHeaderLink(paletteLogo(), paletteLogoActive(),
                           tr("Go To %1 Homepage", "[zt3]%1 is distributor name").arg(distributor),
                           homePage);

    const auto single = [palette](QAction* action) {
        if (action) palette->addActionButton(action, 1, Qt::AlignCenter);
    };
    const auto action = [this](MaskBrushTool::Kind kind) {
        MaskBrushTool* brush = maskBrush(kind);
        return brush ? static_cast<QAction*>(brush->action()) : nullptr;
    };
    using Kind = MaskBrushTool::Kind;
    for (Kind kind : {Kind::KeepExact, Kind::DeleteExact, Kind::KeepLocal, Kind::DeleteLocal,
                      Kind::KeepGlobal, Kind::DeleteGlobal})
        single(action(kind));
    palette->addActionGroupButton(
        {action(Kind::EraseExact), action(Kind::EraseLocal), action(Kind::EraseGlobal)});
    palette->addActionGroupButton(
        {action(Kind::BlendExact), action(Kind::BlendLocal), action(Kind::BlendGlobal)});
    palette->addActionGroupButton(
        {rectanglePatchTool_->action(), polygonPatchTool_->action(), patchBrushTool_->action()});

    single(forcedEdgeTool_->action());
    single(colourSampler_->action());
    single(previewTool_->action());
    single(cleanTool_->action());
    single(arrowTool_->action());
    // A second click in quick succession fits the image, or shows its actual pixels.
    palette->addActionWithWidget(panTool_->action(), actions_.fitOnScreen);
    palette->addActionWithWidget(zoomTool_->action(), actions_.actualPixels);

    palette->addSeparator();
    backgroundPicker_ = std::make_unique<BackgroundPicker>();
    connect(backgroundPicker_.get(), &BackgroundPicker::activeBrushChanged, GmModel::instance(),
            QOverload<>::of(&GmModel::signalDirtyImageSlot));
    palette->addWidget(backgroundPicker_.get(), 2, 2);

    palette->addSeparator();
    palette->addActionButton(actions_.createCutout, 2);
    addColourWorkspaceButton();
    addScreenModeButtons();
}

void ZtMainWindow::addColourWorkspaceButton() {
    if (!colourWorkspace_) return;
    // A picture of its own for the panel's toggle, the two kept in step.
    QAction* toggle = colourWorkspace_->toggleViewAction();
    auto* action = new GmAction(colourWorkspacePaletteIcon(), toggle->text(), this);
    action->setCheckable(toggle->isCheckable());
    action->setChecked(toggle->isChecked());
    action->setToolTip(toggle->toolTip());
    // The toggle has no text of its own to explain it: the panel's says what it is for.
    QString whatsThis =
        toggle->whatsThis().isEmpty() ? colourWorkspace_->whatsThis() : toggle->whatsThis();
    TipWindow::insertShortcut(whatsThis, toggle->shortcut());
    action->setWhatsThis(whatsThis);
    connect(action, &QAction::triggered, toggle, &QAction::trigger);
    connect(toggle, &QAction::toggled, action, &QAction::setChecked);
    // Off where the toggle is (on the tabs the panel does not show on): a
    // click there would check the button and not the panel.
    action->setEnabled(toggle->isEnabled());
    connect(toggle, &QAction::changed, action,
            [action, toggle] { action->setEnabled(toggle->isEnabled()); });
    toolPalette_->addActionButton(action, 2);
    toolPalette_->addSeparator();
}

void ZtMainWindow::connectZoom() {
    NavigatorWindow* navigator = navigatorWindow_;
    if (!navigator) {
        // Without the navigator the view steps by itself.
        connect(actions_.zoomIn, &QAction::triggered, imageView_, &ImageView::zoomInSlot);
        connect(actions_.zoomOut, &QAction::triggered, imageView_, &ImageView::zoomOutSlot);
        return;
    }
    connect(actions_.zoomIn, &QAction::triggered, navigator, &NavigatorWindow::zoomInSlot);
    connect(actions_.zoomOut, &QAction::triggered, navigator, &NavigatorWindow::zoomOutSlot);
    // The navigator tells when a step further is possible; an image must be open too.
    connect(navigator, &NavigatorWindow::zoomInEnabled, this, [this] { updateZoomActions(); });
    connect(navigator, &NavigatorWindow::zoomOutEnabled, this, [this] { updateZoomActions(); });
    updateZoomActions();
}
