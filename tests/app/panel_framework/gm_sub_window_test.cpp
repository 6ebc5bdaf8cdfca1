#include "shell/panel_framework/gm_sub_window.h"

#include "model/gm_model.h"
#include "model/rect_region.h"
#include "panel_fixture.h"
#include "shell/panel_framework/gm_sub_window_layout.h"
#include "shell/panel_framework/title_button.h"
#include "shell/panel_framework/title_widget.h"
#include "support/test_environment.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QSizeGrip>
#include <QStyle>
#include <QTest>

#include <functional>

namespace {

using GmSubWindowTest = PanelFixture;

TEST_F(GmSubWindowTest, IsBuiltHiddenWithItsActionTitleAndShortcut) {
    QMenu menu;
    TestPanel panel("Tip", &menu, window_.get(), {"Ctrl+T"});
    EXPECT_EQ(panel.objectName(), "DockWidget: Tip");
    EXPECT_EQ(panel.settingsKey(), "UI/SubWindows/DockWidget: Tip");
    EXPECT_TRUE(panel.isWindow());
    EXPECT_TRUE(panel.isHidden());
    EXPECT_FALSE(panel.isWantedVisible());
    EXPECT_FALSE(panel.isSuppressed());

    QAction* const action = panel.toggleViewAction();
    EXPECT_TRUE(menu.actions().contains(action));
    EXPECT_TRUE(action->isCheckable());
    EXPECT_EQ(action->text(), "Tip");
    EXPECT_EQ(action->shortcut(), QKeySequence("Ctrl+T"));
    EXPECT_EQ(action->toolTip(), "Tip (Ctrl+T)");
    EXPECT_EQ(panel.toolTip(), "Tip (Ctrl+T)");

    TitleWidget* const title = panel.titleWidget();
    EXPECT_TRUE(title->isHidden());
    EXPECT_EQ(title->title(), "Tip");
    EXPECT_EQ(title->palette().color(QPalette::Window), QColor(0, 189, 242));
    EXPECT_TRUE(title->autoFillBackground());
    EXPECT_EQ(title->findChild<QLabel*>()->palette().color(QPalette::WindowText),
              QColor(Qt::white));
    EXPECT_EQ(title->closeButton()->focusPolicy(), Qt::NoFocus);

    panel.setWindowTitle("Tips");
    EXPECT_EQ(action->text(), "Tips");
    EXPECT_EQ(title->title(), "Tips");
}

TEST_F(GmSubWindowTest, ContentSitsWithoutMarginsAndIsForgottenWhenRemoved) {
    TestPanel* const panel = addPanel("Navigator");
    QWidget* const content = panel->widget();
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->layout()->contentsMargins(), QMargins(0, 0, 0, 0));
    EXPECT_EQ(content->layout()->spacing(), 5);
    EXPECT_EQ(panel->panelLayout()->contentsMargins(), QMargins(2, 2, 2, 2));
    delete content;
    EXPECT_EQ(panel->widget(), nullptr);
}

// The visibility rule: wanted, not suppressed, and allowed on the current tab.
TEST_F(GmSubWindowTest, ShowsOnlyWhenWantedUnsuppressedAndOnAnAllowedTab) {
    struct Step {
        const char* what;
        std::function<void(GmSubWindow&)> act;
        bool visible;
        bool wanted;
        bool actionEnabled;
    };
    const Step steps[] = {
        {"wanted", [](GmSubWindow& p) { p.toggleViewSlot(true); }, true, true, true},
        {"a tab it may not show on", [](GmSubWindow& p) { p.viewTabChangedSlot(ViewTabs::Source); },
         false, true, false},
        {"back on its tab", [](GmSubWindow& p) { p.viewTabChangedSlot(ViewTabs::Workspace); }, true,
         true, true},
        {"hide-all mode",
         [](GmSubWindow& p) {
             p.setSuppressed(true);
             p.updateVisibility();
         },
         false, true, true},
        {"still suppressed after a tab change",
         [](GmSubWindow& p) { p.viewTabChangedSlot(ViewTabs::Workspace); }, false, true, true},
        {"toggled on in hide-all mode", [](GmSubWindow& p) { p.toggleViewSlot(true); }, true, true,
         true},
        {"closed with its button", [](GmSubWindow& p) { p.titleWidget()->closeButton()->click(); },
         false, false, true},
        {"not wanted on another tab",
         [](GmSubWindow& p) { p.viewTabChangedSlot(ViewTabs::Cutout); }, false, false, false},
        {"shown by the user on a tab it may not show on", [](GmSubWindow& p) { p.userShow(); },
         true, true, false},
    };
    for (const bool docked : {true, false}) {
        TestPanel* const panel =
            addPanel(docked ? "Docked" : "Floating", {QString(), ViewTabs::Workspace});
        panel->setFloating(!docked, true);
        for (const Step& step : steps) {
            SCOPED_TRACE(std::string(docked ? "docked, " : "floating, ") + step.what);
            step.act(*panel);
            settle(); // the dock follows its panels' visibility queued
            EXPECT_EQ(panel->isVisibleTo(panel->parentWidget()), step.visible);
            EXPECT_EQ(panel->isWantedVisible(), step.wanted);
            EXPECT_EQ(panel->toggleViewAction()->isEnabled(), step.actionEnabled);
            EXPECT_EQ(panel->toggleViewAction()->isChecked(), step.visible);
        }
        EXPECT_FALSE(panel->isSuppressed());
        EXPECT_EQ(panel->isWindow(), !docked);
        EXPECT_EQ(panel->titleWidget()->isVisibleTo(panel), docked);
    }
}

TEST_F(GmSubWindowTest, CloseEventMarksThePanelClosedUntilItShowsAgain) {
    TestPanel* const panel = addPanel("Blending");
    panel->setFloating(true, true);
    panel->toggleViewSlot(true);
    ASSERT_TRUE(panel->isVisible());
    QSignalSpy visibility(panel, &GmSubWindow::visibilityChanged);
    panel->close();
    EXPECT_TRUE(panel->isClosed());
    EXPECT_FALSE(panel->isWantedVisible());
    EXPECT_FALSE(panel->toggleViewAction()->isChecked());
    EXPECT_GE(visibility.count(), 1);
    panel->toggleViewAction()->trigger();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(panel->isClosed());
}

TEST_F(GmSubWindowTest, RestoresOnlyWhatWasStoredAndWhatItMayRestore) {
    struct Case {
        const char* what;
        bool restoresVisibility;
        QByteArray stored;
        bool wantedBefore;
        bool wantedAfter;
    };
    const QByteArray geometry = [&] {
        TestPanel source("Source", nullptr, window_.get(), {});
        source.setFloating(true, true);
        source.setGeometry(120, 90, 200, 150);
        return source.saveState().mid(1);
    }();
    const Case cases[] = {
        {"empty", true, QByteArray(), true, true},
        {"stored visible", true, QByteArray(1, 1) + geometry, false, true},
        {"stored hidden", true, QByteArray(1, 0) + geometry, true, false},
        {"stored visible, not restored", false, QByteArray(1, 1) + geometry, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestPanel panel("Patch Properties", nullptr, window_.get(),
                        {QString(), ViewTabs::Workspace, c.restoresVisibility});
        panel.setWantedVisible(c.wantedBefore);
        panel.restoreState(c.stored);
        EXPECT_EQ(panel.isWantedVisible(), c.wantedAfter);
        EXPECT_EQ(panel.savedGeometry(), c.stored.mid(1));
        EXPECT_TRUE(panel.isHidden()); // restoring never shows
    }
}

TEST_F(GmSubWindowTest, StateGoesThroughTheSettingsAndBack) {
    {
        TestPanel* const panel =
            addPanel("Navigator", {QString(), ViewTabs::AllViewTabs, true, true});
        panel->setFloating(true, true);
        panel->toggleViewSlot(true);
        panel->setGeometry(140, 110, 260, 220);
        const QByteArray state = panel->saveState();
        ASSERT_GT(state.size(), 1);
        EXPECT_EQ(state.at(0), 1);
        QSettings().setValue(panel->settingsKey(), state);
        delete panel;
    }
    TestPanel* const panel = addPanel("Navigator", {QString(), ViewTabs::AllViewTabs, true, true});
    panel->restoreState(QSettings().value("UI/SubWindows/DockWidget: Navigator").toByteArray());
    EXPECT_TRUE(panel->isWantedVisible());
    panel->setFloating(true, false);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->size(), QSize(260, 220));
    QSettings().clear();
}

TEST_F(GmSubWindowTest, PanelWithoutDockOnlyUpdatesItsVisibility) {
    TestPanel panel("Colour Workspace", nullptr, window_.get(), {});
    panel.setWantedVisible(true);
    panel.setFloating(false, false);
    EXPECT_TRUE(panel.isWindow());
    EXPECT_TRUE(panel.isVisible());
    panel.setWantedVisible(false);
    panel.setFloating(false, true);
    EXPECT_TRUE(panel.isVisible()); // quiet: not even the visibility
}

TEST_F(GmSubWindowTest, FloatingResizablePanelHasAGripInItsOuterBottomCorner) {
    for (const Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
        SCOPED_TRACE(direction == Qt::LeftToRight ? "left to right" : "right to left");
        QApplication::setLayoutDirection(direction);
        TestPanel* const panel = addPanel("Tip", {QString(), ViewTabs::AllViewTabs, true, true});
        panel->setDefaultSize(QSize(240, 180));
        panel->setFloating(false, true);
        panel->setFloating(true, false);
        panel->toggleViewSlot(true);
        EXPECT_EQ(panel->size(), QSize(240, 180));
        QSizeGrip* const grip = panel->sizeGrip();
        ASSERT_NE(grip, nullptr);
        EXPECT_TRUE(grip->isVisible());
        const QRect corner = grip->geometry();
        EXPECT_EQ(corner.bottom(), panel->rect().bottom());
        const int side = direction == Qt::LeftToRight ? corner.right() : corner.left();
        EXPECT_EQ(side, direction == Qt::LeftToRight ? panel->rect().right() : 0);
        panel->resize(300, 260);
        EXPECT_EQ(grip->geometry().bottom(), panel->rect().bottom());

        panel->setFloating(false, false);
        EXPECT_EQ(panel->sizeGrip(), nullptr);
        delete panel;
    }
}

TEST_F(GmSubWindowTest, FloatingFixedPanelTakesItsSizeFromItsLayout) {
    TestPanel* const panel = addPanel("Edge Finding");
    panel->setFloating(true, true);
    panel->toggleViewSlot(true);
    EXPECT_EQ(panel->sizeGrip(), nullptr);
    panel->resize(panel->width() + 150, panel->height() + 150);
    QApplication::processEvents();
    EXPECT_EQ(panel->minimumSize(), panel->maximumSize());
    EXPECT_EQ(panel->size(), panel->minimumSize());

    // Docked, it can be any size again.
    panel->setFloating(false, false);
    EXPECT_EQ(panel->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

TEST_F(GmSubWindowTest, LockedWidthBecomesTheLayoutsMinimum) {
    TestPanel* const panel = addPanel("Blending", {QString(), ViewTabs::AllViewTabs, true, true});
    panel->setWidthLocked(true);
    panel->setDefaultSize(QSize(310, 200));
    panel->setFloating(false, true);
    panel->setFloating(true, false);
    EXPECT_EQ(panel->panelLayout()->minimumWidth(), 310);
    EXPECT_GE(panel->panelLayout()->sizeHint().width(), 310);
}

TEST_F(GmSubWindowTest, KeysInsideAPanel) {
    TestPanel* const panel = addPanel("Patch Properties");
    panel->setFloating(false, true);
    panel->toggleViewSlot(true);
    settle();
    int escapes = 0;
    QObject::connect(panel, &GmSubWindow::escapeKeyPressed, [&](QKeyEvent* event) {
        EXPECT_EQ(event->key(), Qt::Key_Escape);
        ++escapes;
    });

    // Backspace deletes the active patch; without one nothing happens, and the
    // key goes no further.
    QTest::keyClick(panel, Qt::Key_Backspace);
    EXPECT_TRUE(window_->keys.isEmpty());
    EXPECT_TRUE(panel->isVisible());

    QTest::keyClick(panel, Qt::Key_Escape);
    EXPECT_EQ(escapes, 1);
    EXPECT_TRUE(window_->keys.isEmpty());

    // Every other key travels on to the window.
    QTest::keyClick(panel, Qt::Key_A);
    EXPECT_EQ(window_->keys, QList<int>({Qt::Key_A}));
}

TEST_F(GmSubWindowTest, BackspaceInsideAPanelDeletesTheActivePatch) {
    TestPanel* const panel = addPanel("Patch Properties");
    panel->setFloating(false, true);
    panel->toggleViewSlot(true);
    settle();
    GmModel* const model = GmModel::instance();
    QPointer<GmRegion> patch = new RectRegion(QPointF(2, 2));
    model->setActiveRegion(patch, 0);
    ASSERT_EQ(model->activeRegion(), patch.data());

    QTest::keyClick(panel, Qt::Key_Backspace);
    EXPECT_FALSE(model->containsRegion(patch));
    EXPECT_EQ(model->activeRegion(), nullptr);
    EXPECT_TRUE(window_->keys.isEmpty()) << "the key goes no further";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(patch) << "without an engine the patch goes at once";
}

TEST_F(GmSubWindowTest, TitleButtonFitsItsIcon) {
    TitleButton button;
    const int iconSize = button.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &button);
    const QSize actual = button.icon().actualSize(QSize(iconSize, iconSize));
    const int side = qMax(actual.width(), actual.height()) + 4;
    EXPECT_EQ(button.sizeHint(), QSize(side, side));
    EXPECT_EQ(button.minimumSizeHint(), button.sizeHint());
    QImage picture(button.sizeHint(), QImage::Format_ARGB32);
    button.render(&picture); // paints without a window
}

} // namespace
