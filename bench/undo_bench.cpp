// Building and applying one status undo step over a 4000 x 3000 box, for a
// uniform change (every pixel), a sparse one (one pixel in a thousand) and an
// alternating one (every other pixel, the worst case of the run-length code).
// Reports the time per megapixel, the bytes one step holds and what a full
// session queue of 200 such groups would hold.
#include "core/undo_queue.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using classification::Box;
using classification::ByteArray;
using classification::IiUndoModifyStatus;

constexpr int kColumns = 4000, kRows = 3000;
constexpr double kMegapixels = kColumns * static_cast<double>(kRows) / 1e6;
const Box kBox(0, 0, kRows - 1, kColumns - 1);

enum Pattern { Uniform, Sparse, Alternating };

struct Change {
    ByteArray status;
    ByteArray proposed;
};

Change makeChange(Pattern pattern) {
    Change change{classification::arrayOver<unsigned char>(kBox, 1),
                  classification::arrayOver<unsigned char>(kBox, 1)};
    switch (pattern) {
    case Uniform:
        change.proposed = 2;
        break;
    case Sparse: {
        std::mt19937 random(3);
        std::uniform_int_distribution<int> row(0, kRows - 1), column(0, kColumns - 1);
        for (int i = 0; i < kRows * kColumns / 1000; ++i)
            change.proposed(row(random), column(random)) = 2;
        break;
    }
    case Alternating:
        for (int r = 0; r < kRows; ++r)
            for (int c = r % 2; c < kColumns; c += 2)
                change.proposed(r, c) = 2;
        break;
    }
    return change;
}

void reportSize(benchmark::State& state, const IiUndoModifyStatus& step) {
    const double bytes = sizeof(step) + step.runs().capacity() * sizeof(uint32_t);
    state.counters["runs"] = static_cast<double>(step.runs().size());
    state.counters["step_bytes"] = benchmark::Counter(bytes, {}, benchmark::Counter::kIs1024);
    state.counters["200_groups_bytes"] =
        benchmark::Counter(200 * bytes, {}, benchmark::Counter::kIs1024);
    state.counters["time_per_MP"] = benchmark::Counter(
        kMegapixels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_BuildUndoStep(benchmark::State& state) {
    const Change change = makeChange(static_cast<Pattern>(state.range(0)));
    for (auto _ : state) {
        IiUndoModifyStatus step(kBox, change.proposed, change.status);
        benchmark::DoNotOptimize(step.runs().data());
    }
    reportSize(state, IiUndoModifyStatus(kBox, change.proposed, change.status));
}

void BM_ApplyUndoStep(benchmark::State& state) {
    Change change = makeChange(static_cast<Pattern>(state.range(0)));
    IiUndoModifyStatus step(kBox, change.proposed, change.status);
    classification::ChangedBox changed;
    for (auto _ : state) {
        step.undo(changed); // undo and redo are the same exclusive-or
        benchmark::DoNotOptimize(change.status.data());
    }
    reportSize(state, step);
}

void patterns(benchmark::internal::Benchmark* b) {
    b->ArgName("pattern")->Arg(Uniform)->Arg(Sparse)->Arg(Alternating);
    b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_BuildUndoStep)->Apply(patterns);
BENCHMARK(BM_ApplyUndoStep)->Apply(patterns);
