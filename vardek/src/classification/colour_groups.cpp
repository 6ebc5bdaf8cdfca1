// The colour groups: the group most of each region's pixels have.
//
// Bands of rows are counted on the workers, each into a map of its own; the
// band counts are added up per shard of the (region, group) pairs. Where a
// region's best count is shared, the order in which the groups got there
// decides, as when the pixels are counted one by one: for each tied group the
// band in which it reaches the count is found from the band counts, that band
// is scanned again for the pixel at which it does, and the earliest pixel
// wins.
#include "classification/colour_groups.h"

#include "core/worker_pool.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace classification {

namespace {

// Pixel counts of (region, group) pairs: open addressing over 64-bit keys,
// region in the high half. Regions are never negative, so the all-ones key
// marks an empty slot.
class PairCounts {
public:
    // Room for `pairs` pairs before the table grows.
    explicit PairCounts(std::size_t pairs = 0)
        : keys_(slotsFor(pairs), vacant), counts_(keys_.size(), 0) {}

    // The count of a pair, inserted at 0 when absent.
    int32_t& operator[](uint64_t key) {
        std::size_t slot = slotOf(key);
        if (keys_[slot] == vacant) {
            if (2 * (used_ + 1) > keys_.size()) {
                grow();
                slot = slotOf(key);
            }
            keys_[slot] = key;
            ++used_;
        }
        return counts_[slot];
    }

    // The count of a pair, null when absent.
    int32_t* find(uint64_t key) {
        const std::size_t slot = slotOf(key);
        return keys_[slot] == vacant ? nullptr : &counts_[slot];
    }

    bool empty() const { return used_ == 0; }

    // Calls visit(key, count) for every pair.
    template <typename Visit> void forEach(Visit visit) const {
        for (std::size_t i = 0; i < keys_.size(); ++i)
            if (keys_[i] != vacant) visit(keys_[i], counts_[i]);
    }

private:
    static constexpr uint64_t vacant = ~uint64_t(0);

    // A power of two, at least 1024, of which `pairs` fill at most half.
    static std::size_t slotsFor(std::size_t pairs) {
        std::size_t slots = 1024;
        while (slots < 2 * pairs)
            slots *= 2;
        return slots;
    }

    std::size_t slotOf(uint64_t key) const {
        const std::size_t mask = keys_.size() - 1;
        std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;
        while (keys_[slot] != vacant && keys_[slot] != key)
            slot = (slot + 1) & mask;
        return slot;
    }

    void grow() {
        std::vector<uint64_t> keys(keys_.size() * 2, vacant);
        std::vector<int32_t> counts(keys.size(), 0);
        keys.swap(keys_);
        counts.swap(counts_);
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (keys[i] != vacant) {
                const std::size_t slot = slotOf(keys[i]);
                keys_[slot] = keys[i];
                counts_[slot] = counts[i];
            }
    }

    std::vector<uint64_t> keys_;
    std::vector<int32_t> counts_;
    std::size_t used_ = 0;
};

uint64_t pairKey(int32_t region, int32_t group) {
    return (uint64_t(uint32_t(region)) << 32) | uint32_t(group);
}
int32_t regionOf(uint64_t key) {
    return int32_t(uint32_t(key >> 32));
}
int32_t groupOf(uint64_t key) {
    return int32_t(uint32_t(key));
}

// The rows of a box in bands whose boundaries lie on multiples of `height`
// (a power of two), so that a band starts at every row whose index is a
// multiple of a larger power of two.
struct RowBands {
    RowBands(const Box& rows, int height)
        : box(rows), height(height), base(rows.lower.row & ~(height - 1)),
          count(rows.isEmpty() ? 0 : (rows.upper.row - base) / height + 1) {}

    int firstRow(int band) const { return std::max(box.lower.row, base + band * height); }
    int lastRow(int band) const {
        return std::min(box.upper.row, base + band * height + height - 1);
    }

    Box box;
    int height;
    int base;
    int count;
};

constexpr int bandHeight = 64;

// Runs work(band, first row, last row) for every band on `pool`. Whoever takes a band that starts
// at a row whose index is a multiple of `reportEvery` (a power of two) reports
// the share of the box's rows before it into `progress`, under the pool's
// mutex and in row order.
template <typename Work>
void runBands(const RowBands& bands, int reportEvery, ProgressRange& progress, WorkerPool& pool,
              Work work) {
    const float rows = static_cast<float>(bands.box.rows());
    int next = 0;
    pool.run(
        [&]() -> std::optional<int> {
            if (next == bands.count) return std::nullopt;
            const int first = bands.firstRow(next);
            if ((first & (reportEvery - 1)) == 0)
                progress.report(static_cast<float>(first - bands.box.lower.row) / rows);
            return next++;
        },
        [&bands, &work](int band) { work(band, bands.firstRow(band), bands.lastRow(band)); });
}

// A pair and its pixel count.
struct PairCount {
    uint64_t key;
    int32_t count;
};

// The shard of a pair: a hash independent of PairCounts' slots, so that the
// pairs of one shard still spread over a map's slots.
int shardOf(uint64_t key, int shards) {
    return static_cast<int>(((key * 0xD6E8FEB86659FD93ull) >> 40) % uint64_t(shards));
}

// Where a group whose count ties for its region's best reaches that count:
// the band, the number of the pair's pixels in that band up to that pixel,
// and (after the band is scanned again) the pixel's raster index in the box.
struct Reach {
    uint64_t key;
    int band;
    int32_t nth;
    int32_t seen = 0;
    int64_t at = std::numeric_limits<int64_t>::max();
};

} // namespace

void regionMajorityGroups(std::vector<int32_t>& groups, int32_t regionCount,
                          const LabelArray& regionLabels, const LabelArray& groupLabels,
                          ProgressRange& progress, unsigned workers) {
    const std::size_t regions = regionCount > 0 ? static_cast<std::size_t>(regionCount) : 0;
    groups.assign(regions, 0);
    if (regionLabels.size() == 0 || groupLabels.size() == 0) return;
    const Box box = Box::intersection(boxOf(regionLabels), boxOf(groupLabels));
    if (box.isEmpty()) return;
    const std::ptrdiff_t rs = regionLabels.stride(1), gs = groupLabels.stride(1);
    const RowBands bands(box, bandHeight);
    const int shards = static_cast<int>(std::max(1u, workers));
    WorkerPool pool(workers);

    // 1. count_b(r, g) = pixels of region r and group g in band b, handed on
    //    as one list per shard of the pairs.
    std::vector<std::vector<std::vector<PairCount>>> bandLists(
        static_cast<std::size_t>(bands.count),
        std::vector<std::vector<PairCount>>(static_cast<std::size_t>(shards)));
    runBands(bands, 256, progress, pool, [&](int b, int first, int last) {
        PairCounts counts;
        for (int r = first; r <= last; ++r) {
            const int32_t* region = &regionLabels(r, box.lower.column);
            const int32_t* group = &groupLabels(r, box.lower.column);
            // Neighbouring pixels mostly share their pair: keep its count at hand.
            uint64_t lastKey = ~uint64_t(0);
            int32_t* lastCount = nullptr;
            for (int c = box.lower.column; c <= box.upper.column; ++c, region += rs, group += gs) {
                const int32_t label = *region;
                if (label < 0 || static_cast<std::size_t>(label) >= regions) continue;
                const uint64_t key = pairKey(label, *group);
                if (key != lastKey) {
                    lastKey = key;
                    lastCount = &counts[key];
                }
                ++*lastCount;
            }
        }
        std::vector<std::vector<PairCount>>& lists = bandLists[std::size_t(b)];
        counts.forEach([&](uint64_t key, int32_t n) {
            lists[std::size_t(shardOf(key, shards))].push_back({key, n});
        });
    });

    // 2. total(r, g) = sum over b of count_b(r, g), per shard;
    //    best(r) = max over g of total(r, g).
    std::vector<PairCounts> totals(static_cast<std::size_t>(shards));
    std::unique_ptr<std::atomic<int32_t>[]> best(new std::atomic<int32_t>[regions]);
    std::unique_ptr<std::atomic<int32_t>[]> holders(new std::atomic<int32_t>[regions]);
    for (std::size_t r = 0; r < regions; ++r) {
        best[r].store(0, std::memory_order_relaxed);
        holders[r].store(0, std::memory_order_relaxed);
    }
    pool.runCountdown(shards - 1, [&](int shard) {
        std::size_t pairs = 0;
        for (const std::vector<std::vector<PairCount>>& lists : bandLists)
            pairs += lists[std::size_t(shard)].size();
        PairCounts& sums = totals[std::size_t(shard)];
        sums = PairCounts(pairs);
        for (const std::vector<std::vector<PairCount>>& lists : bandLists)
            for (const PairCount& pair : lists[std::size_t(shard)])
                sums[pair.key] += pair.count;
        sums.forEach([&](uint64_t key, int32_t n) {
            std::atomic<int32_t>& b = best[std::size_t(regionOf(key))];
            int32_t seen = b.load(std::memory_order_relaxed);
            while (n > seen && !b.compare_exchange_weak(seen, n, std::memory_order_relaxed)) {
            }
        });
    });

    // 3. The groups with total(r, g) = best(r): the region's group when it is
    //    the only one.
    pool.runCountdown(shards - 1, [&](int shard) {
        totals[std::size_t(shard)].forEach([&](uint64_t key, int32_t n) {
            const auto r = static_cast<std::size_t>(regionOf(key));
            if (n != best[r].load(std::memory_order_relaxed)) return;
            if (holders[r].fetch_add(1, std::memory_order_relaxed) == 0) groups[r] = groupOf(key);
        });
    });

    // 4. Where more than one group has it, each of them reaches best(r) in
    //    the first band b with sum over b' <= b of count_b'(r, g) >= best(r),
    //    at its (best(r) - sum over b' < b of count_b'(r, g))-th pixel there.
    std::vector<std::vector<Reach>> shardReaches(static_cast<std::size_t>(shards));
    pool.runCountdown(shards - 1, [&](int shard) {
        PairCounts running;
        totals[std::size_t(shard)].forEach([&](uint64_t key, int32_t n) {
            const auto r = static_cast<std::size_t>(regionOf(key));
            if (holders[r].load(std::memory_order_relaxed) < 2 ||
                n != best[r].load(std::memory_order_relaxed))
                return;
            running[key] = 0;
        });
        if (running.empty()) return;
        for (int b = 0; b < bands.count; ++b)
            for (const PairCount& pair : bandLists[std::size_t(b)][std::size_t(shard)]) {
                int32_t* before = running.find(pair.key);
                if (!before) continue;
                const int32_t target = best[std::size_t(regionOf(pair.key))];
                if (*before < target && *before + pair.count >= target)
                    shardReaches[std::size_t(shard)].push_back({pair.key, b, target - *before});
                *before += pair.count;
            }
    });
    bandLists.clear();
    totals.clear();

    std::vector<Reach> reaches;
    for (const std::vector<Reach>& part : shardReaches)
        reaches.insert(reaches.end(), part.begin(), part.end());
    if (reaches.empty()) return;
    std::sort(reaches.begin(), reaches.end(), [](const Reach& a, const Reach& b) {
        return a.band != b.band ? a.band < b.band : a.key < b.key;
    });

    // 5. The bands holding a reach are scanned again: the pixel at which a
    //    tied pair reaches best(r) is its nth in the band.
    std::vector<std::size_t> firstReach; // of each band that holds one, then the end
    for (std::size_t i = 0; i < reaches.size(); ++i)
        if (i == 0 || reaches[i].band != reaches[i - 1].band) firstReach.push_back(i);
    const int scans = static_cast<int>(firstReach.size());
    firstReach.push_back(reaches.size());
    pool.runCountdown(scans - 1, [&](int scan) {
        const auto begin = reaches.begin() + std::ptrdiff_t(firstReach[std::size_t(scan)]);
        const auto end = reaches.begin() + std::ptrdiff_t(firstReach[std::size_t(scan) + 1]);
        const int b = begin->band;
        for (int r = bands.firstRow(b); r <= bands.lastRow(b); ++r) {
            const int32_t* region = &regionLabels(r, box.lower.column);
            const int32_t* group = &groupLabels(r, box.lower.column);
            for (int c = box.lower.column; c <= box.upper.column; ++c, region += rs, group += gs) {
                const int32_t label = *region;
                if (label < 0 || static_cast<std::size_t>(label) >= regions ||
                    holders[std::size_t(label)].load(std::memory_order_relaxed) < 2)
                    continue;
                const uint64_t key = pairKey(label, *group);
                const auto reach = std::lower_bound(
                    begin, end, key, [](const Reach& a, uint64_t k) { return a.key < k; });
                if (reach == end || reach->key != key || ++reach->seen != reach->nth) continue;
                reach->at = int64_t(r - box.lower.row) * box.columns() + (c - box.lower.column);
            }
        }
    });

    // 6. Among the tied groups of a region, the one that got there first.
    std::sort(reaches.begin(), reaches.end(), [](const Reach& a, const Reach& b) {
        return regionOf(a.key) != regionOf(b.key) ? regionOf(a.key) < regionOf(b.key) : a.at < b.at;
    });
    for (std::size_t i = 0; i < reaches.size(); ++i)
        if (i == 0 || regionOf(reaches[i].key) != regionOf(reaches[i - 1].key))
            groups[std::size_t(regionOf(reaches[i].key))] = groupOf(reaches[i].key);
}

void assignRegionGroups(LabelArray& groupLabels, const LabelArray& regionLabels,
                        const std::vector<int32_t>& regionGroups, ProgressRange& progress,
                        unsigned workers) {
    if (groupLabels.size() == 0 || regionLabels.size() == 0) return;
    const Box box = Box::intersection(boxOf(groupLabels), boxOf(regionLabels));
    if (box.isEmpty()) return;
    const std::ptrdiff_t gs = groupLabels.stride(1), rs = regionLabels.stride(1);
    const auto regions = static_cast<int32_t>(regionGroups.size());
    WorkerPool pool(workers);
    // group(p) = regionGroups[region(p)] where 0 <= region(p) < regions.
    runBands(RowBands(box, bandHeight), 512, progress, pool, [&](int, int first, int last) {
        for (int r = first; r <= last; ++r) {
            int32_t* group = &groupLabels(r, box.lower.column);
            const int32_t* region = &regionLabels(r, box.lower.column);
            for (int c = box.lower.column; c <= box.upper.column; ++c, group += gs, region += rs)
                if (*region >= 0 && *region < regions) *group = regionGroups[std::size_t(*region)];
        }
    });
}

} // namespace classification
