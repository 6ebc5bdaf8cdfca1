// Blitz++ small vectors and images as comparable, printable values.
#ifndef TESTS_ENGINE_MATTING_VALUES_H
#define TESTS_ENGINE_MATTING_VALUES_H

#include <blitz/array.h>

#include <type_traits>
#include <vector>

// The components of a small vector, widened so that bytes print as numbers.
template <typename T, int N> auto values(const blitz::TinyVector<T, N>& v) {
    using Wide = std::conditional_t<std::is_integral_v<T>, int, T>;
    std::vector<Wide> out;
    for (int i = 0; i < N; ++i)
        out.push_back(static_cast<Wide>(v[i]));
    return out;
}

template <typename T, int N>
bool sameImages(const blitz::Array<blitz::TinyVector<T, N>, 2>& a,
                const blitz::Array<blitz::TinyVector<T, N>, 2>& b) {
    if (a.lbound(0) != b.lbound(0) || a.lbound(1) != b.lbound(1) || a.extent(0) != b.extent(0) ||
        a.extent(1) != b.extent(1))
        return false;
    for (int r = a.lbound(0); r <= a.ubound(0); ++r)
        for (int c = a.lbound(1); c <= a.ubound(1); ++c)
            if (values(a(r, c)) != values(b(r, c))) return false;
    return true;
}

#endif
