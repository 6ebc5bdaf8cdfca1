#include "tools/gm_tool.h"

#include "model/gm_model.h"
#include "panels/browser.h"
#include "panels/tip_window.h"
#include "support/test_environment.h"
#include "tool_fixture.h"
#include "tools/gm_action.h"
#include "tools/no_tool.h"
#include "tools/tool_options.h"
#include "workspace/image_view.h"

#include <QActionGroup>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QTest>

#include <memory>

namespace {

using GmToolTest = ToolFixture;
using Options = TestTool::Options;

QString tipText(TipWindow* tip) {
    return tip->browser()->toPlainText();
}

TEST_F(GmToolTest, SelectionEndsHighlightDeactivatesAnnouncesShowsOptionsAndActivates) {
    openImage();
    TestTool brush("Brush", {"Ctrl+B", "<p>Paints keep.</p>"});
    Options keepOptions{"", "<p>Keeps.</p>"};
    keepOptions.clearsHighlight = false;
    TestTool keep("Keep", keepOptions);

    EXPECT_TRUE(brush.installSlot());
    EXPECT_EQ(GmTool::currentTool(), &brush);
    EXPECT_EQ(toolLog(),
              (QStringList{"unHighlight", "toolChanged Brush", "activate Brush after -"}));
    EXPECT_EQ(tipText(tip_), QString("Brush (Ctrl+B)\nPaints keep."));

    toolLog().clear();
    EXPECT_TRUE(keep.installSlot());
    EXPECT_EQ(toolLog(), (QStringList{"deactivate Brush before Keep", "toolChanged Keep",
                                      "activate Keep after Brush"}));
    EXPECT_TRUE(keep.action()->isChecked());
    EXPECT_FALSE(brush.action()->isChecked());
    EXPECT_EQ(tipText(tip_), QString("Keep\nKeeps."));

    // Both share the group and the options strip, which shows the current one's widget.
    EXPECT_EQ(brush.action()->actionGroup(), keep.action()->actionGroup());
    auto* options = qobject_cast<ToolOptions*>(keep.optionsParent());
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(brush.optionsParent(), options);
    EXPECT_EQ(options->stack()->count(), 2);
    EXPECT_EQ(options->stack()->currentWidget(), keep.optionsWidget());

    // Installing the current tool again changes nothing.
    toolLog().clear();
    EXPECT_TRUE(keep.installSlot());
    EXPECT_TRUE(toolLog().isEmpty());

    // A tool without options leaves the shown page.
    Options bareOptions;
    bareOptions.withOptionsWidget = false;
    TestTool bare("Bare", bareOptions);
    EXPECT_TRUE(bare.installSlot());
    EXPECT_EQ(options->stack()->currentWidget(), keep.optionsWidget());
}

TEST_F(GmToolTest, DisallowedTabSwitchesToThePreferredOneExceptUnderATemporaryTool) {
    openImage();
    Options cutoutOnly;
    cutoutOnly.allowedTabs = ImageView::Source | ImageView::Cutout;
    cutoutOnly.preferredTab = ImageView::Cutout;
    TestTool preview("Preview", cutoutOnly);
    TestTool brush("Brush", {});
    Options everywhere;
    everywhere.allowedTabs = ViewTabs::AllViewTabs;
    TestTool pan("Pan", everywhere);

    ASSERT_EQ(view_->currentViewTab(), ImageView::Workspace);
    EXPECT_FALSE(preview.isAllowedOnCurrentTab());
    preview.installSlot();
    EXPECT_EQ(view_->currentViewTab(), ImageView::Cutout);
    EXPECT_TRUE(preview.isAllowedOnCurrentTab());

    pan.installSlot(); // allowed here: the tab stays
    EXPECT_EQ(view_->currentViewTab(), ImageView::Cutout);

    bool temporary = true;
    GmTool::setTemporaryToolHook([&] { return temporary; });
    brush.installSlot();
    EXPECT_EQ(view_->currentViewTab(), ImageView::Cutout);
    temporary = false;
    preview.installSlot();
    brush.installSlot();
    EXPECT_EQ(view_->currentViewTab(), ImageView::Workspace);
}

TEST_F(GmToolTest, WithoutAnImageNoToolCanBeInstalledNotEvenTheEmptyOne) {
    NoTool none;
    TestTool brush("Brush", {});
    EXPECT_EQ(GmTool::emptyTool(), &none);
    EXPECT_FALSE(none.action()->isEnabled());
    EXPECT_FALSE(brush.action()->isEnabled());
    EXPECT_FALSE(none.installSlot());
    EXPECT_FALSE(brush.installSlot());
    EXPECT_EQ(GmTool::currentTool(), nullptr);
    EXPECT_TRUE(toolLog().isEmpty());

    openImage();
    EXPECT_TRUE(none.action()->isEnabled());
    EXPECT_TRUE(brush.action()->isEnabled());
    EXPECT_TRUE(none.installSlot());
    EXPECT_EQ(GmTool::currentTool(), &none);
    EXPECT_EQ(none.allowedViewTabs(), 127);
    EXPECT_TRUE(none.action()->whatsThis().isEmpty());

    // A tool that became usable before its action heard of it still installs.
    Options later;
    later.available = 0;
    TestTool late("Late", later);
    EXPECT_FALSE(late.action()->isEnabled());
    late.setAvailable(1);
    EXPECT_TRUE(late.installSlot());
    EXPECT_EQ(GmTool::currentTool(), &late);
    EXPECT_TRUE(late.action()->isChecked());
    EXPECT_TRUE(late.action()->isEnabled());
}

TEST_F(GmToolTest, ClosingTheImageUnderABrushFallsBackOnlyToAnAvailableTool) {
    NoTool none;
    TestTool brush("Brush", {});
    openImage();
    ASSERT_TRUE(brush.installSlot());

    // Neither the empty tool nor an arrow can be used: the brush stays
    // current, its action disabled, and nothing goes round in circles.
    closeImage();
    EXPECT_EQ(GmTool::currentTool(), &brush);
    EXPECT_FALSE(brush.action()->isEnabled());
    EXPECT_FALSE(brush.installSlot());
    GmTool::ensureUsableTool();
    EXPECT_EQ(GmTool::currentTool(), &brush);

    // An arrow that can always be used takes over.
    Options always;
    always.available = 1;
    TestTool arrow("Arrow", always);
    GmTool::setArrowTool(&arrow);
    EXPECT_EQ(GmTool::usableFallbackTool(), &arrow);
    toolLog().clear();
    EXPECT_FALSE(brush.installSlot());
    EXPECT_EQ(GmTool::currentTool(), &arrow);
    EXPECT_TRUE(toolLog().contains("deactivate Brush before Arrow"));

    // With an image and an unusable arrow, the empty tool is the fallback.
    openImage();
    ASSERT_TRUE(brush.installSlot());
    arrow.setAvailable(0);
    brush.setAvailable(0);
    brush.setEnabledSlot();
    EXPECT_EQ(GmTool::currentTool(), &none);
}

// A tool the document takes away while it is being deactivated, as a brush
// is when the patch it gives back leaves it without an analysis.
class UnusableOnceLeft : public TestTool {
public:
    using TestTool::TestTool;
    void deactivate(GmTool* next) override {
        TestTool::deactivate(next);
        if (left_) return;
        left_ = true;
        setAvailable(0);
        setEnabledSlot();
    }

private:
    bool left_ = false;
};

TEST_F(GmToolTest, AToolUnusableOnceLeftDoesNotBringTheFallbackIntoASelection) {
    openImage();
    NoTool none;
    Options always;
    always.available = 1;
    TestTool arrow("Arrow", always);
    GmTool::setArrowTool(&arrow);
    UnusableOnceLeft brush("Brush", {});
    TestTool keep("Keep", {});
    ASSERT_TRUE(brush.installSlot());

    toolLog().clear();
    EXPECT_TRUE(keep.installSlot());
    EXPECT_EQ(GmTool::currentTool(), &keep);
    EXPECT_EQ(toolLog(), (QStringList{"unHighlight", "deactivate Brush before Keep",
                                      "toolChanged Keep", "activate Keep after Brush"}))
        << "the arrow is never activated, so never left active";
    EXPECT_TRUE(keep.action()->isChecked());
    EXPECT_FALSE(arrow.action()->isChecked());
}

TEST_F(GmToolTest, EscapeClearsPreviewThenPatchThenForcedEdgeThenSelectsTheArrow) {
    openImage();
    NoTool none;
    TestTool brush("Brush", {});
    TestTool arrow("Arrow", {});
    bool preview = true, patch = true, edge = true;
    auto step = [](bool& present) {
        return [&present] {
            const bool was = present;
            present = false;
            return was;
        };
    };
    GmTool::setEscapeSteps({step(preview), step(patch), step(edge)});
    GmTool::setArrowTool(&arrow);
    ASSERT_TRUE(brush.installSlot());

    struct Expected {
        bool preview, patch, edge;
        GmTool* current;
    };
    const Expected after[] = {{false, true, true, &brush},
                              {false, false, true, &brush},
                              {false, false, false, &brush},
                              {false, false, false, &arrow}};
    for (const Expected& e : after) {
        GmTool::currentTool()->escape();
        EXPECT_EQ(preview, e.preview);
        EXPECT_EQ(patch, e.patch);
        EXPECT_EQ(edge, e.edge);
        EXPECT_EQ(GmTool::currentTool(), e.current);
    }

    // Without an arrow tool the empty tool is selected; the button state is reset.
    GmTool::setArrowTool(nullptr);
    ASSERT_TRUE(brush.installSlot());
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    brush.trackButtonState(&press);
    ASSERT_EQ(brush.buttonState(), 1);
    brush.escape();
    EXPECT_EQ(brush.buttonState(), 0);
    EXPECT_EQ(brush.previousButtonState(), 0);
    EXPECT_EQ(GmTool::currentTool(), &none);
}

TEST_F(GmToolTest, ShortcutGoesIntoTheToolTipAndTheNameInBoldIntoTheWhatsThis) {
    struct Case {
        const char* shortcut;
        const char* whatsThis;
        const char* toolTip;
        const char* actionWhatsThis;
    };
    const Case cases[] = {
        {"", "", "Keep Brush", ""},
        {"", "<p>Marks keep.</p>", "Keep Brush", "<p><b>Keep Brush</b></p><p>Marks keep.</p>"},
        {"Ctrl+K", "", "Keep Brush (Ctrl+K)", ""},
    };
    for (const Case& c : cases) {
        TestTool tool("Keep Brush", {c.shortcut, c.whatsThis});
        EXPECT_EQ(tool.action()->shortcut(), QKeySequence(c.shortcut)) << c.shortcut;
        EXPECT_EQ(tool.action()->toolTip(), QString(c.toolTip));
        EXPECT_EQ(tool.action()->whatsThis(), QString(c.actionWhatsThis));
        EXPECT_TRUE(tool.action()->isCheckable());
        EXPECT_EQ(tool.action()->text(), "Keep Brush");
        EXPECT_NE(qobject_cast<GmAction*>(tool.action()), nullptr);
    }
}

TEST_F(GmToolTest, ButtonStateFollowsTheLeftButtonOnly) {
    TestTool tool("Brush", {});
    struct Step {
        QEvent::Type type;
        Qt::MouseButton button;
        Qt::MouseButtons buttons;
        int state, previous;
    };
    const Step steps[] = {
        {QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, 0, 0}, // a drag from elsewhere
        {QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, 0, 0},
        {QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, 1, 0},
        {QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, 2, 1},
        {QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, 2, 2},
        {QEvent::MouseButtonRelease, Qt::RightButton, Qt::LeftButton, 2, 2},
        {QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, 0, 2},
        {QEvent::MouseMove, Qt::NoButton, Qt::NoButton, 0, 2},
        {QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, 1, 0},
        {QEvent::MouseMove, Qt::NoButton, Qt::RightButton, 1, 0},
    };
    int i = 0;
    for (const Step& s : steps) {
        QMouseEvent event(s.type, QPointF(2, 2), s.button, s.buttons, Qt::NoModifier);
        tool.trackButtonState(&event);
        EXPECT_EQ(tool.buttonState(), s.state) << "step " << i;
        EXPECT_EQ(tool.previousButtonState(), s.previous) << "step " << i;
        ++i;
    }
}

TEST_F(GmToolTest, DestroyingTheCurrentToolHandsOverToTheEmptyToolOrClearsIt) {
    auto none = std::make_unique<NoTool>();
    openImage();
    auto brush = std::make_unique<TestTool>("Brush", Options{});
    QPointer<QWidget> options = brush->optionsWidget();
    ASSERT_TRUE(brush->installSlot());
    toolLog().clear();
    brush.reset();
    EXPECT_EQ(GmTool::currentTool(), none.get());
    EXPECT_EQ(toolLog(), (QStringList{"unHighlight", "toolChanged No Tool"}));
    EXPECT_TRUE(options.isNull());

    // No image: the empty tool cannot take over, so nothing is current.
    brush = std::make_unique<TestTool>("Brush", Options{});
    ASSERT_TRUE(brush->installSlot());
    closeImage();
    ASSERT_EQ(GmTool::currentTool(), brush.get());
    toolLog().clear();
    brush.reset();
    EXPECT_EQ(GmTool::currentTool(), nullptr);
    EXPECT_TRUE(toolLog().isEmpty());

    // The empty tool itself, current, leaves nothing current.
    openImage();
    ASSERT_TRUE(none->installSlot());
    none.reset();
    EXPECT_EQ(GmTool::currentTool(), nullptr);
    EXPECT_EQ(GmTool::emptyTool(), nullptr);
}

TEST_F(GmToolTest, TwoToolsSwitchByShortcutAndEachShowsItsTip) {
    openImage();
    TestTool keep("Keep Brush", {"K", "<p>Marks what stays.</p>"}, window_.get());
    TestTool remove("Delete Brush", {"D", "<p>Marks what goes.</p>"}, window_.get());
    QTest::keyClick(window_.get(), Qt::Key_K);
    EXPECT_EQ(GmTool::currentTool(), &keep);
    EXPECT_EQ(tipText(tip_), QString("Keep Brush (K)\nMarks what stays."));
    QTest::keyClick(window_.get(), Qt::Key_D);
    EXPECT_EQ(GmTool::currentTool(), &remove);
    EXPECT_EQ(tipText(tip_), QString("Delete Brush (D)\nMarks what goes."));
}

} // namespace
