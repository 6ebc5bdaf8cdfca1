// A hash map from six-channel byte colours to a cluster label and a pixel
// count: one level of the colour classifier's histograms. It stores distinct
// colours, not pixels. Entries are kept in the order they were made and are
// addressed by their index, which never changes until the map is emptied.
#ifndef VARDEK_CLASSIFICATION_COLOUR_HASH_MAP_H
#define VARDEK_CLASSIFICATION_COLOUR_HASH_MAP_H

#include <blitz/array.h>
#include <blitz/tinyvec2.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

namespace classification {

class ColourHashMap {
public:
    using Colour = std::array<uint8_t, 6>;
    using Index = uint32_t;
    static constexpr Index none = 0xffffffffu;
    static constexpr std::size_t initialBuckets = 8;

    struct Entry {
        Colour colour;
        int32_t label = -1; // the cluster, set by the clustering
        int32_t count = 0;  // pixels of this colour
    };

    ColourHashMap() : heads_(initialBuckets, none) {}

    // The bucket of a colour k0..k5 among a power-of-two number of buckets:
    // (((k5 << 16) ^ k4) << 4) ^ w, w the little-endian word k0 k1 k2 k3, so
    // that colours differing in any channel spread over the buckets.
    static uint32_t hash(const Colour& k) {
        const uint32_t w =
            uint32_t(k[0]) | uint32_t(k[1]) << 8 | uint32_t(k[2]) << 16 | uint32_t(k[3]) << 24;
        return (((uint32_t(k[5]) << 16) ^ uint32_t(k[4])) << 4) ^ w;
    }

    // The entry of `colour`, or none.
    Index find(const Colour& colour) const {
        for (Index i = heads_[bucketOf(colour)]; i != none; i = next_[i])
            if (std::memcmp(entries_[i].colour.data(), colour.data(), colour.size()) == 0) return i;
        return none;
    }

    // The entry of `colour`, made with label -1 and count 0 when absent.
    Entry& findOrInsert(const Colour& colour) {
        const Index found = find(colour);
        if (found != none) return entries_[found];
        if (entries_.size() >= none) throw std::bad_alloc();
        if (entries_.size() >= heads_.size()) grow();
        const auto index = static_cast<Index>(entries_.size());
        Entry entry;
        entry.colour = colour;
        entries_.push_back(entry);
        const uint32_t bucket = bucketOf(colour);
        next_.push_back(heads_[bucket]);
        heads_[bucket] = index;
        return entries_.back();
    }

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    Entry& operator[](Index i) { return entries_[i]; }
    const Entry& operator[](Index i) const { return entries_[i]; }
    std::vector<Entry>& entries() { return entries_; }
    const std::vector<Entry>& entries() const { return entries_; }
    std::size_t bucketCount() const { return heads_.size(); }

    // Back to no entries and 8 buckets, memory released.
    void clear() {
        std::vector<Entry>().swap(entries_);
        std::vector<Index>().swap(next_);
        std::vector<Index>(initialBuckets, none).swap(heads_);
    }

    // The bytes the map holds.
    std::size_t memoryBytes() const {
        return entries_.capacity() * sizeof(Entry) + next_.capacity() * sizeof(Index) +
               heads_.capacity() * sizeof(Index);
    }

private:
    uint32_t bucketOf(const Colour& colour) const {
        return hash(colour) & static_cast<uint32_t>(heads_.size() - 1);
    }

    // Doubles the buckets once there are as many entries as buckets.
    void grow() {
        std::vector<Index> heads(heads_.size() * 2, none);
        heads_.swap(heads);
        for (Index i = static_cast<Index>(entries_.size()); i-- > 0;) {
            const uint32_t bucket = bucketOf(entries_[i].colour);
            next_[i] = heads_[bucket];
            heads_[bucket] = i;
        }
    }

    std::vector<Entry> entries_;
    std::vector<Index> next_;  // the next entry of the same bucket
    std::vector<Index> heads_; // the first entry of each bucket
};

// The map's colour of a six-channel pixel.
inline ColourHashMap::Colour colourOf(const blitz::TinyVector<unsigned char, 6>& pixel) {
    return {pixel[0], pixel[1], pixel[2], pixel[3], pixel[4], pixel[5]};
}

} // namespace classification

#endif
