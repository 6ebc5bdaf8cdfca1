// The polygon tool base, played on both of its tools (forced edge and
// polygon patch): clicks fix the floating point, a double click finishes
// only while drawing, Escape takes back the last vertex or cancels, another
// tool cancels; and the polygon tools' own cursor.
#include "brush_document.h"
#include "patch_tool_fixture.h"

#include "model/forced_edge.h"
#include "model/gm_model.h"
#include "model/zt_polygon.h"
#include "tools/forced_edge_tool.h"
#include "tools/no_tool.h"
#include "tools/region_poly_tool.h"
#include "tools/tool_cursors.h"
#include "workspace/bitmap_cursor.h"

#include <QBitmap>
#include <QImage>

#include <functional>
#include <memory>

namespace {

struct Kind {
    const char* name;
    std::function<std::unique_ptr<PolygonTool>()> make;
    // The model's list the tool's owner goes into.
    std::function<const QList<ArrowTarget*>&()> listed;
};

const Kind kKinds[] = {
    {"forced edge", [] { return std::make_unique<ForcedEdgeTool>(); },
     []() -> const QList<ArrowTarget*>& { return GmModel::instance()->forcedEdges(); }},
    {"polygon patch", [] { return std::make_unique<RegionPolyTool>(); },
     []() -> const QList<ArrowTarget*>& { return GmModel::instance()->regions(); }},
};

QPolygonF pointsOf(const PolygonTool& tool) {
    return tool.currentTarget() ? tool.currentTarget()->points() : QPolygonF();
}

class PolygonToolTest : public PatchToolFixture {
protected:
    // Selects the tool, with the empty tool to fall back on.
    PolygonTool& take(const Kind& kind) {
        tool_ = kind.make();
        EXPECT_TRUE(tool_->installSlot());
        return *tool_;
    }
    void TearDown() override {
        tool_.reset();
        none_.reset();
        PatchToolFixture::TearDown();
    }

    std::unique_ptr<NoTool> none_ = std::make_unique<NoTool>();
    std::unique_ptr<PolygonTool> tool_;
};

TEST_F(PolygonToolTest, ADoubleClickAsTheFirstActionDrawsNothing) {
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        PolygonTool& tool = take(kind);
        doubleClickOn(tool, QPointF(10, 10));
        EXPECT_FALSE(tool.isDrawing());
        EXPECT_EQ(tool.currentTarget(), nullptr);
        EXPECT_TRUE(kind.listed().isEmpty());
        EXPECT_TRUE(commands().isEmpty());
    }
}

TEST_F(PolygonToolTest, EachClickFixesTheFloatingPointWithoutDoublingAVertex) {
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        PolygonTool& tool = take(kind);
        clickOn(tool, QPointF(10, 10));
        EXPECT_TRUE(tool.isDrawing());
        EXPECT_EQ(pointsOf(tool), polygonOf({{10, 10}, {10, 10}})) << "the second point floats";
        EXPECT_EQ(kind.listed().size(), 1) << "the owner is listed from the first click";

        hoverOn(tool, QPointF(30, 12));
        EXPECT_EQ(pointsOf(tool), polygonOf({{10, 10}, {30, 12}}));
        clickOn(tool, QPointF(30, 12));
        clickOn(tool, QPointF(30, 12));
        EXPECT_EQ(pointsOf(tool), polygonOf({{10, 10}, {30, 12}, {30, 12}}))
            << "two clicks at one place make one vertex";
        hoverOn(tool, QPointF(20, 30));
        EXPECT_EQ(pointsOf(tool), polygonOf({{10, 10}, {30, 12}, {20, 30}}));
        tool.deactivate(nullptr);
    }
}

TEST_F(PolygonToolTest, EscapeTakesBackTheLastVertexAndCancelsAtTwoPoints) {
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        PolygonTool& tool = take(kind);
        // Four fixed points and the floating one.
        for (QPointF p : {QPointF(5, 5), QPointF(40, 5), QPointF(40, 30), QPointF(20, 40)})
            placeOn(tool, p);
        hoverOn(tool, QPointF(8, 30));
        ASSERT_EQ(pointsOf(tool).size(), 5);

        tool.escape();
        EXPECT_EQ(pointsOf(tool), polygonOf({{5, 5}, {40, 5}, {40, 30}, {8, 30}}))
            << "three fixed points and the floating one";
        tool.escape();
        tool.escape();
        EXPECT_EQ(pointsOf(tool), polygonOf({{5, 5}, {8, 30}}));
        EXPECT_TRUE(tool.isDrawing());

        // A press (left down) fixes the floating point; Escape takes it back.
        hoverOn(tool, QPointF(9, 30));
        pressOn(tool, QPointF(9, 30));
        tool.escape();
        EXPECT_EQ(pointsOf(tool), polygonOf({{5, 5}, {9, 30}}));
        ASSERT_EQ(tool.buttonState(), 1);
        tool.escape();
        EXPECT_FALSE(tool.isDrawing());
        EXPECT_EQ(tool.currentTarget(), nullptr);
        EXPECT_TRUE(kind.listed().isEmpty()) << "cancelled: the owner is deleted";
        EXPECT_EQ(tool.buttonState(), 0);
        EXPECT_EQ(GmTool::currentTool(), &tool) << "cancelling is all this Escape does";
        EXPECT_FALSE(commands().contains("Creating Forced Edge..."));
        EXPECT_FALSE(commands().contains("Beginning Sub-Session..."));
    }
}

TEST_F(PolygonToolTest, AnotherToolCancelsTheOutlineBeingDrawn) {
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        PolygonTool& tool = take(kind);
        placeOn(tool, QPointF(5, 5));
        placeOn(tool, QPointF(40, 5));
        hoverOn(tool, QPointF(40, 30));
        ASSERT_EQ(kind.listed().size(), 1);

        ASSERT_TRUE(static_cast<GmTool*>(none_.get())->installSlot());
        EXPECT_FALSE(tool.isDrawing());
        EXPECT_TRUE(kind.listed().isEmpty());
        EXPECT_FALSE(commands().contains("Creating Forced Edge..."));
        EXPECT_FALSE(commands().contains("Beginning Sub-Session..."));
    }
}

TEST(PolygonCursor, IsAFramedOneBitPictureWithItsHotSpotOnTheCrossHair) {
    const std::unique_ptr<QCursor> cursor = createPolygonCursor();
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor->hotSpot(), QPoint(5, 16));
    EXPECT_EQ(cursor->shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor->bitmap(Qt::ReturnByValue).size(), QSize(32, 32));

    const QImage bits = polygonCursorBitmap().toImage();
    const QImage mask = outlineMask(polygonCursorBitmap()).toImage();
    ASSERT_EQ(bits.size(), QSize(32, 32));
    ASSERT_EQ(mask.size(), bits.size());
    auto set = [](const QImage& image, int x, int y) {
        return x >= 0 && y >= 0 && x < image.width() && y < image.height() &&
               qGray(image.pixel(x, y)) < 128;
    };
    EXPECT_FALSE(set(bits, 5, 16)) << "the pixel under the hot spot stays visible";
    EXPECT_TRUE(set(bits, 1, 16));
    int drawn = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            bool near = false;
            for (int v = y - 1; v <= y + 1; ++v)
                for (int u = x - 1; u <= x + 1; ++u)
                    near = near || set(bits, u, v);
            EXPECT_EQ(set(mask, x, y), near) << x << ", " << y;
            drawn += set(bits, x, y);
        }
    EXPECT_GT(drawn, 30);

    // Pictures of different sizes make no cursor.
    EXPECT_EQ(createBitmapCursor(0, 0, QBitmap(16, 16), QBitmap(32, 32)), nullptr);
    EXPECT_EQ(createBitmapCursor(0, 0, QBitmap(), QBitmap()), nullptr);
}

} // namespace
