// Histogram segments: every block histogram split into runs of bins around one
// peak, bounded by valleys. A valley counts only where the histogram falls from
// the peak by the feature tolerance and rises again by the same factor. Each
// valley's contrast (how far the lower of the two peaks facing each other
// across it rises above it) marks the histogram's best segment, which the edge
// width map reads; the edge planes ask the segments whether a small window of
// pixels spans one colour population or two.
#ifndef VARDEK_CLASSIFICATION_HISTOGRAM_SEGMENTS_H
#define VARDEK_CLASSIFICATION_HISTOGRAM_SEGMENTS_H

#include "classification/block_grid.h"
#include "classification/histogram1d.h"
#include "classification/stage_params.h"
#include "core/progress.h"

#include <array>
#include <cstdint>
#include <vector>

namespace classification {

// The valley of the last segment of a histogram: beyond every bin.
constexpr int32_t lastValley = 256;

struct HistogramSegment {
    int32_t peak = 0;      // bin of the peak
    int32_t peakCount = 0; // its count
    // The lower of the two peaks facing each other across the upper valley,
    // and the right one's bin minus the left one's (not set for the last segment).
    int32_t saddleCount = 0;
    int32_t peakDistance = 0;
    int32_t valleyCount = 0;     // count of the upper valley bin; 0 for the last segment
    int32_t valley = lastValley; // the upper valley: the first bin of the next segment
};

// saddle count / valley count in single precision: infinite for an empty valley.
inline float valleyContrast(const HistogramSegment& s) {
    return static_cast<float>(s.saddleCount) / static_cast<float>(s.valleyCount);
}

// One list per texture channel, shared by all blocks: entry 0 is a
// placeholder, then every block's segments in the grid's storage order, each
// block's in bin order. Histograms refer to their segments by list index.
using SegmentList = std::vector<HistogramSegment>;
using SegmentLists = std::array<SegmentList, textureChannels>;

// peak 0, peak count 1, valley 256, valley count 0.
HistogramSegment placeholderSegment();

// Appends the segments of `h` for tolerance `tol` (peak and valley set; the
// last one's valley is -1, which the caller turns into 256). A histogram
// without counts adds nothing.
void findSegments(const Histogram1D& h, float tol, SegmentList& list);

// Sets saddle count and peak distance of h's segments and h's best segment.
void measureValleys(Histogram1D& h, SegmentList& list);

// Rebuilds channel c's list and the segment indices of its histograms unless
// nothing forces it and copy c has the current feature tolerance. True when
// rebuilt.
bool segmentChannelHistograms(bool force, int channel, const SegmentationParams& current,
                              const StageParams& copies, BlockGrid& grid, SegmentList& list,
                              ProgressRange& range);

// Stage 2: the six channels in order, each in its share of `range`.
bool segmentHistograms(bool force, const SegmentationParams& current, const StageParams& copies,
                       BlockGrid& grid, SegmentLists& lists, ProgressRange& range);

} // namespace classification

#endif
