// Border replication around an inner box of a 2-D array.
#ifndef VARDEK_CORE_MARGINS_H
#define VARDEK_CORE_MARGINS_H

#include "core/arrays.h"
#include "core/box.h"

#include <algorithm>

namespace classification {

// Every element of `a` outside `inner` takes the value of the nearest element
// of `inner` along each axis. `inner` must be a non-empty box inside `a`.
template <typename T> void replicateMargin(blitz::Array<T, 2> a, const Box& inner) {
    const Box outer = boxOf(a);
    for (int r = outer.lower.row; r <= outer.upper.row; ++r) {
        const int from = std::clamp(r, inner.lower.row, inner.upper.row);
        if (from != r) {
            for (int c = outer.lower.column; c <= outer.upper.column; ++c)
                a(r, c) = a(from, std::clamp(c, inner.lower.column, inner.upper.column));
        } else {
            for (int c = outer.lower.column; c < inner.lower.column; ++c)
                a(r, c) = a(r, inner.lower.column);
            for (int c = inner.upper.column + 1; c <= outer.upper.column; ++c)
                a(r, c) = a(r, inner.upper.column);
        }
    }
}

} // namespace classification

#endif
