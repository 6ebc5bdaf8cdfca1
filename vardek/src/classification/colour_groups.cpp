// The colour groups: the group most of each region's pixels have.
#include "classification/colour_groups.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace classification {

namespace {

// Pixel counts of (region, group) pairs: open addressing over 64-bit keys,
// region in the high half. Regions are never negative, so the all-ones key
// marks an empty slot.
class PairCounts {
public:
    PairCounts() : keys_(1024, empty), counts_(1024, 0) {}

    // The count of a pair, inserted at 0 when absent.
    int32_t& operator[](uint64_t key) {
        std::size_t slot = find(key);
        if (keys_[slot] == empty) {
            if (2 * (used_ + 1) > keys_.size()) {
                grow();
                slot = find(key);
            }
            keys_[slot] = key;
            ++used_;
        }
        return counts_[slot];
    }

private:
    static constexpr uint64_t empty = ~uint64_t(0);

    std::size_t find(uint64_t key) const {
        const std::size_t mask = keys_.size() - 1;
        std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;
        while (keys_[slot] != empty && keys_[slot] != key)
            slot = (slot + 1) & mask;
        return slot;
    }

    void grow() {
        std::vector<uint64_t> keys(keys_.size() * 2, empty);
        std::vector<int32_t> counts(keys.size(), 0);
        keys.swap(keys_);
        counts.swap(counts_);
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (keys[i] != empty) {
                const std::size_t slot = find(keys[i]);
                keys_[slot] = keys[i];
                counts_[slot] = counts[i];
            }
    }

    std::vector<uint64_t> keys_;
    std::vector<int32_t> counts_;
    std::size_t used_ = 0;
};

} // namespace

void regionMajorityGroups(std::vector<int32_t>& groups, int32_t regionCount,
                          const LabelArray& regionLabels, const LabelArray& groupLabels,
                          ProgressRange& progress) {
    const std::size_t regions = regionCount > 0 ? static_cast<std::size_t>(regionCount) : 0;
    groups.assign(regions, 0);
    if (regionLabels.size() == 0 || groupLabels.size() == 0) return;
    const Box box = Box::intersection(boxOf(regionLabels), boxOf(groupLabels));
    if (box.isEmpty()) return;

    std::vector<int32_t> best(regions, 0);
    PairCounts counts;
    const std::ptrdiff_t rs = regionLabels.stride(1), gs = groupLabels.stride(1);
    const float rows = static_cast<float>(box.rows());
    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        if ((r & 0xFF) == 0) progress.report(static_cast<float>(r - box.lower.row) / rows);
        const int32_t* region = &regionLabels(r, box.lower.column);
        const int32_t* group = &groupLabels(r, box.lower.column);
        // Neighbouring pixels mostly share their pair: keep its count at hand.
        uint64_t lastKey = ~uint64_t(0);
        int32_t* lastCount = nullptr;
        for (int c = box.lower.column; c <= box.upper.column; ++c, region += rs, group += gs) {
            const int32_t label = *region;
            if (label < 0 || static_cast<std::size_t>(label) >= regions) continue;
            const uint64_t key = (uint64_t(uint32_t(label)) << 32) | uint32_t(*group);
            if (key != lastKey) {
                lastKey = key;
                lastCount = &counts[key];
            }
            // A pair takes the lead only by exceeding the region's best count,
            // so on equal counts the group that got there first keeps it.
            if (++*lastCount > best[label]) {
                best[label] = *lastCount;
                groups[label] = *group;
            }
        }
    }
}

} // namespace classification
