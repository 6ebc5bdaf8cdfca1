// The neighbours of every colour of one level's histogram: the colours
// present one step lower, then one step higher, in each of the six channels
// in turn. The colour flood visits them in that order; they depend only on
// which colours are present, so they can be found for all colours at once,
// on many workers, before the flood, which then runs on one thread without a
// single hash look-up.
#ifndef VARDEK_CLASSIFICATION_COLOUR_NEIGHBOURS_H
#define VARDEK_CLASSIFICATION_COLOUR_NEIGHBOURS_H

#include "classification/colour_hash_map.h"
#include "core/worker_pool.h"

#include <cstdint>
#include <vector>

namespace classification {

// Entry i's neighbours are at[first[i]] .. at[first[i + 1] - 1], as entry
// indices of the map they were found in.
struct ColourNeighbours {
    std::vector<uint32_t> first;
    std::vector<ColourHashMap::Index> at;

    // Whether these are the neighbours of a map of `entries` entries.
    bool cover(std::size_t entries) const { return first.size() == entries + 1; }
};

// The neighbours of every entry of `map`, found in bands of entries on the
// workers of `pool` (on the calling thread when it is null).
ColourNeighbours colourNeighbours(const ColourHashMap& map, WorkerPool* pool);

} // namespace classification

#endif
