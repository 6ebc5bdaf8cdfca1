// The edge planes: for every 2 x 2 window of pixels the surrounding block
// histograms and their segments say how typical the window's values are. When
// every channel's values fall into one segment the answer is that segment's
// peak height; when a channel spans a valley, the valley's height and the
// lower peak beside it. Two raw values per window, mapped to bytes with one
// common scale and dilated (channel 0) or eroded (channel 1) over 2 x 2
// pixels: high in homogeneous neighbourhoods, low on edges. Channel 2 is the
// edge width map. A pool of workers computes the raw values in bands of 16
// rows, then, once their common scale is known, the bytes in the same bands.
#ifndef VARDEK_CLASSIFICATION_EDGE_PLANES_H
#define VARDEK_CLASSIFICATION_EDGE_PLANES_H

#include "classification/analysis_images.h"
#include "classification/block_grid.h"
#include "classification/histogram_segments.h"
#include "core/arrays.h"
#include "core/box.h"
#include "core/progress.h"
#include "core/worker_pool.h"

namespace classification {

// The classification's edge planes, by reference.
struct EdgePlaneRefs {
    EdgePlanes& storage;      // over the analysed box grown by two pixels on every side
    EdgePlanes& planes;       // the same storage restricted to the analysed box
    float& planeScale;        // 255.99 over the range of the raw edge values, 1.0 without one
    ByteArray& pixelScaleMap; // channel 2 over the analysed box: the local edge width
};

// Rows per band handed to a worker: small enough that the last bands handed
// out leave the other workers idle only briefly (16 MP holds 200 such bands).
constexpr int gradientBandHeight = 16;

// Sums over the six channels of 1 / p^2 and 1 / q^2, p and q the heights the
// block's histograms give the window's values (peak, or lower peak and valley
// when a channel's values span a valley). -0.5 ln s is a combined height.
struct WindowEvidence {
    float s0 = 0.0f;
    float s1 = 0.0f;
};
WindowEvidence windowEvidence(const HistogramBlock& block, const SegmentLists& lists,
                              const TexturePixel& lo, const TexturePixel& hi);

// Sizes the planes to `domain` grown by two (zero when new) and refreshes
// the view over `domain`.
void sizeEdgePlanes(const EdgePlaneRefs& edges, const Box& domain);

// Stage 3. Whatever `force` is, sizes the planes to `domain` grown by two and
// refreshes the view over `domain`; when forced, recomputes channels 0 and 1
// and the plane scale with `workers` gradient workers (0 counts as 1) and
// returns true. Raises VkExCancel or the worker failure after every worker
// is joined.
bool updateEdgeFeatures(bool force, const TextureImage& texture, const Box& domain, int resolution,
                        const BlockGrid& grid, const SegmentLists& lists,
                        const EdgePlaneRefs& edges, ProgressRange& range,
                        unsigned workers = logicalProcessorCount());

} // namespace classification

#endif
