#include "classification/block_histograms.h"

#include "core/arrays.h"
#include "core/fault_injection.h"
#include "core/margins.h"
#include "core/worker_pool.h"
#include "morphology/convolve.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace classification {

namespace {

// total / d for the totals 2^e the modes use (e = 9 to 18: 512, 1024 and
// 2^(s + 9), 2^(s + 10) for shifts up to 8) and d = b - a of intervals within
// 8-bit values: a division per interval is the bulk of the per-pixel work.
class IntervalWeights {
public:
    IntervalWeights() {
        for (int e = firstExponent; e <= lastExponent; ++e)
            for (int span = 0; span < spans; ++span)
                table_[e - firstExponent][span] = (int32_t(1) << e) / divisor(span);
    }
    // total / d with d = span when span >= 2, else 1.
    int32_t operator()(int32_t total, int span) const {
        const int32_t* row = rowOf(total);
        return row && span >= 0 && span < spans ? row[span] : total / divisor(span);
    }
    // The quotients of `total` by span 0 to 255, or null when it is not in the table.
    const int32_t* rowOf(int32_t total) const {
        const bool power = total > 0 && (total & (total - 1)) == 0;
        const int e = power ? 31 - __builtin_clz(static_cast<uint32_t>(total)) : -1;
        return e >= firstExponent && e <= lastExponent ? table_[e - firstExponent] : nullptr;
    }
    static constexpr int spans = 256;

private:
    static int divisor(int span) { return span >= 2 ? span : 1; }
    static constexpr int firstExponent = 9, lastExponent = 18;
    int32_t table_[lastExponent - firstExponent + 1][spans];
};

const IntervalWeights& intervalWeights() {
    static const IntervalWeights weights;
    return weights;
}

// The quotients of one total, looked up for spans of 8-bit values.
struct Quotients {
    int32_t total;
    const int32_t* row;
    explicit Quotients(int32_t t) : total(t), row(intervalWeights().rowOf(t)) {}
    int32_t operator()(int span) const {
        return row && span < IntervalWeights::spans ? row[span] : intervalWeights()(total, span);
    }
};

// Exact adding into `bins`, whose element 0 is bin `first`: with
// w = total / d, d = b - a (at least 2, else 1), each value of [a, b]
// carries w / 2^s, and a partly covered end bin gets its share. The w of
// every bin strictly between the end bins goes into the running differences
// `steps` (w at the first of them, -w after the last) when they are given.
inline void addExact(int32_t* bins, int32_t* steps, int first, int s, int a, int b, int32_t w) {
    const int ba = a >> s, bb = b >> s;
    int32_t* bin = bins + (ba - first);
    if (ba == bb) {
        bin[0] += static_cast<int32_t>((static_cast<int64_t>(b - a + 1) * w) >> s);
        return;
    }
    bin[0] += static_cast<int32_t>((static_cast<int64_t>(((ba + 1) << s) - a) * w) >> s);
    bin[bb - ba] += static_cast<int32_t>((static_cast<int64_t>(b - (bb << s) + 1) * w) >> s);
    if (steps) {
        steps[ba + 1 - first] += w;
        steps[bb - first] -= w;
    } else {
        for (int k = 1; k < bb - ba; ++k)
            bin[k] += w;
    }
}

// Quantised adding: w = total / d to every bin from a to b, d = b - a (at
// least 2, else 1), directly or through the running differences.
inline void addQuantised(int32_t* bins, int32_t* steps, int first, int a, int b, int32_t w) {
    if (steps) {
        steps[a - first] += w;
        steps[b + 1 - first] -= w;
    } else {
        for (int k = a - first; k <= b - first; ++k)
            bins[k] += w;
    }
}

} // namespace

void addInterval(Histogram1D& h, int a, int b, int32_t total) {
    addExact(h.counts.data(), nullptr, h.firstIndex(), h.shift, a, b,
             intervalWeights()(total, b - a));
}

void addBins(Histogram1D& h, int a, int b, int32_t total) {
    addQuantised(h.counts.data(), nullptr, h.firstIndex(), a, b, intervalWeights()(total, b - a));
}

void smoothChannelHistograms(BlockGrid& grid, int channel, int bits, int overlap) {
    const Box blocks = boxOf(grid);
    if (blocks.isEmpty()) return;
    // 2 overlap + 1 in 64 bits: an overlap near the top of the int range must not wrap.
    const int64_t window = 2 * int64_t{std::max(0, overlap)} + 1;
    const int down = static_cast<int>(std::min<int64_t>(blocks.rows(), window));
    const int across = static_cast<int>(std::min<int64_t>(blocks.columns(), window));
    if (down == 1 && across == 1) return;

    // The window of length k starts k / 2 blocks before the one it is centred
    // on. The line convolution gives the sum of the k elements ending at an
    // index, so the grid is extended by k / 2 repeated edge blocks before and
    // k - 1 - k / 2 after, and the sum for block b lands at b + k - 1 - k / 2.
    const Point before(down / 2, across / 2);
    const Point after(down - 1 - down / 2, across - 1 - across / 2);
    const Box extended(blocks.lower - before, blocks.upper + after);
    blitz::Array<Histogram1D, 2> e = arrayOver<Histogram1D>(extended);
    for (int r = extended.lower.row; r <= extended.upper.row; ++r) {
        const int from = std::clamp(r, blocks.lower.row, blocks.upper.row);
        for (int c = extended.lower.column; c <= extended.upper.column; ++c)
            e(r, c) = grid(from, std::clamp(c, blocks.lower.column, blocks.upper.column))[channel];
    }

    const HistogramSum sum{bits, 0};
    if (down > 1) morphology::convolveLineFast(e, e, down, nullptr, 0.0f, 0.0f, sum);
    const blitz::Array<Histogram1D, 2> rows =
        windowOf(e, Box(blocks.lower.row + after.row, extended.lower.column,
                        blocks.upper.row + after.row, extended.upper.column));
    if (across > 1)
        morphology::convolveLineFastTransposed(rows, rows, across, nullptr, 0.0f, 0.0f, sum);

    for (int r = blocks.lower.row; r <= blocks.upper.row; ++r)
        for (int c = blocks.lower.column; c <= blocks.upper.column; ++c)
            grid(r, c)[channel] = std::move(e(r + after.row, c + after.column));
}

namespace {

// Per pixel the lowest and highest value of its 2 x 2 window, in two
// separable passes; in the last row or column the missing neighbour is the
// pixel itself.
void buildRangeImage(const ByteArray& v, const Box& domain, ByteArray& lo, ByteArray& hi) {
    lo.reference(arrayOver<unsigned char>(domain));
    hi.reference(arrayOver<unsigned char>(domain));
    const int columns = domain.columns();
    // pairs along the row: (x, y) and (x, y + 1)
    for (int x = domain.lower.row; x <= domain.upper.row; ++x) {
        const unsigned char* in = &v(x, domain.lower.column);
        unsigned char* l = &lo(x, domain.lower.column);
        unsigned char* h = &hi(x, domain.lower.column);
        for (int y = 0; y + 1 < columns; ++y) {
            l[y] = std::min(in[y], in[y + 1]);
            h[y] = std::max(in[y], in[y + 1]);
        }
        l[columns - 1] = h[columns - 1] = in[columns - 1];
    }
    // then the lows' minimum and the highs' maximum of rows x and x + 1
    for (int x = domain.lower.row; x < domain.upper.row; ++x) {
        unsigned char* l = &lo(x, domain.lower.column);
        unsigned char* h = &hi(x, domain.lower.column);
        const unsigned char* nextL = &lo(x + 1, domain.lower.column);
        const unsigned char* nextH = &hi(x + 1, domain.lower.column);
        for (int y = 0; y < columns; ++y) {
            l[y] = std::min(l[y], nextL[y]);
            h[y] = std::max(h[y], nextH[y]);
        }
    }
}

Interpolation interpolationOf(int32_t value) {
    switch (value) {
    case 1:
        return Interpolation::RangeFast;
    case 2:
        return Interpolation::Median;
    case 3:
        return Interpolation::MedianFast;
    default:
        return Interpolation::Range;
    }
}

// Sorts four values.
inline void sort4(int q[4]) {
    const int a = std::min(q[0], q[1]), b = std::max(q[0], q[1]);
    const int c = std::min(q[2], q[3]), d = std::max(q[2], q[3]);
    const int m1 = std::max(a, c), m2 = std::min(b, d);
    q[0] = std::min(a, c);
    q[1] = std::min(m1, m2);
    q[2] = std::max(m1, m2);
    q[3] = std::max(b, d);
}

// The lowest and highest value over rows r0..r1 and columns c0..c1 (inclusive).
void valueRange(const ByteArray& lows, const ByteArray& highs, int r0, int r1, int c0, int c1,
                int& low, int& high) {
    low = 255;
    high = 0;
    for (int x = r0; x <= r1; ++x) {
        const unsigned char* l = &lows(x, c0);
        const unsigned char* h = &highs(x, c0);
        for (int y = 0; y <= c1 - c0; ++y) {
            low = std::min<int>(low, l[y]);
            high = std::max<int>(high, h[y]);
        }
    }
}

// The running differences of the histogram being built, per thread.
std::vector<int32_t>& stepBuffer() {
    thread_local std::vector<int32_t> steps;
    return steps;
}

// Adds every pixel of the window rows r0..r1 - 1, columns c0..c1 - 1 by the mode.
void addWindow(Histogram1D& h, Interpolation mode, const ByteArray& v, const ByteArray& lo,
               const ByteArray& hi, int r0, int r1, int c0, int c1) {
    // Runs of whole bins go into running differences, summed up once at the
    // end, so that a wide interval costs no more than a narrow one.
    int32_t* bins = h.counts.data();
    const int first = h.firstIndex(), s = h.shift, columns = c1 - c0;
    std::vector<int32_t>& steps = stepBuffer();
    steps.assign(static_cast<size_t>(h.counts.numElements()) + 1, 0);
    int32_t* step = steps.data();
    const Quotients whole(int32_t(1) << (s + 10)), half(int32_t(1) << (s + 9)), full(1024),
        halfFull(512);
    for (int x = r0; x < r1; ++x) {
        switch (mode) {
        case Interpolation::Range: {
            const unsigned char* l = &lo(x, c0);
            const unsigned char* u = &hi(x, c0);
            for (int y = 0; y < columns; ++y)
                addExact(bins, step, first, s, l[y], u[y], whole(u[y] - l[y]));
            break;
        }
        case Interpolation::RangeFast: {
            const unsigned char* l = &lo(x, c0);
            const unsigned char* u = &hi(x, c0);
            for (int y = 0; y < columns; ++y) {
                const int a = l[y] >> s, b = u[y] >> s;
                addQuantised(bins, step, first, a, b, full(b - a));
            }
            break;
        }
        case Interpolation::Median:
        case Interpolation::MedianFast: {
            // the window's values sorted, q1 <= q2 <= q3 <= q4; the halves
            // [q1, (q2 + q3) / 2] and [(q2 + q3 + 1) / 2, q4]
            const bool fast = mode == Interpolation::MedianFast;
            const int drop = fast ? s : 0;
            const unsigned char* top = &v(x, c0);
            const unsigned char* bottom = &v(x + 1, c0);
            for (int y = 0; y < columns; ++y) {
                int q[4] = {top[y] >> drop, top[y + 1] >> drop, bottom[y] >> drop,
                            bottom[y + 1] >> drop};
                sort4(q);
                const int lowEnd = (q[1] + q[2]) >> 1, highStart = (q[1] + q[2] + 1) >> 1;
                if (fast) {
                    addQuantised(bins, step, first, q[0], lowEnd, halfFull(lowEnd - q[0]));
                    addQuantised(bins, step, first, highStart, q[3], halfFull(q[3] - highStart));
                } else {
                    addExact(bins, step, first, s, q[0], lowEnd, half(lowEnd - q[0]));
                    addExact(bins, step, first, s, highStart, q[3], half(q[3] - highStart));
                }
            }
            break;
        }
        }
    }
    int32_t running = 0;
    for (int k = 0; k < h.counts.numElements(); ++k) {
        running += step[k];
        bins[k] += running;
    }
}

} // namespace

bool updateChannelHistograms(int channel, const TextureImage& texture, const Box& domain,
                             const SegmentationParams& current, const StageParams& copies,
                             BlockGrid& grid) {
    if (!histogramsOutdated(copies[channel], current)) return false;
    VARDEK_FAULT_POINT("histogram job");
    const Box blocks = boxOf(grid);
    if (domain.isEmpty() || blocks.isEmpty()) return true;

    const Interpolation mode = interpolationOf(current.interpolation);
    const bool rangeMode = mode == Interpolation::Range || mode == Interpolation::RangeFast;
    // Colour bits below 0 (never set by the variables) would make the shifts overflow.
    const int bits = std::max(0, current.colourBits);
    const int spacing = blockSpacing(current.resolution);

    for (int bx = blocks.lower.row; bx <= blocks.upper.row; ++bx) {
        // The block's window: its pixels but those of the last row and column
        // of the domain, so that every window pixel has its 2 x 2 window inside.
        const int r0 = std::max(bx * spacing, domain.lower.row);
        const int r1 = std::min((bx + 1) * spacing, domain.upper.row);
        // The channel as a plain byte image over the rows this block row
        // reads: its own and the one below them, within the domain. The range
        // image's last row there is exact only at the domain's last row, and
        // no other block row reads it.
        const Box band(r0, domain.lower.column, std::min(domain.upper.row, std::max(r1, r0 + 1)),
                       domain.upper.column);
        ByteArray v = arrayOver<unsigned char>(band);
        v = windowOf<unsigned char>(texture[channel], band);
        ByteArray lo, hi;
        if (rangeMode) buildRangeImage(v, band, lo, hi);
        for (int by = blocks.lower.column; by <= blocks.upper.column; ++by) {
            const int c0 = std::max(by * spacing, domain.lower.column);
            const int c1 = std::min((by + 1) * spacing, domain.upper.column);
            const bool empty = r0 >= r1 || c0 >= c1;
            Histogram1D& h = grid(bx, by)[channel];

            // Range modes: the range pairs of the window (of its lower corner
            // alone when it is empty). Median modes: every value of the
            // pixels' 2 x 2 windows, the window grown by one row and column.
            int low, high;
            if (!rangeMode) {
                valueRange(v, v, r0, r1, c0, c1, low, high);
            } else if (empty) {
                valueRange(lo, hi, r0, r0, c0, c0, low, high);
            } else {
                valueRange(lo, hi, r0, r1 - 1, c0, c1 - 1, low, high);
            }
            h.init(low, high, bits, 0);
            h.counts = 0;
            if (empty) {
                h.counts = 1024 / static_cast<int32_t>(h.counts.numElements());
            } else {
                addWindow(h, mode, v, lo, hi, r0, r1, c0, c1);
            }
        }
    }

    smoothChannelHistograms(grid, channel, bits, current.overlap);

    // Counts back to the scale of one value per pixel; the end bins never empty.
    forEachBlock(grid, [channel](HistogramBlock& block) {
        Histogram1D& h = block[channel];
        if (h.isEmpty()) return;
        h.counts >>= h.shift;
        int32_t& first = h.counts(h.firstIndex());
        first = std::max(first, 1);
        int32_t& last = h.counts(h.lastIndex());
        last = std::max(last, 1);
    });
    return true;
}

bool updateHistograms(const TextureImage& texture, const Box& domain,
                      const SegmentationParams& current, const StageParams& copies, BlockGrid& grid,
                      ProgressRange& range, unsigned workers) {
    const Box blocks = blockBoxOf(domain, current.resolution);
    if (boxOf(grid) != blocks) grid.reference(arrayOver<HistogramBlock>(blocks));

    // The workers take the channels 5 down to 0; each job writes only its own
    // channel's histograms. Whoever takes a job reports the share of jobs
    // taken, under the pool's mutex.
    ProgressRange progress = range.subRange(1.0f);
    int next = textureChannels - 1;
    std::atomic<bool> changed{false};
    WorkerPool pool(std::min<unsigned>(std::max(1u, workers), textureChannels));
    pool.run(
        [&]() -> std::optional<int> {
            const int job = next;
            // The answer that no job is left is reported once, however many
            // workers ask for it.
            if (job == -2) return std::nullopt;
            next = job - 1;
            const float f = std::min(1.0f, static_cast<float>(textureChannels - job) /
                                               static_cast<float>(textureChannels));
            progress.report(f);
            if (job == -1) return std::nullopt;
            return job;
        },
        [&](int channel) {
            if (updateChannelHistograms(channel, texture, domain, current, copies, grid))
                changed.store(true);
        });
    return changed.load();
}

} // namespace classification
