// The forced-edge pass on a 6000 x 4000 cut-out with its status at factor 4:
// one long wavy edge across the image, and many short edges, at 8 and 16 bits.
#include "support/bench_support.h"

#include "matting/forced_edges.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using classification::Box;
using orsine::matting::EdgePoint;
using orsine::matting::EdgeScale;
using orsine::matting::MaskForcedEdge;
using orsine::matting::MaskForcedEdges;
using orsine::utility::Colour;

constexpr int kWidth = 6000, kHeight = 4000, kFactor = 4;

// Keep above a wave through the middle, delete below.
classification::ByteArray waveStatus() {
    const int rows = kHeight / kFactor, columns = kWidth / kFactor;
    classification::ByteArray status =
        classification::arrayOver<unsigned char>(Box(0, 0, rows - 1, columns - 1));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            status(r, c) = r < rows / 2 + 40 * std::sin(c * 0.01) ? 2 : 4;
    return status;
}

// Edges in output coordinates: `count` pieces of the wave, each of
// `pointsEach` points, covering the whole width together.
MaskForcedEdges waveEdges(int count, int pointsEach, float featherWidth) {
    MaskForcedEdges edges(count);
    const float span = static_cast<float>(kWidth) / count;
    for (int e = 0; e < count; ++e) {
        edges(e).featherWidth = featherWidth;
        edges(e).points.resize(pointsEach);
        for (int k = 0; k < pointsEach; ++k) {
            const float column = e * span + span * k / (pointsEach - 1);
            const float row = kHeight / 2.0f + 160.0f * std::sin(column / kFactor * 0.01f);
            edges(e).points(k) = EdgePoint(row, column);
        }
    }
    return edges;
}

// The classification's own image does not matter to the pass.
classification::SourceImage tinyImage() {
    return classification::arrayOver<Colour<unsigned char>>(Box(0, 0, 1, 1),
                                                            Colour<unsigned char>(0, 0, 0, 255));
}

template <typename Sample> blitz::Array<Colour<Sample>, 2> photo(int fullScale) {
    static const std::vector<uint8_t> bgra = bench_support::syntheticPhoto(kWidth, kHeight);
    blitz::Array<Colour<Sample>, 2> a =
        classification::arrayOver<Colour<Sample>>(Box(0, 0, kHeight - 1, kWidth - 1));
    const float toScale = fullScale / 255.0f;
    for (int r = 0; r < kHeight; ++r)
        for (int c = 0; c < kWidth; ++c) {
            const uint8_t* p = &bgra[(static_cast<size_t>(r) * kWidth + c) * 4];
            a(r, c) = Colour<Sample>(p[0] * toScale, p[1] * toScale, p[2] * toScale, fullScale);
        }
    return a;
}

void BM_ForcedEdges8(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const float featherWidth = static_cast<float>(state.range(1));
    static const auto source = photo<unsigned char>(255);
    static const auto status = waveStatus();
    static const classification::Segmentation<6, 0> classification(nullptr, true, tinyImage());
    auto output = classification::arrayOver<Colour<unsigned char>>(
        classification::boxOf(source), Colour<unsigned char>(0, 0, 0, 0));
    const MaskForcedEdges edges = waveEdges(count, 600 / count + 2, featherWidth);
    for (auto _ : state) {
        const int result = orsine::matting::applyForcedEdges8(classification, output, source,
                                                              status, EdgeScale(kFactor, kFactor),
                                                              edges, ProgressRange(nullptr));
        if (result != 0) state.SkipWithError("no edge applied");
        benchmark::DoNotOptimize(output.data());
    }
}

void BM_ForcedEdges16(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const float featherWidth = static_cast<float>(state.range(1));
    static const auto source = photo<unsigned short>(65535);
    static const auto status = waveStatus();
    static const classification::Segmentation<6, 0> classification(nullptr, true, tinyImage());
    auto output = classification::arrayOver<Colour<unsigned short>>(
        classification::boxOf(source), Colour<unsigned short>(0, 0, 0, 0));
    const MaskForcedEdges edges = waveEdges(count, 600 / count + 2, featherWidth);
    for (auto _ : state) {
        const int result = orsine::matting::applyForcedEdges16(classification, output, source,
                                                               status, EdgeScale(kFactor, kFactor),
                                                               edges, ProgressRange(nullptr));
        if (result != 0) state.SkipWithError("no edge applied");
        benchmark::DoNotOptimize(output.data());
    }
}

} // namespace

// Arguments: number of edges, feather width in output pixels.
BENCHMARK(BM_ForcedEdges8)
    ->Args({1, 8})
    ->Args({1, 40})
    ->Args({100, 8})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ForcedEdges16)->Args({1, 8})->Unit(benchmark::kMillisecond);
