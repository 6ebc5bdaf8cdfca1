// The colour workspace panel without the engine: its form and hooks, the axis
// menu's companions, the views and what the status array receives again, the
// buckets' enabled state, the patch it follows and when it shows.
#include "colour_workspace/colour_workspace.h"

#include "colour_workspace/axis_widget.h"
#include "colour_workspace/colour_display.h"
#include "colour_workspace/colour_workspace_select_tool.h"
#include "colour_workspace_fixture.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "model/rect_region.h"
#include "model/zt_rectangle.h"
#include "support/test_environment.h"
#include "tools/gm_tool.h"
#include "workspace/canvas_hooks.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QSlider>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

using Bx::colour::channel;

// The panel with a stand-in main window, over a small document without the engine.
class ColourWorkspaceTest : public ::testing::Test {
protected:
    ColourWorkspaceTest()
        : document(plainImage(8, 6, qRgb(200, 100, 50))), window(std::make_unique<QWidget>()),
          panel(new ColourWorkspace(window.get(), nullptr, QStringLiteral("C"))),
          display(panel->colourDisplay_) {
        window->show();
    }
    ~ColourWorkspaceTest() override {
        GmModel* model = GmModel::instance();
        model->setActiveRegion(nullptr, 0);
        while (!model->regions().isEmpty())
            delete model->regions().first();
    }

    static RectRegion* patchAt(int x, int y) {
        auto* patch = new RectRegion(QPointF(x, y));
        patch->rectangle()->dragCorner(QPointF(x + 3, y + 2));
        return patch;
    }
    // Announces `patch` (or none) as the active patch, as the model does.
    static void announce(RectRegion* patch) {
        GmModel::instance()->setActiveRegion(patch, 0);
        GmModel::instance()->announceActiveRegionReady(patch);
    }
    void select() { display->colourPicked(QColor(200, 100, 50), Qt::NoModifier); }

    ColourDocument document;
    std::unique_ptr<QWidget> window;
    ColourWorkspace* panel;
    ColourDisplay* display;
};

TEST_F(ColourWorkspaceTest, IsTheFormedPanelFloatingOnTheWorkspaceTabOnly) {
    EXPECT_EQ(panel->objectName(), "DockWidget: Color Workspace");
    EXPECT_EQ(panel->windowTitle(), "Color Workspace");
    EXPECT_TRUE(panel->floatsByDefault());
    EXPECT_FALSE(panel->restoresVisibility());
    EXPECT_EQ(panel->enabledViewTabs(), ViewTabs::Workspace);
    EXPECT_TRUE(panel->isResizable());
    EXPECT_EQ(panel->widget(), panel->contentWidget());

    const struct {
        const char* name;
        const char* text;
    } texts[] = {
        {"toKeep_", "Add Keep Mask to selected colors"},
        {"toDrop_", "Add Delete Mask to selected colors"},
        {"toBlend_", "Add Blend Mask to selected colors"},
        {"toUnassigned_", "Remove mask(s) from selected colors "},
        {"histogramMode_", "Show histogram mode"},
        {"colourMapMode_", "Show 2D color map"},
        {"viewUnassigned_", "Show unassigned colors"},
        {"viewKeep_", "Show Keep colors"},
        {"viewDrop_", "Show Delete colors"},
        {"viewBlend_", "Show Blend colors"},
    };
    for (const auto& t : texts) {
        auto* button = panel->findChild<QToolButton*>(QString::fromLatin1(t.name));
        ASSERT_NE(button, nullptr) << t.name;
        EXPECT_EQ(button->text(), t.text) << t.name;
        EXPECT_EQ(button->toolTip(), t.text) << t.name;
    }
    EXPECT_EQ(panel->findChild<QLabel*>("resolutionLabel_")->text(), "Resolution:");
    EXPECT_EQ(panel->findChild<QCheckBox*>("autoBlend")->text(), "Add blend mask automatically");
    EXPECT_FALSE(panel->autoBlend->isChecked());
    EXPECT_EQ(panel->verticalAxisChooser_->toolTip(), "Change vertical axis type");
    EXPECT_EQ(panel->colourBits_->value(), 5);
    EXPECT_FALSE(panel->colourBits_->hasTracking());
    EXPECT_TRUE(panel->histogramMode_->isChecked());
    EXPECT_TRUE(panel->whatsThis().startsWith("<p><b>Color Workspace</b></p>"));

    // Lightness across, hue up.
    EXPECT_EQ(display->histogram().horizontalAxis(), channel::Lightness);
    EXPECT_EQ(display->histogram().verticalAxis(), channel::Hue);
    EXPECT_EQ(panel->horizontalAxis_->channel(), channel::Lightness);
    EXPECT_EQ(panel->verticalAxis_->channel(), channel::Hue);
    EXPECT_EQ(panel->verticalAxis_->orientation(), Qt::Vertical);
    EXPECT_EQ(panel->axisNames(),
              QStringList({"Hue", "Lightness", "Saturation", "Red", "Green", "Blue"}));
}

TEST_F(ColourWorkspaceTest, FillsItsHooksAndTakesThemBack) {
    CanvasHooks& hooks = canvasHooks();
    ASSERT_TRUE(hooks.colourWorkspaceToggle);
    EXPECT_EQ(hooks.colourWorkspaceToggle(), panel->toggleViewAction());
    ASSERT_TRUE(hooks.colourHighlightShown);

    // The highlight shows while the panel shows a selection.
    select();
    EXPECT_FALSE(hooks.colourHighlightShown()) << "the panel is hidden";
    panel->show();
    EXPECT_TRUE(hooks.colourHighlightShown());
    display->unHighlight();
    EXPECT_FALSE(hooks.colourHighlightShown());

    // Selecting a tool that clears the colour highlight clears the display.
    select();
    PlainTool tool("Plain");
    tool.installSlot();
    EXPECT_TRUE(display->selectionEmpty());

    window.reset();
    EXPECT_FALSE(hooks.colourWorkspaceToggle);
    EXPECT_FALSE(hooks.colourHighlightShown);
}

TEST(CompanionAxisTest, TheOtherSideKeepsItsAxisOrTakesTheFirstOtherOfTheFamily) {
    const struct {
        int chosen;
        int other;
        int companion;
    } table[] = {
        {0, 1, 1}, {0, 2, 2}, {0, 0, 1}, {0, 3, 1}, {1, 0, 0}, {1, 2, 2}, {1, 1, 0}, {1, 5, 0},
        {2, 0, 0}, {2, 1, 1}, {2, 2, 0}, {2, 4, 0}, {3, 4, 4}, {3, 5, 5}, {3, 3, 4}, {3, 0, 4},
        {4, 3, 3}, {4, 5, 5}, {4, 4, 3}, {4, 1, 3}, {5, 3, 3}, {5, 4, 4}, {5, 5, 3}, {5, 2, 3},
    };
    for (const auto& row : table)
        EXPECT_EQ(companionAxis(row.chosen, row.other), row.companion)
            << "chose " << row.chosen << " with " << row.other;
}

TEST_F(ColourWorkspaceTest, AChosenAxisTakesItsCompanionAndClearsTheSelection) {
    EmissionRecorder emissions(display);
    // Red across while hue is up: green goes up.
    select();
    panel->chooseAxis(Qt::Horizontal, channel::Red);
    EXPECT_EQ(display->histogram().horizontalAxis(), channel::Red);
    EXPECT_EQ(display->histogram().verticalAxis(), channel::Green);
    EXPECT_EQ(panel->horizontalAxis_->channel(), channel::Red);
    EXPECT_EQ(panel->verticalAxis_->channel(), channel::Green);
    EXPECT_TRUE(display->histogram().rebuildNeeded());
    EXPECT_TRUE(display->selectionEmpty());

    // Hue up while saturation is across: saturation stays.
    panel->chooseAxis(Qt::Horizontal, channel::Saturation);
    EXPECT_EQ(display->histogram().verticalAxis(), channel::Hue);
    panel->chooseAxis(Qt::Vertical, channel::Hue);
    EXPECT_EQ(display->histogram().horizontalAxis(), channel::Saturation);
    EXPECT_EQ(display->histogram().verticalAxis(), channel::Hue);

    // The axis a side shows already, or no choice: nothing, the selection stays.
    select();
    const std::size_t sent = emissions.emissions().size();
    const int unHighlits = emissions.unHighlits();
    panel->chooseAxis(Qt::Vertical, channel::Hue);
    panel->chooseAxis(Qt::Horizontal, channel::Saturation);
    panel->chooseAxis(Qt::Horizontal, -1);
    EXPECT_FALSE(display->selectionEmpty());
    EXPECT_EQ(emissions.emissions().size(), sent);
    EXPECT_EQ(emissions.unHighlits(), unHighlits);
}

TEST_F(ColourWorkspaceTest, TheModeButtonsSwitchTheDisplayAndClearTheSelection) {
    select();
    panel->colourMapMode_->click();
    EXPECT_EQ(display->mode(), ColourDisplay::ColourMapMode);
    EXPECT_TRUE(display->selectionEmpty());
    select();
    panel->colourMapMode_->click(); // already the mode
    EXPECT_FALSE(display->selectionEmpty());
    panel->histogramMode_->click();
    EXPECT_EQ(display->mode(), ColourDisplay::HistogramMode);
    EXPECT_EQ(panel->verticalAxis_->label(), "Frequency (Hue)");
}

TEST_F(ColourWorkspaceTest, TheBucketsFollowEveryEmission) {
    QToolButton* const buckets[] = {panel->toKeep_, panel->toDrop_, panel->toBlend_,
                                    panel->toUnassigned_};
    for (QToolButton* bucket : buckets)
        EXPECT_FALSE(bucket->isEnabled());
    select();
    for (QToolButton* bucket : buckets)
        EXPECT_TRUE(bucket->isEnabled());
    display->unHighlight();
    for (QToolButton* bucket : buckets)
        EXPECT_FALSE(bucket->isEnabled());
}

TEST_F(ColourWorkspaceTest, AViewOffRebuildsAndTheSelectionFollowsEveryStatusOrPatchChange) {
    EmissionRecorder emissions(display);
    GmStatusArray* array = GmModel::instance()->statusArray();
    // With every class viewed a status change does not matter to the highlight.
    select();
    std::size_t sent = emissions.emissions().size();
    array->updateStatusesPresent();
    EXPECT_EQ(emissions.emissions().size(), sent);

    display->setRebuildNeeded(false);
    panel->viewKeep_->click();
    EXPECT_EQ(panel->viewKeep_->icon().cacheKey(), panel->viewIcon(5).cacheKey());
    EXPECT_TRUE(display->rebuildNeeded());
    EXPECT_EQ(display->histogram().statusMask(), 13);
    ASSERT_EQ(emissions.emissions().size(), sent + 1);
    EXPECT_EQ(emissions.last().mask, 13);
    EXPECT_EQ(emissions.last().values, display->lastEmitted1D());
    EXPECT_FALSE(emissions.last().values.empty());

    // A keep stroke now (every command ends with this) changes what lights up.
    array->updateStatusesPresent();
    ASSERT_EQ(emissions.emissions().size(), sent + 2);
    EXPECT_EQ(emissions.last().mask, 13);

    // So does another patch, and no patch after one; the same patch again does not.
    RectRegion* first = patchAt(1, 1);
    announce(first);
    EXPECT_EQ(emissions.emissions().size(), sent + 3);
    announce(first);
    EXPECT_EQ(emissions.emissions().size(), sent + 3);
    announce(nullptr);
    EXPECT_EQ(emissions.emissions().size(), sent + 4);
    announce(nullptr);
    EXPECT_EQ(emissions.emissions().size(), sent + 4);

    // Without a selection nothing is sent again.
    display->unHighlight();
    sent = emissions.emissions().size();
    array->updateStatusesPresent();
    announce(first);
    EXPECT_EQ(emissions.emissions().size(), sent);

    panel->viewKeep_->click();
    EXPECT_EQ(panel->viewKeep_->icon().cacheKey(), panel->viewIcon(1).cacheKey());
    EXPECT_EQ(display->highlightStatusMask(), 15);
}

TEST_F(ColourWorkspaceTest, APatchIsRecognisedByItselfAndItsEditCountNotItsAddress) {
    RectRegion* first = patchAt(1, 1);
    announce(first);
    display->setRebuildNeeded(false);
    announce(first);
    EXPECT_FALSE(display->rebuildNeeded()) << "the same patch, unchanged";

    first->rectangle()->dragCorner(QPointF(6, 5));
    first->shapeChanged();
    announce(first);
    EXPECT_TRUE(display->rebuildNeeded()) << "edited";

    // A patch made after the first was deleted (perhaps where it was).
    display->setRebuildNeeded(false);
    GmModel::instance()->setActiveRegion(nullptr, 0);
    delete first;
    RectRegion* second = patchAt(1, 1);
    announce(second);
    EXPECT_TRUE(display->rebuildNeeded());
}

TEST_F(ColourWorkspaceTest, ShowsWithAnActivePatchButOnceClosedOnlyWithTheSampler) {
    PlainTool brush("Brush");
    ColourWorkspaceSelectTool sampler(nullptr, nullptr, nullptr, panel);
    brush.installSlot();
    EXPECT_FALSE(panel->isVisible());
    RectRegion* patch = patchAt(1, 1);
    announce(patch);
    EXPECT_TRUE(panel->isVisible());
    announce(nullptr);
    EXPECT_FALSE(panel->isVisible());

    // Closed by the user: a patch no longer brings it.
    panel->show();
    panel->close();
    EXPECT_TRUE(panel->isClosed());
    announce(patch);
    EXPECT_FALSE(panel->isVisible());
    sampler.installSlot();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_FALSE(panel->isClosed());
}

} // namespace
