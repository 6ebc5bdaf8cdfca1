// The colour groups: the partition of the texture colours at one level, and
// region majorities.
#include "classification/colour_groups.h"

#include "classification/global_classification.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
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

int GlobalClassification<unsigned char, 6, int>::partition(int level, LabelArray& groups,
                                                           ProgressRange& range) {
    // Only the seven levels exist.
    const int k = std::clamp(level, 0, levels - 1);
    Histogram& histogram = colourHistograms[std::size_t(k)];
    const Box box = input.size() && groups.size() ? Box::intersection(boxOf(input), boxOf(groups))
                                                  : Box::empty();
    if (box.isEmpty()) return clusterCounts[std::size_t(k)];
    const float rows = static_cast<float>(box.rows());
    const std::ptrdiff_t in = input.stride(1), out = groups.stride(1);

    // Bands of rows are labelled on the pool. The workers only read the
    // level's map; a colour it lacks is left for the calling thread, which
    // inserts it after the join.
    constexpr int bandRows = 64;
    std::vector<std::vector<Point>> missing;
    const auto labelBand = [&](int first, int last, std::vector<Point>& absent) {
        for (int r = first; r <= last; ++r) {
            const Pixel* pixel = &input(r, box.lower.column);
            int32_t* group = &groups(r, box.lower.column);
            // Neighbouring pixels often share their colour: keep its label at hand.
            ColourHashMap::Colour last{};
            int32_t lastLabel = -1;
            bool known = false;
            for (int c = box.lower.column; c <= box.upper.column; ++c, pixel += in, group += out) {
                const ColourHashMap::Colour colour = shiftColour(colourOf(*pixel), k);
                if (!known || std::memcmp(colour.data(), last.data(), colour.size()) != 0) {
                    last = colour;
                    const ColourHashMap::Index entry = histogram.find(colour);
                    known = entry != ColourHashMap::none;
                    lastLabel = known ? histogram[entry].label : -1;
                    if (!known) absent.emplace_back(r, c); // looked up again at the next pixel
                }
                *group = lastLabel;
            }
        }
    };

    // Reports come from the calling thread, at every row whose index is a
    // multiple of 1024: the rows between two such rows form one pool run.
    for (int first = box.lower.row; first <= box.upper.row;) {
        if ((first & 1023) == 0)
            range.report(static_cast<float>(first - box.lower.row) / rows,
                         histogramCheckpoint(__LINE__, "partition"));
        const int last = std::min(box.upper.row, (first | 1023));
        const int bands = (last - first) / bandRows + 1;
        const std::size_t offset = missing.size();
        missing.resize(offset + std::size_t(bands));
        fanOut.runCountdown(bands - 1, [&](int b) {
            const int top = first + b * bandRows;
            labelBand(top, std::min(last, top + bandRows - 1), missing[offset + std::size_t(b)]);
        });
        first = last + 1;
    }

    // A colour the level does not hold gets its entry, unclustered. Every
    // pixel of such a colour was left for this pass.
    for (const std::vector<Point>& absent : missing)
        for (Point p : absent)
            groups(p.row, p.column) =
                histogram.findOrInsert(shiftColour(colourOf(input(p.row, p.column)), k)).label;
    return clusterCounts[std::size_t(k)];
}

} // namespace classification
