// Staging a despeckle of a keep selection over a 4000 x 3000 status image
// with one unselected pixel in fifty, for square sizes 3 and 31: the dilation
// costs the same per pixel whatever the size. Reports the time per megapixel.
#include "classification/despeckle.h"
#include "classification/segmentation.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using namespace classification;

constexpr int kColumns = 4000, kRows = 3000;
const Box kBox(0, 0, kRows - 1, kColumns - 1);

struct Scene {
    SourceImage pixels = arrayOver<orsine::utility::Colour<unsigned char>>(
        kBox, orsine::utility::Colour<unsigned char>(0, 0, 0, 255));
    Segmentation<6, 0> classification{nullptr, true, pixels};
    ByteArray status = arrayOver<unsigned char>(kBox, 2);
    ByteArray selection = arrayOver<unsigned char>(kBox, 2);

    Scene() {
        std::mt19937 random(5);
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c)
                if (random() % 50 == 0) status(r, c) = 1, selection(r, c) = 0;
    }
    void select() {
        classification.selectionMap = selection;
        classification.dirtyBox = kBox;
        classification.selectParams = {2, 0x0F, 2, 0x3F, SelectScope::Exact};
    }
};

void despeckle(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) {
        state.PauseTiming();
        scene.select();
        state.ResumeTiming();
        stageDespeckle(scene.classification, scene.status, static_cast<int>(state.range(0)),
                       nullptr, 0.0f, 1.0f);
        benchmark::DoNotOptimize(scene.classification.selectionMap.data());
    }
    state.counters["time_per_MP"] = benchmark::Counter(
        kRows * static_cast<double>(kColumns) / 1e6,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(despeckle)->Arg(3)->Arg(31)->Unit(benchmark::kMillisecond);

} // namespace
