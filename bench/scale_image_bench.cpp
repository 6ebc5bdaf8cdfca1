// VkScaleImage of a 6000 x 4000 photograph at factors 2, 4 and 8, on one core.
#include "support/bench_support.h"

#include "api/vardek.h"

#include <benchmark/benchmark.h>

namespace {

void BM_ScaleImage(benchmark::State& state) {
    const int factor = static_cast<int>(state.range(0));
    const int width = 6000, height = 4000;
    static std::vector<uint8_t> source = bench_support::syntheticPhoto(width, height);
    const int tw = (width + factor - 1) / factor, th = (height + factor - 1) / factor;
    std::vector<uint8_t> target(static_cast<size_t>(tw) * th * 4);
    const VkImage from{width, height, width * 4, VkKindRgba8, source.data()};
    const VkImage to{tw, th, tw * 4, VkKindRgba8, target.data()};
    for (auto _ : state) {
        if (VkScaleImage(to, from) != VkOk) state.SkipWithError("VkScaleImage failed");
        benchmark::DoNotOptimize(target.data());
    }
    state.counters["source_MP_per_s"] = benchmark::Counter(
        static_cast<double>(width) * height / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(BM_ScaleImage)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);
