// The histogram of one texture channel in one block of the segmentation, with
// the sum that smooths block histograms over their neighbours.
#ifndef VARDEK_CLASSIFICATION_HISTOGRAM1D_H
#define VARDEK_CLASSIFICATION_HISTOGRAM1D_H

#include <cstdint>
#include <memory>

namespace classification {

// The counts of a histogram, indexed by bin from lbound to ubound. Hundreds of
// thousands of them live in a block grid and the smoothing builds millions of
// sums, so up to `inlineBins` bins (every histogram of 5 colour bits or fewer)
// are kept inside the object without an allocation.
class HistogramCounts {
public:
    static constexpr int inlineBins = 33;

    HistogramCounts() = default;
    HistogramCounts(const HistogramCounts& other);
    HistogramCounts(HistogramCounts&& other) noexcept;
    HistogramCounts& operator=(const HistogramCounts& other);
    HistogramCounts& operator=(HistogramCounts&& other) noexcept;
    ~HistogramCounts() = default;

    // Bins first to last (none when last < first); contents unspecified.
    void resize(int first, int last);
    void clear() { size_ = 0; }

    int32_t& operator()(int bin) { return data()[bin - first_]; }
    int32_t operator()(int bin) const { return data()[bin - first_]; }
    int32_t* data() { return size_ <= inlineBins ? inline_ : heap_.get(); }
    const int32_t* data() const { return size_ <= inlineBins ? inline_ : heap_.get(); }
    int lbound(int = 0) const { return first_; }
    int ubound(int = 0) const { return first_ + size_ - 1; }
    int numElements() const { return size_; }

    // Every count := value.
    HistogramCounts& operator=(int32_t value);
    // Every count shifted right.
    HistogramCounts& operator>>=(int shift);
    int64_t sum() const;
    // Same bins, same counts.
    bool operator==(const HistogramCounts& other) const;
    bool operator!=(const HistogramCounts& other) const { return !(*this == other); }

private:
    int32_t first_ = 0;
    int32_t size_ = 0;
    int32_t capacity_ = 0; // of heap_
    std::unique_ptr<int32_t[]> heap_;
    int32_t inline_[inlineBins];
};

struct Histogram1D {
    // Indexed by the quantised value (value >> shift), lo >> shift to hi >> shift.
    HistogramCounts counts;
    int32_t shift = 0;
    int32_t lo = 0;
    int32_t hi = 0;
    // The histogram's segments in its channel's segment list: first to end - 1.
    int32_t firstSegment = 0;
    int32_t endSegment = 0;
    // The segment with the best valley contrast, -1 when there is none.
    int32_t bestSegment = -1;

    Histogram1D() = default;
    Histogram1D(const Histogram1D& other) = default;
    Histogram1D(Histogram1D&& other) noexcept = default;
    // Copies shift, lo, hi and the counts; the segment indices belong to where
    // the histogram is kept and stay.
    Histogram1D& operator=(const Histogram1D& other);
    Histogram1D& operator=(Histogram1D&& other) noexcept;

    // Sets lo and hi, shift := max(minShift, floor(log2(max(1, hi - lo))) - bits + 1),
    // and sizes the counts (contents unspecified). hi below lo gives no counts.
    void init(int32_t lo, int32_t hi, int bits, int minShift);

    bool isEmpty() const { return counts.numElements() == 0; }
    int firstIndex() const { return lo >> shift; }
    int lastIndex() const { return hi >> shift; }
};

// a + b over the union of their value ranges: each input count at index i goes
// to the result's bin i >> (result shift - input shift). A histogram without
// counts adds nothing. A count that would pass the largest 32-bit value stays
// at it (blocks of very many pixels summed over wide neighbourhoods).
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
