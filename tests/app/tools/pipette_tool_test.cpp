// The pipette on the canvas, with the mouse played on the window: a press
// on the image tells its colour there and hands back the tool from before,
// beside the image it picks nothing, and without that tool the fallback
// takes over.
#include "canvas_tool_fixture.h"

#include "tools/arrow_tool.h"
#include "tools/mask_brushes.h"
#include "tools/pan_tool.h"
#include "tools/pipette_tool.h"

#include <QSignalSpy>

#include <memory>

namespace {

class PipetteToolTest : public CanvasToolFixture {
protected:
    void SetUp() override {
        CanvasToolFixture::SetUp();
        arrow_ = std::make_unique<ArrowTool>();
        brush_ = std::make_unique<KeepExactTool>();
        ASSERT_TRUE(brush_->installSlot());
    }
    void TearDown() override {
        brush_.reset();
        arrow_.reset();
        CanvasToolFixture::TearDown();
    }

    std::unique_ptr<ArrowTool> arrow_;
    std::unique_ptr<KeepExactTool> brush_;
};

QList<QColor> coloursOf(const QSignalSpy& spy) {
    QList<QColor> colours;
    for (const QList<QVariant>& call : spy)
        colours << call.at(0).value<QColor>();
    return colours;
}

TEST_F(PipetteToolTest, APickTellsTheColourAndHandsBackTheToolFromBeforeBothPipettes) {
    PipetteTool foreground("Foreground Pipette", "Foreground Pipette");
    PipetteTool background("Background Pipette", "Background Pipette");
    QSignalSpy picked(&background, &PipetteTool::pipetteToolColourSelected);
    QSignalSpy firstPicked(&foreground, &PipetteTool::pipetteToolColourSelected);
    QSignalSpy selected(&foreground, &PipetteTool::pipetteToolSelected);

    ASSERT_TRUE(foreground.installSlot());
    ASSERT_TRUE(background.installSlot());
    EXPECT_EQ(background.rememberedTool(), brush_.get());
    click({200, 150});
    EXPECT_EQ(coloursOf(picked), QList<QColor>{QColor(Qt::darkGreen)});
    EXPECT_TRUE(firstPicked.isEmpty());
    EXPECT_EQ(GmTool::currentTool(), brush_.get());
    ASSERT_EQ(selected.count(), 2);
    EXPECT_TRUE(selected.at(0).at(0).toBool());
    EXPECT_FALSE(selected.at(1).at(0).toBool());

    // The hand standing in for a pipette for a while changes nothing.
    PanTool pan;
    ASSERT_TRUE(foreground.installSlot());
    ASSERT_TRUE(pan.installSlot());
    ASSERT_TRUE(foreground.installSlot());
    foreground.escape();
    EXPECT_EQ(GmTool::currentTool(), brush_.get());
}

TEST_F(PipetteToolTest, APressBesideTheImagePicksNothing) {
    PipetteTool pipette("Pipette", "Pipette");
    QSignalSpy picked(&pipette, &PipetteTool::pipetteToolColourSelected);
    ASSERT_TRUE(pipette.installSlot());
    for (const QPointF& beside : {QPointF(-10, 50), QPointF(400, 150), QPointF(200, 300)}) {
        SCOPED_TRACE(testing::Message() << beside.x() << ", " << beside.y());
        click(beside);
        EXPECT_TRUE(picked.isEmpty());
        EXPECT_EQ(GmTool::currentTool(), &pipette);
    }
    click({399, 299});
    EXPECT_EQ(picked.count(), 1) << "the last pixel is on the image";
}

TEST_F(PipetteToolTest, WithoutTheToolFromBeforeTheFallbackTakesOver) {
    PipetteTool pipette("Pipette", "Pipette");
    QSignalSpy picked(&pipette, &PipetteTool::pipetteToolColourSelected);
    ASSERT_TRUE(pipette.installSlot());
    brush_.reset();
    click({200, 150});
    EXPECT_EQ(picked.count(), 1);
    EXPECT_EQ(GmTool::currentTool(), arrow_.get());
}

} // namespace
