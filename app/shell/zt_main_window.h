// The program's main window: the image view with the column of docked
// panels, the file handler through which documents come and go, the engine
// thread behind them, the commands in the menus with the rules that enable
// them, the status bar with the engine's progress and the cancel button, the
// panels, the tools and the tool palette. It opens the run's first document
// when it is built (the host's or the control file's images, or the file
// named on the command line), offers the problem reports of an earlier
// crash, starts the update and news checks, and deletes itself when closed.
//
// The constructor builds the window in steps, each a private function called
// once, in this order: the image view in the main splitter, the file handler
// (with the window hooks it needs), the engine thread, the engine thread's
// feedback, the actions, the status bar, the menus, the panels, the tools
// with the tool palette, the zoom and model wiring, the panels' view tabs,
// then the start-up: the control file read again, the initial document, the
// problem reports and the network checks.
//
// Its implementation is spread by subject: zt_main_window.cpp (construction
// and start-up, the hooks), zt_main_window_actions.cpp (the action table,
// the menus and the commands), zt_main_window_enabling.cpp (the enabled
// rules), zt_main_window_feedback.cpp (the engine's feedback, internal
// errors and the title), zt_main_window_panels.cpp (status bar, panels,
// tools and palette), zt_main_window_state.cpp (the remembered layout, the
// screen modes and Tab's panel hiding), zt_main_window_keys.cpp (the keys
// the window handles itself and the tool fallback) and
// zt_main_window_close.cpp (the close protocol, Save and Apply, the revert
// commands and the images other parts hand over).
#ifndef APP_SHELL_ZT_MAIN_WINDOW_H
#define APP_SHELL_ZT_MAIN_WINDOW_H

#include "shell/panel_framework/view_tabs.h"
#include "tools/mask_brushes.h"

#include <QBrush>
#include <QList>
#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class ArrowTool;
class BackgroundPicker;
class CleanTool;
class ColourWorkspace;
class ColourWorkspaceSelectTool;
class FakeDock;
class FileHandler;
class ForcedEdgeTool;
class GmRegion;
class GmSubWindow;
class GmTool;
class ImageBlendingWindow;
class ImageEdgeFinder;
class ImageView;
class NamedImage;
class NavigatorWindow;
class NoTool;
class PanTool;
class QAction;
class QActionGroup;
class QCloseEvent;
class QKeyEvent;
class QMenu;
class QProgressBar;
class QSplitter;
class QToolBar;
class QToolButton;
class RegionBrushTool;
class RegionPolyTool;
class RegionRectTool;
class RegionalProperties;
class TestRenderTool;
class TipWindow;
class ToolPalette;
class VardekCommand;
class VardekThread;
class ViewOptions;
class ZoomTool;
class ZtSourceImage;

// The window's commands. Null where the run mode has none (Open, Save, Save
// As and Close only standalone; Save and Apply only for a host or a control
// file) or the distributor switched it off (Tutorials, Home Page, Latest
// News, Check for Updates).
struct ZtMainWindowActions {
    // File
    QAction* open = nullptr;
    QAction* save = nullptr;
    QAction* saveAs = nullptr;
    QAction* close = nullptr;
    QAction* saveAndApply = nullptr;
    QAction* revertMask = nullptr;
    QAction* revertAll = nullptr;
    QAction* loadProject = nullptr;
    QAction* saveProject = nullptr;
    QAction* saveProjectAs = nullptr;
    QAction* revertProject = nullptr;
    QAction* exit = nullptr;
    // Edit
    QAction* undo = nullptr;
    QAction* redo = nullptr;
    QAction* cancel = nullptr;
    QAction* preferences = nullptr;
    // View
    QAction* zoomIn = nullptr;
    QAction* zoomOut = nullptr;
    QAction* fitOnScreen = nullptr;
    QAction* actualPixels = nullptr;
    QAction* showObjectEdges = nullptr;
    // Image
    QAction* cleanAll = nullptr;
    QAction* cleanKeep = nullptr;
    QAction* cleanDelete = nullptr;
    QAction* cleanBlend = nullptr;
    QAction* cleanLastSelection = nullptr;
    QAction* autoFillImage = nullptr;
    QAction* autoFillKeep = nullptr;
    QAction* autoFillDelete = nullptr;
    QAction* createCutout = nullptr;
    // Help
    QAction* help = nullptr;
    QAction* tutorials = nullptr;
    QAction* homePage = nullptr;
    QAction* latestNews = nullptr;
    QAction* checkForUpdates = nullptr;
    QAction* about = nullptr;
    // On the window only: the shared brush size.
    QAction* increaseBrushSize = nullptr;
    QAction* decreaseBrushSize = nullptr;
    // Screen modes: standard, full screen with menu, full screen (checkable,
    // one exclusive group), and "F", on the window only, going through them.
    std::array<QAction*, 3> screenModes{};
    QAction* toggleScreenMode = nullptr;
};

// The window's menus, in the menu bar's order.
struct ZtMainWindowMenus {
    QMenu* file = nullptr;
    QMenu* edit = nullptr;
    QMenu* image = nullptr;
    QMenu* brush = nullptr;
    QMenu* patch = nullptr;
    QMenu* view = nullptr;
    QMenu* window = nullptr;
    QMenu* help = nullptr;
    QMenu* recentFiles = nullptr;
    QMenu* recentProjects = nullptr;
    QMenu* resolution = nullptr;
    QMenu* screenMode = nullptr;
};

class ZtMainWindow : public QMainWindow {
    Q_OBJECT
public:
    ZtMainWindow();
    ~ZtMainWindow() override;

    // The window while it exists, else null.
    static ZtMainWindow* instance();

    ImageView* imageView() const { return imageView_; }
    FileHandler* fileHandler() const { return fileHandler_; }
    VardekThread* engineThread() const { return engineThread_; }

    const ZtMainWindowActions& commands() const { return actions_; }
    const ZtMainWindowMenus& menus() const { return menus_; }
    QProgressBar* progressBar() const { return progressBar_; }
    QToolButton* cancelButton() const { return cancelButton_; }
    ViewOptions* viewOptions() const { return viewOptions_; }
    FakeDock* dock() const { return dock_; }
    TipWindow* tipWindow() const { return tipWindow_; }
    NavigatorWindow* navigatorWindow() const { return navigatorWindow_; }
    ImageEdgeFinder* edgeFinder() const { return edgeFinder_; }
    ImageBlendingWindow* blendingWindow() const { return blendingWindow_; }
    ColourWorkspace* colourWorkspace() const { return colourWorkspace_; }
    RegionalProperties* patchProperties() const { return patchProperties_; }
    QToolBar* optionsToolBar() const { return optionsToolBar_; }
    ToolPalette* toolPalette() const { return toolPalette_; }
    BackgroundPicker* backgroundPicker() const { return backgroundPicker_.get(); }
    // The panels in the order they are saved, restored and hidden.
    const QList<GmSubWindow*>& panels() const { return panels_; }

    // The tools (null where the build has none).
    NoTool* noTool() const { return noTool_.get(); }
    TestRenderTool* previewTool() const { return previewTool_.get(); }
    ArrowTool* arrowTool() const { return arrowTool_.get(); }
    CleanTool* cleanTool() const { return cleanTool_.get(); }
    ForcedEdgeTool* forcedEdgeTool() const { return forcedEdgeTool_.get(); }
    MaskBrushTool* maskBrush(MaskBrushTool::Kind kind) const;
    RegionRectTool* rectanglePatchTool() const { return rectanglePatchTool_.get(); }
    RegionPolyTool* polygonPatchTool() const { return polygonPatchTool_.get(); }
    RegionBrushTool* patchBrushTool() const { return patchBrushTool_.get(); }
    PanTool* panTool() const { return panTool_.get(); }
    ZoomTool* zoomTool() const { return zoomTool_.get(); }
    ColourWorkspaceSelectTool* colourSampler() const { return colourSampler_.get(); }

    // The undo and redo counts the engine reported last.
    uint32_t undoCount() const { return undoCount_; }
    uint32_t redoCount() const { return redoCount_; }

    // Opens an image or project file the desktop handed over (asking first
    // when work would be lost). Nothing it does escapes to the event loop: a
    // failure is logged and the user warned.
    void openFile(const QString& fileName);

    // The question before work is thrown away: true lets the caller go on.
    // Nothing is asked when the document is unmodified or, standalone, when
    // nothing changed since the cut-out was exported or the project saved or
    // loaded; otherwise Discard goes on and Cancel keeps the work.
    bool confirmDiscardChanges(const QString& title);

    // The enabled rules that follow the image: the title first, then every
    // action enabled by an open image (or always), the object-edge toggle,
    // "Rever&t Project" by the project file and the recent submenus.
    void updateActionEnabledness(const ZtSourceImage* image);

    // Fills the tip panel with the welcome text.
    static void showWelcomeTip();

    // Installs `tool`, or, when it is gone or does not work on the shown
    // view tab, the arrow tool (where that works) or else the empty tool;
    // nothing happens when the chosen tool is current already. The colour
    // workspace leaves its sampler this way when it hides.
    void selectToolOrFallback(GmTool* tool);

    // ----- Layout and screen modes -----

    // Writes the layout under "UI/..." and "PersistVersion" (panels hidden
    // by Tab are stored as the user wants them).
    void saveWindowState();
    // 0 standard, 1 full screen with menu (a frameless window over the
    // available area), 2 full screen without the menu bar. Leaving standard
    // mode remembers its geometry and maximized state, which coming back
    // restores (moved and shrunk into the screen). `quiet` leaves the panels'
    // geometry alone.
    void setScreenMode(int mode, bool quiet);
    int screenMode() const { return screenMode_; }
    // 0 nothing hidden, 1 panels, the Options bar and the palette hidden, 2 panels hidden.
    int panelHiding() const { return panelHiding_; }
    // The standard mode's geometry and maximized state, as remembered.
    QRect standardGeometry() const { return normalGeometry_; }
    bool standardMaximized() const { return maximizedInStandard_; }
    // The Workspace tab (after an image was opened).
    void showWorkspaceTab();

    // ----- Keys and tools -----

    // The tool that Space replaced by the hand tool; null when none (or gone).
    GmTool* rememberedTool() const { return rememberedTool_.data(); }
    // A current tool that cannot be used makes way for the arrow tool, or the empty tool.
    void ensureUsableTool();
    // What the canvas paints behind the cut-out.
    QBrush backgroundBrush() const;

    // ----- Closing -----

    // False once "Save and Apply" decided to close without a question.
    bool askBeforeDiscard() const { return askBeforeDiscard_; }
    // The close waits for the engine thread to wind down.
    bool isClosing() const { return closing_; }
    // "Save and Apply" waits for the final cut-out.
    bool isApplying() const { return applying_; }

signals:
    // The "Workspace Settings" dialog was accepted.
    void preferencesChanged();

public slots:
    // ----- Enabled rules -----
    void imageChangedSlot(const ZtSourceImage* image);
    // The first analysis of an image: from the empty tool (or none) to the
    // delete-local brush on the Workspace tab.
    void imageAnalysisHasBegunSlot();
    void updateActionEnablednessSlot();
    void activeRegionChangedSlot(GmRegion* region);
    // A patch tool finished a new patch: the arrow tool takes over.
    void regionCreatedSlot();
    // An all-ones count (the engine had none to give) keeps the stored one.
    void vkUndoStackChangedSlot(uint32_t numUndos, uint32_t numRedos);
    void updateUndoRedoEnabledness();
    void updateCancelEnabledness();
    void updateGenerateMaskEnablednessSlot();
    void statusesPresentChangedSlot(uint8_t statusesPresent);
    void updateShowEdgesSlot();

    // ----- Commands -----
    void undoSlot();
    void redoSlot();
    void generateMaskSlot();
    void cleanAllSlot();
    void cleanKeepSlot();
    void cleanDeleteSlot();
    void cleanComplexSlot();
    void cleanLastSelectionSlot();
    bool fileSaveSlot();
    bool fileSaveAsSlot();
    void invokePreferencesSlot();
    void aboutSlot();
    void helpSlot();
    void tutorialsSlot();
    void homePageSlot();
    // "Action "%1" not yet implemented" in the status bar for five seconds.
    void actionNotImplementedSlot();

    // ----- Documents and closing -----
    // A host's or control file's run: the final cut-out when the marks
    // changed since the last one, then the window closes and applies; when
    // that cut-out fails the window stays and says so.
    void saveAndApplySlot();
    // All marks back to unassigned; the cut-out becomes the photograph again
    // once the engine has done the marks.
    void revertSlot();
    // The preview, the patches and forced edges go too.
    void revertAllSlot();
    // A dropped or downloaded image (asking first); refused while a host's
    // or a control file's image is open.
    void receivedImageSlot(const NamedImage& image);
    void loadNamedImage(const NamedImage& image);
    // An image file; asks for one when the name is empty.
    void loadImage(const QString& fileName);
    void loadImage();

    // ----- Layout and screen modes -----
    void setScreenModeNormalSlot();
    void setScreenModeFullWithMenuSlot();
    void setScreenModeFullSlot();
    // Standard, then full screen with menu, then full screen, then standard.
    void toggleScreenModeSlot();
    // Tab (false) hides the panels, the Options bar and the palette, or shows
    // them again; Shift+Tab (true) hides or shows the panels only.
    void tabPressed(bool shift);
    // Where the panels go when they have no place of their own yet.
    void setDefaultSubWindowStateSlot();

    // ----- Keys -----
    // Escape pressed in a panel acts as in the window.
    void escapeKeyPressedSlot(QKeyEvent* event);
    // Ends a Space pan: the remembered tool comes back.
    void stopPanningSlot();

    // ----- Menus -----
    void recentFilesChanged(const QStringList& files);
    void recentProjectsChanged(const QStringList& files);
    // A view-tab action the view announces goes before the View menu's separator.
    void addTabAction(QAction* action);
    void syncResolutionMenuSlot(int index);
    void syncResolutionComboSlot(QAction* action);

    // ----- Engine feedback -----
    void commandStartedSlot(VardekCommand* command);
    void commandFinishedSlot(VardekCommand* command);
    void commandCancellingSlot(VardekCommand* command);
    void commandDiscardedSlot(VardekCommand* command);
    void submissionRejectedOnDeadLibSlot(VardekCommand* command);
    void commandProgressSlot(int percent);
    // The "Internal Error" box: what failed, and (with the project actions)
    // how to keep the work.
    void internalErrorSlot(const QString& commandDescription, const QString& error);
    void setWindowTitleSlot();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Construction steps, in order.
    void createImageView();
    void createFileHandler();
    void createEngineThread();
    void connectEngineThread();
    void createActions();
    void createStatusBar();
    void createMenus();
    void createSubWindows();
    void createTools();
    void createToolPalette();
    void connectZoom();
    void connectModel();
    void connectPanelsToViewTabs();
    void restoreWindowState();
    void reloadControlFile();
    void openInitialDocument();
    void startNetworkChecks();

    // Parts of createActions and createMenus.
    void createFileActions();
    void createEditActions();
    void createViewActions();
    void createImageActions();
    void createHelpActions();
    void finishActions();
    void createFileMenu();
    void createResolutionMenu();
    void fillRecentMenu(QMenu* menu, const QStringList& entries, bool projects);
    void addMenuActionsToWindow();

    // Parts of createTools.
    void createBrushes();
    void createPatchTools();
    void createBrushSizeActions();
    // The palette's button that shows and hides the colour workspace.
    void addColourWorkspaceButton();

    // The enabled rules of the project actions and the zoom actions.
    void updateProjectActions(const ZtSourceImage* image);
    void updateZoomActions();
    // The shortcuts "Ctrl+Shift+K" and "Ctrl+Shift+D" go to the patch's
    // auto-fill actions while a patch is active, else to the image's.
    void moveAutoFillShortcuts(bool patchActive);
    // The progress bar idle again: empty, no text, no tool tip.
    void resetProgress();

    void installHooks();
    void removeHooks();

    // Parts of the layout and screen modes.
    void createScreenModeMenu();
    void addScreenModeButtons();
    void restoreStoredLayout();
    void applyDefaultLayout();
    // The panels and the palette float (entering a full-screen mode) or dock.
    void setPanelsForScreenMode(bool entering, bool quiet);
    // The available area of the screen showing the window.
    QRect availableGeometry() const;

    // Parts of the keys, the close protocol and the document commands.
    void forwardPanelEscapes();
    void installKeyAndDocumentHooks();
    void removeKeyAndDocumentHooks();
    void passKeyToTool(QKeyEvent* event, bool press);
    void finishSaveAndApply();
    void revertSelectionEnded(VardekCommand* command, bool finished);
    // Whether a host's or a control file's image may be replaced by one handed over.
    bool refusesHandedOverImages();

    ImageView* imageView_ = nullptr;
    QSplitter* splitter_ = nullptr;
    FakeDock* dock_ = nullptr;
    FileHandler* fileHandler_ = nullptr;
    VardekThread* engineThread_ = nullptr;

    ZtMainWindowActions actions_;
    ZtMainWindowMenus menus_;
    // The separator of the View menu after the view-tab actions.
    QAction* viewTabSeparator_ = nullptr;
    QActionGroup* resolutionGroup_ = nullptr;

    QToolButton* cancelButton_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    ViewOptions* viewOptions_ = nullptr;

    TipWindow* tipWindow_ = nullptr;
    NavigatorWindow* navigatorWindow_ = nullptr;
    ImageEdgeFinder* edgeFinder_ = nullptr;
    ImageBlendingWindow* blendingWindow_ = nullptr;
    QToolBar* optionsToolBar_ = nullptr;
    ColourWorkspace* colourWorkspace_ = nullptr;
    RegionalProperties* patchProperties_ = nullptr;
    QList<GmSubWindow*> panels_;

    std::unique_ptr<NoTool> noTool_;
    std::unique_ptr<TestRenderTool> previewTool_;
    std::unique_ptr<ArrowTool> arrowTool_;
    std::unique_ptr<CleanTool> cleanTool_;
    std::unique_ptr<ForcedEdgeTool> forcedEdgeTool_;
    std::array<std::unique_ptr<MaskBrushTool>, MaskBrushTool::KindCount> brushes_;
    std::unique_ptr<RegionRectTool> rectanglePatchTool_;
    std::unique_ptr<RegionPolyTool> polygonPatchTool_;
    std::unique_ptr<RegionBrushTool> patchBrushTool_;
    std::unique_ptr<PanTool> panTool_;
    std::unique_ptr<ZoomTool> zoomTool_;
    std::unique_ptr<ColourWorkspaceSelectTool> colourSampler_;
    ToolPalette* toolPalette_ = nullptr;
    std::unique_ptr<BackgroundPicker> backgroundPicker_;

    // Some keep, delete or blend mark exists.
    bool hasStatuses_ = false;
    uint32_t undoCount_ = 0;
    uint32_t redoCount_ = 0;
    // "Help is at hand" is logged once a run.
    bool helpLogged_ = false;
    // The model made the window busy (disabled, with the wait cursor) while
    // the engine thread drains before a session opens again.
    bool busy_ = false;

    // The layout: the screen mode, the standard mode's maximized state and
    // normal geometry (kept while a full-screen mode is shown), Tab's panel
    // hiding, whether the palette floated in standard mode and where it
    // floats in the full-screen modes ((-1, -1): nowhere yet).
    int screenMode_ = 0;
    bool maximizedInStandard_ = true;
    QRect normalGeometry_{0, 0, -1, -1};
    int panelHiding_ = 0;
    bool paletteFloated_ = false;
    QPoint paletteFloatPosition_{-1, -1};
    QActionGroup* screenModeGroup_ = nullptr;

    // The tool Space replaced by the hand tool.
    QPointer<GmTool> rememberedTool_;

    // Cleared by "Save and Apply": the close asks nothing.
    bool askBeforeDiscard_ = true;
    // The close has wound the document down and waits for the engine thread.
    bool closing_ = false;
    // "Save and Apply" waits for the final cut-out (the window disabled).
    bool applying_ = false;
    // Revert Mask's selections on their way: the cut-out is reverted when one has run.
    QList<QPointer<VardekCommand>> pendingReverts_;
};

#endif
