// The texture stage on a 2000 x 2000 photograph at the default variables
// ("#texture" radius 7 and "#maxBits" 7 for an image of that size, "t%" 1/6),
// on one worker and on one worker per logical processor. The peak resident
// size of the process is reported with it; run one case per process
// (--benchmark_filter) to read the stage's own peak.
#include "support/bench_support.h"

#include "classification/texture_image.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

double peakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

void BM_TextureStage(benchmark::State& state) {
    const int size = 2000;
    static std::vector<uint8_t> pixels = bench_support::syntheticPhoto(size, size);
    const classification::SourceImage photo = classification::viewOver(
        reinterpret_cast<orsine::utility::Colour<unsigned char>*>(pixels.data()), size, size, size);
    const classification::TextureParameters defaults{7, 7, 0.16666667f};
    const auto workers = static_cast<unsigned>(state.range(0));
    classification::WorkerPool pool(workers == 0 ? classification::logicalProcessorCount()
                                                 : workers);
    for (auto _ : state) {
        classification::TextureImage texture =
            classification::buildTextureImage(photo, defaults, pool);
        benchmark::DoNotOptimize(texture.data());
    }
    state.counters["workers"] = pool.threads();
    state.counters["peak_RSS_MB"] = peakResidentMegabytes();
    state.counters["MP_per_s"] = benchmark::Counter(static_cast<double>(size) * size / 1e6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

// 0: one worker per logical processor.
BENCHMARK(BM_TextureStage)
    ->ArgName("workers")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
