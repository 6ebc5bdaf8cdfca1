// The forced-edge tool: an outline of one point is dropped without a
// command, an edge deleted from elsewhere ends the drawing, the feather
// width is the row's at the first click, and a finished edge goes into the
// engine and becomes the active forced edge.
#include "brush_document.h"
#include "patch_tool_fixture.h"

#include "engine_bridge/vk_cmd_select.h"
#include "model/forced_edge.h"
#include "model/gm_model.h"
#include "model/zt_polygon.h"
#include "panels/parameter_stack.h"
#include "tools/forced_edge_tool.h"

#include <QPointer>

namespace {

using ForcedEdgeToolTest = PatchToolFixture;

ParameterStack::SpinBox* widthRow(const ForcedEdgeTool& tool) {
    return tool.widthStack()->spinBox(QStringLiteral("Feather Width"));
}

TEST_F(ForcedEdgeToolTest, ADoubleClickAtTheFirstPointCancelsWithoutACommand) {
    ForcedEdgeTool tool;
    clickOn(tool, QPointF(12, 12));
    QPointer<ForcedEdge> edge = tool.edge();
    ASSERT_TRUE(edge);
    doubleClickOn(tool, QPointF(12, 12));
    EXPECT_FALSE(edge) << "deleted";
    EXPECT_TRUE(model()->forcedEdges().isEmpty());
    EXPECT_FALSE(tool.isDrawing());
    EXPECT_TRUE(commands().isEmpty());
    EXPECT_EQ(model()->activeForcedEdge(), nullptr);
}

TEST_F(ForcedEdgeToolTest, AnEdgeDeletedWhileDrawnEndsTheDrawing) {
    ForcedEdgeTool tool;
    placeOn(tool, QPointF(5, 5));
    placeOn(tool, QPointF(30, 5));
    model()->deleteForcedEdge(tool.edge());
    EXPECT_FALSE(tool.isDrawing());
    EXPECT_EQ(tool.currentTarget(), nullptr);

    // The mouse goes on without the edge; the next click starts a new one.
    hoverOn(tool, QPointF(30, 20));
    doubleClickOn(tool, QPointF(30, 20));
    EXPECT_TRUE(model()->forcedEdges().isEmpty());
    clickOn(tool, QPointF(40, 40));
    EXPECT_TRUE(tool.isDrawing());
    ASSERT_EQ(model()->forcedEdges().size(), 1);
    EXPECT_EQ(tool.currentTarget()->points(), polygonOf({{40, 40}, {40, 40}}));
    EXPECT_TRUE(commands().isEmpty());
}

TEST_F(ForcedEdgeToolTest, TheFeatherWidthIsTheRowsAtTheFirstClick) {
    ForcedEdgeTool tool;
    ParameterStack::SpinBox* row = widthRow(tool);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->settingsKey(), QString("ToolOptions/ForcedEdgeTool/FeatherWidth"));
    EXPECT_EQ(row->minimum(), 2);
    EXPECT_EQ(row->maximum(), 16);
    EXPECT_EQ(row->value(), 3);
    EXPECT_EQ(tool.optionsWidget(), tool.widthStack()->parentWidget());

    row->setValue(7);
    placeOn(tool, QPointF(5, 5));
    row->setValue(12);
    placeOn(tool, QPointF(30, 5));
    doubleClickOn(tool, QPointF(30, 25));
    ASSERT_EQ(model()->forcedEdges().size(), 1);
    EXPECT_EQ(model()->forcedEdges().first()->asForcedEdge()->featherWidth(), 7);
    EXPECT_EQ(tool.featherWidth(), 12) << "the next edge takes the new width";

    // Each copy of the option is a row of its own over the same setting.
    const ForcedEdgeTool::WidthOptions copy = ForcedEdgeTool::forcedEdgeWidthOptions();
    EXPECT_NE(copy.stack, tool.widthStack());
    ASSERT_NE(copy.stack->spinBox("Feather Width"), nullptr);
    EXPECT_EQ(copy.stack->spinBox("Feather Width")->settingsKey(), row->settingsKey());
    delete copy.widget;
}

TEST_F(ForcedEdgeToolTest, AFinishedEdgeGoesIntoTheEngineAndBecomesActive) {
    ForcedEdgeTool tool;
    placeOn(tool, QPointF(5, 5));
    placeOn(tool, QPointF(30, 5));
    hoverOn(tool, QPointF(30, 25));
    doubleClickOn(tool, QPointF(30, 25));

    ASSERT_EQ(model()->forcedEdges().size(), 1);
    auto* edge = model()->forcedEdges().first()->asForcedEdge();
    EXPECT_EQ(edge->polygon()->points(), polygonOf({{5, 5}, {30, 5}, {30, 25}}));
    EXPECT_FALSE(edge->polygon()->isClosed());
    EXPECT_EQ(model()->activeForcedEdge(), edge);
    EXPECT_FALSE(tool.isDrawing());
    EXPECT_EQ(tool.edge(), nullptr) << "the tool lets go of a finished edge";

    const QList<VkCmdSelect*> selections = engine().commandsOf<VkCmdSelect>();
    ASSERT_EQ(selections.size(), 1);
    EXPECT_EQ(selections.first()->target(), VkCmdSelect::Edge);
    EXPECT_EQ(selections.first()->edge(), edge);
    EXPECT_EQ(engine().commands().size(), 1u);

    // Deleting the finished edge later leaves the tool alone.
    model()->deleteForcedEdge(edge);
    clickOn(tool, QPointF(50, 40));
    EXPECT_TRUE(tool.isDrawing());
}

} // namespace
