// Object edges of a 2000 x 1500 label image with about 7500 wavy regions:
// tracing alone, and the whole polyline pipeline with the default variables.
#include "classification/contours.h"
#include "classification/segmentation.h"
#include "core/progress.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

using namespace classification;

constexpr int kWidth = 2000, kHeight = 1500;

LabelArray wavyRegions() {
    const Box box(0, 0, kHeight - 1, kWidth - 1);
    LabelArray storage = arrayOver<int32_t>(box.grown(2), -1);
    for (int r = 0; r < kHeight; ++r)
        for (int c = 0; c < kWidth; ++c) {
            const int row = static_cast<int>((r + 7.0 * std::sin(c / 9.0)) / 20.0 + 1.0);
            const int column = static_cast<int>((c + 5.0 * std::sin(r / 7.0)) / 20.0 + 1.0);
            storage(r, c) = row * 1000 + column;
        }
    return storage;
}

void BM_TraceContours(benchmark::State& state) {
    static LabelArray labels = wavyRegions();
    const Box box(0, 0, kHeight - 1, kWidth - 1);
    std::size_t records = 0;
    for (auto _ : state) {
        const std::vector<ContourRecord> traced = traceContours(labels, box);
        records = traced.size();
        benchmark::DoNotOptimize(traced.data());
    }
    state.counters["contours"] = static_cast<double>(records);
    state.counters["MP_per_s"] = benchmark::Counter(static_cast<double>(kWidth) * kHeight / 1e6,
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

void BM_BuildObjectEdges(benchmark::State& state) {
    static LabelArray labels = wavyRegions();
    const Box box(0, 0, kHeight - 1, kWidth - 1);
    SourceImage pixels(kHeight, kWidth);
    Segmentation<6, 0> c(nullptr, true, pixels);
    c.regionLabelStorage.reference(labels);
    c.regionLabels.reference(windowOf(labels, box));
    // The variables' defaults: "v-mdPt" 5, "v-smplf" 0.6, "v-smth" 0.4.
    c.pointVariant = 5;
    c.simplifyTolerance = 0.6f;
    c.bevelRadius = 0.4f;
    ProgressRange range(nullptr);
    std::vector<FloatPolyline> lines;
    for (auto _ : state) {
        c.buildObjectEdges(lines, range);
        benchmark::DoNotOptimize(lines.data());
    }
    state.counters["polylines"] = static_cast<double>(lines.size());
}

} // namespace

BENCHMARK(BM_TraceContours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildObjectEdges)->Unit(benchmark::kMillisecond);
