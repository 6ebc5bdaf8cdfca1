// Two-dimensional engine arrays: Blitz++ arrays indexed (row, column) over a
// Box, sharing reference-counted storage; views over the caller's memory never
// own it.
#ifndef VARDEK_CORE_ARRAYS_H
#define VARDEK_CORE_ARRAYS_H

#include "core/box.h"
#include "core/large_memory.h"

#include <blitz/array.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace classification {

using ByteArray = blitz::Array<unsigned char, 2>;
using LabelArray = blitz::Array<int32_t, 2>;

// The box an array is indexed over.
template <typename T> Box boxOf(const blitz::Array<T, 2>& a) {
    return {a.lbound(0), a.lbound(1), a.ubound(0), a.ubound(1)};
}

// Elements that need no destruction: plain values, and Blitz++'s small fixed
// vectors of them (whose destructor is empty, though not trivial).
template <typename T> struct IsPlainElement : std::is_trivially_destructible<T> {};
template <typename T, int N> struct IsPlainElement<blitz::TinyVector<T, N>> : IsPlainElement<T> {};

// A new array over `box` (uninitialised unless `fill` is given). A large
// array lies in memory advised for huge pages when its elements are plain
// (advised before they are first written) or derive from LargeArrayElement
// for themselves (advised before they are constructed).
template <typename T> blitz::Array<T, 2> arrayOver(const Box& box) {
    if (box.isEmpty()) return blitz::Array<T, 2>();
    const std::size_t count = std::size_t(box.rows()) * std::size_t(box.columns());
    constexpr bool plain = IsPlainElement<T>::value;
    constexpr bool advised = std::is_base_of_v<LargeArrayElement<T>, T>;
    if constexpr (plain || advised) {
        if (count * sizeof(T) >= largeMemoryBytes) {
            // Made with new[], as Blitz++ releases memory it is handed with delete[].
            std::unique_ptr<T[]> data(new T[count]);
            if constexpr (plain) adviseLargeMemory(data.get(), count * sizeof(T));
            blitz::Array<T, 2> a(data.get(), blitz::shape(box.rows(), box.columns()),
                                 blitz::deleteDataWhenDone);
            data.release(); // the array's now
            a.reindexSelf(box.lower.index());
            return a;
        }
    }
    return blitz::Array<T, 2>(blitz::Range(box.lower.row, box.upper.row),
                              blitz::Range(box.lower.column, box.upper.column));
}
template <typename T> blitz::Array<T, 2> arrayOver(const Box& box, T fill) {
    blitz::Array<T, 2> a = arrayOver<T>(box);
    a = fill;
    return a;
}

// A view over someone else's memory: `rows` x `columns` elements, rows
// `rowStride` elements apart, first element at (firstRow, firstColumn).
template <typename T>
blitz::Array<T, 2> viewOver(T* data, int rows, int columns, std::ptrdiff_t rowStride,
                            Point first = {}) {
    blitz::Array<T, 2> a(data, blitz::shape(rows, columns), blitz::shape(rowStride, 1),
                         blitz::neverDeleteData);
    a.reindexSelf(first.index());
    return a;
}

// A view of `a` over its part inside `box`, keeping `a`'s coordinates; empty
// when they do not meet. Shares `a`'s storage.
template <typename T> blitz::Array<T, 2> windowOf(const blitz::Array<T, 2>& a, const Box& box) {
    const Box part = Box::intersection(boxOf(a), box);
    if (a.size() == 0 || part.isEmpty()) return blitz::Array<T, 2>();
    blitz::Array<T, 2> view = a(part.domain());
    view.reindexSelf(part.lower.index());
    return view;
}

// Sets every element of `a` outside `box` to `value`.
template <typename T> void fillOutsideBox(blitz::Array<T, 2>& a, const Box& box, T value) {
    const Box all = boxOf(a);
    const Box inside = Box::intersection(all, box);
    const std::ptrdiff_t step = a.stride(1);
    const auto fill = [&](T* row, int from, int to) { // columns from .. to of the row
        for (int c = from; c <= to; ++c)
            row[(c - all.lower.column) * step] = value;
    };
    // Rows beside the box are filled whole, rows through it only left and
    // right of it.
    for (int r = all.lower.row; r <= all.upper.row; ++r) {
        T* row = &a(r, all.lower.column);
        if (inside.isEmpty() || r < inside.lower.row || r > inside.upper.row) {
            fill(row, all.lower.column, all.upper.column);
        } else {
            fill(row, all.lower.column, inside.lower.column - 1);
            fill(row, inside.upper.column + 1, all.upper.column);
        }
    }
}

} // namespace classification

#endif
