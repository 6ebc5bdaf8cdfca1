// Values found in bands of work, grouped by key with a counting sort: the
// values of each band are counted per key on the workers, each band's first
// place for each key worked out, and the values placed on the workers again.
#ifndef VARDEK_CORE_GROUP_BY_KEY_H
#define VARDEK_CORE_GROUP_BY_KEY_H

#include "core/worker_pool.h"

#include <cstddef>
#include <vector>

namespace classification {

// The values of key k are values[first[k]] .. values[first[k + 1] - 1], in
// the order they were found, band after band.
template <typename Values> struct Grouped {
    std::vector<std::size_t> first;
    Values values;
};

// Groups the values of `bands` bands by their keys, 0 to keys - 1.
// forEachIn(band, visit) calls visit(key, value) for every value of the band;
// it is called twice for each band, to count and then to place, and must find
// the same values in the same order both times. Bands run on `pool`'s workers
// (one after another without a pool). Values is a container made with its
// size, such as std::vector.
template <typename Values, typename ForEachIn>
Grouped<Values> groupByKey(WorkerPool* pool, int bands, std::size_t keys, ForEachIn forEachIn) {
    std::vector<std::vector<std::size_t>> next(std::size_t(bands),
                                               std::vector<std::size_t>(keys, 0));
    runJobs(pool, bands, [&](int b) {
        std::vector<std::size_t>& counts = next[std::size_t(b)];
        forEachIn(b, [&counts](std::size_t key, const auto&) { ++counts[key]; });
    });
    // Each band's first place for each key: after every lower key and after
    // the same key in the bands before it.
    Grouped<Values> grouped;
    grouped.first.resize(keys + 1);
    std::size_t position = 0;
    for (std::size_t key = 0; key < keys; ++key) {
        grouped.first[key] = position;
        for (std::vector<std::size_t>& counts : next) {
            const std::size_t count = counts[key];
            counts[key] = position;
            position += count;
        }
    }
    grouped.first[keys] = position;
    grouped.values = Values(position);
    runJobs(pool, bands, [&](int b) {
        std::vector<std::size_t>& at = next[std::size_t(b)];
        forEachIn(b,
                  [&](std::size_t key, const auto& value) { grouped.values[at[key]++] = value; });
    });
    return grouped;
}

} // namespace classification

#endif
