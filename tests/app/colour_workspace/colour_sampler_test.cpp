// The colour sampler: what a press picks, Escape, its slider linked with the
// panel's, keeping the selection when selected, and going back to the tool
// it replaced when the panel hides.
#include "colour_workspace/colour_workspace_select_tool.h"

#include "colour_workspace/colour_display.h"
#include "colour_workspace/colour_workspace.h"
#include "colour_workspace_fixture.h"
#include "model/gm_model.h"
#include "support/test_environment.h"
#include "tools/no_tool.h"
#include "tools/tool_cursors.h"

#include <QAction>
#include <QMouseEvent>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A tool that stands in for the one it was activated over (the hand while
// the space bar is held).
class StandInTool : public PlainTool {
public:
    StandInTool() : PlainTool(QStringLiteral("Stand-in")) {}
    void activate(GmTool* previous) override { over_ = previous; }
    GmTool* previousTool() const override { return over_; }

private:
    GmTool* over_ = nullptr;
};

struct Pick {
    QColor colour;
    Qt::KeyboardModifiers modifiers;
};

class ColourSamplerTest : public ::testing::Test {
protected:
    ColourSamplerTest()
        : window(std::make_unique<QWidget>()),
          panel(new ColourWorkspace(window.get(), nullptr, QStringLiteral("C"))),
          sampler(std::make_unique<ColourWorkspaceSelectTool>(nullptr, nullptr, nullptr, panel)) {
        QObject::connect(sampler.get(), &ColourWorkspaceSelectTool::colourPicked,
                         [this](QColor colour, Qt::KeyboardModifiers modifiers) {
                             picks.push_back({colour, modifiers});
                         });
    }
    ~ColourSamplerTest() override {
        sampler.reset();
        GmTool::setArrowTool(nullptr);
    }

    // A press of `button` at the image point `point`, as the canvas sends it.
    void press(QPointF point, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMouseEvent event(QEvent::MouseButtonPress, QPointF(), button, button, modifiers);
        sampler->trackButtonState(&event);
        sampler->mousePress(&event, point);
    }

    std::unique_ptr<QWidget> window;
    ColourWorkspace* panel;
    std::unique_ptr<ColourWorkspaceSelectTool> sampler;
    std::vector<Pick> picks;
};

TEST_F(ColourSamplerTest, IsTheColourSamplerWithItsShortcutPointerAndOptions) {
    EXPECT_EQ(sampler->name(), "Color Sampler");
    EXPECT_EQ(sampler->action()->text(), "Color Sampler");
    EXPECT_EQ(sampler->action()->shortcut(), QKeySequence("S"));
    EXPECT_EQ(sampler->cursor().hotSpot(), QPoint(0, 31));
    // The pipette's pointer.
    EXPECT_EQ(sampler->cursor().bitmap(Qt::ReturnByValue).toImage(),
              createPipetteCursor()->bitmap(Qt::ReturnByValue).toImage());
    EXPECT_TRUE(sampler->action()->whatsThis().startsWith("<p><b>Color Sampler</b></p><p>Use "));
    EXPECT_EQ(panel->samplerTool(), sampler.get());
    EXPECT_FALSE(sampler->clearsColourHighlight());
}

TEST_F(ColourSamplerTest, WithoutAnImageItIsUsableAndSamplesBlack) {
    ASSERT_EQ(GmModel::instance()->sourceImage(), nullptr);
    EXPECT_TRUE(sampler->action()->isEnabled());
    EXPECT_TRUE(sampler->installSlot());
    EXPECT_EQ(GmTool::currentTool(), sampler.get());
    press(QPointF(5, 5), Qt::LeftButton, Qt::ShiftModifier);
    ASSERT_EQ(picks.size(), 1u);
    EXPECT_EQ(picks[0].colour, QColor(Qt::black));
    EXPECT_EQ(picks[0].modifiers, Qt::ShiftModifier);
}

TEST_F(ColourSamplerTest, ALeftPressOnThePictureSamplesItsColourAndNothingElseDoes) {
    QImage pixels = plainImage(8, 6, qRgb(10, 20, 30));
    pixels.setPixel(3, 2, qRgb(200, 100, 50));
    ColourDocument document(pixels);
    press(QPointF(3.5, 2.9), Qt::LeftButton, Qt::ShiftModifier);
    ASSERT_EQ(picks.size(), 1u);
    EXPECT_EQ(picks[0].colour, QColor(200, 100, 50));
    EXPECT_EQ(picks[0].modifiers, Qt::ShiftModifier);

    // The right button, and the canvas's margin around the picture.
    press(QPointF(3.5, 2.9), Qt::RightButton);
    for (const QPointF& margin : {QPointF(-1, 2), QPointF(3, -0.5), QPointF(8, 2), QPointF(3, 6)})
        press(margin);
    EXPECT_EQ(picks.size(), 1u);
    EXPECT_TRUE(panel->colourDisplay_->selectionEmpty() == false) << "the pick reached the display";
}

TEST_F(ColourSamplerTest, EscapeClearsASelectionFirstThenEscapesAsEveryTool) {
    ColourDocument document(plainImage(8, 6, qRgb(200, 100, 50)));
    PlainTool arrow("Arrow");
    GmTool::setArrowTool(&arrow);
    sampler->installSlot();
    press(QPointF(1, 1));
    ASSERT_FALSE(panel->colourDisplay_->selectionEmpty());

    sampler->escape();
    EXPECT_TRUE(panel->colourDisplay_->selectionEmpty());
    EXPECT_EQ(GmTool::currentTool(), sampler.get());
    sampler->escape();
    EXPECT_EQ(GmTool::currentTool(), &arrow);
}

TEST_F(ColourSamplerTest, ItsSliderAndThePanelsMoveTogether) {
    QSlider* own = sampler->resolutionSlider();
    EXPECT_EQ(own->minimum(), 4);
    EXPECT_EQ(own->maximum(), 8);
    EXPECT_EQ(own->value(), 5);
    own->setValue(7);
    EXPECT_EQ(panel->colourBits_->value(), 7);
    EXPECT_EQ(panel->colourDisplay_->histogram().colourBits(), 7);
    panel->colourBits_->setValue(4);
    EXPECT_EQ(own->value(), 4);
    EXPECT_EQ(panel->colourDisplay_->histogram().colourBits(), 4);
}

TEST_F(ColourSamplerTest, SelectingItKeepsTheSelectionAndAPressInTheDisplaySelectsIt) {
    ColourDocument document(plainImage(8, 6, qRgb(200, 100, 50)));
    PlainTool brush("Brush");
    brush.installSlot();
    panel->colourDisplay_->colourPicked(QColor(200, 100, 50), Qt::NoModifier);
    sampler->installSlot();
    EXPECT_FALSE(panel->colourDisplay_->selectionEmpty());

    brush.installSlot();
    EXPECT_TRUE(panel->colourDisplay_->selectionEmpty());
    panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel));
    ColourDisplay* display = panel->colourDisplay_;
    QTest::mousePress(panel->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      display->mapTo(panel, QPoint(5, 5)));
    QTest::mouseRelease(panel->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                        display->mapTo(panel, QPoint(5, 5)));
    EXPECT_EQ(GmTool::currentTool(), sampler.get());
}

TEST_F(ColourSamplerTest, HidingThePanelReturnsToTheToolItReplacedOrTheFallback) {
    ColourDocument document(plainImage(8, 6, qRgb(200, 100, 50)));
    PlainTool arrow("Arrow");
    GmTool::setArrowTool(&arrow);
    auto brush = std::make_unique<PlainTool>("Brush");
    brush->installSlot();
    sampler->installSlot();
    ASSERT_TRUE(panel->isVisible()) << "the sampler shows the panel";
    panel->closeViewSlot();
    EXPECT_EQ(GmTool::currentTool(), brush.get());

    // A tool standing in for the sampler for a while does not replace what it remembers.
    sampler->installSlot();
    StandInTool hand;
    hand.installSlot();
    sampler->installSlot();
    EXPECT_EQ(sampler->toolBeforeSampler(), brush.get());

    // The tool it replaced is gone: the fallback.
    brush.reset();
    ASSERT_TRUE(panel->isVisible());
    panel->closeViewSlot();
    EXPECT_EQ(GmTool::currentTool(), &arrow);

    // The main window's rule when it installs one.
    std::vector<GmTool*> asked;
    ColourWorkspace::setSelectToolOrFallbackHook([&asked](GmTool* tool) { asked.push_back(tool); });
    sampler->installSlot();
    panel->closeViewSlot();
    ColourWorkspace::setSelectToolOrFallbackHook(nullptr);
    EXPECT_EQ(asked, std::vector<GmTool*>{&arrow});
}

} // namespace
