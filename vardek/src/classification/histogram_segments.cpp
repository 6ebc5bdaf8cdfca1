#include "classification/histogram_segments.h"

#include "core/checkpoint.h"

#include <cstddef>

namespace classification {

HistogramSegment placeholderSegment() {
    HistogramSegment s;
    s.peak = 0;
    s.peakCount = 1;
    s.valley = lastValley;
    s.valleyCount = 0;
    return s;
}

void findSegments(const Histogram1D& h, float tol, SegmentList& list) {
    if (h.isEmpty()) return;
    const int first = h.firstIndex(), last = h.lastIndex();
    const auto count = [&h](int i) { return h.counts(i); };
    auto append = [&list](int peak, int valley) {
        HistogramSegment s;
        s.peak = peak;
        s.valley = valley;
        list.push_back(s);
    };
    // One pass: a valley candidate opens when the histogram falls below the
    // peak by the factor tol and is accepted when it rises again by tol over
    // the valley's lowest bin. Comparisons are strict, so on equal counts the
    // earlier peak and the earlier valley stay.
    int peak = first, valley = -1;
    for (int i = first + 1; i <= last; ++i) {
        if (valley < 0) {
            if (count(i) > count(peak)) {
                peak = i;
            } else if (static_cast<float>(count(peak)) > static_cast<float>(count(i)) * tol) {
                valley = i;
            }
        } else if (count(valley) > count(i)) {
            valley = i;
        } else if (static_cast<float>(count(i)) > static_cast<float>(count(valley)) * tol) {
            append(peak, valley);
            valley = -1;
            peak = i;
        }
    }
    append(peak, -1);
}

void measureValleys(Histogram1D& h, SegmentList& list) {
    const int first = h.firstSegment, last = h.endSegment - 1;
    if (last < first) {
        h.bestSegment = -1;
        return;
    }
    int best = first == last ? -1 : first;
    for (int k = first; k < last; ++k) {
        HistogramSegment& s = list[k];
        const int32_t v = s.valleyCount;
        // Left facing peak: the highest peak to the left, scanning until a
        // valley lower than this one; a segment's valley is tested before its peak.
        int a = k;
        for (int j = k - 1; j >= first; --j) {
            if (list[j].valleyCount < v) break;
            if (list[j].peakCount > list[a].peakCount) a = j;
        }
        // Right facing peak: a segment's peak is taken before its valley is
        // tested, and the scan ends once the right peak reaches the left one.
        int b = k + 1;
        for (int j = k + 2; j <= last; ++j) {
            if (list[a].peakCount <= list[b].peakCount) break;
            if (list[j].peakCount > list[b].peakCount) b = j;
            if (list[j].valleyCount < v) break;
        }
        const int lower = list[a].peakCount < list[b].peakCount ? a : b;
        s.saddleCount = list[lower].peakCount;
        s.peakDistance = list[b].peak - list[a].peak;
        if (valleyContrast(s) > valleyContrast(list[best])) best = k;
    }
    h.bestSegment = best;
}

bool segmentChannelHistograms(bool force, int channel, const SegmentationParams& current,
                              const StageParams& copies, BlockGrid& grid, SegmentList& list,
                              ProgressRange& range) {
    if (!force && !segmentsOutdated(copies[channel], current)) return false;

    list.clear();
    list.reserve(static_cast<std::size_t>(grid.numElements()) + 1);
    list.push_back(placeholderSegment());
    range.report(0.25f, checkpointLabel("vardek/include/classification/Segmentation.h", __LINE__,
                                        "Watershed first"));

    // The valley counts are read while the segments' histogram is at hand.
    // The placeholder keeps valley count 0: its valley lies beyond its one bin.
    const float tol = current.featureTolerance;
    forEachBlock(grid, [&](HistogramBlock& block) {
        Histogram1D& h = block[channel];
        h.firstSegment = static_cast<int32_t>(list.size());
        findSegments(h, tol, list);
        h.endSegment = static_cast<int32_t>(list.size());
        for (int i = h.firstSegment; i < h.endSegment; ++i) {
            HistogramSegment& s = list[i];
            s.peakCount = h.counts(s.peak);
            if (s.valley == -1) {
                s.valley = lastValley;
                s.valleyCount = 0;
            } else {
                s.valleyCount = h.counts(s.valley);
            }
        }
    });
    range.report(0.5f);
    range.report(0.75f);

    forEachBlock(grid, [&](HistogramBlock& block) { measureValleys(block[channel], list); });
    range.report(1.0f);
    return true;
}

bool segmentHistograms(bool force, const SegmentationParams& current, const StageParams& copies,
                       BlockGrid& grid, SegmentLists& lists, ProgressRange& range) {
    bool changed = false;
    for (int c = 0; c < textureChannels; ++c) {
        // The channel's share ends at c / 6 + 0.165, computed in double.
        ProgressRange share = range.subRange(static_cast<float>(c / 6.0 + 0.165));
        changed =
            segmentChannelHistograms(force, c, current, copies, grid, lists[c], share) || changed;
    }
    return changed;
}

} // namespace classification
