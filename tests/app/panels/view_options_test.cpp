// The view options bar: the opacity label, the resolution box and the model's
// factor in step both ways, the stored resolution, and the object-edge box
// that is off while no image is open without losing the user's choice and
// that the canvas and the document see while the bar lives.
#include "panels/view_options.h"

#include "document/document_fixture.h"
#include "model/view_hooks.h"
#include "model/zt_app_prefs.h"
#include "support/test_environment.h"
#include "workspace/canvas_hooks.h"

#include <QLabel>
#include <QSettings>
#include <QSignalSpy>

#include <memory>

namespace {

class ViewOptionsTest : public DocumentFixture {
protected:
    ViewOptionsTest() { QSettings().remove("ViewOptions"); }
    ~ViewOptionsTest() override {
        bar_.reset();
        prefs_.reset();
        QSettings().remove("ViewOptions");
    }
    // The bar as the main window builds it, following the model's factor.
    ViewOptions& makeBar(bool persistOptions = false) {
        prefs_ = std::make_unique<ZtAppPrefs>();
        prefs_->setPersistOptions(persistOptions);
        bar_ = std::make_unique<ViewOptions>();
        QObject::connect(model(), &GmModel::resolutionChanged, bar_.get(),
                         &ViewOptions::syncResolutionSlot);
        return *bar_;
    }

    std::unique_ptr<ZtAppPrefs> prefs_;
    std::unique_ptr<ViewOptions> bar_;
};

TEST_F(ViewOptionsTest, TheOpacityLabelShowsThePercentOfTheSlidersMaximum) {
    ViewOptions& bar = makeBar();
    EXPECT_EQ(ViewOptions::instance(), &bar);
    EXPECT_EQ(bar.opacitySlider()->objectName(), QString("ViewOptions/MaskOpacity"));
    EXPECT_EQ(bar.opacitySlider()->minimum(), 26);
    EXPECT_EQ(bar.opacitySlider()->maximum(), 255);
    EXPECT_EQ(bar.opacityLabel()->text(), QString("Mask Opacity: 60%")) << "the default 153";
    QSignalSpy opacity(&bar, &ViewOptions::opacityChanged);
    const struct {
        int value;
        const char* label;
    } rows[] = {{26, "Mask Opacity: 10%"}, {255, "Mask Opacity: 100%"}, {0, "Mask Opacity: 10%"}};
    for (const auto& row : rows) {
        bar.opacitySlider()->setValue(row.value);
        EXPECT_EQ(bar.opacityLabel()->text(), QString(row.label)) << row.value;
    }
    EXPECT_EQ(opacity.count(), 3) << "0 is held to 26";
    bar_.reset();
    EXPECT_EQ(QSettings().value("ViewOptions/MaskOpacity").toInt(), 26);
}

TEST_F(ViewOptionsTest, TheResolutionBoxAndTheModelsFactorFollowEachOther) {
    ViewOptions& bar = makeBar();
    EXPECT_EQ(bar.resolutionBox()->count(), 4);
    EXPECT_EQ(bar.resolutionBox()->currentText(), QString("1:1"));
    QSignalSpy modified(&bar, &ViewOptions::modified);
    QSignalSpy factors(model(), &GmModel::resolutionChanged);

    // The model chose a factor (an image loads): the box follows without
    // asking the model again.
    model()->chooseResolution(9000000);
    EXPECT_EQ(bar.resolutionBox()->currentText(), QString("1:4"));
    EXPECT_EQ(factors.count(), 1);
    EXPECT_EQ(modified.count(), 0);

    // The user chooses: the model takes the factor.
    bar.resolutionBox()->setCurrentText("1:2");
    EXPECT_EQ(model()->resolutionFactor(), 2);
    EXPECT_EQ(modified.count(), 1);
    model()->setResolutionFactor(1);
    EXPECT_EQ(QSettings().contains("ViewOptions/WorkspaceResolution"), false);
    bar_.reset();
    EXPECT_FALSE(QSettings().contains("ViewOptions/WorkspaceResolution"))
        << "written only while options persist";
}

TEST_F(ViewOptionsTest, AResolutionChangeTheUserRefusesComesBack) {
    QImage grey(40, 30, QImage::Format_RGB32);
    grey.fill(Qt::gray);
    openImage(grey);
    stroke(QPointF(5, 5), QPointF(20, 5), VkStatusKeep, VkScopeExact);
    ViewOptions& bar = makeBar();
    test_support::prompts().answer(PromptService::No);
    bar.resolutionBox()->setCurrentText("1:4");
    waitIdle();
    ASSERT_EQ(test_support::prompts().asked().size(), 1);
    EXPECT_EQ(test_support::prompts().asked().first().title,
              QString("Confirm change of resolution"));
    EXPECT_EQ(model()->resolutionFactor(), 1);
    EXPECT_EQ(bar.resolutionBox()->currentText(), QString("1:1"));
    EXPECT_GT(countWith(VkStatusKeep), 0) << "the masks stay";
}

TEST_F(ViewOptionsTest, AStoredResolutionIsAppliedAtStartWhenOptionsPersist) {
    // The model works at 1:2 when the bar is built.
    const struct {
        const char* stored;
        bool persist;
        const char* shown;
        int factor;
    } rows[] = {{"1:4", true, "1:4", 4},
                {"1:3", true, "1:1", 1}, // no such factor: 1:1, not left as it was
                {"", true, "1:1", 1},
                {"1:8", false, "1:2", 2}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored);
        model()->setResolutionFactor(2);
        QSettings().setValue("ViewOptions/WorkspaceResolution", row.stored);
        ViewOptions& bar = makeBar(row.persist);
        EXPECT_EQ(bar.resolutionBox()->currentText(), QString(row.shown));
        EXPECT_EQ(bar.resolutionBox()->count(), 4);
        EXPECT_EQ(model()->resolutionFactor(), row.factor);
        bar_.reset();
        EXPECT_EQ(QSettings().value("ViewOptions/WorkspaceResolution").toString(),
                  QString(row.persist ? row.shown : row.stored))
            << "written only while options persist";
    }
    model()->setResolutionFactor(1);
}

TEST_F(ViewOptionsTest, TheEdgeBoxIsOffWhileDisabledAndTheUsersChoiceIsKept) {
    struct Row {
        bool stored;
        bool userUnchecksFirst;
        bool checkedWhileDisabled;
        bool checkedAgain;
        bool written;
    };
    const Row rows[] = {{true, false, false, true, true},
                        {false, false, false, false, false},
                        {true, true, false, false, false}};
    for (const Row& row : rows) {
        QSettings().setValue("ViewOptions/ShowObjectEdges", row.stored);
        ViewOptions& bar = makeBar();
        QCheckBox* box = bar.objectEdgeBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->isChecked(), row.stored);
        if (row.userUnchecksFirst) box->setChecked(false);
        bar.setShowVectorEdgesEnabled(false);
        EXPECT_FALSE(box->isEnabled());
        EXPECT_EQ(box->isChecked(), row.checkedWhileDisabled);
        EXPECT_FALSE(bar.showsObjectEdges());
        bar.setShowVectorEdgesEnabled(true);
        EXPECT_EQ(box->isChecked(), row.checkedAgain);
        // Quitting with no image open writes the choice, not the forced "off".
        bar.setShowVectorEdgesEnabled(false);
        bar_.reset();
        EXPECT_EQ(QSettings().value("ViewOptions/ShowObjectEdges").toBool(), row.written);
    }
}

TEST_F(ViewOptionsTest, ClickingTheEdgeBoxTellsTheWindowAndRepaints) {
    ViewOptions& bar = makeBar();
    QSignalSpy modified(&bar, &ViewOptions::modified);
    QSignalSpy shown(&bar, &ViewOptions::showVectorEdges);
    bar.objectEdgeBox()->click();
    EXPECT_EQ(modified.count(), 1);
    ASSERT_EQ(shown.count(), 1);
    EXPECT_FALSE(shown.first().first().toBool());
    // The window's action sets the box without hearing back from it.
    bar.setShowVectorEdges(true);
    EXPECT_TRUE(bar.showsObjectEdges());
    EXPECT_EQ(shown.count(), 1);
}

// What the canvas paints and the document asks (a patch that becomes active
// shows its edges or not) is the bar's box, and nothing once the bar is gone.
TEST_F(ViewOptionsTest, TheCanvasAndTheDocumentSeeTheEdgeBoxWhileTheBarLives) {
    const auto canvasSees = [] {
        const CanvasHooks& hooks = canvasHooks();
        return hooks.objectEdgesShown && hooks.objectEdgesShown();
    };
    EXPECT_FALSE(canvasHooks().objectEdgesShown) << "no bar, no hook";
    EXPECT_FALSE(edgesShown());
    ViewOptions& bar = makeBar();
    const struct {
        bool enabled;
        bool checked;
        bool shown;
    } rows[] = {{true, true, true}, {true, false, false}, {false, true, false}, {true, true, true}};
    for (const auto& row : rows) {
        bar.setShowVectorEdgesEnabled(row.enabled);
        if (row.enabled) bar.setShowVectorEdges(row.checked);
        EXPECT_EQ(canvasSees(), row.shown) << row.enabled << row.checked;
        EXPECT_EQ(edgesShown(), row.shown) << row.enabled << row.checked;
    }
    bar_.reset();
    EXPECT_FALSE(canvasHooks().objectEdgesShown) << "the bar takes its hooks along";
    EXPECT_FALSE(edgesShown());
}

} // namespace
