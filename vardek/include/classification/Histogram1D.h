// The histogram of one texture channel in one block of the segmentation, with
// the sum that smooths block histograms over their neighbours.
#ifndef VARDEK_CLASSIFICATION_HISTOGRAM1D_H
#define VARDEK_CLASSIFICATION_HISTOGRAM1D_H

#include <blitz/array.h>

#include <cstdint>

namespace classification {

struct Histogram1D {
    // Indexed by the quantised value (value >> shift), lo >> shift to hi >> shift.
    blitz::Array<int32_t, 1> counts;
    int32_t shift = 0;
    int32_t lo = 0;
    int32_t hi = 0;
    // The histogram's segments in its channel's segment list: first to end - 1.
    int32_t firstSegment = 0;
    int32_t endSegment = 0;
    // The segment with the best valley contrast, -1 when there is none.
    int32_t bestSegment = -1;

    Histogram1D() = default;
    Histogram1D(const Histogram1D& other);
    // Copies shift, lo, hi and the counts (never sharing them); the segment
    // indices belong to where the histogram is kept and stay.
    Histogram1D& operator=(const Histogram1D& other);

    // Sets lo and hi, shift := max(minShift, floor(log2(max(1, hi - lo))) - bits + 1),
    // and sizes the counts (contents unspecified). hi below lo gives no counts.
    void init(int32_t lo, int32_t hi, int bits, int minShift);

    bool isEmpty() const { return counts.numElements() == 0; }
    int firstIndex() const { return lo >> shift; }
    int lastIndex() const { return hi >> shift; }
};

// a + b over the union of their value ranges: each input count at index i goes
// to the result's bin i >> (result shift - input shift). A histogram without
// counts adds nothing.
Histogram1D histogramSum(const Histogram1D& a, const Histogram1D& b, int bits, int minShift);

// The sum as a combining operation of the line convolution.
struct HistogramSum {
    int bits = 8;
    int minShift = 0;
    Histogram1D operator()(const Histogram1D& a, const Histogram1D& b) const {
        return histogramSum(a, b, bits, minShift);
    }
};

} // namespace classification

#endif
