// Distances from the marks and the first matting pass on a photograph-like
// image with an elliptical cut-out and a band of unassigned pixels around it;
// the distances also with two strokes in an unassigned image, the slow case of
// many distinct distance values.
#include "support/bench_support.h"

#include "matting/chamfer_distance.h"
#include "matting/first_matting_pass.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using classification::Box;
using classification::ByteArray;
using namespace orsine::matting;

// Keep inside the ellipse, delete outside, unassigned within `band` pixels of
// its outline; everything marked for the pass.
ByteArray ellipseStatus(int rows, int columns, float band) {
    ByteArray status(rows, columns);
    const float cr = rows / 2.0f, cc = columns / 2.0f, ar = rows * 0.35f, ac = columns * 0.3f;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const float dr = (r - cr) / ar, dc = (c - cc) / ac;
            const float edge = (std::sqrt(dr * dr + dc * dc) - 1.0f) * std::min(ar, ac);
            status(r, c) = edge < -band ? 0x82 : edge > band ? 0x84 : 0x81;
        }
    }
    return status;
}

// Two short strokes in an otherwise unassigned image: many distinct distances.
ByteArray strokeStatus(int rows, int columns) {
    ByteArray status(rows, columns);
    status = 0x81;
    for (int c = columns / 4; c < columns / 2; ++c)
        status(rows / 3, c) = 0x82;
    for (int r = rows / 2; r < rows * 3 / 4; ++r)
        status(r, columns * 3 / 4) = 0x84;
    return status;
}

void BM_ChamferBand(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const ByteArray status = ellipseStatus(size, size * 3 / 2, 12.0f);
    for (auto _ : state)
        benchmark::DoNotOptimize(chamferDistanceTransform(status).data());
    state.counters["MP_per_s"] = benchmark::Counter(status.numElements() / 1e6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ChamferStrokes(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const ByteArray status = strokeStatus(size, size * 3 / 2);
    for (auto _ : state)
        benchmark::DoNotOptimize(chamferDistanceTransform(status).data());
    state.counters["MP_per_s"] = benchmark::Counter(status.numElements() / 1e6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

void BM_FirstMattingPass8(benchmark::State& state) {
    const int blendKind = static_cast<int>(state.range(0));
    const int width = 3000, height = 2000;
    static std::vector<uint8_t> photo = bench_support::syntheticPhoto(width, height);
    const Image8 source(reinterpret_cast<orsine::utility::Colour<unsigned char>*>(photo.data()),
                        blitz::shape(height, width), blitz::neverDeleteData);
    Image8 output(height, width);
    ByteArray marks = ellipseStatus(height, width, 15.0f);
    // A membrane patch covers the band only; the default pass covers everything.
    if (blendKind == kMembraneBlend) marks = blitz::where(marks == 0x81, 0x81, marks & 0x7F);
    const DistanceArray distances = chamferDistanceTransform(marks);
    ByteArray plane(height, width);
    plane = 0;
    MattingClassification classification;
    classification.analysisImage.reference(source);
    MaskPatch patch;
    patch.membraneValue = 0.5f;
    const Box all(0, 0, height - 1, width - 1);
    for (auto _ : state) {
        state.PauseTiming();
        ByteArray status = marks.copy();
        state.ResumeTiming();
        const FirstPassRequest request{status, all,       all,       ReductionFactors(1, 1),
                                       plane,  distances, blendKind, &patch};
        firstMattingPass8(classification, output, source, source, request, ProgressRange(nullptr));
        benchmark::DoNotOptimize(output.data());
    }
    state.counters["MP_per_s"] = benchmark::Counter(static_cast<double>(width) * height / 1e6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(BM_ChamferBand)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChamferStrokes)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstMattingPass8)
    ->Arg(kMembraneBlend)
    ->Arg(kDefaultBlend)
    ->Unit(benchmark::kMillisecond);
