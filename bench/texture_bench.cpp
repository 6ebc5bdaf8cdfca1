// The texture stage.
//
// BM_TextureStage: a 2000 x 2000 synthetic photograph at the default
// variables for an image of that size ("#texture" radius 7, "#maxBits" 7,
// "t%" 1/6), on one worker and on one worker per logical processor. The
// peak resident size of the process is reported with it; run one case per
// process (--benchmark_filter) to read the stage's own peak.
//
// BM_TextureScaling: the real photograph TwoWings resampled to 1, 4 and 16
// megapixels at one fixed radius (9, the default at 4 megapixels), on one
// worker and on eight: cpu_ns_per_pixel (the process's CPU time per pixel)
// stays flat when the cost is linear in the pixels. One more case runs 4
// megapixels at radius 19, the default at 16 megapixels, where the cost per
// pixel is highest.
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

// Arguments: megapixels, workers, radius.
void BM_TextureScaling(benchmark::State& state) {
    const bench_support::Photo p = bench_support::twoWings(double(state.range(0)));
    if (p.bgra.empty()) {
        state.SkipWithError(("no photograph: " + p.error).c_str());
        return;
    }
    const classification::SourceImage photo =
        classification::viewOver(reinterpret_cast<orsine::utility::Colour<unsigned char>*>(
                                     const_cast<uint8_t*>(p.bgra.data())),
                                 p.height, p.width, p.width);
    const classification::TextureParameters parameters{static_cast<int>(state.range(2)), 7,
                                                       0.16666667f};
    classification::WorkerPool pool(static_cast<unsigned>(state.range(1)));
    for (auto _ : state) {
        classification::TextureImage texture =
            classification::buildTextureImage(photo, parameters, pool);
        benchmark::DoNotOptimize(texture.data());
    }
    const double pixels = double(p.width) * p.height;
    state.counters["megapixels"] = pixels / 1e6;
    state.counters["cpu_ns_per_pixel"] = benchmark::Counter(
        pixels * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

// 0: one worker per logical processor.
BENCHMARK(BM_TextureStage)
    ->ArgName("workers")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_TextureScaling)
    ->ArgNames({"MP", "workers", "radius"})
    ->ArgsProduct({{1, 4, 16}, {1, 8}, {9}})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
// The cost per pixel at the default radius of a 16-megapixel photograph.
BENCHMARK(BM_TextureScaling)
    ->ArgNames({"MP", "workers", "radius"})
    ->Args({4, 1, 19})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
