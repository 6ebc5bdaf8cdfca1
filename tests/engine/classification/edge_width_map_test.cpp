// Edge width map: the derived numbers, the width of one block, and the map of
// uniform images and of a narrow edge.
#include "stage_fixtures.h"

#include "classification/block_histograms.h"
#include "classification/edge_planes.h"
#include "classification/edge_width_map.h"
#include "classification/histogram_segments.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>

using namespace classification;
using stage_fixtures::RecordingProgress;

namespace {

TEST(EdgeWidthLimits, DefaultNumbers) {
    SegmentationParams p; // resolution 8, overlap 1, in-focus edge width 2
    const EdgeWidthLimits l = EdgeWidthLimits::of(p);
    EXPECT_EQ(l.neighbourhood, 24);
    EXPECT_EQ(l.lower, 49152);
    EXPECT_EQ(l.upper, 196608);
    EXPECT_EQ(l.divisor, 169);
    p.overlap = 3;
    p.resolution = 362;
    p.inFocusEdgeWidth = 32; // the largest the variables allow
    const EdgeWidthLimits big = EdgeWidthLimits::of(p);
    EXPECT_EQ(big.neighbourhood, 2534);
    EXPECT_EQ(big.upper, std::min<int64_t>(2534LL * 261120, 2534LL * 32 * 4096));
    p.overlap = -1; // no variable allows it: counts as 0 rather than an empty neighbourhood
    p.resolution = 0;
    const EdgeWidthLimits odd = EdgeWidthLimits::of(p);
    EXPECT_EQ(odd.neighbourhood, 1);
    EXPECT_GE(odd.divisor, 1);
}

struct Best {
    int shift, peakDistance, valleyCount;
};
HistogramBlock blockWith(SegmentLists& lists, const std::vector<Best>& best) {
    HistogramBlock block;
    for (size_t c = 0; c < best.size(); ++c) {
        HistogramSegment g;
        g.peakDistance = best[c].peakDistance;
        g.valleyCount = best[c].valleyCount;
        lists[c] = {placeholderSegment(), g};
        block[c].shift = best[c].shift;
        block[c].bestSegment = 1;
    }
    return block;
}

TEST(BlockEdgeWidth, FromTheBestValleysWithinTheLimits) {
    SegmentLists lists;
    // n = (3 << 1)^2 = 36, d = 1/16: sqrt(576) = 24
    EXPECT_EQ(blockEdgeWidth(blockWith(lists, {{1, 3, 4}}), lists, 0, 1000), 24);
    // two channels: n = 36 + 64, d = 1/16 + 1/16: sqrt(800) = 28.28
    EXPECT_EQ(blockEdgeWidth(blockWith(lists, {{1, 3, 4}, {0, 8, 4}}), lists, 0, 1000), 28);
    EXPECT_EQ(blockEdgeWidth(blockWith(lists, {{1, 3, 4}}), lists, 30, 1000), 30) << "lower";
    EXPECT_EQ(blockEdgeWidth(blockWith(lists, {{1, 3, 4}}), lists, 0, 20), 20) << "upper";
    EXPECT_EQ(blockEdgeWidth(blockWith(lists, {{1, 3, 0}}), lists, 7, 1000), 7)
        << "an empty valley makes d infinite and the width the lower limit";
    EXPECT_EQ(blockEdgeWidth(blockWith(lists, {{0, 200, std::numeric_limits<int32_t>::max()}}),
                             lists, 7, 196608),
              196608)
        << "a quotient beyond any integer is limited, not converted";
    SegmentLists none;
    EXPECT_EQ(blockEdgeWidth(HistogramBlock(), none, 7, 1000), 1000) << "no best segment";
}

// Stages 1 to 4 of a texture; channel 2 of the planes over the domain.
struct Mapped {
    EdgePlanes storage, planes;
    float planeScale = 1.0f;
    ByteArray pixelScaleMap;
    bool ran = false;
    EdgePlaneRefs refs() { return {storage, planes, planeScale, pixelScaleMap}; }
};
Mapped edgeWidth(const TextureImage& t, const SegmentationParams& p, ProgressRange* range = nullptr,
                 const StageParams& copies = unsetStageParams()) {
    BlockGrid grid;
    SegmentLists lists;
    Mapped m;
    ProgressRange none(nullptr);
    updateHistograms(t, boxOf(t), p, unsetStageParams(), grid, none);
    segmentHistograms(true, p, unsetStageParams(), grid, lists, none);
    updateEdgeFeatures(true, t, boxOf(t), p.resolution, grid, lists, m.refs(), none, 2);
    m.ran =
        updateEdgeWidth(false, boxOf(t), p, copies, grid, lists, m.refs(), range ? *range : none);
    return m;
}

TEST(EdgeWidthMap, UniformImageGetsFourTimesTheEdgeWidthUpTo255) {
    const TextureImage t = stage_fixtures::grey(50, 37, [](int, int) { return 120; });
    for (const auto& [e, expected] : {std::pair{2, 8}, {10, 40}, {70, 255}}) {
        SegmentationParams p;
        p.inFocusEdgeWidth = e;
        const Mapped m = edgeWidth(t, p);
        ASSERT_TRUE(m.ran);
        ASSERT_EQ(boxOf(m.pixelScaleMap), boxOf(t));
        EXPECT_EQ(blitz::min(m.pixelScaleMap), expected) << e;
        EXPECT_EQ(blitz::max(m.storage[2]), expected) << "margin included";
        EXPECT_EQ(blitz::min(m.storage[2]), expected);
    }
}

TEST(EdgeWidthMap, GrowsSlowlyAwayFromANarrowEdge) {
    // One vertical edge at column 100 of a 40 x 200 image.
    const TextureImage t =
        stage_fixtures::grey(40, 200, [](int, int c) { return c < 100 ? 50 : 180; });
    SegmentationParams p;
    p.inFocusEdgeWidth = 8; // bytes between 8 and 32
    const Mapped m = edgeWidth(t, p);
    const ByteArray map = m.pixelScaleMap;
    for (int r = 0; r < 40; ++r) {
        EXPECT_EQ(map(r, 99), 8) << "the lower limit at the edge";
        EXPECT_EQ(map(r, 0), 32) << "the uniform value far away";
        EXPECT_EQ(map(r, 199), 32);
        for (int c = 1; c < 200; ++c) {
            // about 0.48 a pixel along an axis: never a full step of 1 between neighbours
            ASSERT_LE(std::abs(map(r, c) - map(r, c - 1)), 1) << r << "," << c;
            if (c <= 99) {
                ASSERT_LE(map(r, c), map(r, c - 1)) << "falls towards the edge";
            } else if (c > 100) {
                ASSERT_GE(map(r, c), map(r, c - 1)) << "rises away from it";
            }
        }
        const int reach =
            static_cast<int>(std::find(&map(r, 100), &map(r, 199) + 1, 32) - &map(r, 100));
        EXPECT_GE(reach, (32 - 8) * 2) << "at most one byte per two pixels";
    }
}

TEST(EdgeWidthMap, UnchangedEdgeWidthDoesNothing) {
    const TextureImage t = stage_fixtures::photoLike(30, 30);
    SegmentationParams p;
    StageParams copies;
    copies.fill(p);
    RecordingProgress progress;
    ProgressRange range(&progress);
    EXPECT_FALSE(edgeWidth(t, p, &range, copies).ran);
    EXPECT_EQ(progress.fractions().size(), 1u) << "only the range's opening 0";
    copies[edgeStagesCopy].inFocusEdgeWidth = 5;
    EXPECT_TRUE(edgeWidth(t, p, &range, copies).ran);
}

} // namespace
