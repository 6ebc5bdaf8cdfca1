#include "shell/panel_framework/fake_dock.h"

#include "panel_fixture.h"
#include "support/test_environment.h"

#include <QSplitter>

#include <gtest/gtest.h>

namespace {

using test_support::waitFor;

using FakeDockTest = PanelFixture;

TEST_F(FakeDockTest, ShowsWhileOneOfItsPanelsIsVisible) {
    EXPECT_TRUE(dock_->isHidden());
    TestPanel* const navigator = addPanel("Navigator");
    TestPanel* const tips = addPanel("Tip", {QString(), ViewTabs::AllViewTabs, true, true});
    navigator->setFloating(false, true);
    tips->setFloating(false, true);
    EXPECT_EQ(dock_->subWindows(), (QList<GmSubWindow*>{navigator, tips}));
    settle();
    EXPECT_TRUE(dock_->isHidden()); // docked quietly, nothing wanted yet

    navigator->toggleViewSlot(true);
    tips->toggleViewSlot(true);
    ASSERT_TRUE(waitFor([&] { return dock_->isVisible(); }));
    EXPECT_TRUE(navigator->isVisible());

    // Hiding every panel hides the column.
    navigator->closeViewSlot();
    settle();
    EXPECT_TRUE(dock_->isVisible());
    tips->closeViewSlot();
    ASSERT_TRUE(waitFor([&] { return dock_->isHidden(); }));
}

TEST_F(FakeDockTest, LastPanelFloatedOutHidesTheColumn) {
    TestPanel* const navigator = addPanel("Navigator");
    TestPanel* const blending = addPanel("Blending");
    for (TestPanel* panel : {navigator, blending}) {
        panel->setWantedVisible(true);
        panel->setFloating(false, false);
    }
    ASSERT_TRUE(waitFor([&] { return dock_->isVisible(); }));

    navigator->setFloating(true, false);
    settle();
    EXPECT_TRUE(navigator->isWindow());
    EXPECT_TRUE(navigator->isVisible());
    EXPECT_TRUE(dock_->isVisible());
    EXPECT_EQ(dock_->subWindows(), (QList<GmSubWindow*>{blending}));

    blending->setFloating(true, false);
    EXPECT_TRUE(dock_->isHidden());
    EXPECT_TRUE(blending->isVisible());
    settle();
    EXPECT_TRUE(dock_->isHidden());
    EXPECT_TRUE(dock_->subWindows().isEmpty());
}

TEST_F(FakeDockTest, WidensTheSplitterForItsPanelsButNeverNarrowsIt) {
    TestPanel* const narrow =
        addPanel("Narrow", {QString(), ViewTabs::AllViewTabs, true, false, 80});
    narrow->setWantedVisible(true);
    narrow->setFloating(false, false);
    ASSERT_TRUE(waitFor([&] { return dock_->isVisible(); }));
    settle();
    const QList<int> before = splitter_->sizes();
    const int total = before.at(0) + before.at(1);
    splitter_->setSizes({total - 380, 380});
    settle();
    const QList<int> wide = splitter_->sizes();
    ASSERT_EQ(wide.at(1), 380);

    // A panel narrower than the column changes nothing.
    dock_->childVisibilityChanged();
    EXPECT_EQ(splitter_->sizes(), wide);

    // A wider one takes its room from the image view.
    TestPanel* const broad =
        addPanel("Broad", {QString(), ViewTabs::AllViewTabs, true, false, 520});
    broad->setWantedVisible(true);
    broad->setFloating(false, false);
    settle();
    const int needed = broad->minimumSizeHint().width();
    ASSERT_GT(needed, 380);
    ASSERT_TRUE(waitFor([&] { return splitter_->sizes().at(1) >= needed; }));
    const QList<int> after = splitter_->sizes();
    EXPECT_EQ(after.at(0) + after.at(1), wide.at(0) + wide.at(1));

    // And the column keeps that width when the wide panel goes.
    broad->closeViewSlot();
    settle();
    EXPECT_EQ(splitter_->sizes(), after);
}

} // namespace
