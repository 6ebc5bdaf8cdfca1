// Runs with the session's own status preparation: the fill stays on the
// session's queue after a whole-image run, is taken back after a rectangle
// run, and a failure inside the fill leaves the queue and status as before.
#include "driver_scene.h"

#include "matting/mask_status.h"

#include <gtest/gtest.h>

#include <string>

namespace driver_test {
namespace {

void grey(int, int, float rgb[3]) {
    rgb[0] = rgb[1] = rgb[2] = 0.5f;
}

// Keep marks on the left, the rest unassigned; delete marks only in the last column.
ByteArray keepLeft(bool withDelete) {
    std::vector<std::string> rows(6, withDelete ? "KK......D" : "KK.......");
    return statusOf(rows);
}

struct CancelAtFirstReport : orsine::utility::IiUI {
    void report(float, const std::string&) override { throw VkExCancel(); }
};

TEST(DriverPreparation, WholeImageRunKeepsItsFillAsOneUndoGroup) {
    Scene<Kind8> scene(keepLeft(false), 2, grey);
    scene.prepare = orsine::matting::prepareMaskStatus;
    const ByteArray before = copyOf(scene.status);
    EXPECT_EQ(scene.run(), 0);
    EXPECT_EQ(scene.sessionQueue.undoGroups(), 1u);
    EXPECT_EQ(scene.status(3, 5), kDelete);
    classification::ChangedBox changed;
    scene.sessionQueue.undo(changed);
    EXPECT_TRUE(sameArrays(scene.status, before));
}

TEST(DriverPreparation, RectangleRunTakesItsFillBack) {
    Scene<Kind8> scene(keepLeft(true), 2, grey);
    scene.prepare = orsine::matting::prepareMaskStatus;
    const ByteArray before = copyOf(scene.status);
    testing::internal::CaptureStdout();
    EXPECT_EQ(scene.run(Box(1, 0, 4, 4)), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "nUndo 1\n");
    EXPECT_TRUE(sameArrays(scene.status, before));
    EXPECT_EQ(scene.sessionQueue.undoGroups(), 0u);
}

TEST(DriverPreparation, CancelInsideTheFillLeavesQueueAndStatusAsBefore) {
    Scene<Kind8> scene(keepLeft(false), 2, grey);
    scene.prepare = orsine::matting::prepareMaskStatus;
    scene.sessionQueue.openGroup(); // the user's earlier work
    const ByteArray before = copyOf(scene.status);
    CancelAtFirstReport cancel;
    EXPECT_THROW(
        scene.run(std::nullopt, {}, MaskForcedEdges(), ProgressRange::over(&cancel, 0.0f, 1.0f)),
        VkExCancel);
    EXPECT_EQ(scene.sessionQueue.undoGroups(), 1u);
    EXPECT_EQ(scene.sessionQueue.redoGroups(), 0u);
    EXPECT_TRUE(sameArrays(scene.status, before));
}

} // namespace
} // namespace driver_test
