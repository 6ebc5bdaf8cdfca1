// The region flood and the colour clustering on a 2000 x 2000 photograph, and
// auto complex after a keep stroke over a 512 x 512 box.
//
// The clustering runs on the texture image of the photograph at the default
// variables: the seven histograms and the seven clustering jobs, on one worker
// and on one worker per logical processor; the bytes held by the seven hash
// maps are reported with it. The region flood runs over edge planes made from
// the texture image's local contrast (high where the 3 x 3 neighbourhood is
// flat, low across edges), at the default region scale 2 and plane scale 1.
// Auto complex runs on the same kind of planes over a 700 x 700 crop of the
// photograph: delete marks over its left 150 columns, a keep stroke (a ring 24
// pixels wide, exact scope) over a 512 x 512 box, band factor 1.
#include "support/bench_support.h"

#include "classification/AutoComplex.h"
#include "classification/GlobalClassification.h"
#include "classification/RegionFlood.h"
#include "classification/StatusSelection.h"
#include "classification/TextureImage.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>

namespace {

using namespace classification;

double peakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

const int photoSize = 2000;

const TextureImage& photoTexture() {
    static std::vector<uint8_t> pixels = bench_support::syntheticPhoto(photoSize, photoSize);
    static const TextureImage texture = [] {
        const SourceImage photo =
            viewOver(reinterpret_cast<orsine::utility::Colour<unsigned char>*>(pixels.data()),
                     photoSize, photoSize, photoSize);
        WorkerPool pool;
        return buildTextureImage(photo, TextureParameters{7, 7, 0.16666667f}, pool);
    }();
    return texture;
}

// Channel 0 and 1: 255 minus the largest difference of a texture channel
// across the 3 x 3 window (times 4), so edges are low and flat areas high.
RegionFloodPlanes planesOf(const TextureImage& texture) {
    const Box domain = boxOf(texture);
    RegionFloodPlanes planes = arrayOver<blitz::TinyVector<unsigned char, 3>>(domain.grown(2));
    planes = blitz::TinyVector<unsigned char, 3>(0, 0, 8);
    for (int r = domain.lower.row; r <= domain.upper.row; ++r)
        for (int c = domain.lower.column; c <= domain.upper.column; ++c) {
            int contrast = 0;
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) {
                    const Point q(std::clamp(r + dr, domain.lower.row, domain.upper.row),
                                  std::clamp(c + dc, domain.lower.column, domain.upper.column));
                    for (int k = 0; k < 6; ++k)
                        contrast = std::max(contrast, std::abs(int(texture(q.row, q.column)[k]) -
                                                               int(texture(r, c)[k])));
                }
            const auto v = static_cast<unsigned char>(std::max(0, 255 - 4 * contrast));
            planes(r, c) = blitz::TinyVector<unsigned char, 3>(v, v, 8);
        }
    return planes;
}

void BM_RegionFlood(benchmark::State& state) {
    const TextureImage& texture = photoTexture();
    const RegionFloodPlanes planes = planesOf(texture);
    SegmentationParams params;
    int32_t regions = 0;
    for (auto _ : state) {
        RegionLabels labels;
        ProgressRange range(nullptr);
        updateRegions(true, params, params, planes, boxOf(texture), 1.0f, labels, range);
        regions = labels.count;
        benchmark::DoNotOptimize(labels.labels.data());
    }
    state.counters["regions"] = regions;
    state.counters["peak_RSS_MB"] = peakResidentMegabytes();
}

void BM_ColourClusters(benchmark::State& state) {
    const TextureImage& texture = photoTexture();
    const auto workers = static_cast<unsigned>(state.range(0));
    WorkerPool pool(workers == 0 ? logicalProcessorCount() : workers);
    std::size_t mapBytes = 0, entries = 0;
    int clustersAtLevel0 = 0;
    for (auto _ : state) {
        GlobalClassification<unsigned char, 6, int> classifier;
        classifier.reset(texture);
        ProgressRange range(nullptr);
        classifier.buildColourClusters(range, pool);
        mapBytes = entries = 0;
        for (const ColourHashMap& map : classifier.colourHistograms) {
            mapBytes += map.memoryBytes();
            entries += map.size();
        }
        clustersAtLevel0 = classifier.clusterCounts[0];
    }
    state.counters["workers"] = pool.threads();
    state.counters["map_MB"] = static_cast<double>(mapBytes) / (1024.0 * 1024.0);
    state.counters["entries"] = static_cast<double>(entries);
    state.counters["clusters_level0"] = clustersAtLevel0;
    state.counters["peak_RSS_MB"] = peakResidentMegabytes();
}

void BM_AutoComplex(benchmark::State& state) {
    const TextureImage& whole = photoTexture();
    const Box image(0, 0, 699, 699);
    const TextureImage texture = windowOf(whole, image);
    SourceImage pixels = arrayOver<orsine::utility::Colour<unsigned char>>(image);
    Segmentation<6, 0> c(nullptr, true, pixels);
    c.edgePlaneStorage.reference(planesOf(texture));
    c.edgePlanes.reference(windowOf(c.edgePlaneStorage, image));
    c.pixelScaleMap.reference(arrayOver<unsigned char>(image, 6));

    ByteArray marks = arrayOver<unsigned char>(image, 1);
    marks(blitz::Range::all(), blitz::Range(0, 149)) = 4;
    const Box strokeBox(90, 100, 601, 611);
    Selection stroke{strokeBox, arrayOver<unsigned char>(strokeBox, 0)};
    for (int r = strokeBox.lower.row; r <= strokeBox.upper.row; ++r)
        for (int col = strokeBox.lower.column; col <= strokeBox.upper.column; ++col) {
            const int inset =
                std::min({r - strokeBox.lower.row, strokeBox.upper.row - r,
                          col - strokeBox.lower.column, strokeBox.upper.column - col});
            stroke.mask(r, col) = inset < 24;
        }
    const SelectMasks masks = selectMasks(2, 15, SelectScope::Exact);

    int64_t changed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ByteArray status = marks.copy();
        UndoQueue queue(200);
        selectStatus(c, stroke, status, SelectScope::Exact, 2, masks.write, 15, masks.test, 0,
                     &queue, nullptr, 0.0f, 1.0f);
        state.ResumeTiming();
        autoComplex(c, status, &queue, nullptr, 0.0f, 1.0f, 1.0f);
        state.PauseTiming();
        changed = blitz::count(status != marks);
        state.ResumeTiming();
    }
    state.counters["changed_pixels"] = static_cast<double>(changed);
}

} // namespace

BENCHMARK(BM_AutoComplex)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RegionFlood)->Unit(benchmark::kMillisecond)->UseRealTime();
// 0: one worker per logical processor.
BENCHMARK(BM_ColourClusters)
    ->ArgName("workers")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
