// Edge planes: window evidence, the planes of a sharp edge, infinite heights,
// worker-count independence, tiny images, the margins and cancel in the bands.
#include "stage_fixtures.h"

#include "classification/block_histograms.h"
#include "classification/edge_planes.h"
#include "classification/histogram_segments.h"
#include "core/fault_injection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <thread>

using namespace classification;
using stage_fixtures::RecordingProgress;

namespace {

// The planes of one run.
struct Planes {
    EdgePlanes storage, planes;
    float planeScale = 1.0f;
    ByteArray pixelScaleMap;
    EdgePlaneRefs refs() { return {storage, planes, planeScale, pixelScaleMap}; }
};

// Stages 1 and 2 of a texture, ready for the edge planes.
struct Prepared {
    TextureImage texture;
    SegmentationParams params;
    BlockGrid grid;
    SegmentLists lists;

    explicit Prepared(TextureImage t, SegmentationParams p = SegmentationParams())
        : texture(t), params(p) {
        ProgressRange none(nullptr);
        updateHistograms(texture, boxOf(texture), params, unsetStageParams(), grid, none);
        segmentHistograms(true, params, unsetStageParams(), grid, lists, none);
    }

    Planes planes(unsigned workers, ProgressRange* range = nullptr) const {
        Planes edges;
        ProgressRange none(nullptr);
        updateEdgeFeatures(true, texture, boxOf(texture), params.resolution, grid, lists,
                           edges.refs(), range ? *range : none, workers);
        return edges;
    }
};

HistogramSegment segment(int peakCount, int saddleCount, int valleyCount, int valley) {
    HistogramSegment s;
    s.peakCount = peakCount;
    s.saddleCount = saddleCount;
    s.valleyCount = valleyCount;
    s.valley = valley;
    return s;
}

TEST(WindowEvidence, OneSegmentGivesItsPeakAndAValleyItsContrast) {
    // Every channel: segments with valleys at bins 10 and 20 (bins of 2 values).
    SegmentLists lists;
    HistogramBlock block;
    for (int c = 0; c < textureChannels; ++c) {
        lists[c] = {placeholderSegment(), segment(50, 40, 10, 10), segment(30, 25, 1, 20),
                    segment(20, 0, 0, 256)};
        block[c].shift = 1;
        block[c].firstSegment = 1;
        block[c].endSegment = 4;
    }
    struct Case {
        int lo, hi;
        float p, q;
    } cases[] = {
        {0, 20, 50, 50},  // bins 0..10: the first segment
        {22, 40, 30, 30}, // bins 11..20: the second
        {60, 99, 20, 20}, // the last segment
        {10, 30, 40, 10}, // across valley 10 only
        {10, 50, 25, 1},  // across both: valley 20 has contrast 25 > 4
    };
    for (const Case& c : cases) {
        TexturePixel lo(static_cast<unsigned char>(c.lo)), hi(static_cast<unsigned char>(c.hi));
        const WindowEvidence e = windowEvidence(block, lists, lo, hi);
        EXPECT_FLOAT_EQ(e.s0, 6.0f / (c.p * c.p)) << c.lo << ".." << c.hi;
        EXPECT_FLOAT_EQ(e.s1, 6.0f / (c.q * c.q)) << c.lo << ".." << c.hi;
    }
}

// Two colours left and right of column 40.
TextureImage sharpEdge(int rows = 48, int columns = 80) {
    return stage_fixtures::grey(rows, columns, [](int, int c) { return c < 40 ? 40 : 200; });
}

TEST(EdgePlanes, SharpEdgeIsLowAlongTheEdgeAndHighAwayFromIt) {
    const Prepared prepared(sharpEdge());
    const Planes edges = prepared.planes(4);
    EXPECT_TRUE(std::isfinite(edges.planeScale));
    EXPECT_GT(edges.planeScale, 0.0f);
    for (int r = 0; r < 48; ++r) {
        // the windows across the edge start at column 39
        EXPECT_LT(edges.storage(r, 39)[1], 40) << r;
        EXPECT_LT(edges.storage(r, 40)[1], 40) << r;
        EXPECT_GE(edges.storage(r, 39)[0], edges.storage(r, 39)[1]) << "peaks above valleys";
    }
    // Away from the edge and from the short blocks of the last row and column.
    for (int r = 4; r < 36; ++r) {
        EXPECT_GT(edges.storage(r, 4)[1], 200) << r;
        EXPECT_GT(edges.storage(r, 74)[1], 200) << r;
        EXPECT_GT(edges.storage(r, 39)[0], 100) << "the lower peak beside the valley is high";
    }
}

TEST(EdgePlanes, ZeroValleyAndPeakCountsStayFinite) {
    Prepared prepared(sharpEdge());
    // Every valley emptied, and the peaks of block (0, 0) too: heights of 0
    // make the evidence infinite.
    for (SegmentList& list : prepared.lists)
        for (size_t i = 1; i < list.size(); ++i)
            list[i].valleyCount = 0;
    for (int c = 0; c < textureChannels; ++c) {
        const Histogram1D& h = prepared.grid(0, 0)[c];
        for (int i = h.firstSegment; i < h.endSegment; ++i)
            prepared.lists[c][i].peakCount = 0;
    }
    const Planes edges = prepared.planes(2);
    ASSERT_TRUE(std::isfinite(edges.planeScale));
    EXPECT_GT(edges.planeScale, 0.0f);
    const float threshold = edges.planeScale * std::log(2.0f);
    EXPECT_TRUE(std::isfinite(threshold)) << "the flood tolerance derived from it";
    EXPECT_EQ(edges.storage(0, 0)[0], 0) << "no height at all";
    for (int r = 0; r < 48; ++r)
        EXPECT_EQ(edges.storage(r, 39)[1], 0) << "an empty valley";
    for (int r = 16; r < 36; ++r)
        EXPECT_GT(edges.storage(r, 20)[1], 200) << "finite values keep the full range";
}

TEST(EdgePlanes, SameBytesWithOneAndWithEightWorkers) {
    const Prepared prepared(stage_fixtures::photoLike(300, 170));
    const Planes one = prepared.planes(1);
    const Planes eight = prepared.planes(8);
    EXPECT_EQ(one.planeScale, eight.planeScale);
    ASSERT_EQ(boxOf(one.storage), Box(-2, -2, 301, 171));
    EXPECT_TRUE(blitz::all(one.storage[0] == eight.storage[0]));
    EXPECT_TRUE(blitz::all(one.storage[1] == eight.storage[1]));
    EXPECT_GT(blitz::max(one.storage[0]), 200) << "a photograph spans the byte range";
    EXPECT_LT(blitz::min(one.storage[1]), 50);
}

// f a + (1 - f) b, the side of weight 0 left out.
float mixed(float f, float a, float b) {
    return f == 0.0f ? b : f == 1.0f ? a : b + f * (a - b);
}

// Channels 0 and 1 and the plane scale worked out serially, window by
// window: raw_k = -0.5 (fx (fy ln s00 + (1 - fy) ln s01) + (1 - fx) (...)),
// one scale over every finite raw value, bytes, then the maximum (channel 0)
// or minimum (channel 1) over the 2 x 2 windows ending at each position; rows
// and columns outside the positions repeat the nearest ones.
Planes referencePlanes(const Prepared& p) {
    const Box domain = boxOf(p.texture);
    const Box positions(domain.lower, domain.upper.minusScalar(1));
    const int spacing = blockSpacing(p.params.resolution);
    const Box blocks = boxOf(p.grid);
    const float half = 0.5f / static_cast<float>(spacing);
    const std::vector<BlockCoordinate> rows =
        blockCoordinates(positions.lower.row, positions.upper.row, spacing, blocks.lower.row,
                         blocks.upper.row, half);
    const std::vector<BlockCoordinate> columns =
        blockCoordinates(positions.lower.column, positions.upper.column, spacing,
                         blocks.lower.column, blocks.upper.column, half);
    blitz::Array<float, 2> raw[2] = {arrayOver<float>(positions), arrayOver<float>(positions)};
    float top = -INFINITY, bottom = INFINITY;
    for (int x = positions.lower.row; x <= positions.upper.row; ++x)
        for (int y = positions.lower.column; y <= positions.upper.column; ++y) {
            TexturePixel lo, hi;
            for (int c = 0; c < textureChannels; ++c) {
                const int v[4] = {p.texture(x, y)[c], p.texture(x, y + 1)[c],
                                  p.texture(x + 1, y)[c], p.texture(x + 1, y + 1)[c]};
                lo[c] = static_cast<unsigned char>(*std::min_element(v, v + 4));
                hi[c] = static_cast<unsigned char>(*std::max_element(v, v + 4));
            }
            const BlockCoordinate& bx = rows[x - positions.lower.row];
            const BlockCoordinate& by = columns[y - positions.lower.column];
            WindowEvidence e[2][2];
            for (int i = 0; i < 2; ++i)
                for (int j = 0; j < 2; ++j)
                    e[i][j] =
                        windowEvidence(p.grid(i ? bx.second : bx.first, j ? by.second : by.first),
                                       p.lists, lo, hi);
            for (int k = 0; k < 2; ++k) {
                const auto ln = [&](int i, int j) { return std::log(k ? e[i][j].s1 : e[i][j].s0); };
                raw[k](x, y) = -0.5f * mixed(bx.weight, mixed(by.weight, ln(0, 0), ln(0, 1)),
                                             mixed(by.weight, ln(1, 0), ln(1, 1)));
            }
            if (std::isfinite(raw[0](x, y))) top = std::max(top, raw[0](x, y));
            if (std::isfinite(raw[1](x, y))) bottom = std::min(bottom, raw[1](x, y));
        }
    if (!std::isfinite(bottom)) bottom = std::isfinite(top) ? top : 0.0f;
    if (!std::isfinite(top)) top = bottom;
    float scale = top > bottom ? 255.99f / (top - bottom) : 1.0f;
    if (!std::isfinite(scale)) scale = 1.0f;
    const auto byteAt = [&](int k, int x, int y) -> int {
        const float v =
            raw[k](std::max(x, positions.lower.row), std::max(y, positions.lower.column));
        if (std::isnan(v) || v == -INFINITY) return 0;
        if (v == INFINITY) return 255;
        const float b = (v - bottom) * scale + 0.005f;
        return b <= 0.0f ? 0 : b >= 255.0f ? 255 : static_cast<int>(b);
    };
    Planes planes;
    planes.planeScale = scale;
    planes.storage.reference(arrayOver<EdgePixel>(domain.grown(2), EdgePixel(0, 0, 0)));
    for (int r = domain.lower.row - 2; r <= domain.upper.row + 2; ++r)
        for (int c = domain.lower.column - 2; c <= domain.upper.column + 2; ++c) {
            const int x = std::clamp(r, positions.lower.row, positions.upper.row);
            const int y = std::clamp(c, positions.lower.column, positions.upper.column);
            const int n0[4] = {byteAt(0, x - 1, y - 1), byteAt(0, x - 1, y), byteAt(0, x, y - 1),
                               byteAt(0, x, y)};
            const int n1[4] = {byteAt(1, x - 1, y - 1), byteAt(1, x - 1, y), byteAt(1, x, y - 1),
                               byteAt(1, x, y)};
            planes.storage(r, c)[0] = static_cast<unsigned char>(*std::max_element(n0, n0 + 4));
            planes.storage(r, c)[1] = static_cast<unsigned char>(*std::min_element(n1, n1 + 4));
        }
    return planes;
}

TEST(EdgePlanes, MatchAPlainSerialReferenceWhateverTheBandsAndWorkers) {
    // Heights around the 16-row bands: a last band of one row, of a part of
    // a band, and only full bands.
    const struct { int rows, columns; } sizes[] = {{66, 45}, {150, 37}, {129, 20}};
    for (const auto& size : sizes) {
        const Prepared prepared(stage_fixtures::photoLike(size.rows, size.columns));
        const Planes expected = referencePlanes(prepared);
        for (unsigned workers : {1u, 3u, 8u}) {
            SCOPED_TRACE(testing::Message()
                         << size.rows << " x " << size.columns << ", " << workers << " workers");
            const Planes edges = prepared.planes(workers);
            EXPECT_EQ(edges.planeScale, expected.planeScale);
            ASSERT_EQ(boxOf(edges.storage), boxOf(expected.storage));
            for (int k = 0; k < 2; ++k)
                EXPECT_TRUE(blitz::all(edges.storage[k] == expected.storage[k])) << "channel " << k;
        }
    }
}

TEST(EdgePlanes, LastRowAndColumnAndMarginRepeatTheNearestComputed) {
    const Prepared prepared(stage_fixtures::photoLike(70, 45));
    const Planes edges = prepared.planes(3);
    const Box inner(0, 0, 68, 43); // every pixel that starts a window
    for (int k = 0; k < 2; ++k) {
        const ByteArray plane = edges.storage[k];
        for (int r = -2; r <= 71; ++r)
            for (int c = -2; c <= 46; ++c)
                ASSERT_EQ(plane(r, c), plane(std::clamp(r, 0, 68), std::clamp(c, 0, 43)))
                    << "channel " << k << " at " << r << "," << c;
    }
    EXPECT_EQ(boxOf(edges.planes), Box(0, 0, 69, 44));
}

TEST(EdgePlanes, UniformImageHasNoEdgesInside) {
    // Blocks of the last row and column hold fewer pixels, so their peaks are
    // lower: only the inside, whose neighbourhoods are all full, is flat.
    const Prepared prepared(stage_fixtures::grey(64, 64, [](int, int) { return 90; }));
    const Planes edges = prepared.planes(2);
    for (int r = 12; r < 44; ++r)
        for (int c = 12; c < 44; ++c) {
            ASSERT_EQ(edges.storage(r, c)[0], 255) << r << "," << c;
            ASSERT_EQ(edges.storage(r, c)[1], 255) << r << "," << c;
        }
}

TEST(EdgePlanes, EqualHeightsEverywhereGiveNoRange) {
    Prepared prepared(stage_fixtures::grey(40, 40, [](int, int) { return 90; }));
    for (SegmentList& list : prepared.lists)
        for (size_t i = 1; i < list.size(); ++i)
            list[i].peakCount = 1000;
    const Planes edges = prepared.planes(2);
    EXPECT_EQ(edges.planeScale, 1.0f);
    EXPECT_EQ(blitz::max(edges.storage[0]), 0);
    EXPECT_EQ(blitz::max(edges.storage[1]), 0);
}

TEST(EdgePlanes, ImagesNarrowerThanTwoPixelsGiveZeroPlanes) {
    for (const Box box : {Box(0, 0, 0, 30), Box(0, 0, 30, 0), Box(0, 0, 0, 0)}) {
        SCOPED_TRACE(testing::Message() << box);
        const Prepared prepared(stage_fixtures::grey(box.rows(), box.columns(),
                                                     [](int r, int c) { return r * 5 + c * 3; }));
        Planes edges;
        edges.planeScale = 7.0f;
        ProgressRange none(nullptr);
        EXPECT_TRUE(updateEdgeFeatures(true, prepared.texture, box, 8, prepared.grid,
                                       prepared.lists, edges.refs(), none, 4));
        EXPECT_EQ(edges.planeScale, 1.0f);
        EXPECT_EQ(boxOf(edges.storage), box.grown(2));
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(blitz::max(edges.storage[k]), 0);
    }
}

TEST(EdgePlanes, UnforcedOnlySizesThePlanes) {
    const Prepared prepared(stage_fixtures::photoLike(20, 30));
    Planes edges;
    RecordingProgress progress;
    ProgressRange range(&progress);
    EXPECT_FALSE(updateEdgeFeatures(false, prepared.texture, boxOf(prepared.texture), 8,
                                    prepared.grid, prepared.lists, edges.refs(), range, 2));
    EXPECT_EQ(boxOf(edges.storage), Box(-2, -2, 21, 31));
    EXPECT_EQ(boxOf(edges.planes), Box(0, 0, 19, 29));
    EXPECT_EQ(progress.fractions().size(), 1u) << "nothing but the range's opening 0";
}

TEST(EdgePlanes, BandsOf16RowsReportTheirShare) {
    const Prepared prepared(
        stage_fixtures::photoLike(50, 20)); // rows 0..49: bands at 0, 16, 32, 48
    RecordingProgress progress;
    ProgressRange range(&progress);
    prepared.planes(2, &range);
    const std::vector<float> f = progress.fractions();
    EXPECT_NE(progress.labels()[1].find("(before [After array creation]): "), std::string::npos);
    // checkpoint 0.1, then 0.1 + 0.5 done for done = 0, 16/49, 32/49, 48/49, then 0.8, 0.9
    const std::vector<float> expected{0.0f,
                                      0.1f,
                                      0.1f,
                                      0.1f + 0.5f * (1.0f - 33.0f / 49.0f),
                                      0.1f + 0.5f * (1.0f - 17.0f / 49.0f),
                                      0.1f + 0.5f * (1.0f - 1.0f / 49.0f),
                                      0.8f,
                                      0.9f};
    ASSERT_EQ(f.size(), expected.size());
    for (size_t i = 0; i < f.size(); ++i)
        EXPECT_NEAR(f[i], expected[i], 1e-6) << i;
}

TEST(EdgePlanes, CancelInTheMiddleOfTheBandsJoinsEveryWorker) {
    // 160 rows: ten bands. Reports: the range's opening 0, the checkpoint,
    // then one per band handed out; the fourth band's answer is a cancel.
    const Prepared prepared(stage_fixtures::photoLike(160, 24));
    for (unsigned workers : {1u, 4u}) {
        SCOPED_TRACE(workers);
        RecordingProgress progress;
        progress.onReport = [](int index, float) {
            if (index == 5) throw VkExCancel();
        };
        ProgressRange range(&progress);
        EXPECT_THROW(prepared.planes(workers, &range), VkExCancel);
        const std::vector<std::thread::id> threads = progress.threads();
        ASSERT_EQ(threads.size(), 6u) << "no band is handed out after the cancel";
        if (workers == 1) {
            // The caller hands out only the first band; the rest are the worker's.
            EXPECT_EQ(threads[2], std::this_thread::get_id());
            EXPECT_NE(threads[5], std::this_thread::get_id());
        }
        EXPECT_EQ(progress.fractions().size(), 6u) << "every worker is gone";
    }
}

TEST(EdgePlanes, FailureOfAWorkerIsRaisedAfterTheJoin) {
    const Prepared prepared(stage_fixtures::photoLike(400, 24));
    for (const auto kind : {vardek::fault::Kind::Unexpected, vardek::fault::Kind::Cancel}) {
        vardek::fault::arm("gradient band", kind, 3);
        bool cancelled = false, failed = false;
        try {
            prepared.planes(3);
        } catch (const VkExCancel&) {
            cancelled = true;
        } catch (const VkExFailure& failure) {
            failed = std::string(failure.what()) == "Unhandled exception in worker thread.";
        }
        vardek::fault::disarm();
        EXPECT_EQ(cancelled, kind == vardek::fault::Kind::Cancel);
        EXPECT_EQ(failed, kind == vardek::fault::Kind::Unexpected);
    }
}

} // namespace
