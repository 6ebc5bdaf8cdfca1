// The colour histograms of the colour classifier, counted on a pool.
#include "classification/colour_shards.h"
#include "classification/global_classification.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace classification {

namespace {

using Classifier = GlobalClassification<unsigned char, 6, int>;

// Levels 0 to 3 are counted in shards: a colour and its coarser colours down
// to level 3 share their shard, so each shard makes its own coarser levels.
constexpr int shardedLevels = 4;

// Reports the "internal" reports a level of `entries` entries makes at every
// 65535th entry, fractions of [start, end], and its end.
void reportLevel(orsine::utility::IiUI* reporter, std::size_t entries, float start, float end) {
    if (!reporter) return;
    for (std::size_t i = 0; i < entries; i += 65535)
        reportSubsampling(reporter, i, entries, start, end);
    reportSubsampled(reporter, end);
}

} // namespace

void Classifier::buildHistograms(ProgressRange& range, WorkerPool& pool) {
    orsine::utility::IiUI* reporter = range.parent();
    const float b = range.end();
    std::array<float, levels + 1> bounds; // level k reports into [bounds[k], bounds[k + 1]]
    bounds[0] = range.valueAt(range.current());
    for (int k = 0; k < levels; ++k)
        bounds[std::size_t(k) + 1] = (bounds[std::size_t(k)] + b) / 2.0f;
    for (Histogram& h : colourHistograms)
        h.clear();

    // Bands and shards are numbered in 12 bits of a first appearance's order.
    const int workers = std::clamp(int(pool.threads()), 1, 4096);
    std::array<ColourShards, shardedLevels> shards{ColourShards(workers), ColourShards(workers),
                                                   ColourShards(workers), ColourShards(workers)};
    const auto shardOf = [&](const ColourHashMap::Colour& colour) {
        return shards[0].shardOf(shiftColour(colour, shardedLevels - 1));
    };

    // Level 0, 2048 rows at a time: the bands of a run are counted into maps
    // of their own, each band noting the shard of each of its colours; then
    // each shard takes its colours from the bands in order. A colour's first
    // appearance is placed by its run, its band and its entry in the band.
    if (input.size()) {
        const int firstRow = input.lbound(0), lastRow = input.ubound(0);
        const float rows = float(input.extent(0));
        std::vector<Histogram> bands(static_cast<std::size_t>(workers));
        std::vector<std::vector<uint16_t>> bandShards(bands.size());
        for (int first = firstRow, run = 0; first <= lastRow; ++run) {
            if (reporter && (first & 2047) == 0) {
                const float f = float(first - firstRow) / rows;
                reporter->report((1.0f - f) * bounds[0] + f * bounds[1],
                                 histogramCheckpoint(__LINE__, "histogram"));
            }
            const int last = std::min(lastRow, first | 2047);
            const int runBands = std::min(workers, last - first + 1);
            const long long runRows = last - first + 1;
            runJobs(&pool, runBands, [&](int band) {
                const int top = first + int(runRows * band / runBands);
                const int bottom = first + int(runRows * (band + 1) / runBands) - 1;
                Histogram& map = bands[std::size_t(band)];
                countRows(map, top, bottom);
                std::vector<uint16_t>& shard = bandShards[std::size_t(band)];
                shard.resize(map.size());
                for (std::size_t i = 0; i < map.size(); ++i)
                    shard[i] = uint16_t(shardOf(map[ColourHashMap::Index(i)].colour));
            });
            runJobs(&pool, workers, [&](int s) {
                for (int band = 0; band < runBands; ++band) {
                    const Histogram& map = bands[std::size_t(band)];
                    const std::vector<uint16_t>& shard = bandShards[std::size_t(band)];
                    const uint64_t order = uint64_t(run) << 44 | uint64_t(band) << 32;
                    for (std::size_t i = 0; i < map.size(); ++i)
                        if (shard[i] == s) {
                            const ColourHashMap::Entry& e = map[ColourHashMap::Index(i)];
                            shards[0].add(s, e.colour, e.count, order | i);
                        }
                }
            });
            // Only one run's band maps are held.
            for (Histogram& map : bands)
                map.clear();
            first = last + 1;
        }
    }

    // Levels 1 to 3 in each shard, from its own finer level, taking the
    // first appearance of each coarser colour's first finer colour. Then
    // each sharded level is merged on all workers.
    runJobs(&pool, workers, [&](int s) {
        for (std::size_t k = 1; k < shardedLevels; ++k) {
            const ColourHashMap& finer = shards[k - 1].map(s);
            for (ColourHashMap::Index i = 0; i < finer.size(); ++i)
                shards[k].add(s, shiftColour(finer[i].colour, 1), finer[i].count,
                              shards[k - 1].firstOrder(s, i));
        }
    });
    for (std::size_t k = 0; k < shardedLevels; ++k)
        shards[k].mergeInto(colourHistograms[k], &pool);
    for (std::size_t k = 1; k < shardedLevels; ++k)
        reportLevel(reporter, colourHistograms[k - 1].size(), bounds[k], bounds[k + 1]);

    for (std::size_t k = shardedLevels; k < levels; ++k)
        histogramSubsample(colourHistograms[k - 1], colourHistograms[k], reporter, bounds[k],
                           bounds[k + 1]);
}

} // namespace classification
