// Keys on the shown main window, as the window system delivers them (held
// keys repeat): Space pans with the hand tool while it is held, Escape asks
// the tool to escape (also from a panel), Backspace deletes the active patch.
#include "main_window_fixture.h"

#include "model/gm_model.h"
#include "shell/panel_framework/gm_sub_window.h"
#include "support/test_environment.h"
#include "tools/arrow_tool.h"
#include "tools/gm_tool.h"
#include "tools/pan_tool.h"
#include "tools/region_rect_tool.h"
#include "workspace/image_view.h"
#include "workspace/navigator_window.h"
#include "workspace/zt_workspace.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class ZtMainWindowKeysTest : public MainWindowFixture {
protected:
    void SetUp() override {
        windowOnPhoto();
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
        // Keys go where the user's keys go: to the focus widget, then up.
        window_->imageView()->setFocus();
    }

    // A key as the window system sends it to the window.
    void key(bool press, Qt::Key code, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             bool repeat = false) {
        const QString text = code == Qt::Key_Space ? QStringLiteral(" ") : QString();
        QTest::simulateEvent(window_->windowHandle(), press, code, modifiers, text, repeat);
    }
    void press(Qt::Key code, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        key(true, code, modifiers);
    }
    void release(Qt::Key code, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        key(false, code, modifiers);
    }
    // A held key: the system repeats release and press, both marked
    // repeated; `check` runs after each.
    void repeat(Qt::Key code, int times, const std::function<void()>& check) {
        for (int i = 0; i < times; ++i) {
            key(false, code, Qt::NoModifier, true);
            check();
            key(true, code, Qt::NoModifier, true);
            check();
        }
    }

    GmTool* current() const { return GmTool::currentTool(); }
    GmTool* pan() const { return window_->panTool(); }
    GmTool* brush(MaskBrushTool::Kind kind) const { return window_->maskBrush(kind); }
};

TEST_F(ZtMainWindowKeysTest, HoldingSpacePansAndLettingGoReturnsToTheBrush) {
    GmTool* keep = brush(MaskBrushTool::KeepExact);
    ASSERT_TRUE(keep->installSlot());
    press(Qt::Key_Space);
    EXPECT_EQ(current(), pan());
    EXPECT_EQ(window_->rememberedTool(), keep);
    repeat(Qt::Key_Space, 3, [&] {
        EXPECT_EQ(current(), pan());
        EXPECT_EQ(window_->rememberedTool(), keep);
    });
    release(Qt::Key_Space);
    EXPECT_EQ(current(), keep);
    EXPECT_EQ(window_->rememberedTool(), nullptr);
    // The hand stayed on the brush's tab the whole time.
    EXPECT_EQ(window_->imageView()->currentViewTab(), ImageView::Workspace);
}

TEST_F(ZtMainWindowKeysTest, SpaceKeepsTheToolWhereTheHandDoesNotWorkOrWithAModifier) {
    GmTool* keep = brush(MaskBrushTool::KeepExact);
    ASSERT_TRUE(keep->installSlot());
    // A fourth tab, where no tool works (its flag is none of the tools' tabs).
    ImageView* view = window_->imageView();
    const auto none = ImageView::ViewTab(0);
    view->addTab(view->findChild<ZtWorkspace*>(), QStringLiteral("&Gallery"), QString(), QString(),
                 none);
    view->ensureTab(0, none);
    ASSERT_EQ(view->currentViewTab(), none);
    press(Qt::Key_Space);
    EXPECT_EQ(current(), keep);
    EXPECT_EQ(window_->rememberedTool(), nullptr);
    release(Qt::Key_Space);
    EXPECT_EQ(current(), keep);
    view->ensureTab(ImageView::Workspace, ImageView::Workspace);

    // Shift+Space belongs to the tool, and ends the return from a pan.
    press(Qt::Key_Space);
    ASSERT_EQ(current(), pan());
    press(Qt::Key_Space, Qt::ShiftModifier);
    EXPECT_EQ(window_->rememberedTool(), nullptr);
    release(Qt::Key_Space, Qt::ShiftModifier);
    release(Qt::Key_Space);
    EXPECT_EQ(current(), pan());
}

TEST_F(ZtMainWindowKeysTest, AToolChosenOrGoneWhileSpaceIsHeldIsNotReturnedTo) {
    ASSERT_TRUE(brush(MaskBrushTool::KeepExact)->installSlot());
    press(Qt::Key_Space);
    ASSERT_EQ(current(), pan());
    GmTool* remove = brush(MaskBrushTool::DeleteExact);
    ASSERT_TRUE(remove->installSlot());
    release(Qt::Key_Space);
    EXPECT_EQ(current(), remove);

    // A tool that goes while Space holds the hand: the hand stays.
    auto extra = std::make_unique<MaskBrushTool>(MaskBrushTool::BlendLocal, nullptr, nullptr,
                                                 nullptr, nullptr);
    ASSERT_TRUE(extra->installSlot());
    press(Qt::Key_Space);
    ASSERT_EQ(current(), pan());
    ASSERT_EQ(window_->rememberedTool(), extra.get());
    extra.reset();
    EXPECT_EQ(window_->rememberedTool(), nullptr);
    release(Qt::Key_Space);
    EXPECT_EQ(current(), pan());

    // stopPanningSlot ends a pan as letting go does.
    ASSERT_TRUE(remove->installSlot());
    press(Qt::Key_Space);
    ASSERT_EQ(current(), pan());
    window_->stopPanningSlot();
    EXPECT_EQ(current(), remove);
    release(Qt::Key_Space);
    EXPECT_EQ(current(), remove);
}

TEST_F(ZtMainWindowKeysTest, BackspaceDeletesTheActivePatchWithoutAQuestion) {
    RegionRectTool* tool = window_->rectanglePatchTool();
    ASSERT_TRUE(tool->installSlot());
    drag(*tool, QPointF(100, 80), QPointF(250, 200));
    ASSERT_TRUE(test_support::waitFor([this] { return model()->activeRegion() != nullptr; }));
    waitIdle();
    press(Qt::Key_Backspace);
    release(Qt::Key_Backspace);
    EXPECT_EQ(model()->activeRegion(), nullptr);
    EXPECT_TRUE(model()->regions().isEmpty());
    EXPECT_TRUE(test_support::prompts().asked().isEmpty());
    // Nothing to delete: nothing happens.
    press(Qt::Key_Backspace);
    EXPECT_TRUE(model()->regions().isEmpty());
}

TEST_F(ZtMainWindowKeysTest, EscapeInThePanelOrTheWindowAsksTheToolToEscape) {
    // The brush's escape, with nothing selected: the arrow tool takes over.
    ASSERT_TRUE(brush(MaskBrushTool::KeepExact)->installSlot());
    NavigatorWindow* navigator = window_->navigatorWindow();
    ASSERT_TRUE(navigator->isVisible());
    // The focus on a control of the docked panel.
    QWidget* control = nullptr;
    for (QWidget* child : navigator->findChildren<QWidget*>())
        if (child->isVisible() && (child->focusPolicy() & Qt::TabFocus)) {
            control = child;
            break;
        }
    ASSERT_NE(control, nullptr);
    control->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), control);
    press(Qt::Key_Escape);
    release(Qt::Key_Escape);
    EXPECT_EQ(current(), static_cast<GmTool*>(window_->arrowTool()));

    // Ctrl+'.' in the window is Escape too.
    window_->imageView()->setFocus();
    ASSERT_TRUE(brush(MaskBrushTool::DeleteExact)->installSlot());
    press(Qt::Key_Period, Qt::ControlModifier);
    EXPECT_EQ(current(), static_cast<GmTool*>(window_->arrowTool()));
}

} // namespace
