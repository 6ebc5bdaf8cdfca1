// A hash map from six-channel byte colours to a cluster label and a pixel
// count: one level of the colour classifier's histograms. It stores distinct
// colours, not pixels. Entries are kept in the order they were made and are
// addressed by their index, which never changes until the map is emptied.
#ifndef VARDEK_CLASSIFICATION_COLOUR_HASH_MAP_H
#define VARDEK_CLASSIFICATION_COLOUR_HASH_MAP_H

#include "core/large_memory.h"
#include "core/worker_pool.h"

#include <blitz/array.h>
#include <blitz/tinyvec2.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace classification {

class ColourHashMap {
public:
    using Colour = std::array<uint8_t, 6>;
    using Index = uint32_t;
    static constexpr Index none = 0xffffffffu;
    static constexpr int initialBucketBits = 3;
    static constexpr std::size_t initialBuckets = std::size_t(1) << initialBucketBits;

    struct Entry {
        Colour colour;
        int32_t label = -1; // the cluster, set by the clustering
        int32_t count = 0;  // pixels of this colour
    };

    using Entries = std::vector<Entry, LargeAllocator<Entry>>;

    ColourHashMap() : slots_(initialBuckets) {}

    // The hash of a colour k0..k5: (((k5 << 16) ^ k4) << 4) ^ w, w the
    // little-endian word k0 k1 k2 k3, which every channel enters.
    static uint32_t hash(const Colour& k) {
        const uint32_t w =
            uint32_t(k[0]) | uint32_t(k[1]) << 8 | uint32_t(k[2]) << 16 | uint32_t(k[3]) << 24;
        return (((uint32_t(k[5]) << 16) ^ uint32_t(k[4])) << 4) ^ w;
    }

    // The bucket of a hash among 2^bits buckets: its top bits after a
    // multiplication by 2^32 / golden ratio. Masking the hash to its low bits
    // instead would leave k3 (bits 24 to 31) out below 2^24 buckets and most of
    // k2 and k5 too, and the channels of a texture colour move together, so a
    // few buckets would take most colours.
    static uint32_t bucketIndex(uint32_t hash, int bits) {
        return bits == 0 ? 0 : (hash * 0x9E3779B1u) >> (32 - bits);
    }

    // The entry of `colour`, or none.
    Index find(const Colour& colour) const {
        const uint64_t key = packed(colour);
        for (std::size_t s = bucketOf(colour);; s = (s + 1) & mask_) {
            if (slots_[s].key == key) return slots_[s].index;
            if (slots_[s].key == 0) return none;
        }
    }

    // Starts fetching the bucket of `colour` into the cache. Inlined where it
    // is called: the compiler takes a function whose only work is a prefetch
    // for one without effect and drops the calls to it that it did not inline.
    __attribute__((always_inline)) void prefetch(const Colour& colour) const {
        __builtin_prefetch(&slots_[bucketOf(colour)]);
    }

    // The entry of `colour`, made with label -1 and count 0 when absent.
    Entry& findOrInsert(const Colour& colour) {
        const uint64_t key = packed(colour);
        std::size_t s = bucketOf(colour);
        for (;; s = (s + 1) & mask_) {
            if (slots_[s].key == key) return entries_[slots_[s].index];
            if (slots_[s].key == 0) break;
        }
        if (entries_.size() >= none) throw std::bad_alloc();
        if (overloaded(entries_.size() + 1, slots_.size())) {
            grow();
            s = emptyBucketFrom(bucketOf(colour));
        }
        Entry entry;
        entry.colour = colour;
        entries_.push_back(entry);
        slots_[s] = {key, static_cast<Index>(entries_.size() - 1)};
        return entries_.back();
    }

    // Makes `entries`, whose colours must be distinct, the map's entries in
    // their order, with as many buckets as inserting them one by one would
    // leave. With a pool, the buckets are filled in ranges on its workers,
    // each range taking the colours whose bucket lies in it; a colour that
    // finds its range full to the end is placed after them. Where each colour
    // lands may then differ from one-by-one insertion, but every colour is
    // found all the same.
    void assign(Entries entries, WorkerPool* pool = nullptr);

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    Entry& operator[](Index i) { return entries_[i]; }
    const Entry& operator[](Index i) const { return entries_[i]; }
    Entries& entries() { return entries_; }
    const Entries& entries() const { return entries_; }
    std::size_t bucketCount() const { return slots_.size(); }

    // Back to no entries and 8 buckets, memory released.
    void clear() {
        Entries().swap(entries_);
        Slots(initialBuckets).swap(slots_);
        bucketBits_ = initialBucketBits;
        mask_ = initialBuckets - 1;
    }

    // The bytes the map holds.
    std::size_t memoryBytes() const {
        return entries_.capacity() * sizeof(Entry) + slots_.capacity() * sizeof(Slot);
    }

private:
    // A bucket holds at most one colour, with its entry; a full bucket sends
    // a colour on to the next one. Key 0 marks an empty bucket.
    struct Slot {
        uint64_t key = 0;
        Index index = none;
    };

    // The six bytes with a bit above them, so that no colour packs to 0.
    static uint64_t packed(const Colour& k) {
        uint64_t key = uint64_t(1) << 48;
        for (std::size_t c = 0; c < k.size(); ++c)
            key |= uint64_t(k[c]) << (8 * c);
        return key;
    }

    std::size_t bucketOf(const Colour& colour) const {
        return bucketIndex(hash(colour), bucketBits_);
    }

    // Whether `entries` colours would take more than three in four of `buckets`.
    static bool overloaded(std::size_t entries, std::size_t buckets) {
        return 4 * entries > 3 * buckets;
    }

    // The first empty bucket from `s` on, round the end of the buckets.
    std::size_t emptyBucketFrom(std::size_t s) const {
        while (slots_[s].key != 0)
            s = (s + 1) & mask_;
        return s;
    }

    // Doubles the buckets once three in four are taken.
    void grow() {
        Slots old(slots_.size() * 2);
        slots_.swap(old);
        ++bucketBits_;
        mask_ = slots_.size() - 1;
        for (const Slot& slot : old)
            if (slot.key != 0)
                slots_[emptyBucketFrom(bucketOf(entries_[slot.index].colour))] = slot;
    }

    using Slots = std::vector<Slot, LargeAllocator<Slot>>;
    Entries entries_;
    Slots slots_;
    int bucketBits_ = initialBucketBits;
    std::size_t mask_ = initialBuckets - 1;
};

// The map's colour of a six-channel pixel.
inline ColourHashMap::Colour colourOf(const blitz::TinyVector<unsigned char, 6>& pixel) {
    return {pixel[0], pixel[1], pixel[2], pixel[3], pixel[4], pixel[5]};
}

} // namespace classification

#endif
