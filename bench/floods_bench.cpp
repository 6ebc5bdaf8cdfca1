// The region flood and the colour clustering on a 2000 x 2000 photograph, and
// auto complex after a keep stroke over a 512 x 512 box.
//
// A classification of the photograph runs the texture stage ("#texture" 7,
// "#maxBits" 7, "t%" 1/6) and the segmentation stages 1 to 4 once (resolution
// 8, overlap 1, in-focus edge width 2, region scale 2). The region flood is
// then stage 5 forced; the clustering is the colour-cluster stage: the seven
// histograms and the seven clustering jobs, on one worker and on one worker
// per logical processor, with the bytes the seven hash maps hold. Auto
// complex runs on that classification's edge planes: delete marks over the
// left 150 columns of a 700 x 700 corner, a keep stroke (a ring 24 pixels
// wide, exact scope) over a 512 x 512 box, band factor 1.
#include "support/bench_support.h"

#include "classification/auto_complex.h"
#include "classification/global_classification.h"
#include "classification/region_flood.h"
#include "classification/segmentation_stages.h"
#include "classification/status_selection.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <memory>

namespace {

using namespace classification;

double peakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

const int photoSize = 2000;

// The analysed classification of the photograph, up to its edge width map.
Segmentation<6, 0>& analysed() {
    static std::vector<uint8_t> pixels = bench_support::syntheticPhoto(photoSize, photoSize);
    static std::unique_ptr<Segmentation<6, 0>> c = [] {
        const SourceImage photo =
            viewOver(reinterpret_cast<orsine::utility::Colour<unsigned char>*>(pixels.data()),
                     photoSize, photoSize, photoSize);
        auto made = std::make_unique<Segmentation<6, 0>>(nullptr, true, photo);
        made->textureRadius = 7;
        made->maxBits = 7;
        made->percentile = 1.0f / 6.0f;
        ProgressRange none(nullptr);
        made->buildTextureImage(none);
        made->params.fourthInteger = 4;
        made->params.featureTolerance = 1.05f;
        const StageInputs in{made->textureImage, made->domain, made->params};
        BlockGrid blocks;
        SegmentLists segments;
        const StageState state{
            made->stageParams,
            made->channelEnabled,
            blocks,
            segments,
            {made->edgePlaneStorage, made->edgePlanes, made->planeScale, made->pixelScaleMap}};
        updateStages(in, state, none, [](bool, ProgressRange&) { return false; });
        return made;
    }();
    return *c;
}

void BM_RegionFlood(benchmark::State& state) {
    Segmentation<6, 0>& c = analysed();
    for (auto _ : state) {
        ProgressRange range(nullptr);
        c.updateRegions(true, range);
        benchmark::DoNotOptimize(c.regionLabels.data());
    }
    state.counters["regions"] = c.regionCount;
    state.counters["plane_scale"] = c.planeScale;
    state.counters["peak_RSS_MB"] = peakResidentMegabytes();
}

void BM_ColourClusters(benchmark::State& state) {
    const TextureImage& texture = analysed().textureImage;
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
    Segmentation<6, 0>& whole = analysed();
    const Box image(0, 0, 699, 699);
    SourceImage pixels = arrayOver<orsine::utility::Colour<unsigned char>>(image);
    Segmentation<6, 0> c(nullptr, true, pixels);
    c.edgePlaneStorage.reference(whole.edgePlaneStorage);
    c.edgePlanes.reference(windowOf(whole.edgePlanes, image));
    c.pixelScaleMap.reference(windowOf(whole.pixelScaleMap, image));
    c.planeScale = whole.planeScale;

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
        selectStatus(c, stroke, status, {2, masks.write, 15, masks.test, SelectScope::Exact}, 0,
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
