#include "classification/edge_width_map.h"

#include "core/arrays.h"
#include "core/margins.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace classification {
namespace {

int32_t toInt32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// 1 / 145.54: pixel widths in 1/1024 pixel become byte units.
constexpr float inverseByteStep = 0.0068709636f;
constexpr float byteStep = 145.54f;

} // namespace

EdgeWidthLimits EdgeWidthLimits::of(const SegmentationParams& params) {
    // A negative overlap would give an empty neighbourhood and a zero divisor.
    const int64_t overlap = std::max(0, params.overlap);
    const int64_t w = (2 * overlap + 1) * blockSpacing(params.resolution);
    const int64_t e = static_cast<int64_t>(params.inFocusEdgeWidth) * w;
    EdgeWidthLimits limits;
    limits.neighbourhood = toInt32(w);
    limits.lower = toInt32(e * 1024);
    limits.upper = toInt32(std::min<int64_t>(w * 261120, e * 4096));
    const float r = std::ceil(static_cast<float>(w * 1024) * inverseByteStep);
    limits.divisor = std::max<int32_t>(1, static_cast<int32_t>(r));
    return limits;
}

int32_t blockEdgeWidth(const HistogramBlock& block, const SegmentLists& lists, int32_t lower,
                       int32_t upper) {
    int64_t n = 0;
    float d = 0.0f;
    for (int c = 0; c < textureChannels; ++c) {
        const Histogram1D& h = block[c];
        if (h.bestSegment < 0 || static_cast<size_t>(h.bestSegment) >= lists[c].size()) continue;
        const HistogramSegment& g = lists[c][h.bestSegment];
        // the peak distance in value units, squared
        n += (static_cast<int64_t>(g.peakDistance) * g.peakDistance) << (2 * h.shift);
        const float v = static_cast<float>(g.valleyCount);
        d += 1.0f / (v * v);
    }
    if (n == 0) return upper;
    // r = sqrt(n / d); an empty valley makes d infinite and r 0. The limit is
    // applied before the conversion, which a huge quotient would overflow.
    const float r = std::sqrt(static_cast<float>(n) / d);
    if (!(r < static_cast<float>(upper))) return upper;
    return std::min(upper, std::max(lower, static_cast<int32_t>(r)));
}

namespace {

// The width of every block of the grid.
LabelArray blockWidthsOf(const BlockGrid& grid, const SegmentLists& lists,
                         const EdgeWidthLimits& limits) {
    const Box blocks = boxOf(grid);
    LabelArray blockWidths = arrayOver<int32_t>(blocks);
    for (int r = blocks.lower.row; r <= blocks.upper.row; ++r)
        for (int c = blocks.lower.column; c <= blocks.upper.column; ++c)
            blockWidths(r, c) = blockEdgeWidth(grid(r, c), lists, limits.lower, limits.upper);
    return blockWidths;
}

// The block widths interpolated bilinearly between block centres onto every
// pixel of `domain`, into `widths`. Reports from 0.1 to 0.5.
void interpolateWidths(const LabelArray& blockWidths, const Box& domain, int spacing,
                       LabelArray& widths, ProgressRange& range) {
    const Box blocks = boxOf(blockWidths);
    const int rows = domain.rows();
    const int first = domain.lower.row, last = domain.upper.row;
    const std::vector<BlockCoordinate> rowBlocks =
        blockCoordinates(first, last, spacing, blocks.lower.row, blocks.upper.row);
    const std::vector<BlockCoordinate> columnBlocks =
        blockCoordinates(domain.lower.column, domain.upper.column, spacing, blocks.lower.column,
                         blocks.upper.column);
    for (int x = first; x <= last; ++x) {
        const BlockCoordinate& bx = rowBlocks[x - first];
        int32_t* out = &widths(x, domain.lower.column);
        const float wx = bx.weight;
        for (int y = domain.lower.column; y <= domain.upper.column; ++y) {
            const BlockCoordinate& by = columnBlocks[y - domain.lower.column];
            const float wy = by.weight;
            const auto b = [&blockWidths](int row, int column) {
                return static_cast<float>(blockWidths(row, column));
            };
            // (B(x1, y0) wy + B(x1, y1) (1 - wy)) (1 - wx) + (B(x0, y0) wy + B(x0, y1) (1 -
            // wy)) wx
            const float v =
                (b(bx.second, by.first) * wy + b(bx.second, by.second) * (1.0f - wy)) *
                    (1.0f - wx) +
                (b(bx.first, by.first) * wy + b(bx.first, by.second) * (1.0f - wy)) * wx;
            *out++ = static_cast<int32_t>(v);
        }
        if (x % 512 == 0) {
            const float f = static_cast<float>(x - first) / static_cast<float>(rows);
            range.report((1.0f - f) * 0.1f + f * 0.5f);
        }
    }
}

// Two-pass chamfer relaxation of the widths over `domain` (their margin of one
// pixel already filled): a width may exceed a neighbour's by at most 70 along
// an axis and 99 along a diagonal. Reports from 0.5 to 1.0.
void limitGrowth(LabelArray& widths, const Box& domain, ProgressRange& range) {
    const int rows = domain.rows();
    const int first = domain.lower.row, last = domain.upper.row;
    const auto relax = [&widths](int x, int y, int fromX, int fromY, int32_t step) {
        const int32_t candidate = widths(fromX, fromY) + step;
        if (candidate < widths(x, y)) widths(x, y) = candidate;
    };
    for (int x = first; x <= last; ++x) {
        for (int y = domain.lower.column; y <= domain.upper.column; ++y) {
            relax(x, y, x, y - 1, chamferAxial);
            relax(x, y, x - 1, y - 1, chamferDiagonal);
            relax(x, y, x - 1, y, chamferAxial);
            relax(x, y, x - 1, y + 1, chamferDiagonal);
        }
        if (x % 512 == 0) {
            const float f = static_cast<float>(x - first) / static_cast<float>(rows);
            range.report((1.0f - f) * 0.5f + f * 0.75f);
        }
    }
    for (int x = last; x >= first; --x) {
        for (int y = domain.upper.column; y >= domain.lower.column; --y) {
            relax(x, y, x, y + 1, chamferAxial);
            relax(x, y, x + 1, y + 1, chamferDiagonal);
            relax(x, y, x + 1, y, chamferAxial);
            relax(x, y, x + 1, y - 1, chamferDiagonal);
        }
        if (x % 512 == 0) {
            const float f = static_cast<float>(last - x) / static_cast<float>(rows);
            range.report((1.0f - f) * 0.75f + f * 1.0f);
        }
    }
}

// Channel 2 of the edge planes over `domain`, margin included, from the widths:
// byte = truncation of width / 145.54 + 0.5; `pixelScaleMap` becomes its view
// over `domain`.
void writeWidthBytes(const LabelArray& widths, const Box& domain, const EdgePlaneRefs& edges) {
    edges.pixelScaleMap.reference(windowOf<unsigned char>(edges.storage[2], domain));
    for (int x = domain.lower.row; x <= domain.upper.row; ++x) {
        for (int y = domain.lower.column; y <= domain.upper.column; ++y) {
            const float v = static_cast<float>(widths(x, y)) / byteStep + 0.5f;
            edges.pixelScaleMap(x, y) = v <= 0.0f     ? 0
                                        : v >= 255.0f ? 255
                                                      : static_cast<unsigned char>(v);
        }
    }
    replicateMargin(edges.storage[2], domain);
}

} // namespace

bool updateEdgeWidth(bool force, const Box& domain, const SegmentationParams& current,
                     const StageParams& copies, const BlockGrid& grid, const SegmentLists& lists,
                     const EdgePlaneRefs& edges, ProgressRange& range) {
    if (!force && !edgeWidthOutdated(copies[edgeStagesCopy], current)) return false;

    const EdgeWidthLimits limits = EdgeWidthLimits::of(current);
    const LabelArray blockWidths = blockWidthsOf(grid, lists, limits);
    range.report(0.1f);

    sizeEdgePlanes(edges, domain);
    if (domain.isEmpty()) {
        edges.pixelScaleMap.free();
        return true;
    }

    LabelArray widths = arrayOver<int32_t>(domain.grown(1));
    if (blockWidths.size() == 0)
        widths = limits.upper;
    else
        interpolateWidths(blockWidths, domain, blockSpacing(current.resolution), widths, range);
    for (int x = domain.lower.row; x <= domain.upper.row; ++x)
        for (int y = domain.lower.column; y <= domain.upper.column; ++y)
            widths(x, y) /= limits.divisor;
    replicateMargin(widths, domain);

    limitGrowth(widths, domain, range);
    writeWidthBytes(widths, domain, edges);
    return true;
}

} // namespace classification
