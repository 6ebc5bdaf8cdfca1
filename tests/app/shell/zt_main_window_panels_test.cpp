// The option panels and the colour workspace in the main window: where they
// sit and how they are reached, the one analysis of each new session, the
// object-edge toggle that follows the edge settings in force, a new patch
// bringing up its panels, the colour sampler and the way back from it, and
// the hooks the window fills for the lower libraries while it lives.
#include "main_window_fixture.h"

#include "colour_workspace/colour_workspace.h"
#include "colour_workspace/colour_workspace_select_tool.h"
#include "engine_bridge/vardek_thread.h"
#include "engine_bridge/vk_cmd_analyse_image.h"
#include "files/file_handler.h"
#include "model/gm_model.h"
#include "model/gm_region.h"
#include "model/segmentation_stuff.h"
#include "panels/edge_detection_options.h"
#include "panels/image_blending_window.h"
#include "panels/image_edge_finder.h"
#include "panels/pipette_hooks.h"
#include "panels/region_blend_opts_widget.h"
#include "panels/regional_properties.h"
#include "panels/tip_window.h"
#include "panels/tool_palette.h"
#include "panels/view_options.h"
#include "shell/panel_framework/fake_dock.h"
#include "support/test_environment.h"
#include "support/warning_capture.h"
#include "tools/arrow_tool.h"
#include "tools/gm_tool.h"
#include "tools/no_tool.h"
#include "tools/region_rect_tool.h"
#include "tools/tool_cursors.h"
#include "workspace/canvas_hooks.h"
#include "workspace/image_view.h"
#include "workspace/navigator_window.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenu>
#include <QSlider>
#include <QStackedWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using test_support::WarningCapture;

class ZtMainWindowPanelsTest : public MainWindowFixture {};

// The key presses a widget is sent.
class KeyRecorder : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) keys << static_cast<QKeyEvent*>(event)->key();
        return false;
    }
    QList<int> keys;
};

QStringList entries(const QMenu* menu) {
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << action->text();
    return texts;
}

// The palette's button whose action has the text `text`, or null.
QToolButton* paletteButton(ToolPalette* palette, const QString& text) {
    for (auto* button : palette->findChildren<QToolButton*>())
        if (button->defaultAction() && button->defaultAction()->text() == text) return button;
    return nullptr;
}

TEST_F(ZtMainWindowPanelsTest,
       ThePanelsAreListedDockedOrFloatingWithTheirShortcutsInTheWindowMenu) {
    WarningCapture capture;
    makeWindow();
    // The palette's widgets fill its rows exactly: nothing lands out of line.
    EXPECT_FALSE(capture.warnings().contains(QStringLiteral("Tool Palette: Misaligned widget add")))
        << capture.warnings().join('\n').toStdString();

    struct Case {
        GmSubWindow* panel;
        const char* name;
        const char* shortcut;
        bool docks;
    };
    const Case cases[] = {
        {window_->colourWorkspace(), "Color Workspace", "C", false},
        {window_->patchProperties(), "Patch Properties", "F9", false},
        {window_->navigatorWindow(), "Navigator", "F6", true},
        {window_->edgeFinder(), "Edge Finding", "F7", true},
        {window_->blendingWindow(), "Edge Blending", "F8", true},
        {window_->tipWindow(), "Tip", "Ctrl+T", true},
    };
    const QList<GmSubWindow*>& panels = window_->panels();
    ASSERT_EQ(panels.size(), int(std::size(cases)));
    const QList<QAction*> windowMenu = window_->menus().window->actions();
    for (int i = 0; i < panels.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.panel, nullptr);
        EXPECT_EQ(panels[i], c.panel);
        EXPECT_EQ(c.panel->objectName(), QStringLiteral("DockWidget: ") + c.name);
        QAction* toggle = c.panel->toggleViewAction();
        EXPECT_TRUE(windowMenu.contains(toggle));
        EXPECT_EQ(toggle->shortcut(), QKeySequence(QString::fromLatin1(c.shortcut)));
        EXPECT_EQ(c.panel->dock(), c.docks ? window_->dock() : nullptr);
        EXPECT_EQ(c.panel->isWindow(), !c.docks);
    }
    EXPECT_TRUE(window_->edgeFinder()->isWidthLocked());
    EXPECT_TRUE(window_->blendingWindow()->isWidthLocked());
    EXPECT_EQ(entries(window_->menus().window),
              QStringList({"Tip", "Navigator", "Edge Finding", "Edge Blending", "", "Options",
                           "Color Workspace", "Patch Properties", "Tools"}));

    // The colour sampler: the last tool of the Image menu, with the pipette's pointer.
    ColourWorkspaceSelectTool* sampler = window_->colourSampler();
    ASSERT_NE(sampler, nullptr);
    EXPECT_EQ(window_->menus().image->actions().last(), sampler->action());
    EXPECT_EQ(sampler->action()->shortcut(), QKeySequence(QStringLiteral("S")));
    EXPECT_EQ(sampler->workspace(), window_->colourWorkspace());
    EXPECT_EQ(sampler->cursor().hotSpot(), QPoint(0, 31));
    EXPECT_EQ(sampler->cursor().bitmap(Qt::ReturnByValue).toImage(),
              createPipetteCursor()->bitmap(Qt::ReturnByValue).toImage());
    EXPECT_NE(paletteButton(window_->toolPalette(), QStringLiteral("Color Sampler")), nullptr);
}

TEST_F(ZtMainWindowPanelsTest, ThePalettesColourWorkspaceButtonAndThePanelsToggleMoveTogether) {
    makeWindow();
    QAction* toggle = window_->colourWorkspace()->toggleViewAction();
    QToolButton* button = paletteButton(window_->toolPalette(), QStringLiteral("Color Workspace"));
    ASSERT_NE(button, nullptr);
    QAction* action = button->defaultAction();
    EXPECT_NE(action, toggle);
    EXPECT_TRUE(action->isCheckable());
    EXPECT_EQ(action->toolTip(), toggle->toolTip());
    // The panel's own text, its shortcut after the title.
    EXPECT_TRUE(action->whatsThis().startsWith(QStringLiteral("<p><b>Color Workspace</b> (C)</p>")))
        << action->whatsThis().toStdString();
    EXPECT_FALSE(action->icon().isNull());

    action->trigger();
    EXPECT_TRUE(window_->colourWorkspace()->isVisible());
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_TRUE(action->isChecked());
    toggle->trigger();
    EXPECT_FALSE(window_->colourWorkspace()->isVisible());
    EXPECT_FALSE(action->isChecked());

    // Where the panel cannot show, neither can be used.
    window_->colourWorkspace()->viewTabChangedSlot(ImageView::Source);
    EXPECT_FALSE(toggle->isEnabled());
    EXPECT_FALSE(action->isEnabled());
    window_->colourWorkspace()->viewTabChangedSlot(ImageView::Workspace);
    EXPECT_TRUE(action->isEnabled());
}

TEST_F(ZtMainWindowPanelsTest, EachNewSessionIsAnalysedExactlyOnce) {
    makeWindow();
    VardekThread* thread = window_->engineThread();
    // Counted while the test runs (not while the fixture closes the document).
    QObject counting;
    int started = 0, discarded = 0;
    QObject::connect(thread, &VardekThread::commandStarted, &counting,
                     [&started](VardekCommand* command) {
                         if (dynamic_cast<VkCmdAnalyseImage*>(command)) ++started;
                     });
    QObject::connect(thread, &VardekThread::commandDiscarded, &counting,
                     [&discarded](VardekCommand* command) {
                         if (dynamic_cast<VkCmdAnalyseImage*>(command)) ++discarded;
                     });

    ASSERT_TRUE(window_->fileHandler()->loadImage(testData("chelsea.png")));
    ASSERT_TRUE(analysed());
    waitIdle();
    EXPECT_EQ(started, 1);
    EXPECT_EQ(discarded, 0);
    // The edge-finding panel is the one that asked, with the image's values.
    EXPECT_TRUE(window_->edgeFinder()->isEnabled());
    EXPECT_EQ(window_->edgeFinder()->options()->record(), model()->imageSmeg());

    // A new resolution opens a new session: analysed once more.
    model()->setResolution(2);
    ASSERT_EQ(model()->resolutionFactor(), 2);
    ASSERT_TRUE(test_support::waitFor([&started] { return started == 2; }, 30000));
    ASSERT_TRUE(analysed());
    waitIdle();
    EXPECT_EQ(started, 2);
    EXPECT_EQ(discarded, 0);
}

TEST_F(ZtMainWindowPanelsTest, TheObjectEdgeToggleFollowsTheEdgeSettingsInForce) {
    windowOnPhoto();
    QCheckBox* edges = window_->viewOptions()->objectEdgeBox();
    ASSERT_NE(edges, nullptr);
    EXPECT_TRUE(edges->isEnabled());

    // The image analysed at the highest sensitivity: too many edges to show.
    EdgeDetectionOptions* image = window_->edgeFinder()->options();
    image->sensitivitySlider()->setValue(100);
    image->applyValuesSlot();
    ASSERT_TRUE(analysed());
    waitIdle();
    EXPECT_FALSE(edges->isEnabled());

    // A patch that follows the image: still the image's settings.
    ASSERT_TRUE(window_->rectanglePatchTool()->installSlot());
    drag(*window_->rectanglePatchTool(), QPointF(60, 60), QPointF(200, 200));
    waitIdle();
    GmRegion* patch = model()->activeRegion();
    ASSERT_NE(patch, nullptr);
    EXPECT_FALSE(edges->isEnabled());

    // Analysed with its own, lower sensitivity: the patch's settings.
    RegionalProperties* properties = window_->patchProperties();
    properties->edgeOptions()->sensitivitySlider()->setValue(50);
    properties->analyseSeparatelyGroup()->setChecked(true);
    properties->regSmegCheckBoxStateChangedSlot();
    ASSERT_TRUE(patch->smeg().isChecked());
    EXPECT_TRUE(edges->isEnabled());
    waitIdle();
    EXPECT_TRUE(edges->isEnabled());

    // No patch active: the image's again.
    model()->setActiveRegion(nullptr, 1);
    EXPECT_FALSE(edges->isEnabled());
    model()->setActiveRegion(patch, 1);
    EXPECT_TRUE(edges->isEnabled());
}

TEST_F(ZtMainWindowPanelsTest, ANewPatchBringsUpItsPropertiesAndTheColourWorkspace) {
    windowOnPhoto();
    // Even after the user closed them.
    window_->patchProperties()->closeViewSlot();
    window_->colourWorkspace()->closeViewSlot();
    ASSERT_TRUE(window_->rectanglePatchTool()->installSlot());
    drag(*window_->rectanglePatchTool(), QPointF(60, 60), QPointF(200, 200));
    waitIdle();
    ASSERT_NE(model()->activeRegion(), nullptr);
    EXPECT_TRUE(window_->patchProperties()->isVisible());
    EXPECT_EQ(window_->patchProperties()->pages()->currentIndex(), RegionalProperties::PatchPage);
    EXPECT_TRUE(window_->colourWorkspace()->isVisible());
    EXPECT_EQ(GmTool::currentTool(), window_->arrowTool());
}

TEST_F(ZtMainWindowPanelsTest, HidingTheColourWorkspaceLeavesTheSamplerByTheWindowsRule) {
    windowOnPhoto();
    MaskBrushTool* brush = window_->maskBrush(MaskBrushTool::KeepLocal);
    ASSERT_TRUE(brush->installSlot());
    ColourWorkspaceSelectTool* sampler = window_->colourSampler();
    ASSERT_TRUE(sampler->installSlot());
    // The sampler brings the panel up; closing it returns to the brush.
    EXPECT_TRUE(window_->colourWorkspace()->isVisible());
    window_->colourWorkspace()->toggleViewAction()->trigger();
    EXPECT_FALSE(window_->colourWorkspace()->isVisible());
    EXPECT_EQ(GmTool::currentTool(), brush);

    struct Case {
        const char* what;
        ImageView::ViewTab tab;
        GmTool* tool;
        GmTool* expected;
    };
    const Case cases[] = {
        {"a tool that works here", ImageView::Workspace, sampler, sampler},
        {"a tool that is gone", ImageView::Workspace, nullptr, window_->arrowTool()},
        {"a tool that does not work here", ImageView::Source, brush, window_->noTool()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(brush->installSlot());
        window_->imageView()->ensureTab(c.tab, c.tab);
        window_->selectToolOrFallback(c.tool);
        EXPECT_EQ(GmTool::currentTool(), c.expected);
        window_->imageView()->ensureTab(ImageView::Workspace, ImageView::Workspace);
    }

    // Escape pressed in the panel reaches the window.
    KeyRecorder keys;
    window_->installEventFilter(&keys);
    QTest::keyClick(window_->colourWorkspace(), Qt::Key_Escape);
    QTest::keyClick(window_->patchProperties(), Qt::Key_Escape);
    EXPECT_EQ(keys.keys, QList<int>({Qt::Key_Escape, Qt::Key_Escape}));
    window_->removeEventFilter(&keys);
}

TEST_F(ZtMainWindowPanelsTest, TheWindowsHooksServeThePanelsWhileItLives) {
    makeWindow();
    // The patch panel's complex blending got its two pipettes.
    QStringList pipettes;
    for (auto* bar :
         window_->patchProperties()->complexBlending()->overrideGroup()->findChildren<QToolBar*>())
        for (QAction* action : bar->actions())
            if (action->text().startsWith(QStringLiteral("Pick the"))) pipettes << action->text();
    EXPECT_EQ(pipettes.size(), 2) << pipettes.join(", ").toStdString();
    Pipette pipette = createPipette(QStringLiteral("Test Picker"), QStringLiteral("Pick"));
    ASSERT_NE(pipette.tool, nullptr);
    EXPECT_EQ(pipette.action->text(), QStringLiteral("Pick"));
    delete pipette.tool;
    // The canvas's menu offers the two panels' toggles.
    ASSERT_TRUE(canvasHooks().patchPropertiesToggle);
    EXPECT_EQ(canvasHooks().patchPropertiesToggle(),
              window_->patchProperties()->toggleViewAction());
    ASSERT_TRUE(canvasHooks().colourWorkspaceToggle);
    EXPECT_EQ(canvasHooks().colourWorkspaceToggle(),
              window_->colourWorkspace()->toggleViewAction());

    closeWindow();
    EXPECT_EQ(createPipette(QStringLiteral("Test Picker"), QStringLiteral("Pick")).tool, nullptr);
    EXPECT_FALSE(canvasHooks().patchPropertiesToggle &&
                 canvasHooks().patchPropertiesToggle() != nullptr);
    EXPECT_FALSE(canvasHooks().colourWorkspaceToggle &&
                 canvasHooks().colourWorkspaceToggle() != nullptr);
    // With the window gone the workspace's way back reaches no window (and,
    // with no tools left, installs nothing).
    ColourWorkspace::selectToolOrFallback(nullptr);
    EXPECT_EQ(GmTool::currentTool(), nullptr);
}

} // namespace
