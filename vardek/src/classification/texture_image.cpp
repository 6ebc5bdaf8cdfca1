#include "classification/texture_image.h"

#include "core/fault_injection.h"
#include "core/rank_filter.h"
#include "core/sliding_histogram.h"

#include <algorithm>

namespace classification {

namespace detail = orsine::matting::detail;

LabelArray makeDisc(int n) {
    if (n < 1) return LabelArray();
    LabelArray disc(n, n);
    const float b = static_cast<float>(n - 1) / 2.0f;
    const float limit = (b + 0.5f) * (b + 0.5f);
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k) {
            const float di = static_cast<float>(i) - b, dk = static_cast<float>(k) - b;
            disc(i, k) = di * di + dk * dk <= limit ? 1 : 0;
        }
    return disc;
}

Box dualRankFilter(const ByteArray& input, blitz::Array<PercentilePair, 2> output,
                   const LabelArray& disc, float p0, float p1, ProgressRange progress, int lowest,
                   int highest) {
    const Box inputBox = boxOf(input);
    if (inputBox.isEmpty()) return Box::empty();
    // The positions x whose window x + d, d in the disc's box, lies inside the input.
    Box discBox = boxOf(disc);
    if (discBox.isEmpty()) discBox = Box(0, 0, 0, 0);
    Box out(inputBox.lower - discBox.lower, inputBox.upper - discBox.upper);
    if (!out.intersect(boxOf(output))) return out;

    const detail::WindowCells cells = detail::windowCells(disc, 1);
    if (cells.all.empty()) {
        output(out.domain()) = PercentilePair(0, 0);
        return out;
    }
    lowest = std::clamp(lowest, 0, 255);
    highest = std::clamp(highest, lowest, 255);
    detail::SlidingHistogram histograms[1] = {detail::SlidingHistogram(lowest, highest)};
    const detail::SlidingHistogram& histogram = histograms[0];
    const auto members = static_cast<uint32_t>(cells.all.size());
    const orsine::matting::RankPosition ranks[2] = {orsine::matting::rankPosition(members, p0),
                                                    orsine::matting::rankPosition(members, p1)};

    const std::ptrdiff_t s0 = input.stride(0), s1 = input.stride(1);
    const detail::WindowOffsets window(cells, s0, s1);
    const unsigned char* origin = input.data();
    // Samples inside [lowest, highest] are their own bins less lowest.
    const bool inRange = detail::samplesWithin(input, lowest, highest);

    const int rows = out.rows(), columns = out.columns();
    const std::ptrdiff_t targetStride = output.stride(1);
    for (int row = out.lower.row; row <= out.upper.row; ++row) {
        const std::ptrdiff_t at =
            (row - inputBox.lower.row) * s0 + (out.lower.column - inputBox.lower.column) * s1;
        detail::RankCursor cursors[1][2] = {
            {detail::RankCursor(ranks[0]), detail::RankCursor(ranks[1])}};
        PercentilePair* target = &output(row, out.lower.column);
        const auto write = [&](int i) {
            PercentilePair& pair = target[i * targetStride];
            pair[0] =
                static_cast<unsigned char>(histogram.value(cursors[0][0].valueBin(histogram)));
            pair[1] =
                static_cast<unsigned char>(histogram.value(cursors[0][1].valueBin(histogram)));
        };
        if (inRange)
            detail::slideRow(origin, at, s1, columns, window, histograms, cursors,
                             detail::DirectBin{lowest}, write);
        else
            detail::slideRow(origin, at, s1, columns, window, histograms, cursors,
                             detail::ClampedBin{histogram}, write);

        if ((row & 0xFF) == 0) progress.report(static_cast<float>(row - out.lower.row + 1) / rows);
    }
    return out;
}

namespace {

// The second pass over the pairs: low at x receives the q0 percentile of the
// pairs' low values at x - d over the members d of `disc` (reflected), high
// the q1 percentile of their high values, for the positions of `low` (which
// `high` shares) whose window lies inside the pairs. Every value lies in [0,
// highest]. One slide over the pairs serves both, so that each window offset
// is read once per move for the low and the high value beside it.
void pairRankFilter(const blitz::Array<PercentilePair, 2>& pairs, ByteArray low, ByteArray high,
                    const LabelArray& disc, float q0, float q1, int highest,
                    ProgressRange progress) {
    const Box pairsBox = boxOf(pairs);
    Box out(pairsBox.lower + boxOf(disc).upper, pairsBox.upper + boxOf(disc).lower);
    if (!out.intersect(boxOf(low))) return;
    const detail::WindowCells cells = detail::windowCells(disc, -1);
    detail::SlidingHistogram histograms[2] = {detail::SlidingHistogram(0, highest),
                                              detail::SlidingHistogram(0, highest)};
    const auto members = static_cast<uint32_t>(cells.all.size());
    const orsine::matting::RankPosition ranks[2] = {orsine::matting::rankPosition(members, q0),
                                                    orsine::matting::rankPosition(members, q1)};

    // The pairs' values as bytes: a pair's low value, then its high one.
    const ByteArray lows = pairs[0];
    const std::ptrdiff_t s0 = lows.stride(0), s1 = lows.stride(1);
    const detail::WindowOffsets window(cells, s0, s1);
    const unsigned char* origin = lows.data();

    const int rows = out.rows(), columns = out.columns();
    const std::ptrdiff_t lowStride = low.stride(1), highStride = high.stride(1);
    for (int row = out.lower.row; row <= out.upper.row; ++row) {
        const std::ptrdiff_t at =
            (row - pairsBox.lower.row) * s0 + (out.lower.column - pairsBox.lower.column) * s1;
        detail::RankCursor cursors[2][1] = {{detail::RankCursor(ranks[0])},
                                            {detail::RankCursor(ranks[1])}};
        unsigned char* lowTarget = &low(row, out.lower.column);
        unsigned char* highTarget = &high(row, out.lower.column);
        const auto write = [&](int i) {
            lowTarget[i * lowStride] = static_cast<unsigned char>(
                histograms[0].value(cursors[0][0].valueBin(histograms[0])));
            highTarget[i * highStride] = static_cast<unsigned char>(
                histograms[1].value(cursors[1][0].valueBin(histograms[1])));
        };
        detail::slideRow(origin, at, s1, columns, window, histograms, cursors, detail::DirectBin{0},
                         write);
        if ((row & 0xFF) == 0) progress.report(static_cast<float>(row - out.lower.row + 1) / rows);
    }
}

} // namespace

void textureJob(ByteArray low, ByteArray high, const ByteArray& source,
                const TextureParameters& parameters, ProgressRange progress) {
    VARDEK_FAULT_POINT("texture job");
    const Box box = boxOf(source);
    // The rows this job owns: those of `low` that lie in the source.
    const Box band = Box::intersection(boxOf(low), box);
    if (box.isEmpty() || band.isEmpty()) return;
    // The arrays below reach r beyond the image and the disc is r + 1 wide, so
    // the cost grows with r whatever the image's size. Radii up to the widest
    // the settings give are taken as they are, even beyond the image's sides
    // (the repeated border then weighs more in every window); larger ones
    // could only come from out-of-range settings and would overflow.
    const int r = std::min(parameters.radius, kLargestTextureRadius);
    if (r <= 0) {
        high(band.domain()) = source(band.domain());
        low(band.domain()) = high(band.domain());
        return;
    }
    // More than 8 bits (or fewer than none) would shift by a negative amount.
    const int bits = std::clamp(parameters.maxBits, 0, 8);
    const int shift = 8 - bits;
    const int maxValue = (1 << bits) - 1;
    const float p = parameters.percentile;
    const LabelArray disc = makeDisc(r + 1);

    // The second pass reads the pairs at x - d for d in [0, r], so the band's
    // pairs start r rows above it; those above the image repeat its first row.
    const int firstPairRow = std::max(band.lower.row - r, box.lower.row);
    const Box pairsOwn(firstPairRow, box.lower.column, band.upper.row, box.upper.column);

    // The first pass reads x + d: the source rows of those pairs and the r
    // rows below them, each row continued by r columns on the right; only
    // below the image's last row and right of its last column are the edge
    // samples repeated, elsewhere the real neighbouring rows are read.
    ByteArray padded = arrayOver<unsigned char>(
        Box(pairsOwn.lower, Point(band.upper.row + r, box.upper.column + r)));
    const Box readRows(firstPairRow, box.lower.column, std::min(band.upper.row + r, box.upper.row),
                       box.upper.column);
    padded(readRows.domain()) = source(readRows.domain()) >> shift;
    orsine::matting::replicateBorder(padded, readRows);

    blitz::Array<PercentilePair, 2> pairs = arrayOver<PercentilePair>(
        Box(band.lower.row - r, box.lower.column - r, band.upper.row, box.upper.column));
    dualRankFilter(padded, pairs, disc, p, 1.0f - p, progress.subRange(1.0f / 6.0f), 0, maxValue);
    orsine::matting::replicateBorder(pairs, pairsOwn);

    // The opening: the high percentile of the low percentiles; the closing:
    // the low percentile of the high percentiles.
    pairRankFilter(pairs, windowOf(low, band), windowOf(high, band), disc, 1.0f - p, p, maxValue,
                   progress.subRange(2.0f / 3.0f));
}

namespace {

int textureBandCount(int rows, unsigned workers) {
    // Two bands per worker and channel, so that the last jobs to finish leave
    // few workers idle, each long enough that re-reading the disc radius
    // around it stays cheap.
    constexpr int shortestBand = 200;
    const int byRows = std::max(1, rows / shortestBand);
    return std::clamp(static_cast<int>(std::min<unsigned>(2 * workers, 1024)), 1, byRows);
}

} // namespace

void Rancour::operator()(int job) const {
    TextureImage out(output);
    SourceImage in(input);
    const int channel = job / bands;
    const Box band = rowBand(boxOf(in), bands, job % bands);
    textureJob(windowOf(ByteArray(out[channel]), band), windowOf(ByteArray(out[channel + 3]), band),
               in[2 - channel], parameters, ProgressRange(nullptr));
}

TextureImage buildTextureImage(const SourceImage& source, const TextureParameters& parameters,
                               WorkerPool& pool) {
    TextureImage texture = arrayOver<TexturePixel>(boxOf(source));
    if (texture.numElements() == 0) return texture;
    // Three channels cut into bands of rows, handed out from the last job
    // down; each job writes only its own rows of its own two channels, so the
    // workers share the output without a lock.
    const int bands = textureBandCount(boxOf(source).rows(), pool.threads());
    pool.runCountdown(3 * bands - 1, Rancour{texture, source, parameters, bands});
    return texture;
}

} // namespace classification
