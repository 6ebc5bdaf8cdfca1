#include "classification/BlockHistograms.h"

#include "classification/Margins.h"
#include "classification/Arrays.h"
#include "classification/WorkerPool.h"
#include "morphology/convolve.h"
#include "vardek/api/fault_injection.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <utility>

namespace classification {

void addInterval(Histogram1D& h, int a, int b, int32_t total) {
    const int s = h.shift;
    const int64_t d = b - a >= 2 ? b - a : 1;
    const int64_t w = total / d;
    const int ba = a >> s, bb = b >> s;
    int32_t* bins = &h.counts(ba); // bins[k] is the count of bin ba + k
    if (ba == bb) {
        bins[0] += static_cast<int32_t>(((b - a + 1) * w) >> s);
        return;
    }
    // the end bins get the share of the values they cover, every bin between gets w
    bins[0] += static_cast<int32_t>(((((ba + 1) << s) - a) * w) >> s);
    for (int k = 1; k < bb - ba; ++k)
        bins[k] += static_cast<int32_t>(w);
    bins[bb - ba] += static_cast<int32_t>(((b - (bb << s) + 1) * w) >> s);
}

void addBins(Histogram1D& h, int a, int b, int32_t total) {
    const int32_t w = total / (b - a >= 2 ? b - a : 1);
    int32_t* bins = &h.counts(a);
    for (int k = 0; k <= b - a; ++k)
        bins[k] += w;
}

void smoothChannelHistograms(BlockGrid& grid, int channel, int bits, int overlap) {
    const Box blocks = boxOf(grid);
    if (blocks.isEmpty()) return;
    const int window = 2 * std::max(0, overlap) + 1;
    const int down = std::min(blocks.rows(), window), across = std::min(blocks.columns(), window);
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
    for (int x = domain.lower.row; x <= domain.upper.row; ++x) {
        for (int y = domain.lower.column; y <= domain.upper.column; ++y) {
            const unsigned char a = v(x, y);
            const unsigned char b = y < domain.upper.column ? v(x, y + 1) : a;
            lo(x, y) = std::min(a, b);
            hi(x, y) = std::max(a, b);
        }
    }
    for (int x = domain.lower.row; x < domain.upper.row; ++x) {
        for (int y = domain.lower.column; y <= domain.upper.column; ++y) {
            lo(x, y) = std::min(lo(x, y), lo(x + 1, y));
            hi(x, y) = std::max(hi(x, y), hi(x + 1, y));
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

// The four values of the window at (x, y), sorted.
void sortedWindow(const ByteArray& v, int x, int y, int shift, int q[4]) {
    q[0] = v(x, y) >> shift;
    q[1] = v(x, y + 1) >> shift;
    q[2] = v(x + 1, y) >> shift;
    q[3] = v(x + 1, y + 1) >> shift;
    if (q[0] > q[1]) std::swap(q[0], q[1]);
    if (q[2] > q[3]) std::swap(q[2], q[3]);
    if (q[0] > q[2]) std::swap(q[0], q[2]);
    if (q[1] > q[3]) std::swap(q[1], q[3]);
    if (q[1] > q[2]) std::swap(q[1], q[2]);
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
    const ByteArray v = texture[channel];
    ByteArray lo, hi;
    if (rangeMode) buildRangeImage(v, domain, lo, hi);

    for (int bx = blocks.lower.row; bx <= blocks.upper.row; ++bx) {
        // The block's window: its pixels but those of the last row and column
        // of the domain, so that every window pixel has its 2 x 2 window inside.
        const int r0 = std::max(bx * spacing, domain.lower.row);
        const int r1 = std::min((bx + 1) * spacing, domain.upper.row);
        for (int by = blocks.lower.column; by <= blocks.upper.column; ++by) {
            const int c0 = std::max(by * spacing, domain.lower.column);
            const int c1 = std::min((by + 1) * spacing, domain.upper.column);
            const bool empty = r0 >= r1 || c0 >= c1;
            Histogram1D& h = grid(bx, by)[channel];

            int low = 255, high = 0;
            if (rangeMode) {
                if (empty) {
                    low = lo(r0, c0);
                    high = hi(r0, c0);
                }
                for (int x = r0; x < r1; ++x) {
                    for (int y = c0; y < c1; ++y) {
                        low = std::min<int>(low, lo(x, y));
                        high = std::max<int>(high, hi(x, y));
                    }
                }
            } else {
                for (int x = r0; x <= r1; ++x) {
                    for (int y = c0; y <= c1; ++y) {
                        low = std::min<int>(low, v(x, y));
                        high = std::max<int>(high, v(x, y));
                    }
                }
            }
            h.init(low, high, bits, 0);
            h.counts = 0;

            if (empty) {
                h.counts = 1024 / static_cast<int32_t>(h.counts.numElements());
                continue;
            }
            const int s = h.shift;
            for (int x = r0; x < r1; ++x) {
                for (int y = c0; y < c1; ++y) {
                    int q[4];
                    switch (mode) {
                    case Interpolation::Range:
                        addInterval(h, lo(x, y), hi(x, y), int32_t(1) << (s + 10));
                        break;
                    case Interpolation::RangeFast:
                        addBins(h, lo(x, y) >> s, hi(x, y) >> s, 1024);
                        break;
                    case Interpolation::Median:
                        sortedWindow(v, x, y, 0, q);
                        addInterval(h, q[0], (q[1] + q[2]) >> 1, int32_t(1) << (s + 9));
                        addInterval(h, (q[1] + q[2] + 1) >> 1, q[3], int32_t(1) << (s + 9));
                        break;
                    case Interpolation::MedianFast:
                        sortedWindow(v, x, y, s, q);
                        addBins(h, q[0], (q[1] + q[2]) >> 1, 512);
                        addBins(h, (q[1] + q[2] + 1) >> 1, q[3], 512);
                        break;
                    }
                }
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
                      ProgressRange& range) {
    const Box blocks = blockBoxOf(domain, current.resolution);
    if (boxOf(grid) != blocks) grid.reference(arrayOver<HistogramBlock>(blocks));

    // One worker takes the channels 5 down to 0; whoever takes a job reports
    // the share of jobs taken, under the pool's mutex.
    ProgressRange progress = range.subRange(1.0f);
    int next = textureChannels - 1;
    std::atomic<bool> changed{false};
    WorkerPool pool(1);
    pool.run(
        [&]() -> std::optional<int> {
            const int job = next;
            if (job != -1) next = job - 1;
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
