// The colour pair search: for one pixel of a blend area, the pure foreground
// colour F and background colour B from the palettes of the pixel's blocks
// whose mix explains the observed colour best, climbing the two pyramids while
// no pair fits well enough.
#ifndef VARDEK_MATTING_COLOUR_PAIR_SEARCH_H
#define VARDEK_MATTING_COLOUR_PAIR_SEARCH_H

#include "vardek/matting/colour_cluster.h"
#include "vardek/matting/palette_pyramid.h"

#include <array>

namespace orsine::matting {

using Colour3 = std::array<float, 3>;

struct ColourPair {
    Colour3 foreground{};
    Colour3 background{};
};

// How well the segment from B to F explains I: minus the distance from I to
// the segment (0 when I lies on it). Equal colours make the segment a point.
float segmentFit(const Vector3& f, const Vector3& b, const Vector3& i);

// The best pair of clusters by their representatives, then the best pair of
// their samples by fit plus both colour penalties. Returns the best total
// (-FLT_MAX when no pair was chosen, and then f and b are not written).
template <class Types>
float scoreColourPairs(const ClusterList<Types>& foreground, const ClusterList<Types>& background,
                       const Colour3& pixel, Colour3& f, Colour3& b);

// The pair for pixel (row, column) of colour `pixel`, starting at the given
// levels and climbing both pyramids until a total exceeds `threshold` or both
// tops were tried; the best pair over all attempts. When no attempt chose a
// pair, both colours are the pixel's own. Throws "Empty foreground palette" or
// "Empty background palette" (as const char*) when a class has no sample.
template <class Types>
ColourPair findColourPair(int row, int column, const PalettePyramid<Types>& foreground,
                          const PalettePyramid<Types>& background, const Colour3& pixel,
                          int foregroundLevel, int backgroundLevel, float threshold);

} // namespace orsine::matting

#endif
