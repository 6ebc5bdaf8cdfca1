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
#include <type_traits>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Bytes gathered for a run of window moves: for each move, channel and side
// (leaving, entering), the bins of the paired samples, padded with zeros to a
// multiple of 16 so that both sides of a pad are equal and change nothing.
class PairBins {
public:
    static constexpr std::size_t block = 16;

    PairBins(std::size_t pairs, std::size_t channels)
        : width_((pairs + block - 1) / block * block),
          moves_(std::clamp<std::size_t>(4096 / std::max<std::size_t>(width_, 1), 16, 64) / 16 *
                 16),
          bins_(2 * channels * moves_ * width_, 0) {}

    std::size_t width() const { return width_; }
    // The number of moves gathered at once.
    std::size_t moves() const { return moves_; }
    unsigned char* leaving(std::size_t channel, std::size_t move) {
        return &bins_[((2 * channel) * moves_ + move) * width_];
    }
    unsigned char* entering(std::size_t channel, std::size_t move) {
        return &bins_[((2 * channel + 1) * moves_ + move) * width_];
    }

private:
    std::size_t width_;
    std::size_t moves_;
    std::vector<unsigned char> bins_;
};

// The number of bins in `to` at or below v less that in `from`, over `width`
// bins (a multiple of 16).
inline int atOrBelowChange(const unsigned char* from, const unsigned char* to, std::size_t width,
                           int v) {
#if defined(__SSE2__)
    // x <= v exactly when min(x, v) = x; each such byte of a compare is -1,
    // so subtracting the compares counts them byte by byte, up to 255 blocks
    // of 16 before the counts are summed.
    const __m128i value = _mm_set1_epi8(static_cast<char>(v));
    const __m128i zero = _mm_setzero_si128();
    __m128i sums = zero;
    for (std::size_t k = 0; k < width;) {
        const std::size_t end = std::min(width, k + 255 * 16);
        __m128i came = zero, went = zero;
        for (; k < end; k += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + k));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to + k));
            went = _mm_sub_epi8(went, _mm_cmpeq_epi8(_mm_min_epu8(a, value), a));
            came = _mm_sub_epi8(came, _mm_cmpeq_epi8(_mm_min_epu8(b, value), b));
        }
        sums =
            _mm_add_epi64(sums, _mm_sub_epi64(_mm_sad_epu8(came, zero), _mm_sad_epu8(went, zero)));
    }
    return _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums));
#else
    int change = 0;
    for (std::size_t k = 0; k < width; ++k)
        change += static_cast<int>(to[k] <= v) - static_cast<int>(from[k] <= v);
    return change;
#endif
}

#if defined(__SSE2__)
// Transposes 16 x 16 bytes: byte j of row i goes to byte i of row j.
// Interleaving row n with row n + 8 into rows 2n and 2n + 1 four times moves
// each byte's row bits into its column bits and back.
inline void interleaveRows(const __m128i (&from)[16], __m128i (&to)[16]) {
#pragma GCC unroll 8
    for (int n = 0; n < 8; ++n) {
        to[2 * n] = _mm_unpacklo_epi8(from[n], from[n + 8]);
        to[2 * n + 1] = _mm_unpackhi_epi8(from[n], from[n + 8]);
    }
}
inline void transposeBytes(__m128i (&rows)[16]) {
    __m128i other[16];
    interleaveRows(rows, other);
    interleaveRows(other, rows);
    interleaveRows(rows, other);
    interleaveRows(other, rows);
}
#endif

// Gathers the bins of `pairs` paired samples for `moves` moves into rows of
// bytes `rowStride` apart from `bins`: byte k of row m is the bin of the
// sample at base + m step + offsets[k] + channel, of `channels` interleaved
// ones. Bins are samples less lo, so each fits a byte.
inline void gatherBins(const unsigned char* base, std::ptrdiff_t step, std::size_t channel,
                       std::size_t channels, int moves, const std::ptrdiff_t* offsets,
                       std::size_t pairs, int lo, unsigned char* bins, std::size_t rowStride) {
    int m = 0;
#if defined(__SSE2__)
    // Runs of 16 moves over one channel or two interleaved ones, so that
    // every byte read belongs to a move of the run: 16 pairs at once are
    // read as rows of 16 moves and transposed.
    if ((step == 1 && channels == 1) || (step == 2 && channels == 2)) {
        const __m128i low = _mm_set1_epi8(static_cast<char>(lo));
        const __m128i lowBytes = _mm_set1_epi16(0xFF);
        for (; m + 16 <= moves; m += 16)
            for (std::size_t k0 = 0; k0 < pairs; k0 += 16) {
                __m128i rows[16];
#pragma GCC unroll 16
                for (std::size_t q = 0; q < 16; ++q) {
                    if (k0 + q >= pairs) {
                        rows[q] = _mm_setzero_si128();
                        continue;
                    }
                    const unsigned char* at = base + m * step + offsets[k0 + q];
                    __m128i samples;
                    if (step == 1) {
                        samples = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
                    } else {
                        // Every other byte: the channel's sample of each move.
                        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
                        const __m128i second =
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16));
                        const int shift = static_cast<int>(8 * channel);
                        samples = _mm_packus_epi16(
                            _mm_and_si128(_mm_srl_epi16(first, _mm_cvtsi32_si128(shift)), lowBytes),
                            _mm_and_si128(_mm_srl_epi16(second, _mm_cvtsi32_si128(shift)),
                                          lowBytes));
                    }
                    rows[q] = _mm_sub_epi8(samples, low);
                }
                transposeBytes(rows);
#pragma GCC unroll 16
                for (int q = 0; q < 16; ++q)
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(
                                         bins + static_cast<std::size_t>(m + q) * rowStride + k0),
                                     rows[q]);
            }
    }
#endif
    for (std::size_t k = 0; k < pairs; ++k) {
        const unsigned char* at = base + offsets[k] + channel;
        for (int r = m; r < moves; ++r)
            bins[static_cast<std::size_t>(r) * rowStride + k] =
                static_cast<unsigned char>(at[r * step] - lo);
    }
}

// Slides a window along `positions` positions of one row, `step` elements
// apart, the first at `at` elements from `origin`, keeping each cursor at its
// rank. The samples of channel c lie c elements after those of channel 0 and
// count in histogram c, whose cursors are cursors[c]; one slide serves every
// channel, so each window offset is read once per move for all of them.
// `write(i)` is called at position i (0 first) once the cursors have settled.
// The histograms must be empty at the start and are empty again at the end.
//
// The leaving and entering samples are taken in pairs; a pair of equal
// values cancels out, and every pair changes the histogram and the cursors by
// the same total as when each sample is taken out and in on its own.
//
// Byte samples that are their own bins (less lo) are first gathered for a
// run of moves into rows of bytes, one row per move, channel and side; each
// cursor's count then changes by the count of entering bins at or below its
// bin less that of leaving ones, sixteen bins to an instruction.
template <typename T, std::size_t Channels, typename Bin, std::size_t Cursors, typename Write>
void slideRow(const T* origin, std::ptrdiff_t at, std::ptrdiff_t step, int positions,
              const WindowOffsets& window, SlidingHistogram (&histograms)[Channels],
              RankCursor (&cursors)[Channels][Cursors], Bin bin, Write write) {
    constexpr bool gathered = std::is_same_v<T, unsigned char> && std::is_same_v<Bin, DirectBin>;
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
    PairBins pairBins(gathered ? pairs : 0, gathered ? Channels : 0);
    const int run = gathered ? static_cast<int>(pairBins.moves()) : positions;
    for (int first = 1; first < positions; first += run) {
        const int moves = std::min(run, positions - first);
        if constexpr (gathered) {
            // Bins of the paired samples of moves first .. first + moves - 1.
            const T* base = origin + at + step;
            for (std::size_t c = 0; c < Channels; ++c) {
                gatherBins(base, step, c, Channels, moves, leaving, pairs, bin.lo,
                           pairBins.leaving(c, 0), pairBins.width());
                gatherBins(base, step, c, Channels, moves, entering, pairs, bin.lo,
                           pairBins.entering(c, 0), pairBins.width());
            }
        }
        for (int m = 0; m < moves; ++m) {
            const int i = first + m;
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
            if constexpr (gathered) {
                for (std::size_t c = 0; c < Channels; ++c) {
                    const unsigned char* outBins = pairBins.leaving(c, m);
                    const unsigned char* inBins = pairBins.entering(c, m);
                    SlidingHistogram& histogram = histograms[c];
                    std::size_t k = 0;
                    for (; k + 4 <= pairs; k += 4)
                        for (std::size_t lane = 0; lane < 4; ++lane) {
                            histogram.remove(outBins[k + lane], lane);
                            histogram.add(inBins[k + lane], lane);
                        }
                    for (; k < pairs; ++k) {
                        histogram.remove(outBins[k], k);
                        histogram.add(inBins[k], k);
                    }
                    for (std::size_t j = 0; j < Cursors; ++j)
                        below[c][j] =
                            atOrBelowChange(outBins, inBins, pairBins.width(), bins[c][j]);
                }
            } else {
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
                            below[c][j] += static_cast<int>(b <= bins[c][j]) -
                                           static_cast<int>(a <= bins[c][j]);
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
            }
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
    }
    // Empty the histograms by taking the last window out again.
    for (std::size_t c = 0; c < Channels; ++c)
        for (std::size_t k = 0; k < window.all.size(); ++k)
            histograms[c].remove(bin(origin[at + window.all[k] + c]), k);
}

} // namespace detail

} // namespace orsine::matting

#endif
