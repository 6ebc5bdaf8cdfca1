// The blending controls: records snapped to the four widths and nine steps,
// the stored controls with "PersistOptions" on or off, patches that follow
// the image's ratio until the user sets their own, the complex types that
// exclude each other, their sliders, the speed warning, and the pipettes
// that come from the tools.
#include "option_panels_fixture.h"

#include "model/blending_options.h"
#include "model/gm_color.h"
#include "model/rect_region.h"
#include "panels/common_blend_opts_widget.h"
#include "panels/image_blending_window.h"
#include "panels/pipette_hooks.h"
#include "panels/region_blend_opts_widget.h"
#include "panels/regional_properties.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QSettings>
#include <QSlider>

#include <memory>

namespace {

using BlendingWidgetsTest = OptionPanelsFixture;

TEST_F(BlendingWidgetsTest, ARecordIsShownAtTheNearestWidthAndStepAndSnappedToThem) {
    CommonBlendOptsWidget widget(true, true);
    const struct {
        float width;
        float ratio;
        const char* widthName;
        float snappedWidth;
        int step;
        const char* label;
        float snappedRatio;
    } cases[] = {
        {0.5f, 0.2f, "Medium", 0.75f, 6, "1:3", 0.25f},
        {0.4f, 1.0f, "Thin", 0.15f, 0, "5:0", 1.0f},
        {0.0f, 0.0f, "None", 0.0f, 8, "0:5", 0.0f},
        {9.0f, 0.55f, "Thick", 1.5f, 4, "1:1", 0.5f},
        {0.45f, 0.2f, "Thin", 0.15f, 6, "1:3", 0.25f}, // halfway: the first of the two
    };
    for (const auto& c : cases) {
        BlendingOptions record;
        record.autoBlueWidthF_ = c.width;
        record.blendRatioF_ = c.ratio;
        widget.loadOptions(&record);
        EXPECT_EQ(widget.widthBox()->currentText(), QString(c.widthName)) << c.width;
        EXPECT_FLOAT_EQ(record.autoBlueWidthF_, c.snappedWidth);
        EXPECT_EQ(widget.ratioSlider()->value(), c.step) << c.ratio;
        EXPECT_TRUE(widget.ratioGroup()->title().endsWith(QString(c.label)))
            << widget.ratioGroup()->title().toStdString();
        // The image's widget snaps the image's ratio.
        EXPECT_FLOAT_EQ(imageBlending().blendRatioF_, c.snappedRatio);
    }
}

TEST_F(BlendingWidgetsTest, StoredControlsBecomeTheImagesValuesOnlyWhileOptionsPersist) {
    const struct {
        const char* name;
        bool persist;
        QVariant storedWidth;
        QVariant storedStep;
        const char* widthShown;
        float width;
        int step;
        float ratio;
        // What the settings hold after the widget went.
        QString widthKey;
        QString stepKey;
    } cases[] = {
        {"off, nothing stored", false, {}, {}, "Medium", 0.75f, 6, 0.25f, "", ""},
        {"off, stored", false, "Thick", 4, "Medium", 0.75f, 6, 0.25f, "Thick", "4"},
        {"on, nothing stored", true, {}, {}, "Thin", 0.15f, 0, 1.0f, "Thin", "0"},
        {"on, stored", true, "Thick", 4, "Thick", 1.5f, 4, 0.5f, "Thick", "4"},
        {"on, a name of another language", true, "Dünn", 2, "Thin", 0.15f, 2, 0.75f, "Thin", "2"},
    };
    const QString widthKey = QStringLiteral("BlendingOptions/BlendMaskWidth");
    const QString stepKey = QStringLiteral("BlendingOptions/IntelligentBlending");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QSettings settings;
        settings.remove(QStringLiteral("BlendingOptions"));
        if (c.storedWidth.isValid()) settings.setValue(widthKey, c.storedWidth);
        if (c.storedStep.isValid()) settings.setValue(stepKey, c.storedStep);
        imageBlending() = BlendingOptions();
        setPersistOptions(c.persist);

        auto window = std::make_unique<ImageBlendingWindow>(nullptr, QStringLiteral("F8"), nullptr);
        CommonBlendOptsWidget& widget = *window->options();
        EXPECT_EQ(widget.widthBox()->count(), 4) << "the stored name is not kept as an entry";
        EXPECT_EQ(widget.widthBox()->currentText(), QString(c.widthShown));
        EXPECT_EQ(widget.ratioSlider()->value(), c.step);
        EXPECT_FLOAT_EQ(imageBlending().autoBlueWidthF_, c.width);
        EXPECT_FLOAT_EQ(imageBlending().blendRatioF_, c.ratio);
        EXPECT_FALSE(widget.lockBox()->isVisibleTo(&widget)) << "the image follows nothing";

        window.reset();
        settings.sync();
        EXPECT_EQ(settings.value(widthKey).toString(), c.widthKey);
        EXPECT_EQ(settings.value(stepKey).toString(), c.stepKey);
    }
}

TEST_F(BlendingWidgetsTest, APatchFollowsTheImagesRatioUntilTheUserSetsItsOwn) {
    ImageBlendingWindow window(nullptr, QStringLiteral("F8"), nullptr);
    RegionalProperties panel(nullptr, QStringLiteral("F9"), nullptr);
    CommonBlendOptsWidget& image = *window.options();
    CommonBlendOptsWidget& patchPage = *panel.standardBlending();
    openImage(twoHalves());
    RectRegion* other = addPatch(QRectF(4, 4, 20, 20));
    RectRegion* tracking = addPatch(QRectF(44, 4, 30, 40));
    BlendingOptions& follows = tracking->blendage().options();
    BlendingOptions& own = other->blendage().options();
    own.blendRatioF_ = 0.5f;

    patchPage.lockBox()->click();
    EXPECT_TRUE(follows.isPatchBlendRatioTrackingImage_);
    EXPECT_FLOAT_EQ(follows.blendRatioF_, imageBlending().blendRatioF_);

    image.ratioSlider()->setValue(2);
    EXPECT_FLOAT_EQ(imageBlending().blendRatioF_, 0.75f);
    EXPECT_FLOAT_EQ(follows.blendRatioF_, 0.75f);
    EXPECT_FLOAT_EQ(own.blendRatioF_, 0.5f);
    EXPECT_EQ(patchPage.ratioSlider()->value(), 2);
    EXPECT_TRUE(patchPage.lockBox()->isChecked()) << "the image's change is not the user's";
    EXPECT_TRUE(follows.isPatchBlendRatioTrackingImage_);

    // The user's own ratio for the patch: it stops following.
    patchPage.ratioSlider()->setValue(5);
    EXPECT_FALSE(patchPage.lockBox()->isChecked());
    EXPECT_FALSE(follows.isPatchBlendRatioTrackingImage_);
    EXPECT_FLOAT_EQ(follows.blendRatioF_, 0.375f);
    EXPECT_FLOAT_EQ(imageBlending().blendRatioF_, 0.75f);

    image.ratioSlider()->setValue(7);
    EXPECT_FLOAT_EQ(follows.blendRatioF_, 0.375f) << "the user's ratio stays";
    EXPECT_EQ(patchPage.ratioSlider()->value(), 5);

    // Width choices go to the record each widget edits.
    patchPage.autoBlueWidthChangedSlot(CommonBlendOptsWidget::Thick);
    image.setAutoBlueWidthToChoice(CommonBlendOptsWidget::None);
    EXPECT_FLOAT_EQ(follows.autoBlueWidthF_, 1.5f);
    EXPECT_FLOAT_EQ(imageBlending().autoBlueWidthF_, 0.0f);
}

TEST_F(BlendingWidgetsTest, TheComplexTypesExcludeEachOtherAndTurnOffTheStandardBlending) {
    RegionalProperties panel(nullptr, QStringLiteral("F9"), nullptr);
    RegionBlendOptsWidget& complex = *panel.complexBlending();
    QGroupBox* standard = panel.standardBlending()->ratioGroup();
    openImage(twoHalves());
    BlendingOptions& record = addPatch(QRectF(44, 4, 30, 40))->blendage().options();
    QSettings().setValue(
        RegionBlendOptsWidget::speedWarningKey(QStringLiteral("Complex Hair Blending")), false);

    const struct {
        const char* step;
        void (RegionBlendOptsWidget::*slot)(bool);
        bool on;
        bool membrane;
        bool choices;
        bool overrides;
        bool standardEnabled;
    } steps[] = {
        {"edge on", &RegionBlendOptsWidget::membraneClickedSlot, true, true, false, true, false},
        {"hair on", &RegionBlendOptsWidget::choicesClickedSlot, true, false, true, true, false},
        {"edge on again", &RegionBlendOptsWidget::membraneClickedSlot, true, true, false, true,
         false},
        {"edge off", &RegionBlendOptsWidget::membraneClickedSlot, false, false, false, false, true},
        {"hair on", &RegionBlendOptsWidget::choicesClickedSlot, true, false, true, false, false},
        {"edge off while hair is on", &RegionBlendOptsWidget::membraneClickedSlot, false, false,
         true, false, false},
        {"hair off", &RegionBlendOptsWidget::choicesClickedSlot, false, false, false, false, true},
    };
    for (const auto& s : steps) {
        (complex.*s.slot)(s.on);
        EXPECT_EQ(record.isMembrane_, s.membrane) << s.step;
        EXPECT_EQ(record.isChoices_, s.choices) << s.step;
        EXPECT_EQ(complex.membraneGroup()->isChecked(), s.membrane) << s.step;
        EXPECT_EQ(complex.choicesGroup()->isChecked(), s.choices) << s.step;
        EXPECT_EQ(record.fgChecked_, s.overrides) << s.step;
        EXPECT_EQ(record.bgChecked_, s.overrides) << s.step;
        EXPECT_EQ(enabledFlag(standard), s.standardEnabled) << s.step;
    }
    EXPECT_FALSE(imageBlending().isMembrane_);
    EXPECT_FALSE(imageBlending().isChoices_);
}

TEST_F(BlendingWidgetsTest, SlidersShowOneToAHundredAndStoreHundredthsOfNinetyNine) {
    RegionalProperties panel(nullptr, QStringLiteral("F9"), nullptr);
    RegionBlendOptsWidget& complex = *panel.complexBlending();
    openImage(twoHalves());
    BlendingOptions& record = addPatch(QRectF(44, 4, 30, 40))->blendage().options();
    const struct {
        QSlider* slider;
        QLabel* label;
        float BlendingOptions::*field;
        const char* name;
    } sliders[] = {
        {complex.keepPaletteSlider(), complex.keepPaletteLabel(), &BlendingOptions::choices1F_,
         "Keep Mask Color Palette Size"},
        {complex.deletePaletteSlider(), complex.deletePaletteLabel(), &BlendingOptions::choices2F_,
         "Delete Mask Color Palette Size"},
        {complex.smoothnessSlider(), complex.smoothnessLabel(), &BlendingOptions::membrane1F_,
         "Edge Smoothness"},
    };
    const struct {
        int value;
        const char* shown;
        float stored;
    } values[] = {{0, "1", 0.0f}, {99, "100", 1.0f}, {49, "50", 49.0f * (1.0f / 99.0f)}};
    for (const auto& s : sliders)
        for (const auto& v : values) {
            s.slider->setValue(v.value);
            EXPECT_EQ(s.label->text(), QStringLiteral("%1:    %2").arg(s.name, v.shown));
            EXPECT_EQ(record.*s.field, v.stored) << s.name << " " << v.value;
        }

    // A record comes back into the sliders at the nearest step.
    BlendingOptions loaded;
    loaded.choices1F_ = 0.2f;
    loaded.choices2F_ = 1.0f;
    loaded.membrane1F_ = 0.0f;
    complex.loadOptions(&loaded);
    EXPECT_EQ(complex.keepPaletteSlider()->value(), 20);
    EXPECT_EQ(complex.deletePaletteSlider()->value(), 99);
    EXPECT_EQ(complex.smoothnessSlider()->value(), 0);
}

TEST_F(BlendingWidgetsTest, HairBlendingWarnsOfItsSpeedUntilTheUserSaysNotToTellAgain) {
    RegionalProperties panel(nullptr, QStringLiteral("F9"), nullptr);
    RegionBlendOptsWidget& complex = *panel.complexBlending();
    openImage(twoHalves());
    addPatch(QRectF(44, 4, 30, 40));
    const QString name = QStringLiteral("Complex Hair Blending");
    const QString key = QStringLiteral("BlendingOptions/Complex Hair BlendingSpeedWarning");
    EXPECT_EQ(RegionBlendOptsWidget::speedWarningKey(name), key) << "spaces kept";

    auto& prompts = test_support::prompts();
    prompts.answerWithCheckBox(false);
    prompts.answerWithCheckBox(true);
    for (int i = 0; i < 4; ++i) {
        complex.choicesClickedSlot(true);
        complex.choicesClickedSlot(false); // off never warns
    }
    ASSERT_EQ(prompts.asked().size(), 2);
    EXPECT_EQ(prompts.pendingAnswers(), 0);
    const auto& warning = prompts.asked().first();
    EXPECT_EQ(warning.dialog, test_support::ScriptedPromptService::Dialog::CheckedMessage);
    EXPECT_EQ(warning.kind, PromptService::Kind::Information);
    EXPECT_EQ(warning.title, name);
    EXPECT_EQ(warning.checkBoxText, QString("Don't tell me again."));
    EXPECT_TRUE(warning.text.startsWith(
        "<p>Complex Hair Blending is much slower than the other types of blending.</p>"));
    EXPECT_EQ(QSettings().value(key).toBool(), false);
}

// A stand-in for the tools' pipette: the signals the blending options listen to.
class FakePipette : public QObject {
    Q_OBJECT
public:
    FakePipette(const QString& name, const QString& text) : action(new QAction(text, this)) {
        setObjectName(name);
    }
    QAction* action;
signals:
    void pipetteToolColourSelected(QColor colour);
    void pipetteToolSelected(bool selected);
};

TEST_F(BlendingWidgetsTest, APipettesColourBecomesThePatchsOverrideColour) {
    QList<QPointer<FakePipette>> made;
    setPipetteFactory([&made](const QString& name, const QString& text) {
        auto* pipette = new FakePipette(name, text);
        made << pipette;
        return Pipette{pipette, pipette->action};
    });
    auto panel = std::make_unique<RegionalProperties>(nullptr, QStringLiteral("F9"), nullptr);
    RegionBlendOptsWidget& complex = *panel->complexBlending();
    ASSERT_EQ(made.size(), 2);
    EXPECT_EQ(made[0]->objectName(), QString("Foreground Picker"));
    EXPECT_EQ(made[0]->action->text(), QString("Pick the foreground override color"));
    EXPECT_EQ(made[1]->objectName(), QString("Background Picker"));

    openImage(twoHalves());
    BlendingOptions& record = addPatch(QRectF(44, 4, 30, 40))->blendage().options();
    EXPECT_EQ(complex.boundForeground(), &record.fgOverride());
    emit made[0]->pipetteToolColourSelected(QColor(255, 128, 0));
    emit made[1]->pipetteToolColourSelected(QColor(10, 20, 30));
    EXPECT_EQ(record.fgOverride().color(), QColor(255, 128, 0));
    EXPECT_EQ(record.bgOverride().color(), QColor(10, 20, 30));
    EXPECT_TRUE(record.fgChecked_);
    EXPECT_TRUE(record.bgChecked_);
    EXPECT_TRUE(complex.foregroundBox()->isChecked());
    EXPECT_EQ(imageBlending().fgOverride().color(), QColor(Qt::white));

    panel.reset();
    EXPECT_TRUE(made[0].isNull()) << "the pipettes go with the widget";
    EXPECT_TRUE(made[1].isNull());
}

} // namespace

#include "blending_options_widgets_test.moc"
