// Cut-outs made through the model with the real engine thread and engine:
// what refuses to generate, the change count that "Save and Apply" reads,
// patches kept unchanged since their preview, forced edges and patches
// changed while a generation runs, and a photograph cut out by its marks.
#include "document_fixture.h"

#include "engine_bridge/vk_cmd_generate_mask.h"
#include "engine_bridge/vk_cmd_num_available_undo_redo.h"
#include "files/zt_source_image.h"
#include "model/forced_edge.h"
#include "model/gm_status_array.h"
#include "model/rect_region.h"
#include "model/segmentation_stuff.h"
#include "model/shape.h"
#include "support/test_environment.h"

#include <QBrush>
#include <QPen>
#include <QSignalSpy>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

// The rectangle of a whole-image cut-out.
const ImageRectF* const kWholeImage = nullptr;

class MaskGeneration : public DocumentFixture {
protected:
    ~MaskGeneration() override { VardekThread::setLastCutoutChangeCount(0); }

    // Two halves analysed, keep painted on the left, delete on the right.
    void openMarkedHalves() {
        openImage(twoHalves());
        analyse();
        stroke(QPointF(10, 30), QPointF(30, 30), VkStatusKeep, VkScopeLocal);
        stroke(QPointF(50, 30), QPointF(70, 30), VkStatusDelete, VkScopeLocal);
    }
    // A rectangle patch in the engine.
    RectRegion* patchOver(const QPointF& from, const QPointF& to) {
        auto* patch = new RectRegion(from);
        patch->rectangle()->dragCorner(to);
        patch->beginSubSession(nullptr);
        waitIdle();
        return patch;
    }
    static int maskPixels(GmRegion* patch) {
        const QImage* mask = patch->shape()->pixelState()->mask();
        if (!mask) return 0;
        int count = 0;
        for (int y = 0; y < mask->height(); ++y)
            for (int x = 0; x < mask->width(); ++x)
                count += mask->pixelIndex(x, y) != 0;
        return count;
    }
    QImage cutout() const { return model()->workingImage()->displayImage().copy(); }
};

TEST_F(MaskGeneration, WithoutKeepOrDeleteMarksOrWithoutASegmentationNothingIsGenerated) {
    struct Case {
        const char* name;
        bool analysed;
        int status;
    };
    const Case cases[] = {
        {"only blend marks", true, VkStatusBlend},
        {"no segmentation", false, VkStatusKeep},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        openImage(twoHalves());
        if (c.analysed) analyse();
        stroke(QPointF(10, 30), QPointF(70, 30), c.status, VkScopeExact);
        ASSERT_GT(countWith(uchar(c.status)), 0);
        const QImage before = cutout();
        VardekThread::setLastCutoutChangeCount(0);

        model()->generateMaskSlot();
        waitIdle();
        EXPECT_EQ(cutout(), before);
        EXPECT_EQ(VardekThread::lastCutoutChangeCount(), 0) << "no generation ran";
        model()->closeImage();
        waitIdle();
    }
}

TEST_F(MaskGeneration, OnlyAWholeImageSuccessKeepsTheChangeCount) {
    openMarkedHalves();
    RectRegion* patch = patchOver(QPointF(30, 20), QPointF(50, 40));
    const ImageRectF rectangle(30, 10, 20.4, 19.6);
    struct Case {
        const char* name;
        std::function<VardekCommand*()> make;
        bool expectChangeCount;
    };
    const Case cases[] = {
        {"whole image", [&] { return new VkCmdGenerateMask(model(), kWholeImage); }, true},
        {"rectangle", [&] { return new VkCmdGenerateMask(model(), &rectangle); }, false},
        {"patch", [&] { return new VkCmdGenerateMask(model(), patch); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VardekThread::setLastCutoutChangeCount(0);
        const QImage before = cutout();
        submitAndWait(c.make());
        EXPECT_NE(cutout(), before) << "a cut-out was made";
        EXPECT_EQ(VardekThread::lastCutoutChangeCount(),
                  c.expectChangeCount ? thread().changeCount() : 1);
        model()->revertOutputImage();
    }

    // A failure: the engine finds no segmentation yet, its analysis still
    // waiting behind the cut-out.
    model()->closeImage();
    waitIdle();
    openImage(twoHalves());
    stroke(QPointF(10, 30), QPointF(30, 30), VkStatusKeep, VkScopeExact);
    stroke(QPointF(50, 30), QPointF(70, 30), VkStatusDelete, VkScopeExact);
    VardekThread::setLastCutoutChangeCount(0);
    {
        WorkerHold hold(thread());
        thread().submit(new VkCmdNumAvailableUndoRedo(model()));
        ASSERT_TRUE(hold.waitStarted());
        thread().submit(new VkCmdGenerateMask(model(), kWholeImage));
        model()->imageSmeg()->analyse();
        hold.release();
        waitIdle();
    }
    EXPECT_TRUE(model()->imageSmeg()->hasSegmentation());
    EXPECT_EQ(VardekThread::lastCutoutChangeCount(), 1);
}

// "Save and Apply" compares the change count of the last cut-out with the
// thread's: a stroke made while the cut-out runs is not in it.
TEST_F(MaskGeneration, AStrokeMadeWhileTheCutoutRunsIsNotCountedAsCutOut) {
    openMarkedHalves();
    WorkerHold hold(thread());
    thread().submit(new VkCmdGenerateMask(model(), kWholeImage));
    ASSERT_TRUE(hold.waitStarted());
    const int cutOut = thread().changeCount();
    thread().submit(strokeCommand(QPointF(10, 50), QPointF(30, 50), VkStatusDelete, VkScopeExact));
    hold.release();
    waitIdle();
    EXPECT_EQ(VardekThread::lastCutoutChangeCount(), cutOut);
    EXPECT_NE(VardekThread::lastCutoutChangeCount(), thread().changeCount())
        << "Save and Apply must generate again";
}

TEST_F(MaskGeneration, PatchesUnchangedSinceTheirPreviewAreKeptAndARefusedPreviewMarksNothing) {
    openMarkedHalves();
    RectRegion* left = patchOver(QPointF(4, 4), QPointF(20, 20));
    RectRegion* right = patchOver(QPointF(50, 36), QPointF(70, 52));
    submitAndWait(new VkCmdGenerateMask(model(), left));
    submitAndWait(new VkCmdGenerateMask(model(), right));
    ASSERT_TRUE(left->shape()->pixelState()->isSaved());
    ASSERT_TRUE(right->shape()->pixelState()->isSaved());
    EXPECT_EQ(countWith(VkStatusTempDone), 0) << "the engine clears its marks";
    const int leftPixels = maskPixels(left), rightPixels = maskPixels(right);
    ASSERT_GT(leftPixels, 0);
    ASSERT_GT(rightPixels, 0);
    const QRect leftArea(4, 4, 16, 16);

    struct Case {
        const char* name;
        std::function<void()> change;
        int marked, markedLeft;
    };
    const Case cases[] = {
        {"both unchanged", [] {}, leftPixels + rightPixels, leftPixels},
        {"left blend ratio changed", [&] { left->blendage().options().blendRatioF_ = 0.7f; },
         rightPixels, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        WorkerHold hold(thread());
        thread().submit(new VkCmdGenerateMask(model(), kWholeImage));
        ASSERT_TRUE(hold.waitStarted());
        EXPECT_EQ(countWith(VkStatusTempDone), c.marked);
        EXPECT_EQ(countWith(VkStatusTempDone, leftArea), c.markedLeft);
        hold.release();
        waitIdle();
        EXPECT_EQ(countWith(VkStatusTempDone), 0);
    }

    // The right patch is still unchanged, but a preview whose patch is gone refuses first.
    RectRegion* gone = patchOver(QPointF(30, 20), QPointF(50, 40));
    auto* preview = new VkCmdGenerateMask(model(), gone);
    model()->deleteRegion(gone);
    waitIdle();
    submitAndWait(preview);
    EXPECT_EQ(countWith(VkStatusTempDone), 0);
}

TEST_F(MaskGeneration, APatchReshapedWhileItsPreviewRunsHasNoPreviewToRemember) {
    openMarkedHalves();
    RectRegion* patch = patchOver(QPointF(4, 4), QPointF(20, 20));
    WorkerHold hold(thread());
    thread().submit(new VkCmdGenerateMask(model(), patch));
    ASSERT_TRUE(hold.waitStarted());
    patch->rectangle()->dragCorner(QPointF(36, 36));
    patch->shapeChanged();
    // Drawn at its new place (by the canvas, say) before the preview ends.
    ASSERT_NE(patch->shape()->mask(QPen(Qt::NoPen), QBrush(Qt::color1)), nullptr);
    hold.release();
    waitIdle();
    EXPECT_FALSE(patch->shape()->pixelState()->isSaved());
}

TEST_F(MaskGeneration, AForcedEdgeDeletedWhileTheCutoutIsMadeTakesNothingFromTheEngine) {
    openMarkedHalves();
    auto* edge = new ForcedEdge(QPointF(40, 4), 3);
    edge->polygon()->addPoint(QPointF(40, 56));
    edge->submitToEngine();
    waitIdle();
    const std::vector<float> points = edge->workspacePoints();

    WorkerHold hold(thread());
    thread().submit(new VkCmdGenerateMask(model(), kWholeImage));
    ASSERT_TRUE(hold.waitStarted());
    auto* generation = dynamic_cast<VkCmdGenerateMask*>(thread().currentCommand());
    ASSERT_NE(generation, nullptr);
    model()->deleteForcedEdge(edge); // its polygon and points are freed
    ASSERT_EQ(generation->forcedEdgeRecords().size(), 1u);
    const VkForcedEdgeRecord& record = generation->forcedEdgeRecords().front();
    ASSERT_EQ(record.pointCount, 2u);
    EXPECT_EQ(std::vector<float>(record.points, record.points + 4), points);
    EXPECT_FLOAT_EQ(record.featherWidth, 3.0f);
    hold.release();
    waitIdle();
    EXPECT_EQ(VardekThread::lastCutoutChangeCount(), thread().changeCount());
}

// Revert Mask while a cut-out is made: the working image's pixels stay where
// the engine writes, also when someone else (the Cut-out tab) shared them.
TEST_F(MaskGeneration, RevertingWhileTheCutoutIsMadeKeepsThePixelsWhereTheEngineWrites) {
    openMarkedHalves();
    QImage shown = model()->workingImage()->displayImage();
    WorkerHold hold(thread());
    thread().submit(new VkCmdGenerateMask(model(), kWholeImage));
    ASSERT_TRUE(hold.waitStarted());
    model()->revertOutputImage();
    shown = QImage(); // the sharer lets go
    hold.release();
    waitIdle();
    EXPECT_EQ(qAlpha(cutout().pixel(10, 30)), 255);
    EXPECT_EQ(qAlpha(cutout().pixel(70, 30)), 0) << "the cut-out reached the working image";
}

TEST_F(MaskGeneration, DeletingTheActiveForcedEdgeLaysTheOthersAgainWithoutIts) {
    openImage(twoHalves());
    auto* first = new ForcedEdge(QPointF(5, 10), 3);
    first->polygon()->addPoint(QPointF(70, 10));
    auto* second = new ForcedEdge(QPointF(5, 50), 3);
    second->polygon()->addPoint(QPointF(70, 50));
    first->submitToEngine();
    second->submitToEngine();
    waitIdle();
    const QRect firstRow(0, 8, 80, 5), secondRow(0, 48, 80, 5);
    ASSERT_GT(countWith(VkStatusForcedEdge, firstRow), 0);
    const int secondMarks = countWith(VkStatusForcedEdge, secondRow);
    ASSERT_GT(secondMarks, 0);

    first->activate();
    model()->deleteActiveForcedEdgeSlot();
    waitIdle();
    EXPECT_EQ(model()->forcedEdges(), QList<ArrowTarget*>{second});
    EXPECT_EQ(countWith(VkStatusForcedEdge, firstRow), 0);
    EXPECT_EQ(countWith(VkStatusForcedEdge, secondRow), secondMarks);
}

// The whole road: a photograph, keep and delete strokes, the rest filled, a
// patch with its own blending and a forced edge; Create Cut-out makes a
// cut-out whose alpha follows the marks.
TEST_F(MaskGeneration, APhotographIsCutOutAsItsMarksSay) {
    openFile(QStringLiteral("chelsea.png"));
    analyse();
    stroke(QPointF(150, 160), QPointF(360, 160), VkStatusKeep, VkScopeLocal);
    stroke(QPointF(425, 20), QPointF(425, 280), VkStatusDelete, VkScopeLocal);
    model()->autoFillImageSlot();
    waitIdle();
    ASSERT_EQ(countWith(VkStatusUnassigned), 0);
    RectRegion* patch = patchOver(QPointF(380, 200), QPointF(440, 290));
    patch->blendage().options().isChoices_ = true;
    auto* edge = new ForcedEdge(QPointF(100, 40), 4);
    edge->polygon()->addPoint(QPointF(100, 280));
    edge->submitToEngine();
    waitIdle();
    ASSERT_GT(countWith(VkStatusForcedEdge), 0);
    const QImage before = cutout();
    QSignalSpy told(model(), &GmModel::cutoutChanged);

    model()->generateMaskSlot();
    waitIdle();
    EXPECT_EQ(told.count(), 1);
    EXPECT_EQ(VardekThread::lastCutoutChangeCount(), thread().changeCount());
    const QImage after = cutout();
    ASSERT_EQ(after.size(), QSize(451, 300));
    // Away from the forced edge (x = 100) keep is opaque and delete clear;
    // across it keep blends over its feather width.
    int keep = 0, keepNotOpaque = 0, remove = 0, removeNotClear = 0, blendedAtEdge = 0;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x) {
            const uchar status = statusAt(x, y);
            const int alpha = qAlpha(after.pixel(x, y));
            const bool nearEdge = std::abs(x - 100) <= 8;
            if (status == VkStatusKeep && nearEdge) {
                blendedAtEdge += alpha < 255;
            } else if (status == VkStatusKeep) {
                ++keep;
                keepNotOpaque += alpha != 255;
            } else if (status == VkStatusDelete && !nearEdge) {
                ++remove;
                removeNotClear += alpha != 0;
            }
        }
    EXPECT_GT(keep, 50000);
    EXPECT_GT(remove, 10000);
    EXPECT_EQ(keepNotOpaque, 0);
    EXPECT_EQ(removeNotClear, 0);
    EXPECT_GT(blendedAtEdge, 100);
    EXPECT_NE(after, before);
}

} // namespace
