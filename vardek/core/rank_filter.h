// Rank (percentile) filters over a structuring element, border replication
// for neighbourhood filters, and two small per-pixel colour operations of the
// matting solver.
#ifndef VARDEK_CORE_RANK_FILTER_H
#define VARDEK_CORE_RANK_FILTER_H

#include "core/arrays.h"
#include "core/box.h"
#include "core/progress.h"

#include <blitz/array.h>
#include <blitz/tinyvec2.h>

#include <cstdint>

namespace orsine::matting {

template <typename T> using ColourTriple = blitz::TinyVector<T, 3>;
template <typename T> using ColourImage = blitz::Array<ColourTriple<T>, 2>;

// Fills the array outside `inner` by repeating the inner box's edge elements
// outwards; corners receive the inner box's corner elements. The inner box is
// clipped to the array; nothing happens when that leaves it empty.
template <typename T> void replicateBorder(blitz::Array<T, 2> image, classification::Box inner) {
    const classification::Box outer = classification::boxOf(image);
    if (!inner.intersect(outer)) return;
    const int lo0 = inner.lower.row, hi0 = inner.upper.row;
    const int lo1 = inner.lower.column, hi1 = inner.upper.column;
    // rows above and below the inner box, over its columns
    for (int i = outer.lower.row; i < lo0; ++i)
        for (int j = lo1; j <= hi1; ++j)
            image(i, j) = image(lo0, j);
    for (int i = outer.upper.row; i > hi0; --i)
        for (int j = lo1; j <= hi1; ++j)
            image(i, j) = image(hi0, j);
    // columns left and right of it, over all rows (this fills the corners)
    for (int i = outer.lower.row; i <= outer.upper.row; ++i) {
        for (int j = outer.lower.column; j < lo1; ++j)
            image(i, j) = image(i, lo1);
        for (int j = outer.upper.column; j > hi1; --j)
            image(i, j) = image(i, hi1);
    }
}

// Sliding-histogram rank filter. Output x receives the quantile of the
// source samples at x - o over the members o (non-zero cells) of `element`;
// between the low-th and high-th smallest sample the value is interpolated.
// Computes the positions whose whole neighbourhood lies inside the source and
// the destination holds, and returns their box; an element without members
// gives 0 there. Samples outside [lo, hi] count as the nearer bound. Rows are
// reported through `progress` (a cancel there propagates).
classification::Box rankFilter(const blitz::Array<uint8_t, 2>& source,
                               blitz::Array<uint8_t, 2> destination,
                               const classification::LabelArray& element, float quantile, int lo,
                               int hi, ProgressRange progress);
classification::Box rankFilter(const blitz::Array<uint16_t, 2>& source,
                               blitz::Array<uint16_t, 2> destination,
                               const classification::LabelArray& element, float quantile, int lo,
                               int hi, ProgressRange progress);

// rankFilter from channel `channel` (0, 1 or 2) of one colour image into the
// same channel of another.
classification::Box rankFilterChannel(const ColourImage<uint8_t>& source,
                                      ColourImage<uint8_t> destination, int channel,
                                      const classification::LabelArray& element, float quantile,
                                      int lo, int hi, ProgressRange progress);
classification::Box rankFilterChannel(const ColourImage<uint16_t>& source,
                                      ColourImage<uint16_t> destination, int channel,
                                      const classification::LabelArray& element, float quantile,
                                      int lo, int hi, ProgressRange progress);

// Each coordinate limited to the box's bounds on its axis.
inline classification::Point clampToBox(classification::Point p, const classification::Box& box) {
    return classification::Point::min(classification::Point::max(p, box.lower), box.upper);
}

// Each channel truncated toward zero, then limited to [0, 32768].
ColourTriple<uint16_t> storeColour16(const ColourTriple<float>& v);

} // namespace orsine::matting

#endif
