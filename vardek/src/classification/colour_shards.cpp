#include "classification/colour_shards.h"

#include <algorithm>
#include <utility>

namespace classification {

ColourShards::ColourShards(int shards) : shards_(static_cast<std::size_t>(std::max(1, shards))) {}

int ColourShards::shardOf(const ColourHashMap::Colour& colour) const {
    // The top bits of another multiplication than the map's: the colours of
    // one shard must still spread over all of its map's buckets.
    const uint32_t mixed = ColourHashMap::hash(colour) * 0x85EBCA77u;
    return static_cast<int>((uint64_t(mixed >> 16) * shards_.size()) >> 16);
}

void ColourShards::mergeInto(ColourHashMap& target, WorkerPool* pool) {
    std::size_t total = 0;
    for (const Shard& s : shards_)
        total += s.map.size();

    // Each entry's place among all: its place in its own shard, plus the
    // entries of every other shard that first appeared before it. Each shard
    // walks the others with one cursor each, as its orders rise.
    ColourHashMap::Entries merged(total);
    const std::size_t count = shards_.size();
    runJobs(pool, int(count), [&](int own) {
        const Shard& shard = shards_[std::size_t(own)];
        std::vector<std::size_t> before(count, 0);
        for (std::size_t i = 0; i < shard.map.size(); ++i) {
            const uint64_t order = shard.firstOrder[i];
            std::size_t place = i;
            for (std::size_t k = 0; k < count; ++k) {
                if (k == std::size_t(own)) continue;
                const std::vector<uint64_t>& other = shards_[k].firstOrder;
                std::size_t& b = before[k];
                while (b < other.size() && other[b] < order)
                    ++b;
                place += b;
            }
            merged[place] = shard.map[static_cast<ColourHashMap::Index>(i)];
        }
    });
    for (Shard& s : shards_) {
        s.map.clear();
        std::vector<uint64_t>().swap(s.firstOrder);
    }

    target.assign(std::move(merged), pool);
}

} // namespace classification
