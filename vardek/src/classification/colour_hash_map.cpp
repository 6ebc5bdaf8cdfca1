#include "classification/colour_hash_map.h"

#include <utility>

namespace classification {

void ColourHashMap::assign(Entries entries, WorkerPool* pool) {
    if (entries.size() >= none) throw std::bad_alloc();
    std::size_t buckets = initialBuckets;
    int bits = initialBucketBits;
    while (overloaded(entries.size(), buckets)) {
        buckets *= 2;
        ++bits;
    }
    Slots slots(buckets);
    entries_.swap(entries);
    slots_.swap(slots);
    bucketBits_ = bits;
    mask_ = buckets - 1;

    const std::size_t n = entries_.size();
    // Places entry i from bucket `from` at the first empty bucket before
    // `end`; false when there is none.
    const auto place = [this](std::size_t i, std::size_t from, std::size_t end) {
        for (std::size_t s = from; s < end; ++s)
            if (slots_[s].key == 0) {
                slots_[s] = {packed(entries_[i].colour), static_cast<Index>(i)};
                return true;
            }
        return false;
    };

    // Entries whose range had no room left from their bucket on, per range.
    const int ranges = pool && n >= (std::size_t(1) << 16) ? int(pool->threads()) : 1;
    std::vector<std::vector<Index>> overflow(static_cast<std::size_t>(ranges));
    runJobs(pool, ranges, [&](int r) {
        const std::size_t low = buckets * std::size_t(r) / std::size_t(ranges);
        const std::size_t high = buckets * std::size_t(r + 1) / std::size_t(ranges);
        // Each bucket is fetched a few entries before it is filled.
        constexpr std::size_t ahead = 8;
        for (std::size_t i = 0; i < n; ++i) {
            if (i + ahead < n) {
                const std::size_t next = bucketOf(entries_[i + ahead].colour);
                if (next >= low && next < high) __builtin_prefetch(&slots_[next]);
            }
            const std::size_t home = bucketOf(entries_[i].colour);
            if (home < low || home >= high) continue;
            if (!place(i, home, high)) overflow[std::size_t(r)].push_back(static_cast<Index>(i));
        }
    });
    // Every bucket from an overflowing entry's own on is taken up to the end
    // of its range; it goes on from there, round the end of the buckets.
    for (const std::vector<Index>& list : overflow)
        for (Index i : list)
            slots_[emptyBucketFrom(bucketOf(entries_[i].colour))] = {packed(entries_[i].colour), i};
}

} // namespace classification
