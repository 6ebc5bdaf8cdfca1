// The pieces of a mask-generation run: boxes, blend kinds, the blend-ratio
// plane, temporary marks and forced edges in output coordinates.
#include "driver_scene.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using namespace driver_test;
using namespace orsine::matting;
using classification::kDoneMark;
using classification::kPassMark;

TEST(BlendRatioByte, TruncatesAndKeepsTheLowEightBits) {
    const struct {
        float ratio;
        int byte;
    } cases[] = {{0.0f, 0},
                 {0.5f, 127},
                 {1.0f, 255},
                 {1.2f, 50},   // 306 wraps
                 {-0.5f, 129}, // -127 wraps
                 {std::numeric_limits<float>::quiet_NaN(), 0},
                 {1.0e20f, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(blendRatioByte(c.ratio), c.byte) << c.ratio;
}

MaskPatch patchOver(const Box& box, float ratio) {
    MaskPatch patch;
    patch.box = box;
    patch.blendRatio = ratio;
    return patch;
}

TEST(BlendRatioPlane, PatchesOverwriteInsideTheirMasksAndLaterOnesWin) {
    const Box work(2, 3, 7, 9);
    MaskPatch masked = patchOver(Box(0, 0, 4, 5), 1.2f); // sticks out of the work box
    masked.mask.reference(classification::arrayOver<unsigned char>(masked.box, 0));
    masked.mask(3, 4) = 1;
    masked.mask(4, 5) = 1;
    masked.mask(1, 1) = 1; // outside the work box
    const MaskPatch whole = patchOver(Box(6, 8, 9, 12), 0.5f);
    const MaskPatch later = patchOver(Box(7, 9, 7, 9), 1.0f);

    const ByteArray plane = blendRatioPlane(work, 0.2f, {masked, whole, later});
    ASSERT_EQ(classification::boxOf(plane), work);
    for (int r = work.lower.row; r <= work.upper.row; ++r)
        for (int c = work.lower.column; c <= work.upper.column; ++c) {
            int expected = 51; // trunc(255 x 0.2)
            if ((r == 3 && c == 4) || (r == 4 && c == 5)) expected = 50;
            if (r >= 6 && c >= 8) expected = 127;
            if (r == 7 && c == 9) expected = 255;
            EXPECT_EQ(plane(r, c), expected) << r << "," << c;
        }
}

TEST(DriverBoxes, ExtendedBoxGrowsBySixteenthsOfTheStatusAndClips) {
    const Box domain(0, 0, 99, 149); // grows by 99 div 16 = 6 rows, 149 div 16 = 9 columns
    EXPECT_EQ(extendedBox(Box(20, 30, 40, 50), domain), Box(14, 21, 46, 59));
    EXPECT_EQ(extendedBox(Box(2, 3, 97, 148), domain), domain);
    EXPECT_EQ(extendedBox(Box(0, 0, 0, 0), Box(0, 0, 9, 9)), Box(0, 0, 0, 0));
}

TEST(DriverBoxes, OutputBoxScalesTheStatusBoxAndClipsToTheOutput) {
    const Box output(0, 0, 99, 99);
    EXPECT_EQ(outputBoxOf(Box(1, 2, 3, 4), ReductionFactors(2, 2), output), Box(2, 4, 7, 9));
    EXPECT_EQ(outputBoxOf(Box(1, 2, 3, 4), ReductionFactors(1, 1), output), Box(1, 2, 3, 4));
    EXPECT_EQ(outputBoxOf(Box(10, 10, 30, 30), ReductionFactors(4, 4), output),
              Box(40, 40, 99, 99));
    EXPECT_TRUE(outputBoxOf(Box(30, 30, 40, 40), ReductionFactors(4, 4), output).isEmpty());
}

struct KindsCase {
    const char* name;
    std::vector<int> modes; // 0 default, 1 choices, 3 membrane; +10 previewed
    std::set<int> kinds;
    int patchesLeft;
};

TEST(BlendKinds, FromThePatchesOrThePreviewedOneAlone) {
    const KindsCase cases[] = {
        {"no patches", {}, {2}, 0},
        {"default patches add nothing", {0, 0}, {2}, 2},
        {"membrane and choices", {3, 1, 0}, {0, 1, 2}, 3},
        {"previewed membrane", {1, 13, 0}, {1}, 1},
        {"previewed default", {3, 10}, {2}, 1},
        {"only the first preview counts", {11, 13}, {0}, 1},
    };
    for (const KindsCase& c : cases) {
        MaskPatches patches;
        for (const int mode : c.modes) {
            MaskPatch p = patchOver(Box(1, 1, 2, 2), 0.0f);
            p.membrane = mode % 10 == 3;
            p.choices = mode % 10 == 1;
            p.isPreview = mode >= 10;
            patches.push_back(p);
        }
        ByteArray status = classification::arrayOver<unsigned char>(Box(0, 0, 4, 4), kKeep);
        Box work(0, 0, 4, 4);
        EXPECT_EQ(blendKindsOf(patches, work, status, work), c.kinds) << c.name;
        EXPECT_EQ(static_cast<int>(patches.size()), c.patchesLeft) << c.name;
    }
}

TEST(BlendKinds, APreviewedMaskExcludesEverythingOutsideItsMask) {
    MaskPatches patches(2);
    patches[0].box = Box(0, 0, 1, 1);
    patches[1].box = Box(1, 2, 3, 6); // reaches past the clip
    patches[1].isPreview = true;
    patches[1].mask.reference(classification::arrayOver<unsigned char>(patches[1].box, 0));
    patches[1].mask(2, 3) = 9;
    ByteArray status = classification::arrayOver<unsigned char>(Box(0, 0, 4, 4), kKeep);
    status(2, 3) |= kDoneMark; // a stale done mark inside the mask goes
    Box work(0, 0, 4, 4);

    blendKindsOf(patches, work, status, Box(0, 0, 4, 4));
    EXPECT_EQ(work, Box(1, 2, 3, 4));
    ASSERT_EQ(patches.size(), 1u);
    EXPECT_EQ(patches[0].box, Box(1, 2, 3, 6));
    for (int r = 0; r <= 4; ++r)
        for (int c = 0; c <= 4; ++c) {
            const bool excluded = work.contains({r, c}) && !(r == 2 && c == 3);
            EXPECT_EQ(status(r, c), excluded ? (kKeep | kDoneMark) : kKeep) << r << "," << c;
        }
}

TEST(TemporaryMarks, PassAreaDoneAndClear) {
    ByteArray status = classification::arrayOver<unsigned char>(Box(0, 0, 3, 3), kUnassigned);
    MaskPatch patch = patchOver(Box(0, 0, 1, 1), 0.0f);
    patch.mask.reference(classification::arrayOver<unsigned char>(patch.box, 1));
    patch.mask(0, 0) = 0;
    status(0, 0) |= kPassMark; // removed: outside the mask

    markPassArea(status, Box(0, 0, 1, 1), &patch);
    EXPECT_EQ(status(0, 0), kUnassigned);
    EXPECT_EQ(status(0, 1), kUnassigned | kPassMark);
    EXPECT_EQ(status(1, 1), kUnassigned | kPassMark);

    markPassDone(status, Box(0, 0, 3, 3));
    EXPECT_EQ(status(0, 1), kUnassigned | kDoneMark);
    EXPECT_EQ(status(0, 0), kUnassigned);

    markPassArea(status, Box(2, 2, 9, 9), nullptr); // clipped to the status
    EXPECT_EQ(status(3, 3), kUnassigned | kPassMark);
    EXPECT_TRUE(hasTemporaryMarks(status, Box(0, 0, 3, 3)));
    clearTemporaryMarks(status, Box(-5, -5, 20, 20));
    EXPECT_FALSE(hasTemporaryMarks(status, Box(0, 0, 3, 3)));
    EXPECT_EQ(status(3, 3), kUnassigned);
}

TEST(ScaledForcedEdges, PointCentresAndFeatherWidthGoToOutputPixels) {
    MaskForcedEdges edges(2);
    edges(0).featherWidth = 1.5f;
    edges(0).points.resize(2);
    edges(0).points(0) = blitz::TinyVector<float, 2>(1.0f, 2.0f);
    edges(0).points(1) = blitz::TinyVector<float, 2>(3.5f, 0.0f);
    edges(1).featherWidth = 2.0f; // no points

    const MaskForcedEdges scaled = scaledForcedEdges(edges, ReductionFactors(2.0f, 4.0f));
    ASSERT_EQ(scaled.extent(0), 2);
    EXPECT_FLOAT_EQ(scaled(0).featherWidth, 3.0f);
    EXPECT_FLOAT_EQ(scaled(0).points(0)[0], 3.0f);
    EXPECT_FLOAT_EQ(scaled(0).points(0)[1], 10.0f);
    EXPECT_FLOAT_EQ(scaled(0).points(1)[0], 8.0f);
    EXPECT_FLOAT_EQ(scaled(0).points(1)[1], 2.0f);
    EXPECT_FLOAT_EQ(scaled(1).featherWidth, 4.0f);
    EXPECT_EQ(scaled(1).points.size(), 0);
    EXPECT_FLOAT_EQ(edges(0).points(0)[0], 1.0f); // the caller's edges stay
}

} // namespace
