// The machinery shared by the rank filters: the window's cells with the cells
// that enter and leave it when the window moves one column on, a histogram of
// the window's samples, and a cursor that keeps track of one rank in it.
#ifndef VARDEK_CORE_SLIDING_HISTOGRAM_H
#define VARDEK_CORE_SLIDING_HISTOGRAM_H

#include "core/arrays.h"
#include "core/box.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orsine::matting {

// The ranks of a quantile q over a window of n samples: r = (n - 1) q + 1,
// low = floor(r + 0.001), high = ceil(r - 0.001), gap weight g = r - low.
struct RankPosition {
    uint32_t low;
    uint32_t high;
    float weight;
};
RankPosition rankPosition(uint32_t members, float quantile);

namespace detail {

// Window cells as offsets from the output position.
struct WindowCells {
    std::vector<classification::Point> all;
    // After a move by one column, relative to the new position.
    std::vector<classification::Point> entering;
    std::vector<classification::Point> leaving;
};

// The members of `element` as offsets, taken as they are (sign 1) or
// reflected through the origin (sign -1).
WindowCells windowCells(const classification::LabelArray& element, int sign);

// Memory offsets of cells in an array with the given strides.
inline std::vector<std::ptrdiff_t> memoryOffsets(const std::vector<classification::Point>& cells,
                                                 std::ptrdiff_t rowStride,
                                                 std::ptrdiff_t columnStride) {
    std::vector<std::ptrdiff_t> offsets;
    offsets.reserve(cells.size());
    for (const classification::Point& d : cells)
        offsets.push_back(d.row * rowStride + d.column * columnStride);
    return offsets;
}

// Counts of the window's samples, one bin per value from lo to hi; a sample
// outside the range counts in the nearer end bin.
class SlidingHistogram {
public:
    SlidingHistogram(int lo, int hi)
        : lo_(lo), hi_(hi), counts_(static_cast<size_t>(hi - lo) + 1) {}

    int bin(int sample) const { return std::clamp(sample, lo_, hi_) - lo_; }
    int value(int bin) const { return lo_ + bin; }
    int bins() const { return static_cast<int>(counts_.size()); }
    uint32_t operator[](int bin) const { return counts_[static_cast<size_t>(bin)]; }
    void add(int bin) { ++counts_[static_cast<size_t>(bin)]; }
    void remove(int bin) { --counts_[static_cast<size_t>(bin)]; }

private:
    int lo_;
    int hi_;
    std::vector<uint32_t> counts_;
};

// The bin v holding the low-th smallest sample, with c the number of samples
// in bins up to and including v.
class RankCursor {
public:
    explicit RankCursor(RankPosition rank) : rank_(rank) {}

    // Walks up from the lowest bin.
    void start(const SlidingHistogram& h) {
        bin_ = 0;
        count_ = h[0];
        settle(h);
    }
    // Branch-free: whether a sample lies below the cursor is as good as random.
    void added(int bin) { count_ += static_cast<uint32_t>(bin <= bin_); }
    void removed(int bin) { count_ -= static_cast<uint32_t>(bin <= bin_); }
    // Moves v to the low rank again after samples came and went.
    void settle(const SlidingHistogram& h) {
        const int last = h.bins() - 1;
        while (count_ < rank_.low && bin_ < last)
            count_ += h[++bin_];
        while (bin_ > 0 && count_ - h[bin_] >= rank_.low)
            count_ -= h[bin_--];
    }
    // v, or the way from v towards the next sample above it when the high
    // rank lies there: v + int(m g + 0.5), m bins further.
    int valueBin(const SlidingHistogram& h) const {
        if (count_ >= rank_.high) return bin_;
        const int last = h.bins() - 1;
        int next = bin_ + 1;
        while (next < last && h[next] == 0)
            ++next;
        if (next > last) return bin_;
        return bin_ + static_cast<int>(static_cast<float>(next - bin_) * rank_.weight + 0.5f);
    }

private:
    RankPosition rank_;
    int bin_ = 0;
    uint32_t count_ = 0;
};

} // namespace detail

} // namespace orsine::matting

#endif
