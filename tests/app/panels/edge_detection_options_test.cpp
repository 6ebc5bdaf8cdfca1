// The edge-finding controls on a real document: the width kept in image
// pixels across factors, the buttons' states around an analysis, a record
// that goes (a deleted patch, a loaded project) leaving the widget detached,
// and the stored controls with "PersistOptions" on or off.
#include "option_panels_fixture.h"

#include "model/edos.h"
#include "model/rect_region.h"
#include "model/segmentation_stuff.h"
#include "panels/edge_detection_options.h"
#include "panels/image_edge_finder.h"
#include "panels/regional_properties.h"

#include <QButtonGroup>
#include <QSettings>
#include <QSignalSpy>
#include <QToolButton>

#include <memory>

namespace {

using EdgeDetectionOptionsTest = OptionPanelsFixture;

struct Buttons {
    bool defaults;
    bool revert;
    bool apply;
};

Buttons buttonsOf(const EdgeDetectionOptions& options) {
    return {enabledFlag(options.defaultsButton()), enabledFlag(options.revertButton()),
            enabledFlag(options.applyButton())};
}

::testing::AssertionResult buttonsAre(const EdgeDetectionOptions& options, Buttons expected) {
    const Buttons b = buttonsOf(options);
    if (b.defaults == expected.defaults && b.revert == expected.revert && b.apply == expected.apply)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "Defaults " << b.defaults << ", Revert " << b.revert << ", Apply " << b.apply;
}

TEST_F(EdgeDetectionOptionsTest, ANewFactorKeepsTheWidthInImagePixels) {
    EdgeDetectionOptions options(true);
    EDOs& values = model()->imageSmeg()->edos();
    const struct {
        int applied;
        int inImage;
        int oldRes;
        int newRes;
        int width;
    } cases[] = {
        {3, -1, 1, 4, 1},   // unknown: 3 x 1 image pixels, 3 / 4 is 0, held at 1
        {3, 100, 1, 2, 32}, // 50 is held at 32
        {8, -1, 1, 2, 4},
        {5, 40, 2, 8, 5},
    };
    for (const auto& c : cases) {
        values.width_ = GmValue<int>(c.applied);
        values.widthInImageCoords_ = c.inImage;
        options.resolutionChangedSlot(c.oldRes, c.newRes);
        EXPECT_EQ(values.width_.current(), c.width) << c.applied << " " << c.inImage;
        EXPECT_EQ(options.widthSlider()->value(), c.width);
        EXPECT_EQ(options.widthBox()->value(), c.width);
    }
}

TEST_F(EdgeDetectionOptionsTest, ObjectEdgesCanBeShownBelowTheHighestSensitivity) {
    ImageEdgeFinder finder(nullptr, QStringLiteral("F7"), nullptr);
    const struct {
        int sensitivity;
        bool canShow;
    } cases[] = {{1, true}, {99, true}, {100, false}};
    for (const auto& c : cases) {
        finder.options()->sensitivitySlider()->setValue(c.sensitivity);
        EXPECT_EQ(model()->imageSmeg()->edos().sensitivity_.current(), c.sensitivity);
        EXPECT_EQ(finder.canShowVectorEdges(), c.canShow) << c.sensitivity;
    }
}

TEST_F(EdgeDetectionOptionsTest, ApplyIsOffWhileTheAppliedValuesAreBeingAnalysed) {
    ImageEdgeFinder finder(nullptr, QStringLiteral("F7"), nullptr);
    EdgeDetectionOptions& options = *finder.options();
    SegmentationStuff* image = model()->imageSmeg();
    EXPECT_FALSE(options.isEnabled()) << "no image";
    EXPECT_TRUE(buttonsAre(options, {false, false, true})) << "nothing analysed yet";

    // The panel analyses the new image itself.
    openImage(twoHalves());
    EXPECT_EQ(started().count("Finding Edges in Image..."), 1);
    EXPECT_TRUE(image->hasSegmentation());
    EXPECT_TRUE(options.isEnabled());
    EXPECT_EQ(options.record(), image);
    EXPECT_TRUE(buttonsAre(options, {false, false, false}));

    const int sensitivity = image->edos().sensitivity_.current();
    options.sensitivitySlider()->setValue(sensitivity == 100 ? 90 : sensitivity + 1);
    EXPECT_TRUE(buttonsAre(options, {true, true, true}));

    options.applyValuesSlot();
    EXPECT_TRUE(image->hasPendingAnalysis());
    EXPECT_TRUE(buttonsAre(options, {true, false, false})) << "nothing new to apply";
    options.widthSlider()->setValue(image->edos().width_.current() == 32 ? 31 : 32);
    EXPECT_TRUE(buttonsAre(options, {true, true, true})) << "an edit while it runs";
    options.revertValuesSlot();
    EXPECT_EQ(options.widthSlider()->value(), image->edos().width_.applied());
    EXPECT_TRUE(buttonsAre(options, {true, false, false}));

    waitIdle();
    EXPECT_EQ(started().count("Finding Edges in Image..."), 2);
    EXPECT_FALSE(image->hasPendingAnalysis());
    EXPECT_TRUE(buttonsAre(options, {true, false, false}));
}

TEST_F(EdgeDetectionOptionsTest, APatchsWidgetRevertsOnlyOwnValuesAndLetsGoOfADeletedPatch) {
    RegionalProperties panel(nullptr, QStringLiteral("F9"), nullptr);
    EdgeDetectionOptions& options = *panel.edgeOptions();
    openImage(twoHalves());
    RectRegion* patch = addPatch(QRectF(44, 4, 30, 40));
    ASSERT_EQ(options.record(), &patch->smeg());
    EXPECT_FALSE(patch->smeg().isChecked());

    const int sensitivity = patch->smeg().edos().sensitivity_.current();
    options.sensitivitySlider()->setValue(sensitivity == 100 ? 90 : sensitivity + 1);
    EXPECT_TRUE(buttonsAre(options, {true, false, true}))
        << "Revert needs the patch analysed with its own values";

    const QVariant imageValues = model()->imageSmeg()->edos().toVariant();
    QPointer<GmRegion> watched(patch);
    clearStarted();
    model()->deleteRegion(patch);
    waitIdle();
    ASSERT_TRUE(watched.isNull()) << "the patch is gone once its session ended";
    EXPECT_EQ(options.record(), nullptr);
    EXPECT_EQ(options.values(), nullptr);
    EXPECT_TRUE(buttonsAre(options, {false, false, false}));

    // Nothing reaches a record now, neither the gone one nor the image's.
    options.sensitivitySlider()->setValue(7);
    options.widthSlider()->setValue(9);
    options.contrastChanged(2);
    options.textureFilterChanged(0);
    options.applyValuesSlot();
    options.revertValuesSlot();
    options.setDefaultsSlot();
    options.resolutionChangedSlot(1, 2);
    options.activeRegionChangedSlot(nullptr);
    waitIdle();
    EXPECT_TRUE(buttonsAre(options, {false, false, false}));
    EXPECT_EQ(model()->imageSmeg()->edos().toVariant(), imageValues);
    EXPECT_FALSE(started().contains("Finding Edges in Patch..."));
}

TEST_F(EdgeDetectionOptionsTest, ALoadedProjectGivesTheImagesWidgetItsNewRecord) {
    ImageEdgeFinder finder(nullptr, QStringLiteral("F7"), nullptr);
    openImage(twoHalves());
    const QVariant project = model()->toVariant();
    QPointer<SegmentationStuff> old = model()->imageSmeg();

    model()->closeImage();
    waitIdle();
    QSignalSpy begun(model(), &GmModel::sessionHasBegun);
    model()->fromVariant(project);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(finder.options()->record(), nullptr);
    EXPECT_TRUE(buttonsAre(*finder.options(), {false, false, false}));

    ASSERT_TRUE(test_support::waitFor([&] { return begun.count() == 1; }));
    waitIdle();
    EXPECT_EQ(finder.options()->record(), model()->imageSmeg());
    EXPECT_TRUE(model()->imageSmeg()->hasSegmentation()) << "the panel analysed the session";
    EXPECT_TRUE(finder.options()->isEnabled());
}

TEST_F(EdgeDetectionOptionsTest, StoredControlsBecomeTheImagesValuesOnlyWhileOptionsPersist) {
    struct Values {
        int sensitivity;
        int width;
        int contrast;
        int texture;
    };
    const struct {
        const char* name;
        bool persistAtStart;
        bool stored;
        bool persistAtExit;
        Values record;
        // Written at exit: the sensitivity the user left (33), else what was stored before.
        QVariant sensitivityKey;
        QVariant highKey;
    } cases[] = {
        {"off, nothing stored", false, false, false, {50, 3, 1, 1}, QVariant(), QVariant()},
        {"off, stored", false, true, false, {50, 3, 1, 1}, 40, true},
        {"on, nothing stored", true, false, true, {10, 8, 1, 1}, 33, false},
        {"on, stored", true, true, true, {40, 12, 2, 1}, 33, true},
        {"on at start, off at exit", true, false, false, {10, 8, 1, 1}, QVariant(), QVariant()},
    };
    const QString sensitivityKey = QStringLiteral("EdgeDetectionOptions/NumberofEdges");
    const QString highKey = QStringLiteral("EdgeDetectionOptions/EdgeContrast/High");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QSettings settings;
        settings.remove(QStringLiteral("EdgeDetectionOptions"));
        model()->imageSmeg()->edos().copyValues(EDOs());
        if (c.stored) {
            settings.setValue(sensitivityKey, 40);
            settings.setValue(QStringLiteral("EdgeDetectionOptions/EdgeWidthThreshold"), 12);
            settings.setValue(highKey, true);
            settings.setValue(QStringLiteral("EdgeDetectionOptions/EdgeContrast/Medium"), false);
        }
        setPersistOptions(c.persistAtStart);
        auto options = std::make_unique<EdgeDetectionOptions>(true);
        const EDOs& values = model()->imageSmeg()->edos();
        EXPECT_EQ(values.sensitivity_.current(), c.record.sensitivity);
        EXPECT_EQ(values.width_.current(), c.record.width);
        EXPECT_EQ(values.contrast_.current(), c.record.contrast);
        EXPECT_EQ(values.texture_.current(), c.record.texture);
        EXPECT_EQ(options->sensitivitySlider()->value(), c.record.sensitivity);
        EXPECT_EQ(options->contrastButtons()->checkedId(), c.record.contrast);

        options->sensitivitySlider()->setValue(33);
        setPersistOptions(c.persistAtExit);
        options.reset();
        settings.sync();
        EXPECT_EQ(settings.value(sensitivityKey).toString(), c.sensitivityKey.toString());
        EXPECT_EQ(settings.value(highKey).toString(), c.highKey.toString());
    }
}

} // namespace
