// The palette matting solver on a 1-megapixel choices patch whose blend band
// covers 20 % of it: the whole solver and each of its stages (palette
// pyramids, pair search, medians, final pass), on one core; the whole solver
// and the medians also for 16-bit samples.
#include "support/bench_support.h"

#include "matting/palette_solver.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

using namespace orsine::matting;
using classification::Box;
using classification::ByteArray;
using orsine::utility::Colour;

namespace {

constexpr int side = 1000;

// Keep inside a disc, delete outside a ring around it, the ring (20 % of the
// patch) to solve; every status pixel is marked for the pass.
struct Patch {
    std::vector<uint8_t> pixels = bench_support::syntheticPhoto(side, side);
    PixelView<uint8_t> source = classification::viewOver(
        reinterpret_cast<Colour<uint8_t>*>(pixels.data()), side, side, side);
    ByteArray status = classification::arrayOver<unsigned char>(Box(0, 0, side - 1, side - 1));
    MaskPatch patch;
    solver::Frame frame;

    Patch() {
        const double inner = 250.0;
        const double outer = std::sqrt(inner * inner + 0.2 * side * side / M_PI);
        for (int i = 0; i < side; ++i) {
            for (int j = 0; j < side; ++j) {
                const double rho = std::hypot(i - side / 2 + 0.5, j - side / 2 + 0.5);
                status(i, j) = rho < inner ? 0x82 : rho < outer ? 0x88 : 0x84;
            }
        }
        patch.choices = true;
        patch.choice1 = patch.choice2 = 0.5f;
        frame = solver::frameOf(classification::boxOf(status), {1.0f, 1.0f},
                                classification::boxOf(status), classification::boxOf(source));
    }
    ColourImage<uint8_t> colours() const {
        ColourImage<uint8_t> image =
            classification::arrayOver<ColourTriple<uint8_t>>(frame.outputBox);
        for (int i = 0; i < side; ++i)
            for (int j = 0; j < side; ++j)
                image(i, j) =
                    ColourTriple<uint8_t>(source(i, j)[0], source(i, j)[1], source(i, j)[2]);
        return image;
    }
    void pyramids(PalettePyramid<cbb8>& foreground, PalettePyramid<cbb8>& background) const {
        buildPalettePyramid<cbb8>(foreground, source, SampleSelector(status, {1, 1}, 2),
                                  solver::keepThreshold(patch.choice1), ProgressRange(nullptr));
        buildPalettePyramid<cbb8>(background, source, SampleSelector(status, {1, 1}, 4),
                                  solver::deleteThreshold(patch.choice2), ProgressRange(nullptr));
    }
};

Patch& scene() {
    static Patch patch;
    return patch;
}

void BM_Solver(benchmark::State& state) {
    Patch& p = scene();
    std::vector<uint8_t> out(p.pixels);
    PixelView<uint8_t> output =
        classification::viewOver(reinterpret_cast<Colour<uint8_t>*>(out.data()), side, side, side);
    for (auto _ : state) {
        if (solveMatting8(p.source, p.status, output, classification::boxOf(p.status), {1, 1},
                          p.patch, ProgressRange(nullptr)) != 0)
            state.SkipWithError("the solver failed");
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_Pyramids(benchmark::State& state) {
    const Patch& p = scene();
    for (auto _ : state) {
        PalettePyramid<cbb8> foreground, background;
        p.pyramids(foreground, background);
        benchmark::DoNotOptimize(foreground.levels.data());
    }
}

void BM_PairSearch(benchmark::State& state) {
    const Patch& p = scene();
    PalettePyramid<cbb8> foreground, background;
    p.pyramids(foreground, background);
    ColourImage<uint8_t> f = p.colours(), b = p.colours();
    for (auto _ : state) {
        // As the solver runs it: only where an output reads the estimates.
        const ByteArray wanted = solver::searchMask(p.frame, p.status);
        solver::estimateColours<Kind8>(p.frame, p.source, p.status, foreground, background, f, b,
                                       ProgressRange(nullptr), &wanted);
        benchmark::DoNotOptimize(f.data());
    }
}

void BM_Medians(benchmark::State& state) {
    const Patch& p = scene();
    ColourImage<uint8_t> f = p.colours(), b = p.colours();
    for (auto _ : state) {
        solver::smoothEstimates<Kind8>(p.frame, p.status, f, b, ProgressRange(nullptr));
        benchmark::DoNotOptimize(f.data());
    }
}

void BM_FinalPass(benchmark::State& state) {
    Patch& p = scene();
    ColourImage<uint8_t> f = p.colours(), b = p.colours();
    // Estimates a little apart from the source so that the blend path runs.
    b = b / 2;
    std::vector<uint8_t> out(p.pixels);
    PixelView<uint8_t> output =
        classification::viewOver(reinterpret_cast<Colour<uint8_t>*>(out.data()), side, side, side);
    for (auto _ : state) {
        solver::composeOutput<Kind8>(p.frame, p.source, p.status, f, b, output,
                                     ProgressRange(nullptr));
        benchmark::DoNotOptimize(out.data());
    }
}

// The same patch at 16 bits (each sample times 257).
struct Patch16 {
    std::vector<uint16_t> pixels;
    PixelView<uint16_t> source;

    Patch16() {
        const Patch& p = scene();
        pixels.assign(p.pixels.begin(), p.pixels.end());
        for (uint16_t& v : pixels)
            v = static_cast<uint16_t>(v * 257);
        source.reference(classification::viewOver(
            reinterpret_cast<Colour<uint16_t>*>(pixels.data()), side, side, side));
    }
};

void BM_Solver16(benchmark::State& state) {
    const Patch& p = scene();
    static Patch16 p16;
    std::vector<uint16_t> out(p16.pixels);
    PixelView<uint16_t> output =
        classification::viewOver(reinterpret_cast<Colour<uint16_t>*>(out.data()), side, side, side);
    for (auto _ : state) {
        if (solveMatting16(p16.source, p.status, output, classification::boxOf(p.status), {1, 1},
                           p.patch, ProgressRange(nullptr)) != 0)
            state.SkipWithError("the solver failed");
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_Medians16(benchmark::State& state) {
    const Patch& p = scene();
    static Patch16 p16;
    ColourImage<uint16_t> f = classification::arrayOver<ColourTriple<uint16_t>>(p.frame.outputBox);
    for (int i = 0; i < side; ++i)
        for (int j = 0; j < side; ++j)
            f(i, j) = ColourTriple<uint16_t>(p16.source(i, j)[0], p16.source(i, j)[1],
                                             p16.source(i, j)[2]);
    ColourImage<uint16_t> b = f.copy();
    for (auto _ : state) {
        solver::smoothEstimates<Kind16>(p.frame, p.status, f, b, ProgressRange(nullptr));
        benchmark::DoNotOptimize(f.data());
    }
}

} // namespace

BENCHMARK(BM_Solver16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Medians16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Solver)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pyramids)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PairSearch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Medians)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FinalPass)->Unit(benchmark::kMillisecond);
