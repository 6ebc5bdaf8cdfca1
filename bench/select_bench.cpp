// One selection on a 4000 x 3000 status image with hand-made colour groups
// (blocks of 25 x 25 pixels in 64 groups): an exact brush stroke of 101 x 101
// pixels, a local stroke that floods and grows through the groups it touches,
// and a global stroke. Each iteration selects keep and then erases again, both
// recorded as undo steps, so every run starts from the same status.
#include "classification/status_selection.h"

#include <benchmark/benchmark.h>

namespace {

using namespace classification;
using Classification = Segmentation<6, 0>;

constexpr int kColumns = 4000, kRows = 3000, kBlock = 25, kGroups = 64;

struct Scene {
    Box image{0, 0, kRows - 1, kColumns - 1};
    SourceImage pixels{blitz::Range(0, kRows - 1), blitz::Range(0, kColumns - 1)};
    Classification c{nullptr, true, pixels};
    ByteArray status = arrayOver<unsigned char>(image, 1);
    UndoQueue queue{200};

    Scene() {
        c.groupLabelStorage.reference(arrayOver<int32_t>(image.grown(2), -1));
        c.groupLabels.reference(windowOf(c.groupLabelStorage, image));
        for (int r = 0; r < kRows; ++r)
            for (int col = 0; col < kColumns; ++col)
                c.groupLabels(r, col) = ((r / kBlock) * 7 + (col / kBlock) * 3) % kGroups;
        c.groupCount = kGroups;
        c.partitionLevel = 0;
    }

    void select(const Selection& stroke, SelectScope scope, uint8_t newStatus, uint8_t fromSet) {
        const SelectMasks m = selectMasks(newStatus, fromSet, scope);
        queue.openGroup(); // as the application does before every command
        selectStatus(c, stroke, status, {newStatus, m.write, fromSet, m.test, scope}, 1, &queue,
                     nullptr, 0.0f, 1.0f);
    }
};

// A round brush of radius 50 around the image's middle.
Selection brush() {
    const Box box(kRows / 2 - 50, kColumns / 2 - 50, kRows / 2 + 50, kColumns / 2 + 50);
    Selection s{box, arrayOver<unsigned char>(box, 0)};
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int col = box.lower.column; col <= box.upper.column; ++col)
            s.mask(r, col) = squaredDistance({r, col}, {kRows / 2, kColumns / 2}) <= 2500;
    return s;
}

void selectAndErase(benchmark::State& state, SelectScope scope) {
    Scene scene;
    const Selection stroke = brush();
    int64_t changed = 0;
    for (auto _ : state) {
        scene.select(stroke, scope, 2, 15);
        changed = scene.c.dirtyBox.area();
        scene.select(stroke, scope, 1, 2);
    }
    state.counters["dirty_box_pixels"] = static_cast<double>(changed);
}

void BM_SelectExact(benchmark::State& state) {
    selectAndErase(state, SelectScope::Exact);
}
void BM_SelectLocal(benchmark::State& state) {
    selectAndErase(state, SelectScope::Local);
}
void BM_SelectGlobal(benchmark::State& state) {
    selectAndErase(state, SelectScope::Global);
}

BENCHMARK(BM_SelectExact)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectLocal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectGlobal)->Unit(benchmark::kMillisecond);

} // namespace
