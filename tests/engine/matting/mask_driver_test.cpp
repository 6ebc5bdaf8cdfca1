// Whole mask-generation runs over small scenes, for the three sample kinds:
// short cuts, temporary marks on every path, rectangle runs and their undo,
// roll-back, previews, choices patches and a soft synthetic edge; and runs
// with the session's own status preparation: the fill stays on the session's
// queue after a whole-image run, is taken back after a rectangle run, and a
// failure inside the fill leaves the queue and status as before.
#include "driver_scene.h"
#include "matting/forced_edges.h"
#include "matting/mask_status.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

namespace {

using namespace driver_test;
using namespace orsine::matting;

template <class Kind> class DriverRun : public ::testing::Test {};
using Kinds = ::testing::Types<driver_test::Kind8, driver_test::Kind16, driver_test::Kind15>;
TYPED_TEST_SUITE(DriverRun, Kinds);

// Keep on the left, delete on the right, an unassigned band between.
const std::vector<std::string> kTwoSides = {
    "KKKK....DDDD", "KKKK....DDDD", "KKKK....DDDD", "KKKK....DDDD",
    "KKKK....DDDD", "KKKK....DDDD", "KKKK....DDDD", "KKKK....DDDD",
};

void gradient(int r, int c, float rgb[3]) {
    rgb[0] = static_cast<float>(r % 7) / 7.0f;
    rgb[1] = static_cast<float>(c % 11) / 11.0f;
    rgb[2] = 0.5f;
}

TYPED_TEST(DriverRun, OnlyKeepMarksGiveTheSource) {
    for (const int factor : {1, 2}) {
        Scene<TypeParam> scene(statusOf({"KKKK", "KKKK", "KKKK"}), factor, gradient);
        EXPECT_EQ(scene.run(), 0);
        EXPECT_TRUE(sameArrays(scene.output, scene.source)) << factor;
        EXPECT_EQ(scene.sessionQueue.undoGroups(), 0u);
    }
}

TYPED_TEST(DriverRun, OnlyDeleteMarksGiveAlphaZeroAndKeepColours) {
    for (const int factor : {1, 2}) {
        Scene<TypeParam> scene(statusOf({"DDDD", "DDDD", "DDDD"}), factor, gradient, 7);
        EXPECT_EQ(scene.run(), 0);
        for (int r = 0; r < scene.output.extent(0); ++r)
            for (int c = 0; c < scene.output.extent(1); ++c)
                for (int ch = 0; ch < 4; ++ch)
                    ASSERT_EQ(scene.output(r, c)[ch], ch == 3 ? 0 : 7) << factor;
    }
}

// A progress parent that raises `raise` at the first report inside the
// matting passes, after checking that the run's marks are in the status.
struct FailingProgress : orsine::utility::IiUI {
    std::function<void()> raise;
    const ByteArray* status = nullptr;
    float after = 0.2f; // the distances end there
    bool sawMarks = false;
    void report(float fraction, const std::string&) override {
        if (!raise || fraction <= after) return;
        sawMarks = hasTemporaryMarks(*status, classification::boxOf(*status));
        auto r = raise;
        raise = nullptr;
        r();
    }
};

struct Ending {
    const char* name;
    std::function<void()> raise; // null: the run completes
};

const Ending kEndings[] = {
    {"normal", nullptr},
    {"cancel", [] { throw VkExCancel(); }},
    {"failure", [] { throw VkExFailure("Unhandled exception in worker thread."); }},
    {"out of memory", [] { throw std::bad_alloc(); }},
};

TYPED_TEST(DriverRun, NoTemporaryMarkSurvivesAnyEnding) {
    for (const Ending& ending : kEndings) {
        for (const bool withPatches : {false, true}) {
            Scene<TypeParam> scene(statusOf(kTwoSides), 2, gradient);
            const ByteArray before = copyOf(scene.status);
            MaskPatches patches;
            if (withPatches) {
                MaskPatch membrane;
                membrane.box = Box(1, 3, 6, 9);
                membrane.membrane = true;
                membrane.membraneValue = 0.2f;
                patches.push_back(membrane);
            }
            FailingProgress progress;
            progress.raise = ending.raise;
            progress.status = &scene.status;
            bool threw = false;
            try {
                EXPECT_EQ(
                    scene.run(std::nullopt, patches, MaskForcedEdges(), ProgressRange(&progress)),
                    0);
            } catch (...) {
                threw = true;
            }
            EXPECT_EQ(threw, ending.raise != nullptr) << ending.name;
            if (threw) {
                EXPECT_TRUE(progress.sawMarks) << ending.name;
            }
            EXPECT_FALSE(hasTemporaryMarks(scene.status, scene.statusBox()))
                << ending.name << " patches " << withPatches;
            EXPECT_TRUE(sameArrays(scene.status, before)) << ending.name;
        }
    }
}

TYPED_TEST(DriverRun, AFailedWholeImageRunRollsBackItsFill) {
    for (const Ending& ending : kEndings) {
        if (!ending.raise) continue;
        // Keep marks and unassigned pixels only: the preparation fills delete.
        Scene<TypeParam> scene(statusOf({"KKK.....", "KKK.....", "KKK....."}), 1, gradient);
        const ByteArray before = copyOf(scene.status);
        scene.sessionQueue.openGroup(); // an earlier user action
        FailingProgress progress;
        progress.raise = ending.raise;
        progress.status = &scene.status;
        EXPECT_ANY_THROW(scene.run(std::nullopt, {}, MaskForcedEdges(), ProgressRange(&progress)));
        EXPECT_TRUE(sameArrays(scene.status, before)) << ending.name;
        EXPECT_EQ(scene.sessionQueue.undoGroups(), 1u) << ending.name;
        EXPECT_EQ(scene.sessionQueue.redoGroups(), 0u) << ending.name;
    }
}

TYPED_TEST(DriverRun, ACancelInsideTheFillLeavesEarlierGroupsAlone) {
    Scene<TypeParam> scene(statusOf({"KKK.....", "KKK.....", "KKK....."}), 1, gradient);
    fillUnassigned(scene.status, Box(0, 7, 0, 7), kBlend, scene.sessionQueue); // earlier action
    const ByteArray before = copyOf(scene.status);
    FailingProgress progress;
    progress.raise = [] { throw VkExCancel(); };
    progress.status = &scene.status;
    progress.after = 0.0f; // the fill's first report
    EXPECT_THROW(scene.run(std::nullopt, {}, MaskForcedEdges(), ProgressRange(&progress)),
                 VkExCancel);
    EXPECT_TRUE(sameArrays(scene.status, before));
    EXPECT_EQ(scene.sessionQueue.undoGroups(), 1u);
}

TYPED_TEST(DriverRun, AFailedRunThatRecordedNothingKeepsWhatCanBeRedone) {
    Scene<TypeParam> scene(statusOf(kTwoSides), 1, gradient);
    fillUnassigned(scene.status, Box(0, 4, 0, 4), kBlend, scene.sessionQueue);
    classification::ChangedBox changed;
    scene.sessionQueue.undo(changed);
    FailingProgress progress;
    progress.raise = [] { throw VkExCancel(); };
    progress.status = &scene.status;
    EXPECT_THROW(scene.run(std::nullopt, {}, MaskForcedEdges(), ProgressRange(&progress)),
                 VkExCancel);
    EXPECT_EQ(scene.sessionQueue.undoGroups(), 0u);
    EXPECT_EQ(scene.sessionQueue.redoGroups(), 1u);
}

TYPED_TEST(DriverRun, RollBackWorksWhenTheSessionQueueIsAtItsLimit) {
    Scene<TypeParam> scene(statusOf({"KKK.....", "KKK.....", "KKK....."}), 1, gradient);
    for (int i = 0; i < 200; ++i)
        scene.sessionQueue.openGroup();
    const ByteArray before = copyOf(scene.status);
    FailingProgress progress;
    progress.raise = [] { throw VkExCancel(); };
    progress.status = &scene.status;
    EXPECT_THROW(scene.run(std::nullopt, {}, MaskForcedEdges(), ProgressRange(&progress)),
                 VkExCancel);
    // The fill's group replaced the oldest one; only the fill is taken back.
    EXPECT_TRUE(sameArrays(scene.status, before));
    EXPECT_EQ(scene.sessionQueue.undoGroups(), 199u);
    EXPECT_EQ(scene.sessionQueue.redoGroups(), 0u);
}

struct RectangleCase {
    const char* name;
    std::vector<std::string> grid;
    Box rectangle;
    int groups; // in the trace
    bool shortCutAfterFill;
};

TYPED_TEST(DriverRun, ARectangleRunLeavesTheStatusAsItWasAndTraces) {
    const RectangleCase cases[] = {
        {"both classes inside", kTwoSides, Box(2, 2, 5, 9), 0, false},
        {"keep only inside: filled",
         {"KKK....DDD", "KKK....DDD", "KKK....DDD", "KKK....DDD"},
         Box(0, 0, 3, 5),
         1,
         false},
        {"short cut after the fill",
         {"KKK.......", "KKK.......", "KKK.......", "KKK......."},
         Box(0, 0, 3, 5),
         1,
         true},
        {"no marks inside", kTwoSides, Box(1, 5, 3, 6), 0, false},
    };
    for (const RectangleCase& c : cases) {
        for (const int factor : {1, 2}) {
            Scene<TypeParam> scene(statusOf(c.grid), factor, gradient);
            if (c.shortCutAfterFill) {
                // A fill that leaves the rectangle without delete marks.
                scene.prepare = [](classification::Segmentation<6, 0>&, ByteArray& status,
                                   const Box& domain, const Box& work, const Box&, float,
                                   UndoQueue& queue, ProgressRange) {
                    fillUnassigned(status, work, kBlend, queue);
                    PreparedMaskStatus p;
                    p.estimationBox = domain;
                    p.hasKeep = true;
                    return p;
                };
            }
            scene.sessionQueue.openGroup();
            const ByteArray before = copyOf(scene.status);
            ::testing::internal::CaptureStdout();
            EXPECT_EQ(scene.run(c.rectangle), 0) << c.name;
            EXPECT_EQ(::testing::internal::GetCapturedStdout(),
                      "nUndo " + std::to_string(c.groups) + "\n")
                << c.name;
            EXPECT_TRUE(sameArrays(scene.status, before)) << c.name << " factor " << factor;
            EXPECT_EQ(scene.sessionQueue.undoGroups(), 1u) << c.name;
        }
    }
}

TYPED_TEST(DriverRun, AWholeImageRunAddsAtMostOneGroupAndNoTrace) {
    for (const bool fills : {false, true}) {
        Scene<TypeParam> scene(statusOf({"KKK.....", "KKK.....", "KKK..DDD"}), 1, gradient);
        if (fills) { // keep only: the preparation fills
            for (int c = 5; c < 8; ++c)
                scene.status(2, c) = kUnassigned;
        }
        scene.sessionQueue.openGroup();
        scene.sessionQueue.openGroup();
        const ByteArray before = copyOf(scene.status);
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(scene.run(), 0);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(scene.sessionQueue.undoGroups(), fills ? 3u : 2u);
        EXPECT_EQ(sameArrays(scene.status, before), !fills);
        EXPECT_FALSE(hasTemporaryMarks(scene.status, scene.statusBox()));
    }
}

TYPED_TEST(DriverRun, AnEmptyWorkBoxChangesNothing) {
    Scene<TypeParam> scene(statusOf(kTwoSides), 2, gradient);
    const auto output = copyOf(scene.output);
    const ByteArray status = copyOf(scene.status);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(scene.run(Box(20, 20, 30, 30)), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(sameArrays(scene.output, output));
    EXPECT_TRUE(sameArrays(scene.status, status));
}

TYPED_TEST(DriverRun, APreviewedPatchComputesOnlyInsideItsMask) {
    for (const int factor : {1, 2}) {
        Scene<TypeParam> scene(statusOf(kTwoSides), factor, gradient, 7);
        MaskPatch preview;
        preview.box = Box(2, 2, 5, 9);
        preview.isPreview = true;
        preview.mask.reference(classification::arrayOver<unsigned char>(preview.box, 0));
        for (int r = 2; r <= 5; ++r)
            for (int c = 2; c <= 5; ++c)
                preview.mask(r, c) = 1;
        MaskPatch other;
        other.box = Box(0, 0, 7, 11);
        other.membrane = true;
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(scene.run(std::nullopt, {other, preview}), 0);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
        for (int r = 0; r < scene.output.extent(0); ++r)
            for (int c = 0; c < scene.output.extent(1); ++c) {
                const bool inside = preview.covers(r / factor, c / factor);
                // Keep pixels of the mask take the source; nothing else is written.
                if (inside && c / factor < 4) {
                    ASSERT_EQ(scene.output(r, c)[3], TypeParam::fullScale) << r << "," << c;
                } else if (!inside) {
                    ASSERT_EQ(scene.output(r, c)[3], 7) << r << "," << c;
                }
            }
        EXPECT_FALSE(hasTemporaryMarks(scene.status, scene.statusBox()));
    }
}

MaskForcedEdges edgeBetweenTheSides() {
    // A vertical line in the unassigned band, in status coordinates (row, column).
    MaskForcedEdges edges(1);
    edges(0).featherWidth = 1.0f;
    edges(0).points.resize(2);
    edges(0).points(0) = blitz::TinyVector<float, 2>(0.0f, 6.0f);
    edges(0).points(1) = blitz::TinyVector<float, 2>(7.0f, 6.0f);
    return edges;
}

TYPED_TEST(DriverRun, ForcedEdgesCutTheMatteAfterThePasses) {
    Scene<TypeParam> scene(statusOf(kTwoSides), 2, gradient);
    EXPECT_EQ(scene.run(std::nullopt, {}, edgeBetweenTheSides()), 0);
    // Well inside the band on the delete side of the line: alpha 0, source colour.
    const auto& pixel = scene.output(6, 15);
    EXPECT_EQ(pixel[3], 0);
    EXPECT_EQ(pixel[1], scene.source(6, 15)[1]);
    EXPECT_EQ(scene.output(6, 9)[3], TypeParam::fullScale);
}

TYPED_TEST(DriverRun, AChoicesPatchThatCannotBeSolvedFailsTheRunWhateverTheForcedEdges) {
    Scene<TypeParam> scene(statusOf(kTwoSides), 2, gradient, 7);
    // The patch holds keep marks but no delete mark, so it has no background palette.
    MaskPatch choices;
    choices.box = Box(0, 2, 7, 6);
    choices.choices = true;
    EXPECT_EQ(scene.run(std::nullopt, {choices}, edgeBetweenTheSides()), 1);
    EXPECT_TRUE(sameArrays(scene.output, scene.source));
    EXPECT_FALSE(hasTemporaryMarks(scene.status, scene.statusBox()));
}

// A soft vertical edge: foreground on the left, background on the right, true
// alpha falling linearly over the unassigned status columns 4 to 7.
struct SoftEdge {
    static constexpr float fg[3] = {0.80f, 0.25f, 0.10f};
    static constexpr float bg[3] = {0.10f, 0.45f, 0.85f};
    int factor;
    float alpha(int c) const {
        const float u = (static_cast<float>(c) + 0.5f) / static_cast<float>(factor);
        return std::clamp((8.0f - u) / 4.0f, 0.0f, 1.0f);
    }
    void paint(int, int c, float rgb[3]) const {
        const float a = alpha(c);
        for (int ch = 0; ch < 3; ++ch)
            rgb[ch] = a * fg[ch] + (1.0f - a) * bg[ch];
    }
};

TYPED_TEST(DriverRun, ASoftEdgeGetsAMonotoneAlphaAndItsForegroundColour) {
    for (const int factor : {1, 2}) {
        const SoftEdge edge{factor};
        Scene<TypeParam> scene(statusOf(kTwoSides), factor,
                               [&](int r, int c, float rgb[3]) { edge.paint(r, c, rgb); });
        ASSERT_EQ(scene.run(), 0);
        const float s = TypeParam::fullScale;
        for (int r = 0; r < scene.output.extent(0); ++r) {
            for (int c = 0; c < scene.output.extent(1); ++c) {
                const auto& out = scene.output(r, c);
                const float a = static_cast<float>(out[3]) / s;
                EXPECT_NEAR(a, edge.alpha(c), 0.1f) << factor << " at " << r << "," << c;
                if (c > 0) {
                    EXPECT_LE(out[3], scene.output(r, c - 1)[3] + 0.01f * s)
                        << factor << " at " << r << "," << c;
                }
                if (a > 0.5f) {
                    for (int ch = 0; ch < 3; ++ch)
                        EXPECT_NEAR(out[ch] / s, SoftEdge::fg[ch], 0.05f)
                            << factor << " at " << r << "," << c << " channel " << ch;
                }
            }
        }
    }
}

TYPED_TEST(DriverRun, AChoicesPatchIsMattedByThePaletteSolver) {
    // The same soft edge, handed to the palette solver: two flat colours mixed
    // across the band are recovered as that pair, with alpha falling across it.
    for (const int factor : {1, 2}) {
        const SoftEdge edge{factor};
        Scene<TypeParam> scene(statusOf(kTwoSides), factor,
                               [&](int r, int c, float rgb[3]) { edge.paint(r, c, rgb); });
        MaskPatch choices;
        choices.box = Box(0, 0, 7, 11);
        choices.choices = true;
        choices.choice1 = 0.5f;
        choices.choice2 = 0.5f;
        ASSERT_EQ(scene.run(std::nullopt, {choices}), 0) << factor;
        EXPECT_FALSE(hasTemporaryMarks(scene.status, scene.statusBox()));
        const float s = TypeParam::fullScale;
        for (int r = 0; r < scene.output.extent(0); ++r) {
            for (int c = 0; c < scene.output.extent(1); ++c) {
                const auto& out = scene.output(r, c);
                const float a = static_cast<float>(out[3]) / s;
                EXPECT_NEAR(a, edge.alpha(c), 0.15f) << factor << " at " << r << "," << c;
                if (c > 0) {
                    EXPECT_LE(out[3], scene.output(r, c - 1)[3] + 0.02f * s)
                        << factor << " at " << r << "," << c;
                }
            }
        }
    }
}

} // namespace

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
