// The colour classifier of a classification: colour histograms of the texture
// image at seven levels of coarseness and their colour clusters. A new
// classifier has an empty input and no cluster counts; the colour-cluster stage
// of the analysis fills it.
//
// Level 0 counts every distinct six-channel colour of the input; level k
// counts the colours with every channel shifted right by k bits, derived from
// level k - 1's entries rather than from the pixels again, so every level
// counts the same pixels. Each level is then clustered in colour space by a
// watershed flood from the most frequent colours (one job per level).
#ifndef VARDEK_CLASSIFICATION_GLOBAL_CLASSIFICATION_H
#define VARDEK_CLASSIFICATION_GLOBAL_CLASSIFICATION_H

#include "classification/colour_hash_map.h"
#include "classification/colour_neighbours.h"
#include "core/arrays.h"
#include "core/checkpoint.h"
#include "core/fault_injection.h"
#include "core/progress.h"
#include "core/side_thread.h"
#include "core/worker_pool.h"
#include "watershed/watershed.h"

#include <blitz/array.h>
#include <blitz/tinyvec2.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace classification {

// The label of the histogram reports: the source, the line of the report and
// the stage.
inline std::string histogramCheckpoint(int line, const char* stage) {
    return checkpointLabel("vardek/include/classification/GlobalClassification.h", line, stage);
}

// The colour with each of its six channels shifted right by `bits` (0 to 31).
inline ColourHashMap::Colour shiftColour(const ColourHashMap::Colour& colour, int bits) {
    ColourHashMap::Colour shifted;
    for (std::size_t c = 0; c < colour.size(); ++c)
        shifted[c] = static_cast<uint8_t>(colour[c] >> bits);
    return shifted;
}

// The report a coarser level makes at entry `i` of the `entries` it counts,
// and the one at its end: fractions of [start, end].
inline void reportSubsampling(orsine::utility::IiUI* reporter, std::size_t i, std::size_t entries,
                              float start, float end) {
    const double f = double(i) / double(entries);
    reporter->report(float((1.0 - f) * start + f * end),
                     histogramCheckpoint(__LINE__, "histogram subsample internal"));
}
inline void reportSubsampled(orsine::utility::IiUI* reporter, float end) {
    reporter->report(end, histogramCheckpoint(__LINE__, "histogram subsample"));
}

// Adds every entry of `finer` to `coarser` at its colour shifted right by one
// bit. Reports, when `reporter` is given, the share of entries handled into
// [start, end] after every 65535th entry, and `end` when done.
inline void histogramSubsample(const ColourHashMap& finer, ColourHashMap& coarser,
                               orsine::utility::IiUI* reporter, float start, float end) {
    const ColourHashMap::Entries& entries = finer.entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        coarser.findOrInsert(shiftColour(entries[i].colour, 1)).count += entries[i].count;
        if (reporter && i % 65535 == 0) reportSubsampling(reporter, i, entries.size(), start, end);
    }
    if (reporter) reportSubsampled(reporter, end);
}

// Orders `pending` by falling seed(i), elements of equal seed staying in
// their order: a stable counting sort on each 16-bit half of the complemented
// seed, the low half first (the high half only when the seeds differ there).
template <typename Seed>
void sortBySeedFalling(std::vector<ColourHashMap::Index>& pending, Seed seed) {
    struct Keyed {
        uint32_t key; // ~seed: rising keys are falling seeds
        ColourHashMap::Index index;
    };
    std::vector<Keyed> keyed(pending.size()), sorted(pending.size());
    uint32_t all = ~0u, any = 0;
    for (std::size_t i = 0; i < pending.size(); ++i) {
        keyed[i] = {~uint32_t(seed(pending[i])), pending[i]};
        all &= keyed[i].key;
        any |= keyed[i].key;
    }
    std::vector<std::size_t> start(0x10001);
    for (int shift : {0, 16}) {
        if (shift == 16 && ((all ^ any) >> 16) == 0) break;
        std::fill(start.begin(), start.end(), 0);
        for (const Keyed& k : keyed)
            ++start[((k.key >> shift) & 0xffffu) + 1];
        for (std::size_t b = 1; b < start.size(); ++b)
            start[b] += start[b - 1];
        for (const Keyed& k : keyed)
            sorted[start[(k.key >> shift) & 0xffffu]++] = k;
        keyed.swap(sorted);
    }
    for (std::size_t i = 0; i < pending.size(); ++i)
        pending[i] = keyed[i].index;
}

template <typename Sample, int Channels, typename Count> class GlobalClassification;

template <> class GlobalClassification<unsigned char, 6, int> {
public:
    static constexpr int levels = 7;
    using Pixel = blitz::TinyVector<unsigned char, 6>;
    using Image = blitz::Array<Pixel, 2>;
    using Histogram = ColourHashMap;

    GlobalClassification() { clusterCounts.fill(-1); }
    GlobalClassification(const GlobalClassification&) = delete;
    GlobalClassification& operator=(const GlobalClassification&) = delete;

    // Takes a new input (a view of the rebuilt texture image), empties the
    // seven histograms and forgets the cluster counts. The level states stay:
    // the next clustering continues their numbering.
    void reset(const Image& texture) {
        input.reference(texture);
        for (Histogram& h : colourHistograms)
            h.clear();
        clusterCounts.fill(-1);
    }

    // Levels 0 to 6 afresh, each taking the first half of what is left of the
    // range: level 0 counts the pixels of the input, rows in order, columns
    // ascending; level k counts level k - 1's entries at their colours
    // shifted right by one bit. A colour enters a level where it first
    // appears in that order. Reports, when the range has a reporter, at the
    // first column of every row whose index is a multiple of 2048, and at
    // every 65535th entry and the end of each coarser level.
    //
    // The work runs on `pool`: bands of rows are counted into maps of their
    // own, their colours are dealt into shards by their colour at level 3,
    // and each shard counts its colours at levels 0 to 3 on one worker. The
    // shards are then merged, level by level, in the order of the colours'
    // first appearances. Levels 4 to 6, which hold few colours, follow one
    // by one. Reports come from the calling thread between pool runs.
    void buildHistograms(ProgressRange& range) { buildHistograms(range, fanOut); }
    void buildHistograms(ProgressRange& range, WorkerPool& pool);

    // The colour group of every input pixel: the cluster label of its colour
    // shifted right by `level` bits (0 to 6) in that level's histogram, -1 for
    // a colour not clustered there, written into `groups` at the pixel's
    // position (only where `groups` holds it). Reports the row fraction at
    // every row whose index is a multiple of 1024. Returns the level's
    // cluster count.
    int partition(int level, LabelArray& groups, ProgressRange& range);

    // One clustering job: floods level k's histogram.
    template <int Levels> struct Watershedder;

    // Adds the pixels of rows first to last of the input to `map`, in order;
    // a run of pixels of one colour is one look-up.
    void countRows(Histogram& map, int first, int last) const {
        const int columns = input.extent(1);
        const std::ptrdiff_t step = input.stride(1);
        for (int r = first; r <= last; ++r) {
            const Pixel* pixel = &input(r, input.lbound(1));
            int c = 0;
            while (c < columns) {
                const ColourHashMap::Colour colour = colourOf(*pixel);
                int32_t run = 0;
                do {
                    ++run;
                    ++c;
                    pixel += step;
                } while (c < columns && colourOf(*pixel) == colour);
                map.findOrInsert(colour).count += run;
            }
        }
    }

    // The colour-cluster stage of the analysis: nothing when every level's
    // clusters are known; otherwise the histograms, reported into the range up
    // to 0.2, then the seven levels clustered, level 0 on a thread of its own
    // and levels 6, 5, ..., 1 as jobs on the pool, reporting nothing (see
    // clusterLevels). Raises VkExCancel or the worker failure (a
    // VkExFailure) after every worker is joined when a job was cancelled or
    // failed; a level whose job did not finish keeps its count of -1.
    void buildColourClusters(ProgressRange& range) { buildColourClusters(range, fanOut); }
    void buildColourClusters(ProgressRange& range, WorkerPool& pool);

    // The colour-cluster stage in two halves, so that the clustering can run
    // beside other work: whether any level still needs clustering, and the
    // clustering of the levels as above (reporting nothing) once the
    // histograms are built. Only these and buildHistograms touch the
    // histograms, counts and level states.
    bool needsClustering() const;
    void clusterLevels(WorkerPool& pool);

    // Fan-out of the clustering jobs and the histogram bands: mutex and flags.
    WorkerPool fanOut;

    Image input; // a view of the classification's texture image
    // Level k counts the input's colours shifted right by k bits.
    std::array<Histogram, levels> colourHistograms;
    // Number of colour clusters at each level; -1 = not computed.
    std::array<int, levels> clusterCounts;
    // The labels given so far at each level; never reset.
    std::array<watershed::LevelState, levels> levelStates;
};

// The flood of one level's colours: a colour's seed value is its pixel count;
// its neighbours are the colours present one step lower, then one step higher,
// in each channel in turn; an edge from colour q at level d has the level
// min(d, count of q / 2), and its plateau count restarts at 0 where that half
// count is below d. The first colour of every cluster is one more frequent
// than anything the existing clusters can still reach.
template <int Levels> struct GlobalClassification<unsigned char, 6, int>::Watershedder {
    using Queue = watershed::FloodHeap<ColourHashMap::Index, uint32_t>;
    using Edge = Queue::Edge;

    GlobalClassification& owner;
    std::array<int, Levels>& clusterCounts;
    std::array<Histogram, Levels>& histograms;
    std::array<watershed::LevelState, Levels>& states;
    // The neighbours of each level's colours, when found before the jobs
    // (see clusterLevels); a job whose level has none finds its own.
    const std::array<ColourNeighbours, Levels>* neighbours = nullptr;

    explicit Watershedder(GlobalClassification& classifier,
                          const std::array<ColourNeighbours, Levels>* found = nullptr)
        : owner(classifier), clusterCounts(classifier.clusterCounts),
          histograms(classifier.colourHistograms), states(classifier.levelStates),
          neighbours(found) {}

    // Clusters level k and sets its cluster count to the labels given so far.
    void operator()(int k) {
        floodLevel(k);
        clusterCounts[std::size_t(k)] = states[std::size_t(k)].next;
    }

    // Floods every entry of level k whose label is -1; reports nothing.
    void floodLevel(int k) {
        VARDEK_FAULT_POINT("colour cluster job");
        Histogram& map = histograms[std::size_t(k)];
        ColourNeighbours own;
        const ColourNeighbours* found = neighbours ? &(*neighbours)[std::size_t(k)] : nullptr;
        if (!found || !found->cover(map.size())) {
            own = colourNeighbours(map, nullptr);
            found = &own;
        }
        LevelGraph graph{map, states[std::size_t(k)], *found};
        std::vector<ColourHashMap::Index> pending;
        for (ColourHashMap::Index i = 0; i < graph.map.size(); ++i)
            if (graph.map[i].label == watershed::unlabelled) pending.push_back(i);
        sortBySeedFalling(pending, [&graph](ColourHashMap::Index i) { return graph.seed(i); });
        Queue queue;
        watershed::priorityFlood(graph, queue, pending);
    }

    struct LevelGraph {
        Histogram& map;
        watershed::LevelState& state;
        const ColourNeighbours& neighbours;

        int32_t& label(ColourHashMap::Index i) { return map[i].label; }
        int32_t sourceLabel(const Edge& e) { return map[e.from].label; }
        uint32_t seed(ColourHashMap::Index i) const { return uint32_t(map[i].count); }
        void spread(const Edge& e, Queue& queue) {
            pushColourNeighbours(e.to, e.level, e.plateau, e.pathLength, queue);
        }
        void startBasin(ColourHashMap::Index i, Queue& queue) {
            pushColourNeighbours(i, seed(i), 0, 0, queue);
        }
        void meet(const Edge&) {}
        int32_t newLabel() { return state.newLabel(); }

        // Pushes the edges of entry q at level d to every present neighbour
        // colour whose label differs from q's.
        void pushColourNeighbours(ColourHashMap::Index q, uint32_t d, int32_t plateau,
                                  int32_t pathLength, Queue& queue) {
            const uint32_t half = seed(q) >> 1;
            const uint32_t level = std::min(d, half);
            const int32_t nextPlateau = half < d ? 0 : plateau + 1;
            const int32_t own = map[q].label;
            const ColourHashMap::Index* first = neighbours.at.data() + neighbours.first[q];
            const ColourHashMap::Index* end = neighbours.at.data() + neighbours.first[q + 1];
            // The labels wait on memory: start fetching them all first.
            for (const ColourHashMap::Index* s = first; s != end; ++s)
                __builtin_prefetch(&map[*s]);
            for (const ColourHashMap::Index* s = first; s != end; ++s)
                if (map[*s].label != own) queue.push({q, *s, level, nextPlateau, pathLength + 1});
        }
    };
};

inline bool GlobalClassification<unsigned char, 6, int>::needsClustering() const {
    return std::any_of(clusterCounts.begin(), clusterCounts.end(), [](int n) { return n == -1; });
}

inline void GlobalClassification<unsigned char, 6, int>::clusterLevels(WorkerPool& pool) {
    // The neighbours of the colours of every level still to cluster are found
    // on all workers, so that each flood runs on one worker with no look-up
    // of its own. The finest level holds the most colours and its flood takes
    // longest, so it starts as soon as its own neighbours are known, on a
    // worker of its own, while the pool finds the other levels' neighbours
    // and floods them.
    std::array<ColourNeighbours, levels> neighbours;
    Watershedder<levels> flood(*this, &neighbours);
    std::optional<SideThread> finest;
    if (clusterCounts[0] == -1) {
        neighbours[0] = colourNeighbours(colourHistograms[0], &pool);
        finest.emplace([flood]() mutable {
            // A pool of one, so that a failure is raised as any worker's.
            WorkerPool one(1);
            one.runCountdown(0, flood);
        });
    }
    try {
        for (std::size_t k = 1; k < levels; ++k)
            if (clusterCounts[k] == -1)
                neighbours[k] = colourNeighbours(colourHistograms[k], &pool);
        // Each job works on its own level's map and state and writes its own
        // count: jobs 5 down to 0 are levels 6 down to 1.
        pool.runCountdown(levels - 2, [&flood](int job) { flood(job + 1); });
    } catch (...) {
        if (finest) finest->drop();
        throw;
    }
    if (finest) finest->finish();
}

inline void GlobalClassification<unsigned char, 6, int>::buildColourClusters(ProgressRange& range,
                                                                             WorkerPool& pool) {
    if (!needsClustering()) return;
    ProgressRange histograms = range.subRange(0.2f);
    buildHistograms(histograms, pool);
    clusterLevels(pool);
}

} // namespace classification

#endif
