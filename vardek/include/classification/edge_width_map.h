// The edge width map: how wide an edge between two colour populations is at
// every pixel, as channel 2 of the edge planes (`pixelScaleMap`). Auto fill
// and auto complex paint blend disks of half this radius. One width per block
// comes from the best-contrast valleys of its six histograms; it is
// interpolated to the pixels and then limited so that it grows by at most a
// fixed amount per pixel of distance from where it is small.
#ifndef VARDEK_CLASSIFICATION_EDGE_WIDTH_MAP_H
#define VARDEK_CLASSIFICATION_EDGE_WIDTH_MAP_H

#include "classification/block_grid.h"
#include "classification/edge_planes.h"
#include "classification/histogram_segments.h"
#include "classification/stage_params.h"
#include "core/box.h"
#include "core/progress.h"

#include <cstdint>

namespace classification {

// The numbers of one run, from overlap o, resolution s and in-focus edge width e.
struct EdgeWidthLimits {
    int32_t neighbourhood = 0; // W = (2 o + 1) s: the pixels one histogram summarises
    int32_t lower = 0;         // e W 1024
    int32_t upper = 0;         // min(W 261120, e W 4096)
    int32_t divisor = 1;       // R = ceil(W 1024 / 145.54)

    static EdgeWidthLimits of(const SegmentationParams& params);
};

// Chamfer steps of the growth limit, in the units of the pixel widths (1/145.54 byte).
constexpr int32_t chamferAxial = 70;
constexpr int32_t chamferDiagonal = 99;

// The width of one block in 1/1024 pixel: sqrt of the summed squared peak
// distances (in value units) over the summed inverse squared valley counts of
// the six best segments, within [lower, upper]; the upper limit when no
// histogram has a best segment.
int32_t blockEdgeWidth(const HistogramBlock& block, const SegmentLists& lists, int32_t lower,
                       int32_t upper);

// Stage 4: unless forced or the in-focus edge width differs from copy 6,
// nothing. Otherwise writes channel 2 of the edge planes (margin included)
// and makes `pixelScaleMap` its view over `domain`; true.
bool updateEdgeWidth(bool force, const Box& domain, const SegmentationParams& current,
                     const StageParams& copies, const BlockGrid& grid, const SegmentLists& lists,
                     const EdgePlaneRefs& edges, ProgressRange& range);

} // namespace classification

#endif
