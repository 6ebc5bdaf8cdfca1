// The segmentation stages on a 2000 x 2000 photograph-like image, one stage
// at a time, with one worker and with one per logical processor: block
// histograms (always a single worker), histogram segments, edge planes, edge
// width map, and the four together.
#include "support/bench_support.h"

#include "classification/analysis_images.h"
#include "classification/block_histograms.h"
#include "classification/edge_planes.h"
#include "classification/edge_width_map.h"
#include "classification/histogram_segments.h"
#include "classification/segmentation_stages.h"
#include "classification/texture_image.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace classification;

namespace {

constexpr int side = 2000;

// The texture image of the photograph, as the texture stage builds it.
const TextureImage& texture() {
    static const TextureImage t = [] {
        static std::vector<uint8_t> photo = bench_support::syntheticPhoto(side, side);
        const SourceImage source =
            viewOver(reinterpret_cast<orsine::utility::Colour<unsigned char>*>(photo.data()), side,
                     side, side);
        WorkerPool pool;
        return buildTextureImage(source, TextureParameters(), pool);
    }();
    return t;
}

SegmentationParams params() {
    SegmentationParams p;
    p.fourthInteger = 4;
    p.featureTolerance = 1.05f;
    return p;
}

// Stages 1 and 2 done once, for the later stages.
struct Prepared {
    BlockGrid grid;
    SegmentLists lists;
    EdgePlanes storage, planes;
    float planeScale = 1.0f;
    ByteArray pixelScaleMap;
    EdgePlaneRefs edges{storage, planes, planeScale, pixelScaleMap};
    explicit Prepared(bool compute = true) {
        if (!compute) return;
        ProgressRange none(nullptr);
        updateHistograms(texture(), boxOf(texture()), params(), unsetStageParams(), grid, none);
        segmentHistograms(true, params(), unsetStageParams(), grid, lists, none);
        updateEdgeFeatures(true, texture(), boxOf(texture()), params().resolution, grid, lists,
                           edges, none);
    }
};
Prepared& prepared() {
    static Prepared p;
    return p;
}

unsigned workersOf(const benchmark::State& state) {
    return state.range(0) == 0 ? logicalProcessorCount() : static_cast<unsigned>(state.range(0));
}

void BM_BlockHistograms(benchmark::State& state) {
    SegmentationParams p = params();
    p.interpolation = static_cast<int>(state.range(0));
    for (auto _ : state) {
        BlockGrid grid;
        ProgressRange none(nullptr);
        updateHistograms(texture(), boxOf(texture()), p, unsetStageParams(), grid, none);
        benchmark::DoNotOptimize(grid.data());
    }
}

void BM_HistogramSegments(benchmark::State& state) {
    Prepared& ready = prepared();
    for (auto _ : state) {
        ProgressRange none(nullptr);
        segmentHistograms(true, params(), unsetStageParams(), ready.grid, ready.lists, none);
    }
}

void BM_EdgePlanes(benchmark::State& state) {
    Prepared& ready = prepared();
    const unsigned workers = workersOf(state);
    state.counters["workers"] = workers;
    for (auto _ : state) {
        ProgressRange none(nullptr);
        updateEdgeFeatures(true, texture(), boxOf(texture()), params().resolution, ready.grid,
                           ready.lists, ready.edges, none, workers);
    }
}

void BM_EdgeWidthMap(benchmark::State& state) {
    Prepared& ready = prepared();
    for (auto _ : state) {
        ProgressRange none(nullptr);
        updateEdgeWidth(true, boxOf(texture()), params(), unsetStageParams(), ready.grid,
                        ready.lists, ready.edges, none);
    }
}

void BM_FirstFourStages(benchmark::State& state) {
    const unsigned workers = workersOf(state);
    state.counters["workers"] = workers;
    const SegmentationParams p = params();
    for (auto _ : state) {
        auto ready = std::make_unique<Prepared>(false);
        StageParams copies = unsetStageParams();
        const ChannelFlags enabled{1, 1, 1, 1, 1, 1};
        ProgressRange none(nullptr);
        updateStages({texture(), boxOf(texture()), p},
                     {copies, enabled, ready->grid, ready->lists, ready->edges}, none, nullptr,
                     workers);
    }
}

} // namespace

// Argument: interpolation mode (0 range, 1 range fast, 2 median, 3 median fast).
BENCHMARK(BM_BlockHistograms)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_HistogramSegments)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
// Argument: workers, 0 for one per logical processor.
BENCHMARK(BM_EdgePlanes)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_EdgeWidthMap)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_FirstFourStages)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
