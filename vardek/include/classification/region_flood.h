// The regions of a segmentation: the watershed flood of the edge planes.
//
// Every pixel of the analysed box is flooded from the most homogeneous places
// (high channel 0) outwards; a flood crosses from pixel q to a neighbour s at
// the level min(d, max(channel 1 of q, channel 1 of s) + t), so floods meet
// along the edges (low channel 1), and a pixel more homogeneous than anything
// the existing regions can still reach starts a region of its own. The region
// scale sets t: the larger the scale, the lower the edges a flood crosses.
#ifndef VARDEK_CLASSIFICATION_REGION_FLOOD_H
#define VARDEK_CLASSIFICATION_REGION_FLOOD_H

#include "classification/segmentation_params.h"
#include "core/arrays.h"
#include "core/box.h"
#include "core/progress.h"
#include "watershed/watershed.h"

#include <blitz/array.h>
#include <blitz/tinyvec2.h>

#include <cstdint>

namespace classification {

// Edge evidence in channels 0 and 1 (high where homogeneous), the edge width
// in channel 2.
using RegionFloodPlanes = blitz::Array<blitz::TinyVector<unsigned char, 3>, 2>;

// The region labels of a classification: the storage over the analysed box
// grown by two pixels on every side, its view over the analysed box, and the
// number of labels given (the border's label 0 included); -1 and empty arrays
// when there are no regions.
struct RegionLabels {
    LabelArray storage;
    LabelArray labels;
    int32_t count = -1;
};

// The flood tolerance of a region scale: plane scale x ln(region scale),
// truncated, at least 0.
int32_t regionTolerance(float planeScale, float regionScale);

// Floods every pixel of `labels` (the storage, row by row with consecutive
// columns) whose label is -1, over `planes` (which must cover every such pixel
// and its 8 neighbours; the pixels around the flooded ones must not be -1).
// New labels come from `state`. Reports every 32768 steps, with the
// checkpoint label of stage "Watershed inner", into [start, 0.05 start +
// 0.95 end] of the part of `range` from its current position to its end; a
// report may raise VkExCancel.
// The flood's own planes and its list of pending pixels are made in bands of
// rows on up to `workers` threads; the flood itself runs on the calling one.
void floodRegions(const RegionFloodPlanes& planes, LabelArray& labels, watershed::LevelState& state,
                  watershed::BucketQueue& queue, int32_t tolerance, ProgressRange& range,
                  unsigned workers = 1);

// Stage 5 of the segmentation. Returns false without doing anything unless
// `force` is set or the region scale or the in-focus edge width of `current`
// differs from `lastCompleted` (the copy the stages saved when the regions
// last completed; not-a-number compares unequal). With a region scale not
// above 1.0 (or not a number, or an empty `domain`) `regions` becomes empty
// with count -1; otherwise every pixel of `domain` is flooded over `planes`
// (over `domain` grown by two) with a new level state whose label 0 is the
// ring around `domain`. Returns true when it replaced `regions`. The old
// `regions` are let go before the flood; should it fail, they are left empty
// with count -1.
bool updateRegions(bool force, const SegmentationParams& lastCompleted,
                   const SegmentationParams& current, const RegionFloodPlanes& planes,
                   const Box& domain, float planeScale, RegionLabels& regions, ProgressRange& range,
                   unsigned workers = 1);

} // namespace classification

#endif
