// Block histograms: quantisation, exact and quantised adding, the four
// interpolation modes, smoothing over neighbouring blocks, and the single
// histogram worker with its hand-out.
#include "stage_fixtures.h"

#include "classification/block_histograms.h"
#include "core/fault_injection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <thread>
#include <vector>

using namespace classification;
using stage_fixtures::RecordingProgress;

namespace {

std::vector<int32_t> countsOf(const Histogram1D& h) {
    std::vector<int32_t> out;
    for (int i = h.firstIndex(); i <= h.lastIndex(); ++i)
        out.push_back(h.counts(i));
    return out;
}

TEST(Histogram1D, InitQuantisesToAtMostTwoToTheBitsBins) {
    struct Case {
        int lo, hi, bits, shift, first, last;
    } cases[] = {
        {0, 255, 5, 3, 0, 31},      // floor(log2 255) = 7, 7 - 5 + 1
        {0, 255, 8, 0, 0, 255},     //
        {0, 255, 0, 8, 0, 0},       // one bin
        {100, 100, 5, 0, 100, 100}, // uniform: shift clamped to 0, one bin
        {7, 8, 5, 0, 7, 8},         //
        {64, 191, 4, 3, 8, 23},     // span 127: log 6, shift 3
    };
    for (const Case& c : cases) {
        Histogram1D h;
        h.init(c.lo, c.hi, c.bits, 0);
        EXPECT_EQ(h.shift, c.shift) << c.lo << ".." << c.hi << " bits " << c.bits;
        EXPECT_EQ(h.firstIndex(), c.first);
        EXPECT_EQ(h.lastIndex(), c.last);
        EXPECT_EQ(h.counts.lbound(0), c.first);
        EXPECT_EQ(h.counts.ubound(0), c.last);
    }
}

// For every bin, the values of [a, b] it holds times w, shifted down by s.
std::vector<int32_t> intervalReference(int lo, int hi, int s, int a, int b, int32_t total) {
    const int first = lo >> s;
    std::vector<int32_t> out((hi >> s) - first + 1, 0);
    const int64_t w = total / (b - a >= 2 ? b - a : 1);
    for (int k = a >> s; k <= (b >> s); ++k) {
        int64_t inBin = 0;
        for (int v = a; v <= b; ++v)
            inBin += (v >> s) == k;
        out[k - first] += static_cast<int32_t>((inBin * w) >> s);
    }
    return out;
}

TEST(BlockHistogramAdding, IntervalMatchesPerValueReference) {
    for (int bits : {8, 5, 3}) {
        Histogram1D h;
        h.init(3, 90, bits, 0);
        const int s = h.shift;
        for (int a = 3; a <= 90; a += 5) {
            for (int b = a; b <= 90; b += 3) {
                h.counts = 0;
                addInterval(h, a, b, int32_t(1) << (s + 10));
                ASSERT_EQ(countsOf(h), intervalReference(3, 90, s, a, b, 1 << (s + 10)))
                    << "bits " << bits << " [" << a << ", " << b << "]";
            }
        }
    }
}

TEST(BlockHistogramAdding, BinsShareTheWeightEvenly) {
    Histogram1D h;
    h.init(0, 255, 5, 0); // bins 0..31
    h.counts = 0;
    addBins(h, 4, 7, 1024);   // d = 3
    addBins(h, 10, 10, 512);  // d = 1
    addBins(h, 20, 21, 1024); // d = 1
    std::vector<int32_t> expected(32, 0);
    for (int k = 4; k <= 7; ++k)
        expected[k] = 341;
    expected[10] = 512;
    expected[20] = expected[21] = 1024;
    EXPECT_EQ(countsOf(h), expected);
}

TEST(Histogram1D, SumsStayAtTheLargestCountInsteadOfOverflowing) {
    // Blocks of hundreds of pixels across summed over seven blocks each way
    // pass 2^31 in the exact modes.
    Histogram1D a, b;
    a.init(10, 20, 5, 0);
    a.counts = std::numeric_limits<int32_t>::max() - 5;
    b.init(10, 20, 5, 0);
    b.counts = 1000;
    const Histogram1D sum = histogramSum(a, b, 5, 0);
    for (int i = sum.firstIndex(); i <= sum.lastIndex(); ++i)
        EXPECT_EQ(sum.counts(i), std::numeric_limits<int32_t>::max());
}

// The histogram a block gets before smoothing, computed pixel by pixel from
// the texture (no range image).
Histogram1D blockReference(const TextureImage& t, int channel, int bx, int by, int spacing,
                           int bits, Interpolation mode) {
    const Box d = boxOf(t);
    const int r0 = std::max(bx * spacing, d.lower.row),
              r1 = std::min((bx + 1) * spacing, d.upper.row);
    const int c0 = std::max(by * spacing, d.lower.column),
              c1 = std::min((by + 1) * spacing, d.upper.column);
    const bool empty = r0 >= r1 || c0 >= c1;
    const auto window = [&](int x, int y) {
        std::vector<int> v;
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                v.push_back(
                    t(std::min(x + i, d.upper.row), std::min(y + j, d.upper.column))[channel]);
        std::sort(v.begin(), v.end());
        return v;
    };
    int lo = 255, hi = 0;
    if (mode == Interpolation::Range || mode == Interpolation::RangeFast) {
        // an empty window takes the window of its lower corner alone
        const int rows = empty ? r0 + 1 : r1, columns = empty ? c0 + 1 : c1;
        for (int x = r0; x < rows; ++x)
            for (int y = c0; y < columns; ++y) {
                const std::vector<int> v = window(x, y);
                lo = std::min(lo, v.front());
                hi = std::max(hi, v.back());
            }
    } else {
        for (int x = r0; x <= r1; ++x)
            for (int y = c0; y <= c1; ++y) {
                lo = std::min<int>(lo, t(x, y)[channel]);
                hi = std::max<int>(hi, t(x, y)[channel]);
            }
    }
    Histogram1D h;
    h.init(lo, hi, bits, 0);
    h.counts = 0;
    if (empty) {
        h.counts = 1024 / static_cast<int32_t>(h.counts.numElements());
        return h;
    }
    const int s = h.shift;
    for (int x = r0; x < r1; ++x) {
        for (int y = c0; y < c1; ++y) {
            std::vector<int> v = window(x, y);
            switch (mode) {
            case Interpolation::Range:
                addInterval(h, v[0], v[3], 1 << (s + 10));
                break;
            case Interpolation::RangeFast:
                addBins(h, v[0] >> s, v[3] >> s, 1024);
                break;
            case Interpolation::Median:
                addInterval(h, v[0], (v[1] + v[2]) >> 1, 1 << (s + 9));
                addInterval(h, (v[1] + v[2] + 1) >> 1, v[3], 1 << (s + 9));
                break;
            case Interpolation::MedianFast:
                for (int& q : v)
                    q >>= s;
                addBins(h, v[0], (v[1] + v[2]) >> 1, 512);
                addBins(h, (v[1] + v[2] + 1) >> 1, v[3], 512);
                break;
            }
        }
    }
    return h;
}

// The smoothed, shifted histogram of block (bx, by): the sum over the window
// of clamped neighbours, added one by one.
Histogram1D smoothedReference(const TextureImage& t, int channel, int bx, int by, int spacing,
                              int bits, int overlap, Interpolation mode) {
    const Box blocks = boxOf(t).dividedBy(spacing);
    const int down = std::min(blocks.rows(), 2 * overlap + 1);
    const int across = std::min(blocks.columns(), 2 * overlap + 1);
    Histogram1D sum;
    bool first = true;
    for (int i = bx - down / 2; i < bx - down / 2 + down; ++i) {
        for (int j = by - across / 2; j < by - across / 2 + across; ++j) {
            const Histogram1D h = blockReference(
                t, channel, std::clamp(i, blocks.lower.row, blocks.upper.row),
                std::clamp(j, blocks.lower.column, blocks.upper.column), spacing, bits, mode);
            sum = first ? h : histogramSum(sum, h, bits, 0);
            first = false;
        }
    }
    sum.counts >>= sum.shift;
    sum.counts(sum.firstIndex()) = std::max(sum.counts(sum.firstIndex()), 1);
    sum.counts(sum.lastIndex()) = std::max(sum.counts(sum.lastIndex()), 1);
    return sum;
}

TEST(BlockHistograms, EveryModeAndOverlapMatchesThePixelByPixelReference) {
    // 21 x 26 with spacing 4: the last block row and column hold only the
    // domain's last row or column, so their windows are empty.
    const TextureImage t = stage_fixtures::texture(21, 25, [](int r, int c, int k) {
        return (stage_fixtures::noise(r, c, k) % 90) + (c > 12 ? 120 : 20) + k;
    });
    for (int mode = 0; mode < 4; ++mode) {
        for (int overlap : {0, 1, 3}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " overlap " << overlap);
            SegmentationParams p;
            p.interpolation = mode;
            p.resolution = 4;
            p.overlap = overlap;
            p.colourBits = 5;
            BlockGrid grid;
            RecordingProgress progress;
            ProgressRange range(&progress);
            ASSERT_TRUE(updateHistograms(t, boxOf(t), p, unsetStageParams(), grid, range));
            ASSERT_EQ(boxOf(grid), Box(0, 0, 5, 6));
            for (int channel : {0, 4}) {
                for (int bx = 0; bx <= 5; ++bx) {
                    for (int by = 0; by <= 6; ++by) {
                        const Histogram1D expected = smoothedReference(
                            t, channel, bx, by, 4, 5, overlap, static_cast<Interpolation>(mode));
                        const Histogram1D& h = grid(bx, by)[channel];
                        ASSERT_EQ(h.lo, expected.lo) << bx << "," << by;
                        ASSERT_EQ(h.hi, expected.hi);
                        ASSERT_EQ(h.shift, expected.shift);
                        ASSERT_EQ(countsOf(h), countsOf(expected)) << bx << "," << by;
                    }
                }
            }
        }
    }
}

TEST(BlockHistograms, AnOverlapBeyondTheGridSmoothsOverTheWholeGrid) {
    // 6 x 7 blocks: a window of 2 x 3 + 1 already spans the grid, and an
    // overlap near the top of the int range (an extreme "overlap") must give
    // the same, not wrap.
    const TextureImage t = stage_fixtures::texture(21, 25, [](int r, int c, int k) {
        return (stage_fixtures::noise(r, c, k) % 90) + (c > 12 ? 120 : 20) + k;
    });
    const auto smoothed = [&](int overlap) {
        SegmentationParams p;
        p.resolution = 4;
        p.overlap = overlap;
        p.colourBits = 5;
        BlockGrid grid;
        RecordingProgress progress;
        ProgressRange range(&progress);
        EXPECT_TRUE(updateHistograms(t, boxOf(t), p, unsetStageParams(), grid, range));
        return grid;
    };
    const BlockGrid spanning = smoothed(3);
    for (int overlap : {100, std::numeric_limits<int>::max()}) {
        const BlockGrid grid = smoothed(overlap);
        ASSERT_EQ(boxOf(grid), boxOf(spanning));
        for (int bx = 0; bx <= 5; ++bx)
            for (int by = 0; by <= 6; ++by)
                for (int channel = 0; channel < 6; ++channel)
                    ASSERT_EQ(countsOf(grid(bx, by)[channel]), countsOf(spanning(bx, by)[channel]))
                        << overlap << " at " << bx << "," << by << " channel " << channel;
    }
}

TEST(BlockHistograms, UniformChannelGivesOneBin) {
    const TextureImage t = stage_fixtures::grey(17, 19, [](int, int) { return 77; });
    for (int mode = 0; mode < 4; ++mode) {
        SegmentationParams p;
        p.interpolation = mode;
        BlockGrid grid;
        ProgressRange range(nullptr);
        updateHistograms(t, boxOf(t), p, unsetStageParams(), grid, range);
        for (int c = 0; c < textureChannels; ++c) {
            const Histogram1D& h = grid(1, 1)[c];
            EXPECT_EQ(h.shift, 0);
            EXPECT_EQ(h.firstIndex(), 77);
            EXPECT_EQ(h.lastIndex(), 77);
            EXPECT_GE(h.counts(77), 1);
        }
    }
}

TEST(BlockHistograms, HandOutReportsEveryJobAndUnchangedChannelsAreKept) {
    const TextureImage t = stage_fixtures::photoLike(30, 30);
    SegmentationParams p;
    p.fourthInteger = 4;
    BlockGrid grid;
    RecordingProgress progress;
    ProgressRange range(&progress);
    ProgressRange stage = range.subRange(0.5f);
    EXPECT_TRUE(updateHistograms(t, boxOf(t), p, unsetStageParams(), grid, stage));
    const std::vector<float> expected{0.0f,        0.5f / 6.0f, 1.0f / 6.0f, 1.5f / 6.0f,
                                      2.0f / 6.0f, 2.5f / 6.0f, 0.5f,        0.5f};
    const std::vector<float> f = progress.fractions();
    ASSERT_EQ(f.size(), expected.size());
    for (size_t i = 0; i < f.size(); ++i)
        EXPECT_FLOAT_EQ(f[i], expected[i]) << i;
    const std::vector<std::thread::id> threads = progress.threads();
    EXPECT_EQ(threads[1], std::this_thread::get_id()) << "the first job is taken by the caller";
    EXPECT_NE(threads[2], std::this_thread::get_id()) << "the rest by the single worker";
    for (size_t i = 3; i < threads.size(); ++i)
        EXPECT_EQ(threads[i], threads[2]);

    // Copies holding the current parameters: the jobs are still handed out.
    StageParams current;
    current.fill(p);
    const Histogram1D before = grid(2, 2)[3];
    RecordingProgress again;
    ProgressRange range2(&again);
    EXPECT_FALSE(updateHistograms(t, boxOf(t), p, current, grid, range2));
    EXPECT_EQ(again.fractions().size(), 8u);
    EXPECT_EQ(countsOf(grid(2, 2)[3]), countsOf(before));
}

TEST(BlockHistograms, CancelOnEitherThreadLeavesAfterTheJoin) {
    const TextureImage t = stage_fixtures::photoLike(30, 30);
    for (int cancelAt : {1, 3}) { // the caller's first hand-out, the worker's second
        SCOPED_TRACE(cancelAt);
        BlockGrid grid;
        RecordingProgress progress;
        progress.onReport = [cancelAt](int index, float) {
            if (index == cancelAt) throw VkExCancel();
        };
        ProgressRange range(&progress);
        EXPECT_THROW(
            updateHistograms(t, boxOf(t), SegmentationParams(), unsetStageParams(), grid, range),
            VkExCancel);
        EXPECT_EQ(progress.fractions().size(), static_cast<size_t>(cancelAt + 1))
            << "no job is handed out after the cancel";
    }
}

TEST(BlockHistograms, OutOfMemoryInTheWorkerIsTheWorkerFailure) {
    const TextureImage t = stage_fixtures::photoLike(30, 30);
    BlockGrid grid;
    ProgressRange range(nullptr);
    vardek::fault::arm("histogram job", vardek::fault::Kind::OutOfMemory, 2);
    try {
        updateHistograms(t, boxOf(t), SegmentationParams(), unsetStageParams(), grid, range);
        ADD_FAILURE() << "no failure";
    } catch (const VkExFailure& failure) {
        EXPECT_STREQ(failure.what(), "Unhandled exception in worker thread.");
    }
    vardek::fault::disarm();
}

TEST(BlockHistograms, GridFollowsTheBlockBox) {
    const TextureImage t = stage_fixtures::photoLike(33, 20);
    BlockGrid grid;
    ProgressRange range(nullptr);
    SegmentationParams p;
    p.resolution = 8;
    updateHistograms(t, boxOf(t), p, unsetStageParams(), grid, range);
    EXPECT_EQ(boxOf(grid), Box(0, 0, 4, 2));
    p.resolution = 0; // counts as 1 rather than dividing by zero
    updateHistograms(t, boxOf(t), p, unsetStageParams(), grid, range);
    EXPECT_EQ(boxOf(grid), Box(0, 0, 32, 19));
}

} // namespace
