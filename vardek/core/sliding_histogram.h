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
#include <limits>
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

// The window's cells as memory offsets in one array. The first `pairs`
// leaving and entering cells are paired: both lists run through the window's
// rows in order with one leaving and one entering cell per run of members, so
// the cells of a pair lie in the same row, a few samples apart.
struct WindowOffsets {
    std::vector<std::ptrdiff_t> all;
    std::vector<std::ptrdiff_t> leaving;
    std::vector<std::ptrdiff_t> entering;
    std::size_t pairs = 0;

    WindowOffsets(const WindowCells& cells, std::ptrdiff_t rowStride, std::ptrdiff_t columnStride)
        : all(memoryOffsets(cells.all, rowStride, columnStride)),
          leaving(memoryOffsets(cells.leaving, rowStride, columnStride)),
          entering(memoryOffsets(cells.entering, rowStride, columnStride)),
          pairs(std::min(leaving.size(), entering.size())) {}
};

// Counts of the window's samples, one bin per value from lo to hi; a sample
// outside the range counts in the nearer end bin.
//
// Each bin is kept as four partial counts (lanes) whose sum is the bin's
// count. A window move changes a few dozen counts, mostly of the same few
// bins; spreading consecutive changes over the lanes lets them proceed side
// by side instead of each waiting for the previous change of the same count.
class SlidingHistogram {
public:
    static constexpr int lanes = 4;

    SlidingHistogram(int lo, int hi)
        : lo_(lo), hi_(hi), counts_((static_cast<size_t>(hi - lo) + 1) * lanes) {}

    int bin(int sample) const { return std::clamp(sample, lo_, hi_) - lo_; }
    int value(int bin) const { return lo_ + bin; }
    int bins() const { return static_cast<int>(counts_.size() / lanes); }
    uint32_t operator[](int bin) const {
        const uint32_t* c = &counts_[static_cast<size_t>(bin) * lanes];
        return c[0] + c[1] + c[2] + c[3];
    }
    // `lane` is any number; consecutive changes should use different ones.
    void add(int bin, std::size_t lane = 0) { ++counts_[index(bin, lane)]; }
    void remove(int bin, std::size_t lane = 0) { --counts_[index(bin, lane)]; }

private:
    static size_t index(int bin, std::size_t lane) {
        return static_cast<size_t>(bin) * lanes + (lane & (lanes - 1));
    }

    int lo_;
    int hi_;
    // Lane counts may wrap below 0; their sum never does.
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
    // The bin v; a change of the histogram at or below it moves c.
    int bin() const { return bin_; }
    // `change` more samples (fewer when negative) lie at or below v.
    void shifted(int change) { count_ += static_cast<uint32_t>(change); }
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

// The bin of a sample when every sample is known to lie in the histogram's
// range, and when samples outside it count in the nearer end bin.
struct DirectBin {
    int lo;
    int operator()(int sample) const { return sample - lo; }
};
struct ClampedBin {
    const SlidingHistogram& histogram;
    int operator()(int sample) const { return histogram.bin(sample); }
};

// Whether every sample of `a` lies in [lo, hi].
template <typename T> bool samplesWithin(const blitz::Array<T, 2>& a, int lo, int hi) {
    if (lo <= std::numeric_limits<T>::min() && hi >= std::numeric_limits<T>::max()) return true;
    const classification::Box box = classification::boxOf(a);
    const std::ptrdiff_t step = a.stride(1);
    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        const T* p = &a(r, box.lower.column);
        T low = std::numeric_limits<T>::max(), high = std::numeric_limits<T>::min();
        for (int c = 0, n = box.columns(); c < n; ++c, p += step) {
            low = std::min(low, *p);
            high = std::max(high, *p);
        }
        if (low < lo || high > hi) return false;
    }
    return true;
}

// Slides a window along `positions` positions of one row, `step` elements
// apart, the first at `at` elements from `origin`, keeping each cursor at its
// rank. The samples of channel c lie c elements after those of channel 0 and
// count in histogram c, whose cursors are cursors[c]; one slide serves every
// channel, so each window offset is read once per move for all of them.
// `write(i)` is called at position i (0 first) once the cursors have settled.
// The histograms must be empty at the start and are empty again at the end.
//
// A leaving and an entering sample of equal value change nothing, which in
// the smooth parts of a photograph is most pairs; the others change the
// histogram and the cursors by the same total as when every sample is taken
// out and in on its own.
template <typename T, std::size_t Channels, typename Bin, std::size_t Cursors, typename Write>
void slideRow(const T* origin, std::ptrdiff_t at, std::ptrdiff_t step, int positions,
              const WindowOffsets& window, SlidingHistogram (&histograms)[Channels],
              RankCursor (&cursors)[Channels][Cursors], Bin bin, Write write) {
    for (std::size_t c = 0; c < Channels; ++c) {
        for (std::size_t k = 0; k < window.all.size(); ++k)
            histograms[c].add(bin(origin[at + window.all[k] + c]), k);
        for (RankCursor& cursor : cursors[c])
            cursor.start(histograms[c]);
    }
    write(0);
    const std::ptrdiff_t* leaving = window.leaving.data();
    const std::ptrdiff_t* entering = window.entering.data();
    const std::size_t pairs = window.pairs;
    for (int i = 1; i < positions; ++i) {
        at += step;
        const T* here = origin + at;
        // Each cursor's bin and the change of its count, held in locals: a
        // cursor's members could share memory with the histograms' counts
        // for all the compiler knows, and would be reloaded after every
        // change of a count.
        int bins[Channels][Cursors];
        int below[Channels][Cursors] = {};
        for (std::size_t c = 0; c < Channels; ++c)
            for (std::size_t j = 0; j < Cursors; ++j)
                bins[c][j] = cursors[c][j].bin();
        const auto replace = [&](std::size_t k, std::size_t lane) {
            const T* out = here + leaving[k];
            const T* in = here + entering[k];
#pragma GCC unroll 4
            for (std::size_t c = 0; c < Channels; ++c) {
                const int a = bin(out[c]), b = bin(in[c]);
                histograms[c].remove(a, lane);
                histograms[c].add(b, lane);
#pragma GCC unroll 4
                for (std::size_t j = 0; j < Cursors; ++j)
                    below[c][j] +=
                        static_cast<int>(b <= bins[c][j]) - static_cast<int>(a <= bins[c][j]);
            }
        };
        std::size_t k = 0;
        for (; k + 4 <= pairs; k += 4) {
            replace(k, 0);
            replace(k + 1, 1);
            replace(k + 2, 2);
            replace(k + 3, 3);
        }
        for (; k < pairs; ++k)
            replace(k, k);
        for (std::size_t c = 0; c < Channels; ++c)
            for (std::size_t j = 0; j < Cursors; ++j)
                cursors[c][j].shifted(below[c][j]);
        for (std::size_t c = 0; c < Channels; ++c) {
            for (std::size_t k = pairs; k < window.leaving.size(); ++k) {
                const int a = bin(here[leaving[k] + c]);
                histograms[c].remove(a, k);
                for (RankCursor& cursor : cursors[c])
                    cursor.removed(a);
            }
            for (std::size_t k = pairs; k < window.entering.size(); ++k) {
                const int b = bin(here[entering[k] + c]);
                histograms[c].add(b, k);
                for (RankCursor& cursor : cursors[c])
                    cursor.added(b);
            }
            for (RankCursor& cursor : cursors[c])
                cursor.settle(histograms[c]);
        }
        write(i);
    }
    // Empty the histograms by taking the last window out again.
    for (std::size_t c = 0; c < Channels; ++c)
        for (std::size_t k = 0; k < window.all.size(); ++k)
            histograms[c].remove(bin(origin[at + window.all[k] + c]), k);
}

} // namespace detail

} // namespace orsine::matting

#endif
