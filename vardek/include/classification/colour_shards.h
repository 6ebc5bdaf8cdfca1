// Colours counted on several workers at once. The colours are dealt into
// shards by their hash; each shard has a map of its own, which only one
// worker fills, and remembers where each of its colours first appeared. The
// shards are then merged into one map in the order of those first
// appearances, so that the merged map's entries stand exactly where counting
// every colour one by one on one thread would have put them.
#ifndef VARDEK_CLASSIFICATION_COLOUR_SHARDS_H
#define VARDEK_CLASSIFICATION_COLOUR_SHARDS_H

#include "classification/colour_hash_map.h"
#include "core/worker_pool.h"

#include <cstdint>
#include <vector>

namespace classification {

class ColourShards {
public:
    // `shards` maps (at least 1).
    explicit ColourShards(int shards);

    int count() const { return static_cast<int>(shards_.size()); }

    // The shard a colour belongs to.
    int shardOf(const ColourHashMap::Colour& colour) const;

    // Adds `pixels` of `colour` to `shard`, which must be the colour's own.
    // `order` places the first appearance of the colour: the calls made for
    // one shard must come with rising orders.
    void add(int shard, const ColourHashMap::Colour& colour, int32_t pixels, uint64_t order) {
        Shard& s = shards_[static_cast<std::size_t>(shard)];
        const std::size_t before = s.map.size();
        s.map.findOrInsert(colour).count += pixels;
        if (s.map.size() != before) s.firstOrder.push_back(order);
    }

    // A shard's colours, in the order they entered it, and where each first
    // appeared.
    const ColourHashMap& map(int shard) const {
        return shards_[static_cast<std::size_t>(shard)].map;
    }
    uint64_t firstOrder(int shard, ColourHashMap::Index entry) const {
        return shards_[static_cast<std::size_t>(shard)].firstOrder[entry];
    }

    // Makes every colour of every shard the entries of `target`, in the
    // order of their first appearance, and empties the shards; on the
    // workers of `pool` when one is given.
    void mergeInto(ColourHashMap& target, WorkerPool* pool = nullptr);

private:
    struct Shard {
        ColourHashMap map;
        std::vector<uint64_t> firstOrder; // of each entry of `map`
    };
    std::vector<Shard> shards_;
};

} // namespace classification

#endif
