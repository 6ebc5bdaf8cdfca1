// The patch-properties panel on a real document: its pages and controls
// follow the active patch, "Analyze Patch Separately" analyses the patch
// with its own values while the image's panel waits, a new resolution leaves
// the page on the active patch's records, the panel comes up for a ready
// patch unless closed, and the canvas's menu reaches its toggle while it lives.
#include "option_panels_fixture.h"

#include "model/blending_options.h"
#include "model/edos.h"
#include "model/rect_region.h"
#include "model/segmentation_stuff.h"
#include "panels/common_blend_opts_widget.h"
#include "panels/edge_detection_options.h"
#include "panels/image_blending_window.h"
#include "panels/image_edge_finder.h"
#include "panels/regional_properties.h"
#include "workspace/canvas_hooks.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QSlider>
#include <QStackedWidget>
#include <QToolButton>

#include <memory>

namespace {

using RegionalPropertiesTest = OptionPanelsFixture;

// The group clicked as the user would: its state flips, then it tells.
void clickGroup(QGroupBox* group, bool on) {
    group->setChecked(on);
    emit group->clicked(on);
}

TEST_F(RegionalPropertiesTest, ThePagesAndControlsFollowTheActivePatch) {
    RegionalProperties panel(nullptr, QStringLiteral("F9"), nullptr);
    EXPECT_EQ(panel.pages()->currentIndex(), RegionalProperties::NoActivePatchPage);
    openImage(twoHalves());
    RectRegion* first = addPatch(QRectF(4, 4, 20, 20));
    first->blendage().options().autoBlueWidthF_ = 1.5f;
    first->smeg().edos().sensitivity_.setCurrent(77);
    RectRegion* second = addPatch(QRectF(44, 4, 30, 40));
    second->setProtected(true);
    waitIdle();
    EXPECT_EQ(panel.pages()->currentIndex(), RegionalProperties::PatchPage);
    EXPECT_TRUE(panel.protectBox()->isChecked());
    EXPECT_FALSE(panel.analyseSeparatelyGroup()->isChecked());
    EXPECT_EQ(panel.edgeOptions()->record(), &second->smeg());

    model()->setActiveRegion(first, 1);
    EXPECT_EQ(panel.edgeOptions()->record(), &first->smeg());
    EXPECT_EQ(panel.edgeOptions()->sensitivitySlider()->value(), 77);
    EXPECT_EQ(panel.standardBlending()->widthBox()->currentText(), QString("Thick"));
    EXPECT_FALSE(panel.protectBox()->isChecked());

    // A protection change of another patch leaves the page as it is; the
    // box protects the active one.
    second->setProtected(false);
    waitIdle();
    EXPECT_EQ(panel.edgeOptions()->record(), &first->smeg());
    panel.protectBox()->click();
    waitIdle();
    EXPECT_TRUE(first->isProtected());
    EXPECT_FALSE(second->isProtected());

    model()->deleteRegion(first);
    EXPECT_EQ(panel.pages()->currentIndex(), RegionalProperties::NoActivePatchPage);
    waitIdle();
    panel.protectionCheckBoxClickedSlot(true); // no active patch: nothing
    EXPECT_FALSE(second->isProtected());
}

TEST_F(RegionalPropertiesTest, AnalyzingSeparatelyAnalysesThePatchOnceWhileTheImagePanelWaits) {
    ImageEdgeFinder finder(nullptr, QStringLiteral("F7"), nullptr);
    RegionalProperties panel(nullptr, QStringLiteral("F9"), nullptr);
    openImage(twoHalves());
    RectRegion* patch = addPatch(QRectF(44, 4, 30, 40));
    EXPECT_TRUE(finder.options()->isEnabled());
    EdgeDetectionOptions& options = *panel.edgeOptions();
    options.sensitivitySlider()->setValue(patch->smeg().edos().sensitivity_.current() == 80 ? 81
                                                                                            : 80);
    const QVariant imageValues = model()->imageSmeg()->edos().toVariant();
    clearStarted();

    clickGroup(panel.analyseSeparatelyGroup(), true);
    EXPECT_TRUE(patch->smeg().isChecked());
    EXPECT_FALSE(finder.options()->isEnabled());
    waitIdle();
    EXPECT_EQ(started(), QStringList{"Finding Edges in Patch..."});
    EXPECT_TRUE(patch->smeg().hasSegmentation());
    EXPECT_EQ(patch->smeg().edos().sensitivity_.applied(), options.sensitivitySlider()->value());
    EXPECT_EQ(model()->imageSmeg()->edos().toVariant(), imageValues);
    options.widthSlider()->setValue(options.widthSlider()->value() == 5 ? 6 : 5);
    EXPECT_TRUE(enabledFlag(options.revertButton())) << "the patch has its own values now";

    // Another patch, or none, gives the image's panel back.
    model()->setActiveRegion(nullptr, 1);
    EXPECT_TRUE(finder.options()->isEnabled());
    model()->setActiveRegion(patch, 1);
    EXPECT_FALSE(finder.options()->isEnabled());

    clearStarted();
    clickGroup(panel.analyseSeparatelyGroup(), false);
    waitIdle();
    EXPECT_FALSE(patch->smeg().isChecked());
    EXPECT_TRUE(started().isEmpty());
    EXPECT_TRUE(finder.options()->isEnabled());
}

TEST_F(RegionalPropertiesTest, ThePatchPageStaysEditableForAPatchWithItsOwnValues) {
    openImage(twoHalves());
    RectRegion* patch = addPatch(QRectF(44, 4, 30, 40));
    patch->smeg().setChecked(true);
    model()->setActiveRegion(nullptr, 1);
    // A panel built now starts on the image's record; only the image's panel
    // waits while such a patch is active.
    ImageEdgeFinder finder(nullptr, QStringLiteral("F7"), nullptr);
    RegionalProperties panel(nullptr, QStringLiteral("F9"), nullptr);
    model()->setActiveRegion(patch, 1);
    EXPECT_TRUE(panel.analyseSeparatelyGroup()->isChecked());
    EXPECT_TRUE(panel.edgeOptions()->isEnabled());
    EXPECT_FALSE(finder.options()->isEnabled());
}

TEST_F(RegionalPropertiesTest, ANewResolutionLeavesThePatchPageOnTheActivePatch) {
    ImageEdgeFinder finder(nullptr, QStringLiteral("F7"), nullptr);
    ImageBlendingWindow blending(nullptr, QStringLiteral("F8"), nullptr);
    RegionalProperties panel(nullptr, QStringLiteral("F9"), nullptr);
    QObject::connect(model(), &GmModel::resolutionChanged, &panel,
                     &RegionalProperties::resolutionChangedSlot);
    openImage(twoHalves());
    RectRegion* patch = addPatch(QRectF(40, 0, 40, 60));
    panel.standardBlending()->ratioSlider()->setValue(4);
    BlendingOptions& patchBlending = patch->blendage().options();
    ASSERT_FLOAT_EQ(patchBlending.blendRatioF_, 0.5f);
    ASSERT_FLOAT_EQ(imageBlending().blendRatioF_, 0.25f);
    clearStarted();

    model()->setResolution(2);
    waitIdle();
    ASSERT_EQ(model()->resolutionFactor(), 2);
    EXPECT_EQ(model()->activeRegion(), patch);
    EXPECT_EQ(started().count("Finding Edges in Image..."), 1) << "the image's panel alone";
    EXPECT_EQ(finder.options()->record(), model()->imageSmeg());
    EXPECT_EQ(panel.edgeOptions()->record(), &patch->smeg());
    EXPECT_FLOAT_EQ(patchBlending.blendRatioF_, 0.5f);
    EXPECT_FLOAT_EQ(imageBlending().blendRatioF_, 0.25f);
    EXPECT_EQ(panel.standardBlending()->ratioSlider()->value(), 4);

    // The page edits the patch, never the image.
    const QVariant imageValues = model()->imageSmeg()->edos().toVariant();
    panel.edgeOptions()->sensitivitySlider()->setValue(12);
    panel.standardBlending()->ratioSlider()->setValue(1);
    EXPECT_EQ(patch->smeg().edos().sensitivity_.current(), 12);
    EXPECT_FLOAT_EQ(patchBlending.blendRatioF_, 0.875f);
    EXPECT_EQ(model()->imageSmeg()->edos().toVariant(), imageValues);
    EXPECT_FLOAT_EQ(imageBlending().blendRatioF_, 0.25f);
}

TEST_F(RegionalPropertiesTest, AReadyPatchShowsThePanelUnlessTheUserClosedIt) {
    auto panel = std::make_unique<RegionalProperties>(nullptr, QStringLiteral("F9"), nullptr);
    ASSERT_TRUE(canvasHooks().patchPropertiesToggle);
    EXPECT_EQ(canvasHooks().patchPropertiesToggle(), panel->toggleViewAction());
    EXPECT_TRUE(panel->floatsByDefault());
    EXPECT_FALSE(panel->restoresVisibility());
    openImage(twoHalves());

    RectRegion* patch = addPatch(QRectF(44, 4, 30, 40));
    model()->announceActiveRegionReady(patch);
    EXPECT_TRUE(panel->isVisible());
    model()->setActiveRegion(nullptr, 1);
    EXPECT_FALSE(panel->isVisible()) << "no patch: nothing to show";

    model()->setActiveRegion(patch, 1);
    model()->announceActiveRegionReady(patch);
    ASSERT_TRUE(panel->isVisible());
    QCloseEvent close;
    QCoreApplication::sendEvent(panel.get(), &close);
    panel->hide();
    model()->announceActiveRegionReady(patch);
    EXPECT_FALSE(panel->isVisible()) << "closed by the user";

    panel.reset();
    EXPECT_FALSE(canvasHooks().patchPropertiesToggle);
}

} // namespace
