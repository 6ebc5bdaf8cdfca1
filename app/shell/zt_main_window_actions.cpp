// The main window's commands: the action table, the menus that hold the
// actions, and the commands' own slots.
#include "shell/zt_main_window.h"

#include "engine_bridge/command_support.h"
#include "engine_bridge/vardek_thread.h"
#include "engine_bridge/vk_cmd_generate_mask.h"
#include "engine_bridge/vk_cmd_redo.h"
#include "engine_bridge/vk_cmd_undo.h"
#include "files/file_handler.h"
#include "files/zt_source_image.h"
#include "files/main_window_hooks.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "panels/view_options.h"
#include "shell/about_box.h"
#include "shell/distributor_info.h"
#include "shell/main_window_icons.h"
#include "shell/services/help_locations.h"
#include "shell/services/logger.h"
#include "shell/services/shell_functions.h"
#include "shell/services/whats_this_text.h"
#include "shell/update_and_news_checks.h"
#include "shell/zt_app.h"
#include "shell/zt_app_prefs_dialog.h"
#include "tools/gm_action.h"
#include "workspace/image_view.h"

#include <QActionGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QUrl>

#include <algorithm>

namespace {

QString translate(const char* text, const char* disambiguation) {
    return QCoreApplication::translate("ZtMainWindow", text, disambiguation);
}

// The help pages of the image commands.
const char* const kMenusPage = "4-Zeltran_Tools/Menus.htm";
const char* const kCutoutPage = "2-Using_Zeltran/Making_the_Cut-out.htm";

// A command with a shortcut: its tool tip ends with the shortcut in brackets.
QAction* shortcutAction(QWidget* owner, const QString& text, const QString& shortcut,
                        const QIcon& icon = QIcon()) {
    auto* action = new GmAction(icon, text, owner);
    setShortcutAndToolTip(action, QKeySequence(shortcut));
    return action;
}

// A command without one.
QAction* plainAction(QWidget* owner, const QString& text, const QIcon& icon = QIcon()) {
    return new QAction(icon, text, owner);
}

// More shortcuts for an action that has its first: the tool tip keeps naming the first.
void addShortcuts(QAction* action, const QStringList& more) {
    QList<QKeySequence> shortcuts{action->shortcut()};
    for (const QString& text : more)
        shortcuts << QKeySequence(text);
    action->setShortcuts(shortcuts);
}

QString cleanClassHelp(const QString& className) {
    return translate("<p><b>Clean All %1</b></p><p>Fill small holes inside any <b>%1</b> "
                     "mask(s).</p><p>The maximum size of holes filled is determined by the "
                     "<b>Strength</b> setting of the <b>Clean Tool</b>.</p>",
                     "[tip, zt3]")
               .arg(className) +
           learnMoreParagraph(QString::fromLatin1(kMenusPage));
}

QString autoFillHelp(const QString& className) {
    return translate("<p><b>Auto-Fill with %1</b></p><p>Fills any unmasked areas of the image "
                     "with <b>%1</b> mask.</p>",
                     "[tip, zt3]")
               .arg(className) +
           learnMoreParagraph(QString::fromLatin1(kMenusPage));
}

void addIfAny(QMenu* menu, QAction* action) {
    if (action) menu->addAction(action);
}

} // namespace

// ----- The action table -----

void ZtMainWindow::createActions() {
    createFileActions();
    createEditActions();
    createViewActions();
    createImageActions();
    createHelpActions();
    finishActions();
}

void ZtMainWindow::createFileActions() {
    ZtMainWindowActions& a = actions_;
    if (runMode() == StandaloneMode) {
        a.open = shortcutAction(this, tr("&Open...", "[zt3]"), tr("Ctrl+O", "[zt3]"),
                                style()->standardIcon(QStyle::SP_DirOpenIcon));
        a.open->setWhatsThis(tr("Open an image file", "[zt3]"));
        connect(a.open, &QAction::triggered, fileHandler_, &FileHandler::fileOpenSlot);
        a.save = shortcutAction(this, tr("&Save", "[all]"), tr("Ctrl+S", "[all]"));
        a.save->setWhatsThis(tr("Save the cut-out to a file", "[all]"));
        connect(a.save, &QAction::triggered, this, &ZtMainWindow::fileSaveSlot);
        a.saveAs = plainAction(this, tr("Save &As...", "[all]"));
        a.saveAs->setWhatsThis(tr("Save the cut-out to a file, specifying the file name", "[all]"));
        connect(a.saveAs, &QAction::triggered, this, &ZtMainWindow::fileSaveAsSlot);
        a.close = shortcutAction(this, tr("&Close", "[zt3]"), tr("Ctrl+W", "[all]"));
        connect(a.close, &QAction::triggered, fileHandler_, &FileHandler::fileCloseSlot);
    } else {
        a.saveAndApply =
            shortcutAction(this, tr("&Save and Apply", "[zt3]"), tr("Ctrl+S", "[zt3]"));
        connect(a.saveAndApply, &QAction::triggered, this, &ZtMainWindow::saveAndApplySlot);
    }
    a.revertMask = plainAction(this, tr("&Revert Mask", "[zt3]"));
    connect(a.revertMask, &QAction::triggered, this, &ZtMainWindow::revertSlot);
    a.revertAll = plainAction(this, tr("Re&vert All", "[zt3]"));
    connect(a.revertAll, &QAction::triggered, this, &ZtMainWindow::revertAllSlot);

    a.loadProject =
        shortcutAction(this, tr("&Load Project...", "[zt3]"), tr("Ctrl+Shift+O", "[zt3]"));
    connect(a.loadProject, &QAction::triggered, fileHandler_, &FileHandler::projectLoadSlot);
    a.saveProject = shortcutAction(this, tr("Save &Project", "[zt3]"), tr("Ctrl+Shift+S", "[zt3]"));
    connect(a.saveProject, &QAction::triggered, fileHandler_, &FileHandler::projectSaveSlot);
    a.saveProjectAs = plainAction(this, tr("Sa&ve Project As...", "[zt3]"));
    connect(a.saveProjectAs, &QAction::triggered, fileHandler_, &FileHandler::projectSaveAsSlot);
    a.revertProject = plainAction(this, tr("Rever&t Project", "[zt3]"));
    connect(a.revertProject, &QAction::triggered, fileHandler_, &FileHandler::projectRevertSlot);

    a.exit = shortcutAction(this, tr("E&xit ", "[all]") + productName(), tr("Ctrl+Q", "[all]"));
    connect(a.exit, &QAction::triggered, this, &QWidget::close);
}

void ZtMainWindow::createEditActions() {
    ZtMainWindowActions& a = actions_;
    a.undo = shortcutAction(this, tr("&Undo", "[all]"), tr("Ctrl+Z", "[all]"), undoIcon());
    a.undo->setObjectName(QStringLiteral("Undo Action"));
    connect(a.undo, &QAction::triggered, this, &ZtMainWindow::undoSlot);
    a.redo = shortcutAction(this, tr("&Redo", "[all]"), tr("Ctrl+Y", "[all]"), redoIcon());
    // A second shortcut of the action, so that it follows the action's rule.
    addShortcuts(a.redo, {tr("Ctrl+Shift+Z", "[all]Redo shortcut")});
    a.redo->setObjectName(QStringLiteral("Redo Action"));
    connect(a.redo, &QAction::triggered, this, &ZtMainWindow::redoSlot);

    a.cancel = new GmAction(stopIcon(), tr("&Cancel", "[zt3]"), this);
    a.cancel->setToolTip(tr("Cancel", "[zt3]"));
    setShortcutAndToolTip(a.cancel, QKeySequence(tr("Ctrl+X", "[zt3]")));
    connect(a.cancel, &QAction::triggered, engineThread_, &VardekThread::cancelCommandsSlot);

    a.preferences = plainAction(this, tr("&Workspace Settings...", "[zt3]"), preferencesIcon());
    a.preferences->setMenuRole(QAction::PreferencesRole);
    connect(a.preferences, &QAction::triggered, this, &ZtMainWindow::invokePreferencesSlot);
}

void ZtMainWindow::createViewActions() {
    ZtMainWindowActions& a = actions_;
    // Zoom in and out step through the navigator (connectZoom).
    a.zoomIn = shortcutAction(this, tr("Zoom &In", "[all]"), tr("Ctrl++", "[all]Zoom-in shortcut"),
                              zoomInIcon());
    addShortcuts(a.zoomIn, {tr("Ctrl+=", "[all]Zoom-in shortcut"), tr("+", "[all]Zoom-in shortcut"),
                            tr("=", "[all]Zoom-in shortcut")});
    a.zoomOut = shortcutAction(this, tr("Zoom &Out", "[all]"),
                               tr("Ctrl+-", "[all]Zoom-out shortcut"), zoomOutIcon());
    addShortcuts(a.zoomOut, {tr("-", "[all]Zoom-out shortcut")});
    a.fitOnScreen = shortcutAction(this, tr("&Fit on Screen", "[all]"), tr("Ctrl+0", "[all]"));
    connect(a.fitOnScreen, &QAction::triggered, imageView_, &ImageView::fitImageOnScreenSlot);
    a.actualPixels =
        shortcutAction(this, tr("Actual Pixels", "[zt3, dazzo]"), tr("Alt+Ctrl+0", "[all]"));
    connect(a.actualPixels, &QAction::triggered, imageView_, &ImageView::zoomTo100PercentSlot);

    // Kept in step with the view options' edge box (createStatusBar).
    a.showObjectEdges =
        shortcutAction(this, tr("Show Object &Edges", "[zt3, dazzo]"), tr("F2", "[zt3, dazzo]"));
    a.showObjectEdges->setCheckable(true);
    a.showObjectEdges->setChecked(true);
    connect(a.showObjectEdges, &QAction::triggered, GmModel::instance(),
            QOverload<>::of(&GmModel::signalDirtyImageSlot));
}

void ZtMainWindow::createImageActions() {
    ZtMainWindowActions& a = actions_;
    GmModel* model = GmModel::instance();
    const QString menusPage = QString::fromLatin1(kMenusPage);

    a.cleanAll = plainAction(this, tr("&Clean All", "[zt3]"), cleanStatusesIcon(14));
    a.cleanAll->setWhatsThis(
        tr("<p><b>Clean All</b></p><p>Fill small holes inside every <b>Keep</b>, <b>Delete</b> "
           "and <b>Blend</b> mask.</p><p>The maximum size of holes filled is determined by the "
           "<b>Strength</b> setting of the <b>Clean Tool</b>.</p>",
           "[tip, zt3]") +
        learnMoreParagraph(menusPage));
    connect(a.cleanAll, &QAction::triggered, this, &ZtMainWindow::cleanAllSlot);
    a.cleanKeep = plainAction(this, tr("Clean All &Keep", "[zt3]"), cleanStatusesIcon(2));
    a.cleanKeep->setWhatsThis(cleanClassHelp(tr("Keep", "[zt3]")));
    connect(a.cleanKeep, &QAction::triggered, this, &ZtMainWindow::cleanKeepSlot);
    a.cleanDelete = plainAction(this, tr("Clean All &Delete", "[zt3]"), cleanStatusesIcon(4));
    a.cleanDelete->setWhatsThis(cleanClassHelp(tr("Delete", "[zt3]")));
    connect(a.cleanDelete, &QAction::triggered, this, &ZtMainWindow::cleanDeleteSlot);
    a.cleanBlend = plainAction(this, tr("Clean All &Blend", "[zt3]"), cleanStatusesIcon(8));
    a.cleanBlend->setWhatsThis(cleanClassHelp(tr("Blend", "[zt3]")));
    connect(a.cleanBlend, &QAction::triggered, this, &ZtMainWindow::cleanComplexSlot);
    a.cleanLastSelection =
        plainAction(this, tr("Clean &Last Selection", "[zt3]"), cleanLastSelectionIcon());
    a.cleanLastSelection->setWhatsThis(
        tr("<p><b>Clean Last Selection</b></p><p>Fill small holes inside the mask laid down by "
           "the last brush stroke.</p><p>The maximum size of holes filled is determined by the "
           "<b>Strength</b> setting of the <b>Clean Tool</b>.</p>",
           "[tip, zt3]") +
        learnMoreParagraph(menusPage));
    connect(a.cleanLastSelection, &QAction::triggered, this, &ZtMainWindow::cleanLastSelectionSlot);

    a.autoFillImage = shortcutAction(this, tr("&Auto-Fill Image", "[zt3]"), tr("Ctrl+F", "[zt3]"));
    a.autoFillImage->setWhatsThis(
        tr("<p><b>Auto-Fill Image</b></p><p>When only <b>Keep</b> or only <b>Delete</b> mask "
           "has been laid down, fills every unmasked area it does not enclose with the other "
           "mask.</p>",
           "[tip, zt3]") +
        learnMoreParagraph(menusPage));
    connect(a.autoFillImage, &QAction::triggered, model, &GmModel::autoFillImageSlot);
    // Their shortcuts move to the patch's auto-fill while a patch is active.
    a.autoFillKeep = new GmAction(tr("Auto-Fill with &Keep", "[zt3]"), this);
    a.autoFillKeep->setWhatsThis(autoFillHelp(tr("Keep", "[zt3]")));
    connect(a.autoFillKeep, &QAction::triggered, model, &GmModel::autoFillImageWithKeepSlot);
    a.autoFillDelete = new GmAction(tr("Auto-Fill with &Delete", "[zt3]"), this);
    a.autoFillDelete->setWhatsThis(autoFillHelp(tr("Delete", "[zt3]")));
    connect(a.autoFillDelete, &QAction::triggered, model, &GmModel::autoFillImageWithDeleteSlot);

    a.createCutout = new GmAction(createCutoutIcon(), tr("Create Cu&t-Out", "[zt3]"), this);
    a.createCutout->setToolTip(tr("Create Cut-out", "[zt3]"));
    setShortcutAndToolTip(a.createCutout, QKeySequence(tr("Ctrl+U", "[zt3]")));
    a.createCutout->setWhatsThis(
        tr("<p><b>Create Cut-out</b></p><p>Computes the cut-out from the <b>Keep</b>, "
           "<b>Delete</b> and <b>Blend</b> masks, the forced edges and the patches, and shows it "
           "on the <b>Cut-out</b> tab.</p>",
           "[tip, zt3]") +
        learnMoreParagraph(QString::fromLatin1(kCutoutPage)));
    connect(a.createCutout, &QAction::triggered, this, &ZtMainWindow::generateMaskSlot);
}

void ZtMainWindow::createHelpActions() {
    ZtMainWindowActions& a = actions_;
    const DistributorInfo& distributor = distributorInfo();
    a.help = shortcutAction(this, productName() + tr(" &Help", "[zt3, dazzo]"),
                            tr("F1", "[zt3, dazzo]"));
    connect(a.help, &QAction::triggered, this, &ZtMainWindow::helpSlot);
    if (distributor.tutorials) {
        a.tutorials = plainAction(this, tr("&Tutorials", "[all]"));
        connect(a.tutorials, &QAction::triggered, this, &ZtMainWindow::tutorialsSlot);
    }
    if (distributor.homePage) {
        a.homePage = plainAction(this, tr("Home Page", "[all]"));
        connect(a.homePage, &QAction::triggered, this, &ZtMainWindow::homePageSlot);
    }
    ZtApp* app = ZtApp::instance();
    if (distributor.latestNews && !latestNewsUrl(distributor).isEmpty()) {
        a.latestNews = plainAction(this, tr("Latest &News", "[all]"));
        a.latestNews->setEnabled(app && app->newsAvailable());
        if (app) {
            connect(a.latestNews, &QAction::triggered, app, &ZtApp::checkForNewsSlot);
            connect(app, &ZtApp::newsAvailability, a.latestNews, &QAction::setEnabled);
        }
    }
    if (distributor.checkForUpdates) {
        a.checkForUpdates = plainAction(this, tr("&Check for Updates", "[all]"));
        if (app) connect(a.checkForUpdates, &QAction::triggered, app, &ZtApp::checkForUpdateSlot);
    }
    a.about = plainAction(
        this, tr("&About %1 ...", "[all]%1 is the product name, e.g. Zeltran").arg(productName()));
    a.about->setMenuRole(QAction::AboutRole);
    connect(a.about, &QAction::triggered, this, &ZtMainWindow::aboutSlot);
}

void ZtMainWindow::finishActions() {
    GmModel* model = GmModel::instance();
    statusesPresentChangedSlot(0);
    connect(model, &GmModel::tellImageChanged, this, &ZtMainWindow::imageChangedSlot);
    updateActionEnabledness(nullptr);
    connect(model, &GmModel::imageAnalysisHasBegun, this, &ZtMainWindow::imageAnalysisHasBegunSlot);
    connect(model, &GmModel::activeRegionChanged, this, &ZtMainWindow::activeRegionChangedSlot);
    activeRegionChangedSlot(nullptr);
    connect(model, &GmModel::vkUndoStackChanged, this, &ZtMainWindow::vkUndoStackChangedSlot);
    connect(engineThread_, &VardekThread::stateChanged, this,
            &ZtMainWindow::updateUndoRedoEnabledness);
    undoCount_ = 0;
    redoCount_ = 0;
    actions_.undo->setEnabled(false);
    actions_.redo->setEnabled(false);
    connect(model, &GmModel::smegChanged, this, &ZtMainWindow::updateGenerateMaskEnablednessSlot);
    connect(engineThread_, &VardekThread::stateChanged, this,
            &ZtMainWindow::updateGenerateMaskEnablednessSlot);
    // A project saved before the status image exists could not be loaded.
    connect(model, &GmModel::statusImageChanged, this,
            [this, model] { updateProjectActions(model->sourceImage()); });
    updateCancelEnabledness();
}

// ----- Menus -----

void ZtMainWindow::createMenus() {
    ZtMainWindowActions& a = actions_;
    QMenuBar* bar = menuBar();

    createFileMenu();

    menus_.edit = bar->addMenu(tr("&Edit", "[zt3]"));
    menus_.edit->addAction(a.undo);
    menus_.edit->addAction(a.redo);
    menus_.edit->addAction(a.cancel);
    menus_.edit->addSeparator();
    menus_.edit->addAction(a.preferences);

    menus_.image = bar->addMenu(tr("&Image", "[zt3]"));
    for (QAction* action :
         {a.cleanAll, a.cleanKeep, a.cleanDelete, a.cleanBlend, a.cleanLastSelection})
        menus_.image->addAction(action);
    menus_.image->addSeparator();
    for (QAction* action : {a.autoFillImage, a.autoFillKeep, a.autoFillDelete})
        menus_.image->addAction(action);
    menus_.image->addSeparator();
    menus_.image->addAction(a.createCutout);
    menus_.image->addSeparator();
    createResolutionMenu();

    // Filled by the tools.
    menus_.brush = bar->addMenu(tr("&Brush", "[zt3]"));
    menus_.patch = bar->addMenu(tr("&Patch", "[zt3]"));

    menus_.view = bar->addMenu(tr("&View", "[all]"));
    menus_.view->addActions(imageView_->tabActions());
    if (!imageView_->tabActions().isEmpty()) viewTabSeparator_ = menus_.view->addSeparator();
    menus_.view->addAction(a.showObjectEdges);
    menus_.view->addSeparator();
    createScreenModeMenu();
    menus_.view->addSeparator();
    for (QAction* action : {a.zoomIn, a.zoomOut, a.actualPixels, a.fitOnScreen})
        menus_.view->addAction(action);
    menus_.view->addSeparator();

    // Filled by the panels.
    menus_.window = bar->addMenu(tr("&Window", "[zt3, dazzo]"));

    menus_.help = bar->addMenu(tr("&Help", "[all]"));
    menus_.help->addAction(a.help);
    addIfAny(menus_.help, a.tutorials);
    addIfAny(menus_.help, a.homePage);
    addIfAny(menus_.help, a.latestNews);
    if (a.checkForUpdates) {
        menus_.help->addSeparator();
        menus_.help->addAction(a.checkForUpdates);
    }
    menus_.help->addSeparator();
    menus_.help->addAction(a.about);

    addMenuActionsToWindow();
}

void ZtMainWindow::createFileMenu() {
    ZtMainWindowActions& a = actions_;
    QMenu* file = menus_.file = menuBar()->addMenu(tr("&File", "[all]"));
    for (QAction* action :
         {a.open, a.close, a.save, a.saveAs, a.saveAndApply, a.revertMask, a.revertAll})
        addIfAny(file, action);
    QAction* const projectActions[] = {a.loadProject, a.saveProject, a.saveProjectAs,
                                       a.revertProject};
    if (std::any_of(std::begin(projectActions), std::end(projectActions),
                    [](QAction* action) { return action != nullptr; }))
        file->addSeparator();
    for (QAction* action : projectActions)
        addIfAny(file, action);
    file->addSeparator();
    if (a.open) {
        menus_.recentFiles = file->addMenu(tr("Recent &Files", "[all]"));
        recentFilesChanged(fileHandler_->recentFiles());
        connect(fileHandler_, &FileHandler::recentFilesChanged, this,
                &ZtMainWindow::recentFilesChanged);
    }
    menus_.recentProjects = file->addMenu(tr("Recent Pro&jects", "[zt3]"));
    recentProjectsChanged(fileHandler_->recentProjects());
    connect(fileHandler_, &FileHandler::recentProjectsChanged, this,
            &ZtMainWindow::recentProjectsChanged);
    file->addSeparator();
    file->addAction(a.exit);
    // The project file a save or a load just set shows in "Rever&t Project".
    connect(file, &QMenu::aboutToShow, this,
            [this] { updateProjectActions(GmModel::instance()->sourceImage()); });
}

void ZtMainWindow::createResolutionMenu() {
    QComboBox* combo = viewOptions_ ? viewOptions_->resolutionBox() : nullptr;
    if (!combo) return;
    QMenu* menu = menus_.resolution = menus_.image->addMenu(tr("Workspace Resolution", "[zt3]"));
    menu->setToolTip(combo->toolTip());
    menu->setWhatsThis(combo->whatsThis());
    menu->menuAction()->setToolTip(combo->toolTip());
    menu->menuAction()->setWhatsThis(combo->whatsThis());
    resolutionGroup_ = new QActionGroup(this);
    resolutionGroup_->setExclusive(true);
    for (int i = 0; i < combo->count(); ++i) {
        QAction* action = menu->addAction(combo->itemText(i));
        action->setCheckable(true);
        action->setEnabled(combo->isEnabled());
        action->setToolTip(combo->toolTip());
        action->setWhatsThis(combo->whatsThis());
        resolutionGroup_->addAction(action);
    }
    syncResolutionMenuSlot(combo->currentIndex());
    connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ZtMainWindow::syncResolutionMenuSlot);
    connect(resolutionGroup_, &QActionGroup::triggered, this,
            &ZtMainWindow::syncResolutionComboSlot);
}

void ZtMainWindow::addMenuActionsToWindow() {
    // Every command's shortcut works while the menu bar is hidden too.
    const QList<QMenu*> menus{menus_.file,  menus_.edit, menus_.image,  menus_.brush,
                              menus_.patch, menus_.view, menus_.window, menus_.help};
    for (QMenu* menu : menus) {
        if (!menu) continue;
        for (QAction* action : menu->actions())
            if (!action->isSeparator() && !action->menu()) addAction(action);
    }
    if (menus_.resolution) addActions(menus_.resolution->actions());
}

void ZtMainWindow::recentFilesChanged(const QStringList& files) {
    fillRecentMenu(menus_.recentFiles, files, false);
}

void ZtMainWindow::recentProjectsChanged(const QStringList& files) {
    fillRecentMenu(menus_.recentProjects, files, true);
}

void ZtMainWindow::fillRecentMenu(QMenu* menu, const QStringList& entries, bool projects) {
    if (!menu) return;
    menu->clear();
    menu->setEnabled(!entries.isEmpty());
    for (const QString& entry : entries) {
        // The path as it is: an "&" in it is no mnemonic.
        QAction* action = menu->addAction(QString(entry).replace(QLatin1Char('&'), "&&"));
        connect(action, &QAction::triggered, this, [this, entry, projects] {
            // Later, once the menu is gone: opening the file rebuilds this
            // menu, and asks first when work would be lost.
            QMetaObject::invokeMethod(
                this,
                [this, entry, projects] {
                    if (!projects)
                        fileHandler_->cutoutRecentSlot(entry);
                    else if (confirmDiscardChanges(tr("Unsaved changes", "[all]")))
                        fileHandler_->loadProject(entry);
                },
                Qt::QueuedConnection);
        });
    }
}

void ZtMainWindow::addTabAction(QAction* action) {
    if (!action || !menus_.view) return;
    if (viewTabSeparator_)
        menus_.view->insertAction(viewTabSeparator_, action);
    else
        menus_.view->addAction(action);
    addAction(action);
}

void ZtMainWindow::syncResolutionMenuSlot(int index) {
    if (!resolutionGroup_) return;
    const QList<QAction*> items = resolutionGroup_->actions();
    if (index >= 0 && index < items.size()) items.at(index)->setChecked(true);
}

void ZtMainWindow::syncResolutionComboSlot(QAction* action) {
    QComboBox* combo = viewOptions_ ? viewOptions_->resolutionBox() : nullptr;
    if (!combo || !action) return;
    const int index = combo->findText(action->text(), Qt::MatchExactly);
    if (index >= 0) combo->setCurrentIndex(index);
}

// ----- Commands -----

void ZtMainWindow::undoSlot() {
    imageView_->ensureTab(ImageView::Workspace, ImageView::Workspace);
    command_support::submit(new VkCmdUndo(GmModel::instance()));
}

void ZtMainWindow::redoSlot() {
    imageView_->ensureTab(ImageView::Workspace, ImageView::Workspace);
    command_support::submit(new VkCmdRedo(GmModel::instance()));
}

void ZtMainWindow::generateMaskSlot() {
    imageView_->ensureTab(ImageView::Cutout, ImageView::Cutout);
    command_support::submit(
        new VkCmdGenerateMask(GmModel::instance(), static_cast<const ImageRectF*>(nullptr)));
}

void ZtMainWindow::cleanAllSlot() {
    GmModel::instance()->cleanAllSelection(2 | 4 | 8);
}

void ZtMainWindow::cleanKeepSlot() {
    GmModel::instance()->cleanAllSelection(2);
}

void ZtMainWindow::cleanDeleteSlot() {
    GmModel::instance()->cleanAllSelection(4);
}

void ZtMainWindow::cleanComplexSlot() {
    GmModel::instance()->cleanAllSelection(8);
}

void ZtMainWindow::cleanLastSelectionSlot() {
    GmModel::instance()->cleanLastSelection();
}

bool ZtMainWindow::fileSaveSlot() {
    return fileHandler_->fileSaveSlot();
}

bool ZtMainWindow::fileSaveAsSlot() {
    return fileHandler_->fileSaveAsSlot();
}

void ZtMainWindow::invokePreferencesSlot() {
    ZtAppPrefsDialog dialog(this);
    if (dialog.exec() == QDialog::Accepted) emit preferencesChanged();
}

void ZtMainWindow::aboutSlot() {
    showAboutBox(this);
}

void ZtMainWindow::helpSlot() {
    const QString address = helpIndexUrl();
    if (!helpLogged_) {
        helpLogged_ = true;
        logStream() << "Help is at hand: " << address << endLogLine;
    }
    QDesktopServices::openUrl(QUrl(address));
}

void ZtMainWindow::tutorialsSlot() {
    QDesktopServices::openUrl(QUrl(tutorialsUrl(productSiteUrl())));
}

void ZtMainWindow::homePageSlot() {
    QDesktopServices::openUrl(QUrl(productSiteUrl()));
}

void ZtMainWindow::actionNotImplementedSlot() {
    const auto* action = qobject_cast<const QAction*>(sender());
    if (!action) return;
    // The command's name as a menu shows it, without its mnemonic.
    statusBar()->showMessage(
        tr("Action \"%1\" not yet implemented", "[zt3]").arg(action->iconText()), 5000);
}
