#include "classification/edge_planes.h"

#include "core/checkpoint.h"
#include "core/fault_injection.h"
#include "core/margins.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace classification {

namespace {

// 1 / h^2 of a height, in single precision; infinite for a height of 0.
inline float inverseSquare(int32_t height) {
    const float h = static_cast<float>(height);
    return 1.0f / (h * h);
}

// The evidence of a window in one block. `inverse(c, i)` gives the inverse
// squared peak, saddle and valley counts of segment i of channel c.
template <typename Inverse>
inline WindowEvidence evidenceIn(const HistogramBlock& block, const SegmentLists& lists,
                                 const TexturePixel& lo, const TexturePixel& hi,
                                 const Inverse& inverse) {
    WindowEvidence e;
    for (int c = 0; c < textureChannels; ++c) {
        const Histogram1D& h = block[c];
        if (h.endSegment <= h.firstSegment) continue; // never segmented
        const HistogramSegment* segments = lists[c].data();
        const int last = h.endSegment - 1;
        const int a = lo[c] >> h.shift, b = hi[c] >> h.shift;
        // A bin belongs to the first segment whose valley is not below it.
        int i = h.firstSegment;
        while (i < last && segments[i].valley < a)
            ++i;
        if (segments[i].valley >= b) {
            // p = q = the segment's peak count
            const float p = inverse(c, i).peak;
            e.s0 += p;
            e.s1 += p;
        } else {
            // The window spans valleys: the one of best contrast decides,
            // p its saddle count and q its valley count.
            int best = i;
            for (int j = i; j < last && segments[j].valley < b; ++j) {
                if (valleyContrast(segments[j]) > valleyContrast(segments[best])) best = j;
            }
            e.s0 += inverse(c, best).saddle;
            e.s1 += inverse(c, best).valley;
        }
    }
    return e;
}

struct InverseHeights {
    float peak = 0.0f;
    float saddle = 0.0f;
    float valley = 0.0f;
};

InverseHeights inverseHeightsOf(const HistogramSegment& s) {
    return {inverseSquare(s.peakCount), inverseSquare(s.saddleCount), inverseSquare(s.valleyCount)};
}

} // namespace

WindowEvidence windowEvidence(const HistogramBlock& block, const SegmentLists& lists,
                              const TexturePixel& lo, const TexturePixel& hi) {
    return evidenceIn(block, lists, lo, hi,
                      [&lists](int c, int i) { return inverseHeightsOf(lists[c][i]); });
}

namespace {

// f a + (1 - f) b, exact when a equals b; a weight of 0 or 1 ignores the
// other side entirely, so an infinite height there cannot turn into NaN.
float mix(float f, float a, float b) {
    if (f == 0.0f) return b;
    if (f == 1.0f) return a;
    return b + f * (a - b);
}

struct Band {
    int index = 0; // 0 for the first band, counting down the rows
    int firstRow = 0;
    int endRow = 0; // excluded
};

// The extremes of the raw values of one band that set the byte scale: the
// highest finite raw value 0 and the lowest finite raw value 1.
struct RawExtremes {
    float highest0 = -std::numeric_limits<float>::infinity();
    float lowest1 = std::numeric_limits<float>::infinity();
};

// The raw edge values of one band of window positions.
struct GradientUpdater {
    const TextureImage& texture;
    const BlockGrid& grid;
    const SegmentLists& lists;
    // The inverse squared heights of every segment, worked out once per run.
    const std::array<std::vector<InverseHeights>, textureChannels>& inverses;
    const std::vector<BlockCoordinate>& rowBlocks;    // indexed by row - first position row
    const std::vector<BlockCoordinate>& columnBlocks; // indexed by column - first position column
    const Box& positions;
    blitz::Array<float, 2>& raw0;
    blitz::Array<float, 2>& raw1;
    std::vector<RawExtremes>& extremes; // indexed by band

    void operator()(const Band& band) const {
        VARDEK_FAULT_POINT("gradient band");
        RawExtremes seen;
        for (int x = band.firstRow; x < band.endRow; ++x) {
            const BlockCoordinate& bx = rowBlocks[x - positions.lower.row];
            float* out0 = &raw0(x, positions.lower.column);
            float* out1 = &raw1(x, positions.lower.column);
            for (int y = positions.lower.column; y <= positions.upper.column; ++y) {
                const BlockCoordinate& by = columnBlocks[y - positions.lower.column];
                // lo and hi of every channel over the window (x, y) .. (x + 1, y + 1)
                const TexturePixel& p00 = texture(x, y);
                const TexturePixel& p01 = texture(x, y + 1);
                const TexturePixel& p10 = texture(x + 1, y);
                const TexturePixel& p11 = texture(x + 1, y + 1);
                TexturePixel lo, hi;
                for (int c = 0; c < textureChannels; ++c) {
                    lo[c] = std::min(std::min(p00[c], p01[c]), std::min(p10[c], p11[c]));
                    hi[c] = std::max(std::max(p00[c], p01[c]), std::max(p10[c], p11[c]));
                }
                const auto inverse = [this](int c, int i) -> const InverseHeights& {
                    return inverses[c][i];
                };
                const WindowEvidence e00 =
                    evidenceIn(grid(bx.first, by.first), lists, lo, hi, inverse);
                const WindowEvidence e01 =
                    evidenceIn(grid(bx.first, by.second), lists, lo, hi, inverse);
                const WindowEvidence e10 =
                    evidenceIn(grid(bx.second, by.first), lists, lo, hi, inverse);
                const WindowEvidence e11 =
                    evidenceIn(grid(bx.second, by.second), lists, lo, hi, inverse);
                // raw_k = -0.5 (fx (fy ln s00 + (1 - fy) ln s01)
                //               + (1 - fx) (fy ln s10 + (1 - fy) ln s11))
                const float fx = bx.weight, fy = by.weight;
                const float v0 = -0.5f * mix(fx, mix(fy, std::log(e00.s0), std::log(e01.s0)),
                                             mix(fy, std::log(e10.s0), std::log(e11.s0)));
                const float v1 = -0.5f * mix(fx, mix(fy, std::log(e00.s1), std::log(e01.s1)),
                                             mix(fy, std::log(e10.s1), std::log(e11.s1)));
                *out0++ = v0;
                *out1++ = v1;
                if (std::isfinite(v0)) seen.highest0 = std::max(seen.highest0, v0);
                if (std::isfinite(v1)) seen.lowest1 = std::min(seen.lowest1, v1);
            }
        }
        extremes[band.index] = seen;
    }
};

void clearPlanes(EdgePlanes& planes) {
    for (int k = 0; k < 3; ++k)
        planes[k] = 0;
}

// What the gradient updaters read besides the texture and the grid, worked
// out once per run: the inverse squared heights of every segment and where
// each window position lies between block centres.
struct GradientTables {
    std::array<std::vector<InverseHeights>, textureChannels> inverses;
    std::vector<BlockCoordinate> rowBlocks;
    std::vector<BlockCoordinate> columnBlocks;
};

GradientTables gradientTables(const SegmentLists& lists, const BlockGrid& grid,
                              const Box& positions, int resolution) {
    GradientTables tables;
    for (int c = 0; c < textureChannels; ++c) {
        tables.inverses[c].reserve(lists[c].size());
        for (const HistogramSegment& segment : lists[c])
            tables.inverses[c].push_back(inverseHeightsOf(segment));
    }
    const Box blocks = boxOf(grid);
    const int spacing = blockSpacing(resolution);
    // The window's centre lies half a pixel beyond its first pixel's centre.
    const float half = 0.5f / static_cast<float>(spacing);
    tables.rowBlocks = blockCoordinates(positions.lower.row, positions.upper.row, spacing,
                                        blocks.lower.row, blocks.upper.row, half);
    tables.columnBlocks = blockCoordinates(positions.lower.column, positions.upper.column, spacing,
                                           blocks.lower.column, blocks.upper.column, half);
    return tables;
}

// The number of bands runBands hands out over the rows of `domain`.
int bandCount(const Box& domain) {
    return (domain.upper.row - domain.lower.row) / gradientBandHeight + 1;
}

// Hands the rows of `domain` but its last to `workers` workers in bands of
// gradientBandHeight rows, under the pool's mutex; `work` runs one band. With
// a `bandProgress`, each hand-out reports the share of rows handed out so far.
template <typename Work>
void runBands(const Box& domain, ProgressRange* bandProgress, unsigned workers, Work work) {
    const Point start = domain.lower, end = domain.upper;
    int nextRow = start.row;
    int index = 0;
    WorkerPool pool(workers);
    pool.run(
        [&]() -> std::optional<Band> {
            if (nextRow > end.row) return std::nullopt;
            if (bandProgress) {
                // done = 1 - (end - next) / (end - start), 1 when the two ends are equal
                const float done =
                    end.row == start.row
                        ? 1.0f
                        : 1.0f - static_cast<float>(end.row - nextRow) / (end.row - start.row);
                bandProgress->report(done);
            }
            Band band;
            band.index = index++;
            band.firstRow = nextRow;
            nextRow += gradientBandHeight;
            band.endRow = std::min(nextRow, end.row);
            return band;
        },
        work);
}

// The common byte scale of both raw planes: m, the lowest raw value 1, is
// their zero and M, the highest raw value 0, their top. Infinite heights (an
// empty valley) stay out of both so that the scale stays finite. The bands'
// extremes are taken in band order, as one pass down the rows would.
struct PlaneScale {
    float m = 0.0f;
    float scale = 1.0f;
};

PlaneScale planeScaleOf(const std::vector<RawExtremes>& extremes) {
    float m = std::numeric_limits<float>::infinity();
    float bigM = -std::numeric_limits<float>::infinity();
    for (const RawExtremes& e : extremes) {
        bigM = std::max(bigM, e.highest0);
        m = std::min(m, e.lowest1);
    }
    if (!std::isfinite(m)) m = std::isfinite(bigM) ? bigM : 0.0f;
    if (!std::isfinite(bigM)) bigM = m;
    float scale = bigM > m ? 255.99f / (bigM - m) : 1.0f;
    if (!std::isfinite(scale)) scale = 1.0f;
    return {m, scale};
}

// N = truncation of (raw - m) * scale + 0.005; a height that went infinite
// (an empty valley) maps to 0, an infinite raw value above to 255.
inline unsigned char edgeByte(float v, const PlaneScale& s) {
    if (std::isnan(v) || v == -std::numeric_limits<float>::infinity()) return 0;
    if (v == std::numeric_limits<float>::infinity()) return 255;
    const float b = (v - s.m) * s.scale + 0.005f;
    return b <= 0.0f ? 0 : b >= 255.0f ? 255 : static_cast<unsigned char>(b);
}

// Channels 0 and 1 of the planes over one band of window positions: the
// bytes of the raw values, dilated (channel 0) or eroded (channel 1) over
// windows of 2 x 2 that end at the position,
//   out0(x, y) = max of N0(x - 1 .. x, y - 1 .. y),
//   out1(x, y) = min of N1(x - 1 .. x, y - 1 .. y),
// where a row or column before the first position repeats the first. The row
// above the band is turned into bytes again rather than shared, so that every
// band stands alone; maximum and minimum are exact, so the bytes do not
// depend on the bands.
struct EdgeByteWriter {
    const blitz::Array<float, 2>& raw0;
    const blitz::Array<float, 2>& raw1;
    const Box& positions;
    const PlaneScale& scale;
    EdgePlanes& storage;

    // h(y) = N(x, y - 1) combined with N(x, y), for both channels of row x.
    void rowPairs(int x, unsigned char* h0, unsigned char* h1) const {
        const float* v0 = &raw0(x, positions.lower.column);
        const float* v1 = &raw1(x, positions.lower.column);
        const int width = positions.columns();
        unsigned char before0 = edgeByte(v0[0], scale), before1 = edgeByte(v1[0], scale);
        for (int i = 0; i < width; ++i) {
            const unsigned char n0 = edgeByte(v0[i], scale), n1 = edgeByte(v1[i], scale);
            h0[i] = std::max(before0, n0);
            h1[i] = std::min(before1, n1);
            before0 = n0;
            before1 = n1;
        }
    }

    void operator()(const Band& band) const {
        const size_t width = static_cast<size_t>(positions.columns());
        std::vector<unsigned char> pairs(4 * width);
        unsigned char* above0 = pairs.data();
        unsigned char* above1 = above0 + width;
        unsigned char* here0 = above1 + width;
        unsigned char* here1 = here0 + width;
        rowPairs(std::max(band.firstRow - 1, positions.lower.row), above0, above1);
        const std::ptrdiff_t step = storage.stride(1);
        for (int x = band.firstRow; x < band.endRow; ++x) {
            rowPairs(x, here0, here1);
            EdgePixel* out = &storage(x, positions.lower.column);
            for (size_t i = 0; i < width; ++i, out += step) {
                (*out)[0] = std::max(above0[i], here0[i]);
                (*out)[1] = std::min(above1[i], here1[i]);
            }
            std::swap(above0, here0);
            std::swap(above1, here1);
        }
    }
};

} // namespace

void sizeEdgePlanes(const EdgePlaneRefs& edges, const Box& domain) {
    const Box planesBox = domain.grown(2);
    if (boxOf(edges.storage) != planesBox) {
        edges.storage.reference(arrayOver<EdgePixel>(planesBox));
        clearPlanes(edges.storage);
    }
    if (domain.isEmpty()) {
        edges.planes.free();
    } else {
        edges.planes.reference(windowOf(edges.storage, domain));
    }
}

bool updateEdgeFeatures(bool force, const TextureImage& texture, const Box& domain, int resolution,
                        const BlockGrid& grid, const SegmentLists& lists,
                        const EdgePlaneRefs& edges, ProgressRange& range, unsigned workers) {
    sizeEdgePlanes(edges, domain);
    if (!force) return false;

    range.report(0.1f, checkpointLabel("src/classification/Segmentation.cpp", __LINE__,
                                       "After array creation"));

    // Window positions start at every pixel but those of the last row and column.
    const Box positions(domain.lower, domain.upper.minusScalar(1));
    const bool computable = texture.rows() >= 2 && texture.columns() >= 2 && !positions.isEmpty() &&
                            boxOf(texture).contains(domain) && grid.numElements() > 0;
    blitz::Array<float, 2> raw0, raw1;
    GradientTables tables;
    if (computable) {
        tables = gradientTables(lists, grid, positions, resolution);
        raw0.reference(arrayOver<float>(positions));
        raw1.reference(arrayOver<float>(positions));
    }
    std::vector<RawExtremes> extremes(static_cast<size_t>(bandCount(domain)));
    const GradientUpdater updater{
        texture,   grid, lists, tables.inverses, tables.rowBlocks, tables.columnBlocks,
        positions, raw0, raw1,  extremes};
    ProgressRange bandProgress = range.subRange(0.6f);
    runBands(domain, &bandProgress, workers, [&updater, computable](const Band& band) {
        if (computable) updater(band);
    });

    if (!computable) {
        edges.planeScale = 1.0f;
        clearPlanes(edges.storage);
        return true;
    }
    const PlaneScale scale = planeScaleOf(extremes);
    edges.planeScale = scale.scale;

    range.report(0.8f);
    runBands(domain, nullptr, workers, EdgeByteWriter{raw0, raw1, positions, scale, edges.storage});
    raw0.free();
    raw1.free();
    range.report(0.9f);

    // The last row and column start no window: they, and then the two-pixel
    // margin, repeat the nearest computed row and column.
    replicateMargin(edges.storage[0], positions);
    replicateMargin(edges.storage[1], positions);
    return true;
}

} // namespace classification
