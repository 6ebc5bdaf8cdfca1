// The engine's four-channel pixel: blue, green, red, alpha, 8 or 16 bits each.
#ifndef VARDEK_CORE_COLOUR_H
#define VARDEK_CORE_COLOUR_H

#include <blitz/array.h>
#include <blitz/tinyvec2.h>

namespace orsine::utility {

template <typename T> using Colour = blitz::TinyVector<T, 4>;

} // namespace orsine::utility

#endif
