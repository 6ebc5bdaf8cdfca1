// The block grid of the segmentation: the analysed box cut into square blocks
// of "#resolution" pixels, each holding one histogram per texture channel.
#ifndef VARDEK_CLASSIFICATION_BLOCK_GRID_H
#define VARDEK_CLASSIFICATION_BLOCK_GRID_H

#include "classification/histogram1d.h"
#include "classification/stage_params.h"
#include "core/box.h"
#include "core/large_memory.h"

#include <blitz/array.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace classification {

// The channel histograms of one block. A grid holds tens of thousands of
// blocks, a kilobyte each, all written when the grid is made: its memory is
// advised for huge pages before that.
struct HistogramBlock : std::array<Histogram1D, textureChannels>,
                        LargeArrayElement<HistogramBlock> {};
using BlockGrid = blitz::Array<HistogramBlock, 2>;

// A resolution below 1 would divide by zero; it counts as 1.
inline int blockSpacing(int resolution) {
    return std::max(1, resolution);
}

// Each corner of `domain` divided by the block spacing. Block (i, j) covers
// the pixels with i * spacing <= row < (i + 1) * spacing, likewise columns.
// An empty domain has no blocks.
inline Box blockBoxOf(const Box& domain, int resolution) {
    if (domain.isEmpty()) return Box::empty();
    return domain.dividedBy(blockSpacing(resolution));
}

// Where a pixel lies between block centres along one axis: the block whose
// centre is at or before it, the next one (both clamped to the grid) and the
// weight of the first.
struct BlockCoordinate {
    int first = 0;
    int second = 0;
    float weight = 0.0f;
};

// The coordinates of positions first to last for blocks firstBlock to
// lastBlock of `spacing` pixels; `shift` is subtracted from every weight.
inline std::vector<BlockCoordinate> blockCoordinates(int first, int last, int spacing,
                                                     int firstBlock, int lastBlock,
                                                     float shift = 0.0f) {
    const float r = 1.0f / static_cast<float>(spacing);
    std::vector<BlockCoordinate> out;
    for (int x = first; x <= last; ++x) {
        // u = (x + 0.5) r - 0.5, b0 = floor(u), weight of b0 = (b0 + 1.5) - (x + 0.5) r
        const float u = (static_cast<float>(x) + 0.5f) * r - 0.5f;
        const int b0 = static_cast<int>(std::floor(u));
        BlockCoordinate bc;
        bc.first = std::clamp(b0, firstBlock, lastBlock);
        bc.second = std::clamp(b0 + 1, firstBlock, lastBlock);
        bc.weight = (static_cast<float>(b0) + 1.5f) - (static_cast<float>(x) + 0.5f) * r - shift;
        out.push_back(bc);
    }
    return out;
}

// Visits every block in the grid's storage order: rows outside, columns inside.
template <typename Grid, typename Visit> void forEachBlock(Grid& grid, Visit visit) {
    for (int r = grid.lbound(0); r <= grid.ubound(0); ++r)
        for (int c = grid.lbound(1); c <= grid.ubound(1); ++c)
            visit(grid(r, c));
}

} // namespace classification

#endif
