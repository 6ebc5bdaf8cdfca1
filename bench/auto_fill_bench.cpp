// Staging an auto fill over a 4000 x 3000 status image: delete marks drawn as
// an elliptic ring five pixels wide round the middle, everything else
// unassigned; with a blend band of edge width 8 (disks of radius 4.49), with a
// band of edge width 40 (radius 20.49) and without a band. Reports the time
// per megapixel.
#include "classification/auto_fill.h"
#include "classification/segmentation.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using namespace classification;

constexpr int kColumns = 4000, kRows = 3000;
const Box kBox(0, 0, kRows - 1, kColumns - 1);

struct Scene {
    SourceImage pixels = arrayOver<orsine::utility::Colour<unsigned char>>(
        kBox, orsine::utility::Colour<unsigned char>(0, 0, 0, 255));
    Segmentation<6, 0> classification{nullptr, true, pixels};
    ByteArray status = arrayOver<unsigned char>(kBox, 1);

    explicit Scene(unsigned char width) {
        classification.pixelScaleMap.reference(arrayOver<unsigned char>(kBox, width));
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c) {
                const double y = (r - kRows / 2.0) / (kRows * 0.35);
                const double x = (c - kColumns / 2.0) / (kColumns * 0.35);
                const double distance = std::abs(std::sqrt(x * x + y * y) - 1.0) * kRows * 0.35;
                if (distance < 2.5) status(r, c) = 4;
            }
    }
};

void stage(benchmark::State& state, unsigned char width, float bandFactor) {
    Scene scene(width);
    for (auto _ : state) {
        stageAutoFill(scene.classification, scene.status, kBox, 4, bandFactor);
        benchmark::DoNotOptimize(scene.classification.selectionMap.data());
    }
    state.counters["time_per_MP"] = benchmark::Counter(
        kRows * static_cast<double>(kColumns) / 1e6,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_AutoFillStageNarrowBand(benchmark::State& state) {
    stage(state, 8, 1.0f);
}
void BM_AutoFillStageWideBand(benchmark::State& state) {
    stage(state, 40, 1.0f);
}
void BM_AutoFillStageNoBand(benchmark::State& state) {
    stage(state, 8, 0.0f);
}

BENCHMARK(BM_AutoFillStageNarrowBand)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutoFillStageWideBand)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutoFillStageNoBand)->Unit(benchmark::kMillisecond);

} // namespace
