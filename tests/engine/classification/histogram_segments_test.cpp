// Histogram segments: peaks and valleys under the feature tolerance, valley
// contrast, the best segment and the channel lists.
#include "stage_fixtures.h"

#include "classification/block_histograms.h"
#include "classification/histogram_segments.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace classification;
using stage_fixtures::RecordingProgress;

namespace {

Histogram1D histogramOf(const std::vector<int32_t>& counts, int first = 0) {
    Histogram1D h;
    h.init(first, first + static_cast<int>(counts.size()) - 1, 8, 0);
    for (size_t i = 0; i < counts.size(); ++i)
        h.counts(first + static_cast<int>(i)) = counts[i];
    return h;
}

struct PeakValley {
    int peak, valley;
    bool operator==(const PeakValley& o) const { return peak == o.peak && valley == o.valley; }
};
std::ostream& operator<<(std::ostream& out, const PeakValley& pv) {
    return out << "(" << pv.peak << ", " << pv.valley << ")";
}

TEST(FindSegments, PeaksAndValleysUnderTheTolerance) {
    struct Case {
        const char* name;
        std::vector<int32_t> counts;
        float tol;
        std::vector<PeakValley> expected;
    } cases[] = {
        {"single bin", {5}, 1.1f, {{0, -1}}},
        {"strictly increasing", {1, 2, 3, 4}, 1.1f, {{3, -1}}},
        {"plateau", {3, 3, 3}, 1.0f, {{0, -1}}},
        {"two modes across a gap of zeros", {1, 5, 1, 0, 0, 1, 5, 1}, 1.1f, {{1, 3}, {6, -1}}},
        {"a fall within the tolerance is no valley", {30, 29, 31}, 1.1f, {{2, -1}}},
        {"tolerance 1 takes every strict fall", {3, 2, 3}, 1.0f, {{0, 1}, {2, -1}}},
        {"a shallow dip is no valley", {3, 2, 3}, 1.6f, {{0, -1}}},
        {"equal valleys keep the earlier", {9, 2, 2, 9}, 1.1f, {{0, 1}, {3, -1}}},
        {"three modes", {8, 1, 6, 6, 1, 7}, 2.0f, {{0, 1}, {2, 4}, {5, -1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SegmentList list;
        findSegments(histogramOf(c.counts, 10), c.tol, list);
        std::vector<PeakValley> got;
        for (const HistogramSegment& s : list) {
            got.push_back({s.peak - 10, s.valley == -1 ? -1 : s.valley - 10});
        }
        EXPECT_EQ(got, c.expected);
    }
}

HistogramSegment segment(int peak, int peakCount, int valleyCount) {
    HistogramSegment s;
    s.peak = peak;
    s.peakCount = peakCount;
    s.valleyCount = valleyCount;
    return s;
}

// Segments F..L of a list starting with one foreign entry.
struct Measured {
    SegmentList list;
    Histogram1D h;
};
Measured measure(const std::vector<HistogramSegment>& segments) {
    Measured m;
    m.list.push_back(placeholderSegment());
    for (const HistogramSegment& s : segments)
        m.list.push_back(s);
    m.h.firstSegment = 1;
    m.h.endSegment = static_cast<int32_t>(m.list.size());
    measureValleys(m.h, m.list);
    return m;
}

TEST(MeasureValleys, FacingPeaksSaddlesAndTheBestSegment) {
    // k = 1: left peak itself (10), right scan takes 8 then stops at the empty
    // last valley: saddle 8, distance 7, contrast 4. k = 2: the left scan
    // stops at the lower valley 2 < 3: saddle 6, contrast 2.
    const Measured m = measure({segment(2, 10, 2), segment(5, 6, 3), segment(9, 8, 0)});
    EXPECT_EQ(m.list[1].saddleCount, 8);
    EXPECT_EQ(m.list[1].peakDistance, 7);
    EXPECT_EQ(m.list[2].saddleCount, 6);
    EXPECT_EQ(m.list[2].peakDistance, 4);
    EXPECT_EQ(m.h.bestSegment, 1);

    // The right scan stops as soon as its peak reaches the left one.
    const Measured reach =
        measure({segment(1, 5, 1), segment(4, 3, 2), segment(7, 9, 1), segment(9, 20, 0)});
    EXPECT_EQ(reach.list[1].saddleCount, 5) << "the left peak is the lower of 5 and 9";
    EXPECT_EQ(reach.list[1].peakDistance, 6);

    // Equal facing peaks: the right one is the saddle.
    const Measured equal = measure({segment(1, 7, 1), segment(6, 7, 0)});
    EXPECT_EQ(equal.list[1].saddleCount, 7);
    EXPECT_EQ(equal.list[1].peakDistance, 5);
    EXPECT_EQ(equal.h.bestSegment, 1);
}

TEST(MeasureValleys, EmptyValleyIsTheBestAndTiesKeepTheEarlier) {
    const Measured gap = measure({segment(1, 9, 3), segment(4, 9, 0), segment(8, 9, 0)});
    EXPECT_TRUE(std::isinf(valleyContrast(gap.list[2])));
    EXPECT_EQ(gap.h.bestSegment, 2);
    const Measured tie = measure({segment(1, 6, 2), segment(4, 6, 2), segment(8, 6, 0)});
    EXPECT_EQ(tie.h.bestSegment, 1) << "equal contrasts keep the first";
    const Measured single = measure({segment(3, 4, 0)});
    EXPECT_EQ(single.h.bestSegment, -1) << "a single segment has no valley";
}

TEST(SegmentChannelHistograms, ListsHoldThePlaceholderAndEveryBlockInOrder) {
    // Two colours left and right: blocks near the edge have two modes
    // separated by a valley that only the windows across the edge fill.
    const TextureImage t =
        stage_fixtures::grey(24, 40, [](int, int c) { return c < 20 ? 40 : 200; });
    SegmentationParams p;
    BlockGrid grid;
    ProgressRange none(nullptr);
    updateHistograms(t, boxOf(t), p, unsetStageParams(), grid, none);

    SegmentList list;
    RecordingProgress progress;
    ProgressRange range(&progress);
    ASSERT_TRUE(segmentChannelHistograms(false, 2, p, unsetStageParams(), grid, list, range));
    EXPECT_EQ(progress.fractions(), (std::vector<float>{0.0f, 0.25f, 0.5f, 0.75f, 1.0f}));
    EXPECT_EQ(progress.labels()[1].find("vardek/include/classification/Segmentation.h: "), 0u);
    EXPECT_NE(progress.labels()[1].find(":\n(before [Watershed first]): "), std::string::npos);

    ASSERT_GE(list.size(), 1u);
    EXPECT_EQ(list[0].valley, 256);
    EXPECT_EQ(list[0].valleyCount, 0) << "the placeholder's valley lies beyond its one bin";
    int expectedFirst = 1;
    for (int bx = grid.lbound(0); bx <= grid.ubound(0); ++bx) {
        for (int by = grid.lbound(1); by <= grid.ubound(1); ++by) {
            const Histogram1D& h = grid(bx, by)[2];
            EXPECT_EQ(h.firstSegment, expectedFirst);
            EXPECT_EQ(list[h.endSegment - 1].valley, 256);
            EXPECT_EQ(list[h.endSegment - 1].valleyCount, 0);
            expectedFirst = h.endSegment;
            const bool straddles = by == 1 || by == 2; // blocks 8..15 and 16..23 see both sides
            if (straddles) {
                ASSERT_EQ(h.endSegment - h.firstSegment, 2) << bx << "," << by;
                EXPECT_EQ(h.bestSegment, h.firstSegment);
                const HistogramSegment& best = list[h.bestSegment];
                EXPECT_LT(best.valleyCount * 20, best.saddleCount) << "a low valley along the edge";
                EXPECT_EQ(best.peakDistance, (200 >> h.shift) - (40 >> h.shift));
            } else if (by == 0 || by == 4) {
                EXPECT_EQ(h.endSegment - h.firstSegment, 1);
                EXPECT_EQ(h.bestSegment, -1);
            }
        }
    }
    EXPECT_EQ(static_cast<size_t>(expectedFirst), list.size());
}

TEST(SegmentHistograms, UnchangedToleranceReportsNothingAndChannelsShareTheRange) {
    const TextureImage t = stage_fixtures::photoLike(20, 20);
    SegmentationParams p;
    BlockGrid grid;
    ProgressRange none(nullptr);
    updateHistograms(t, boxOf(t), p, unsetStageParams(), grid, none);
    SegmentLists lists;

    RecordingProgress progress;
    ProgressRange range(&progress);
    EXPECT_TRUE(segmentHistograms(false, p, unsetStageParams(), grid, lists, range));
    const std::vector<float> f = progress.fractions();
    ASSERT_EQ(f.size(), 1u + 6 * 4);
    const float ends[] = {0.165f, 0.33166668f, 0.49833333f, 0.665f, 0.83166665f, 0.99833333f};
    for (int c = 0; c < 6; ++c)
        EXPECT_FLOAT_EQ(f[4 * (c + 1)], ends[c]) << "channel " << c;

    StageParams current;
    current.fill(p);
    RecordingProgress quiet;
    ProgressRange range2(&quiet);
    EXPECT_FALSE(segmentHistograms(false, p, current, grid, lists, range2));
    EXPECT_EQ(quiet.fractions().size(), 1u) << "only the range's opening 0";
    EXPECT_TRUE(segmentHistograms(true, p, current, grid, lists, range2)) << "forced";
}

} // namespace
