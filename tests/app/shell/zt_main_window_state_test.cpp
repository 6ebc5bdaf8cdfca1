// The window's layout between runs, its screen modes and Tab's panel hiding.
#include "main_window_fixture.h"

#include "panels/tool_palette.h"
#include "panels/tool_palette_button.h"
#include "shell/panel_framework/gm_sub_window.h"
#include "shell/window_placement.h"
#include "support/test_environment.h"
#include "workspace/image_view.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

namespace {

class ZtMainWindowStateTest : public MainWindowFixture {
protected:
    void SetUp() override { forgetStoredLayout(); }

    static QRect screenArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }

    // A shown window in standard mode at `geometry`, not maximized. (The
    // window's own minimum is wider than the test screen.)
    ZtMainWindow* shownAt(const QRect& geometry) {
        makeWindow();
        window_->setMinimumSize(200, 150);
        window_->showNormal();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window_));
        window_->setGeometry(geometry);
        QCoreApplication::processEvents();
        return window_;
    }

    // The panels that stack in the column (the others float by default).
    QList<GmSubWindow*> stackedPanels() const {
        QList<GmSubWindow*> stacked;
        for (GmSubWindow* panel : window_->panels())
            if (!panel->floatsByDefault()) stacked << panel;
        return stacked;
    }

    // Hidden or shown as the window's hiding says, for each of its parts.
    void expectShown(bool optionsBar, bool palette, bool panels) {
        EXPECT_EQ(window_->optionsToolBar()->isVisible(), optionsBar);
        EXPECT_EQ(window_->toolPalette()->isVisible(), palette);
        for (GmSubWindow* panel : stackedPanels())
            EXPECT_EQ(panel->isVisible(), panels) << panel->objectName().toStdString();
    }
};

TEST_F(ZtMainWindowStateTest, TheFirstStartIsMaximizedWithTheStackingPanelsDockedAndShown) {
    makeWindow();
    EXPECT_TRUE(window_->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(window_->normalGeometry(), firstStartGeometry(screenArea()));
    EXPECT_EQ(window_->screenMode(), 0);
    EXPECT_TRUE(window_->commands().screenModes[0]->isChecked());
    ToolPalette* palette = window_->toolPalette();
    EXPECT_FALSE(palette->isFloating());
    EXPECT_EQ(window_->dockWidgetArea(palette), Qt::LeftDockWidgetArea);
    EXPECT_EQ(palette->allowedAreas(), Qt::LeftDockWidgetArea);
    ASSERT_FALSE(stackedPanels().isEmpty());
    for (GmSubWindow* panel : window_->panels()) {
        SCOPED_TRACE(panel->objectName().toStdString());
        EXPECT_EQ(panel->isWantedVisible(), !panel->floatsByDefault());
        if (!panel->floatsByDefault()) {
            EXPECT_FALSE(panel->isWindow());
        }
    }

    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    EXPECT_TRUE(window_->isMaximized());
    for (GmSubWindow* panel : stackedPanels())
        EXPECT_TRUE(panel->isVisible()) << panel->objectName().toStdString();
    // Once the event loop ran, the panels have default places for floating.
    for (GmSubWindow* panel : stackedPanels()) {
        EXPECT_TRUE(panel->defaultSize().isValid());
        EXPECT_GT(panel->defaultPosition().y(), screenArea().top());
    }
}

TEST_F(ZtMainWindowStateTest, FThreeTimesGoesThroughTheScreenModesBackToTheSameWindow) {
    const QRect standard(60, 50, 640, 420);
    shownAt(standard);
    ASSERT_EQ(window_->geometry(), standard);
    QAction* toggle = window_->commands().toggleScreenMode;
    ASSERT_NE(toggle, nullptr);
    EXPECT_EQ(toggle->shortcut(), QKeySequence(QStringLiteral("F")));
    EXPECT_TRUE(window_->actions().contains(toggle));

    toggle->trigger();
    EXPECT_EQ(window_->screenMode(), 1);
    EXPECT_TRUE(window_->commands().screenModes[1]->isChecked());
    EXPECT_TRUE(window_->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window_->geometry(), screenArea());
    EXPECT_TRUE(window_->menuBar()->isVisible());
    EXPECT_TRUE(window_->toolPalette()->isFloating());
    for (GmSubWindow* panel : window_->panels())
        EXPECT_TRUE(panel->isWindow()) << panel->objectName().toStdString();

    toggle->trigger();
    EXPECT_EQ(window_->screenMode(), 2);
    EXPECT_TRUE(window_->isFullScreen());
    EXPECT_FALSE(window_->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(window_->menuBar()->isVisible());
    // "F" works without the menu bar.
    EXPECT_TRUE(toggle->isEnabled());

    toggle->trigger();
    EXPECT_EQ(window_->screenMode(), 0);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(window_->isFullScreen());
    EXPECT_FALSE(window_->isMaximized());
    EXPECT_EQ(window_->geometry(), standard);
    EXPECT_TRUE(window_->menuBar()->isVisible());
    EXPECT_FALSE(window_->toolPalette()->isFloating());
    for (GmSubWindow* panel : stackedPanels())
        EXPECT_FALSE(panel->isWindow()) << panel->objectName().toStdString();
}

TEST_F(ZtMainWindowStateTest, TheScreenModesAreInTheViewMenuAndThePalette) {
    makeWindow();
    QMenu* menu = window_->menus().screenMode;
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), QStringLiteral("Screen Mode"));
    EXPECT_TRUE(window_->menus().view->actions().contains(menu->menuAction()));
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << action->text();
    EXPECT_EQ(texts, QStringList({"Standard Screen Mode", "Full Screen with Menu Mode",
                                  "Full Screen Mode"}));
    EXPECT_TRUE(menu->actions().at(2)->whatsThis().contains(QStringLiteral("Screen Mode</b> (F)")));

    // Three buttons at the palette's foot, each with its mode's tool tip and "F".
    QList<ToolPaletteButton*> buttons;
    for (auto* button : window_->toolPalette()->findChildren<ToolPaletteButton*>())
        if (!button->defaultAction() && button->toolTip().contains(QStringLiteral("Mode")))
            buttons << button;
    ASSERT_EQ(buttons.size(), 3);
    EXPECT_EQ(buttons.at(1)->toolTip(), QStringLiteral("Full Screen with Menu Mode (F)"));
    EXPECT_TRUE(buttons.at(0)->isChecked());
    // A click triggers its mode; the mode checks its button.
    window_->commands().screenModes[2]->trigger();
    EXPECT_TRUE(buttons.at(2)->isChecked());
    EXPECT_FALSE(buttons.at(0)->isChecked());
    buttons.at(0)->click();
    EXPECT_EQ(window_->screenMode(), 0);
    EXPECT_TRUE(buttons.at(0)->isChecked());
}

TEST_F(ZtMainWindowStateTest, TabAndShiftTabHideThePanelsTheOptionsBarAndThePalette) {
    makeWindow();
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    expectShown(true, true, true);

    // Tab on the view reaches the window (and moves no focus).
    QTest::keyClick(window_->imageView(), Qt::Key_Tab);
    EXPECT_EQ(window_->panelHiding(), 1);
    expectShown(false, false, false);
    EXPECT_TRUE(window_->toolPalette()->isForcedHidden());
    QTest::keyClick(window_->imageView(), Qt::Key_Tab);
    EXPECT_EQ(window_->panelHiding(), 0);
    expectShown(true, true, true);

    struct Step {
        bool shift;
        int hiding;
        bool optionsBar, palette, panels;
    };
    const Step steps[] = {
        {true, 2, true, true, false},    // Shift+Tab: the panels only
        {false, 1, false, false, false}, // Tab from there: everything
        {true, 2, true, true, false},    // Shift+Tab from everything: the panels only
        {true, 0, true, true, true},     // and back
    };
    for (const Step& step : steps) {
        window_->tabPressed(step.shift);
        EXPECT_EQ(window_->panelHiding(), step.hiding);
        expectShown(step.optionsBar, step.palette, step.panels);
        EXPECT_EQ(window_->toolPalette()->isForcedHidden(), step.hiding == 1);
    }
}

TEST_F(ZtMainWindowStateTest, PanelsHiddenByTabAreStoredAsTheUserWantsThem) {
    makeWindow();
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    window_->tabPressed(false);
    expectShown(false, false, false);
    window_->saveWindowState();

    const QSettings settings;
    EXPECT_EQ(settings.value(QStringLiteral("PersistVersion")).toInt(), 2);
    for (GmSubWindow* panel : stackedPanels()) {
        const QByteArray state = settings.value(panel->settingsKey()).toByteArray();
        ASSERT_FALSE(state.isEmpty());
        EXPECT_EQ(state.at(0), 1) << panel->objectName().toStdString();
    }
    const QByteArray palette =
        settings.value(QStringLiteral("UI/SubWindows/DockWidget: Tools")).toByteArray();
    ASSERT_EQ(palette.size(), 10);
    EXPECT_EQ(palette.at(8), 1);

    // The next window shows them all.
    closeWindow();
    makeWindow();
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    EXPECT_EQ(window_->panelHiding(), 0);
    expectShown(true, true, true);
}

TEST_F(ZtMainWindowStateTest, AStoredLayoutComesBackWithItsScreenModeAndStandardWindow) {
    const QRect standard(70, 40, 600, 400);
    shownAt(standard);
    window_->setScreenMode(1, false);
    window_->saveWindowState();
    closeWindow();

    makeWindow();
    window_->setMinimumSize(200, 150);
    EXPECT_EQ(window_->screenMode(), 1);
    EXPECT_TRUE(window_->commands().screenModes[1]->isChecked());
    EXPECT_TRUE(window_->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window_->standardGeometry(), standard);
    EXPECT_FALSE(window_->standardMaximized());
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    window_->setScreenMode(0, false);
    EXPECT_EQ(window_->geometry(), standard);
    EXPECT_FALSE(window_->isMaximized());

    // Another layout version is not used: a first start again.
    QSettings().setValue(QStringLiteral("PersistVersion"), 1);
    closeWindow();
    makeWindow();
    EXPECT_EQ(window_->screenMode(), 0);
    EXPECT_TRUE(window_->windowState() & Qt::WindowMaximized);
}

} // namespace
