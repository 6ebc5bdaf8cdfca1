#include "core/rank_filter.h"

#include "core/sliding_histogram.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace orsine::matting {

using classification::Box;
using classification::LabelArray;

namespace {

template <typename T>
Box rankFilterSamples(const blitz::Array<T, 2>& source, blitz::Array<T, 2> destination,
                      const LabelArray& element, float quantile, int lo, int hi,
                      ProgressRange progress) {
    const Box sourceBox = classification::boxOf(source);
    if (sourceBox.isEmpty()) return Box::empty();
    // The positions whose reflected neighbourhood x - o, o in the element's
    // box, lies inside the source.
    Box elementBox = classification::boxOf(element);
    if (elementBox.isEmpty()) elementBox = Box(0, 0, 0, 0);
    Box out(sourceBox.lower + elementBox.upper, sourceBox.upper + elementBox.lower);
    if (!out.intersect(classification::boxOf(destination))) return out;

    const detail::WindowCells cells = detail::windowCells(element, -1);
    if (cells.all.empty()) {
        destination(out.domain()) = T(0);
        return out;
    }

    // Every sample lies in the range of its type; a range reaching past it
    // would only make the histogram larger.
    const int typeMax = std::numeric_limits<T>::max();
    lo = std::clamp(lo, 0, typeMax);
    hi = std::clamp(hi, lo, typeMax);
    detail::SlidingHistogram histograms[1] = {detail::SlidingHistogram(lo, hi)};
    const RankPosition rank = rankPosition(static_cast<uint32_t>(cells.all.size()), quantile);

    const std::ptrdiff_t s0 = source.stride(0), s1 = source.stride(1);
    const detail::WindowOffsets window(cells, s0, s1);
    // Offsets are added to a position's offset before indexing, so that no
    // pointer outside the source is ever formed.
    const T* origin = source.data();
    const auto positionOffset = [&](int row, int column) {
        return (row - sourceBox.lower.row) * s0 + (column - sourceBox.lower.column) * s1;
    };
    // Samples inside [lo, hi] are their own bins less lo, with no clamping.
    const bool inRange = detail::samplesWithin(source, lo, hi);

    const int rows = out.rows(), columns = out.columns();
    const std::ptrdiff_t targetStride = destination.stride(1);
    int rowsDone = 0;
    for (int row = out.upper.row; row >= out.lower.row; --row) {
        detail::RankCursor cursors[1][1] = {{detail::RankCursor(rank)}};
        T* target = &destination(row, out.lower.column);
        const detail::SlidingHistogram& histogram = histograms[0];
        const auto write = [&](int i) {
            target[i * targetStride] =
                static_cast<T>(histogram.value(cursors[0][0].valueBin(histogram)));
        };
        const std::ptrdiff_t at = positionOffset(row, out.lower.column);
        if (inRange)
            detail::slideRow(origin, at, s1, columns, window, histograms, cursors,
                             detail::DirectBin{lo}, write);
        else
            detail::slideRow(origin, at, s1, columns, window, histograms, cursors,
                             detail::ClampedBin{histogram}, write);

        ++rowsDone;
        if ((row & 0xFF) == 0) progress.report(static_cast<float>(rowsDone) / rows);
    }
    return out;
}

template <typename T>
Box rankFilterChannelOf(const ColourImage<T>& source, ColourImage<T> destination, int channel,
                        const LabelArray& element, float quantile, int lo, int hi,
                        ProgressRange progress) {
    if (channel < 0 || channel > 2) throw std::out_of_range("colour channel");
    ColourImage<T> from(source);
    return rankFilterSamples<T>(from[channel], destination[channel], element, quantile, lo, hi,
                                progress);
}

} // namespace

Box rankFilter(const blitz::Array<uint8_t, 2>& source, blitz::Array<uint8_t, 2> destination,
               const LabelArray& element, float quantile, int lo, int hi, ProgressRange progress) {
    return rankFilterSamples(source, destination, element, quantile, lo, hi, progress);
}

Box rankFilter(const blitz::Array<uint16_t, 2>& source, blitz::Array<uint16_t, 2> destination,
               const LabelArray& element, float quantile, int lo, int hi, ProgressRange progress) {
    return rankFilterSamples(source, destination, element, quantile, lo, hi, progress);
}

Box rankFilterChannel(const ColourImage<uint8_t>& source, ColourImage<uint8_t> destination,
                      int channel, const LabelArray& element, float quantile, int lo, int hi,
                      ProgressRange progress) {
    return rankFilterChannelOf(source, destination, channel, element, quantile, lo, hi, progress);
}

Box rankFilterChannel(const ColourImage<uint16_t>& source, ColourImage<uint16_t> destination,
                      int channel, const LabelArray& element, float quantile, int lo, int hi,
                      ProgressRange progress) {
    return rankFilterChannelOf(source, destination, channel, element, quantile, lo, hi, progress);
}

ColourTriple<uint16_t> storeColour16(const ColourTriple<float>& v) {
    ColourTriple<uint16_t> stored;
    for (int c = 0; c < 3; ++c) {
        // NaN and values below 1 give 0; the limit is tested before the
        // conversion so that no float out of the integer range is converted.
        const float x = v[c];
        if (!(x >= 1.0f)) {
            stored[c] = 0;
        } else if (x >= 32768.0f) {
            stored[c] = 32768;
        } else {
            stored[c] = static_cast<uint16_t>(static_cast<int>(x));
        }
    }
    return stored;
}

} // namespace orsine::matting
