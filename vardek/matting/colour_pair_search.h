// The colour pair search: for one pixel of a blend area, the pure foreground
// colour F and background colour B from the palettes of the pixel's blocks
// whose mix explains the observed colour best, climbing the two pyramids while
// no pair fits well enough.
#ifndef VARDEK_MATTING_COLOUR_PAIR_SEARCH_H
#define VARDEK_MATTING_COLOUR_PAIR_SEARCH_H

#include "matting/colour_cluster.h"
#include "matting/palette_pyramid.h"

#include <array>
#include <cstddef>
#include <unordered_map>
#include <vector>

namespace orsine::matting {

using Colour3 = std::array<float, 3>;

struct ColourPair {
    Colour3 foreground{};
    Colour3 background{};
};

// How well the segment from B to F explains I: minus the distance from I to
// the segment (0 when I lies on it). Equal colours make the segment a point,
// scored by the distance to it; the search never scores such a pair.
float segmentFit(const Vector3& f, const Vector3& b, const Vector3& i);

// What the search reads of one palette, worked out once: the representative
// of every cluster, its samples as doubles and their colour penalties.
struct PreparedCluster {
    Vector3 representative{};
    std::vector<Vector3> samples;
    std::vector<double> penalties;
};
using PreparedPalette = std::vector<PreparedCluster>;
template <class Types> PreparedPalette preparePalette(const ClusterList<Types>& palette);

// Prepared palettes of the blocks a search has visited, for one pair of
// pyramids while they live (their palettes never change). Forgets everything
// between two searches once it holds more than `limit` palettes.
template <class Types> class PaletteCache {
public:
    explicit PaletteCache(std::size_t limit = 16384) : limit_(limit) {}
    const PreparedPalette& get(const ClusterList<Types>& palette);
    // Called before a search, never during one: references stay valid.
    void trim() {
        if (entries_.size() > limit_) entries_.clear();
    }

private:
    std::unordered_map<const ClusterList<Types>*, PreparedPalette> entries_;
    std::size_t limit_;
};

// The best pair of clusters by their representatives, then the best pair of
// their samples by fit plus both colour penalties; a pair of equal colours is
// never chosen. Returns the best total (-FLT_MAX when no pair was chosen, and
// then f and b are not written).
float scoreColourPairs(const PreparedPalette& foreground, const PreparedPalette& background,
                       const Colour3& pixel, Colour3& f, Colour3& b);
template <class Types>
float scoreColourPairs(const ClusterList<Types>& foreground, const ClusterList<Types>& background,
                       const Colour3& pixel, Colour3& f, Colour3& b);

// The pair for pixel (row, column) of colour `pixel`, starting at the given
// levels and climbing both pyramids until a total exceeds `threshold` or both
// tops were tried; the best pair over all attempts. When no attempt chose a
// pair, both colours are the pixel's own. Throws the VkExFailure "Empty
// foreground palette" or "Empty background palette" when a class has no sample.
// A cache kept across the pixels of one solve saves preparing each palette
// again for every pixel.
template <class Types>
ColourPair findColourPair(int row, int column, const PalettePyramid<Types>& foreground,
                          const PalettePyramid<Types>& background, const Colour3& pixel,
                          int foregroundLevel, int backgroundLevel, float threshold,
                          PaletteCache<Types>* cache = nullptr);

} // namespace orsine::matting

#endif
