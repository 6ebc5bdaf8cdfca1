// Block histograms: for every block of the analysed box and every texture
// channel, a histogram of the channel's values in the block, smoothed over the
// neighbouring blocks. Each pixel adds the values of its 2 x 2 window, as one
// interval (range modes) or two half intervals around the window's median
// (median modes), spread exactly over the values or evenly over the bins.
// The six channels are six independent jobs, run on up to six workers.
#ifndef VARDEK_CLASSIFICATION_BLOCK_HISTOGRAMS_H
#define VARDEK_CLASSIFICATION_BLOCK_HISTOGRAMS_H

#include "classification/analysis_images.h"
#include "classification/block_grid.h"
#include "classification/histogram1d.h"
#include "classification/stage_params.h"
#include "core/box.h"
#include "core/progress.h"

#include <cstdint>

namespace classification {

// The values of "interpolation".
enum class Interpolation : int32_t {
    Range = 0,      // the window's [min, max], spread exactly over the values
    RangeFast = 1,  // the same interval spread evenly over its bins
    Median = 2,     // [q1, (q2 + q3) / 2] and [(q2 + q3) / 2, q4], exactly
    MedianFast = 3, // the same halves of the quantised values, evenly over their bins
};

// Adds the values a to b (a <= b, inside h's range) with total weight
// `total` over the values: each value carries total / d / 2^shift, d = b - a
// (at least 2, else 1); a partly covered end bin gets its share.
void addInterval(Histogram1D& h, int a, int b, int32_t total);

// Adds `total` / d to every bin from a to b (bin indices), d = b - a (at least
// 2, else 1).
void addBins(Histogram1D& h, int a, int b, int32_t total);

// The sum of every block's channel histogram with those of the blocks around
// it: windows of min(blocks along the axis, 2 overlap + 1), centred, the
// grid's edge histograms repeated beyond it.
void smoothChannelHistograms(BlockGrid& grid, int channel, int bits, int overlap);

// Channel c's job: rebuilds the channel's histograms of the grid (already
// sized to the block box of `domain`) unless copy c is current. True when rebuilt.
bool updateChannelHistograms(int channel, const TextureImage& texture, const Box& domain,
                             const SegmentationParams& current, const StageParams& copies,
                             BlockGrid& grid);

// Stage 1: sizes the grid to the block box of `domain` and runs the six
// channel jobs, handed out 5 down to 0, on `workers` workers (at most six);
// every job handed out reports the share of jobs taken into `range`. True
// when any channel was rebuilt. Raises VkExCancel or the worker failure after
// every worker is joined.
bool updateHistograms(const TextureImage& texture, const Box& domain,
                      const SegmentationParams& current, const StageParams& copies, BlockGrid& grid,
                      ProgressRange& range, unsigned workers = 1);

} // namespace classification

#endif
