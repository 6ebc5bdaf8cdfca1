// What the user waits for in the colour workspace: the histogram rebuilt in
// the display's paint, on the user-interface thread, after a change of axes,
// colour bits, views or statuses; a paint that only scales the picture and
// draws the selection (a drag in progress); a highlight pass, on its own
// thread, marking the pixels of a selection; and a new selection stopping a
// pass still running, which the user-interface thread waits for.
//
// The image is a real photograph scaled up: 6000 x 4000 as the workspace of
// a 24-megapixel photo opened at 1:1, and 2450 x 1633 (4 megapixels), the
// largest workspace the default resolution gives. Every pixel is unassigned
// and counted. The hue-lightness pair converts every pixel and is the
// slowest; red-green only reads bytes.
#include "colour_workspace/colour_display.h"
#include "colour_workspace/colour_histogram.h"
#include "files/named_image.h"
#include "files/zt_source_image.h"
#include "model/gm_model.h"
#include "model/gm_status_array.h"
#include "model/highlight_thread.h"
#include "support/app_services.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Workspace {
    QImage pixels;
    std::vector<uchar> statusBytes;
    QImage status;
};

struct Environment : AppServices<QApplication> {
    Environment() : AppServices("colour_workspace_bench") {
        // The shared data beside the checkout, or where CUTOUT_SHARED_DATA says.
        const QString path =
            qEnvironmentVariable("CUTOUT_SHARED_DATA", QStringLiteral(CUTOUT_SHARED_DATA)) +
            QStringLiteral("/photos/Dune.jpg");
        photo = QImage(path);
        if (photo.isNull()) error = "no photograph at " + path.toStdString();
    }
    // The photograph at `width` x `height`, all unassigned.
    const Workspace& workspace(int width, int height) {
        std::unique_ptr<Workspace>& made = sizes[width];
        if (!made) {
            made = std::make_unique<Workspace>();
            made->pixels =
                photo.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(QImage::Format_ARGB32);
            const int rowBytes = (width + 3) / 4 * 4;
            made->statusBytes.assign(std::size_t(rowBytes) * std::size_t(height),
                                     VkStatusUnassigned);
            made->status =
                QImage(made->statusBytes.data(), width, height, rowBytes, QImage::Format_Indexed8);
        }
        return *made;
    }
    QImage photo;
    std::string error;
    std::map<int, std::unique_ptr<Workspace>> sizes;
};

Environment& environment() {
    static Environment made;
    return made;
}

const QSize kOneToOne(6000, 4000);
const QSize kDefaultLargest(2450, 1633);

QSize sizeOf(int which) {
    return which == 0 ? kOneToOne : kDefaultLargest;
}

// Arguments: the workspace (0 = 24 MP at 1:1, 1 = 4 MP), the horizontal and
// vertical axes, the colour bits.
void BM_Rebuild(benchmark::State& state) {
    Environment& e = environment();
    if (!e.error.empty()) {
        state.SkipWithError(e.error.c_str());
        return;
    }
    const QSize size = sizeOf(int(state.range(0)));
    const Workspace& workspace = e.workspace(size.width(), size.height());
    ColourHistogram histogram;
    histogram.setAxes(Bx::colour::channel(state.range(1)), Bx::colour::channel(state.range(2)));
    histogram.setColourBits(int(state.range(3)));
    for (auto _ : state) {
        histogram.rebuildFrom(workspace.pixels, workspace.status, nullptr);
        benchmark::DoNotOptimize(histogram.binCount());
    }
    state.counters["bins"] = histogram.binCount();
    state.counters["megapixels"] = double(size.width()) * size.height() / 1e6;
}
BENCHMARK(BM_Rebuild)
    ->ArgNames({"workspace", "horizontal", "vertical", "bits"})
    ->Args({0, Bx::colour::Hue, Bx::colour::Lightness, 5})
    ->Args({0, Bx::colour::Hue, Bx::colour::Lightness, 8})
    ->Args({0, Bx::colour::Saturation, Bx::colour::Hue, 5})
    ->Args({0, Bx::colour::Red, Bx::colour::Green, 5})
    ->Args({1, Bx::colour::Hue, Bx::colour::Lightness, 5})
    ->Args({1, Bx::colour::Red, Bx::colour::Green, 5})
    ->Unit(benchmark::kMillisecond);

// The display (360 x 300 on screen) over the 4-megapixel workspace, its
// histogram built, colours of many hues and lightnesses selected.
struct PaintedDisplay {
    PaintedDisplay(int mode, int bits) {
        const Workspace& workspace =
            environment().workspace(kDefaultLargest.width(), kDefaultLargest.height());
        display.resize(360, 300);
        display.setMode(mode);
        display.histogram().setAxes(Bx::colour::Hue, Bx::colour::Lightness);
        display.setColourBits(bits);
        display.histogram().rebuildFrom(workspace.pixels, workspace.status, nullptr);
        display.setRebuildNeeded(false); // built above, from the photograph, not the model
        display.show();
        QApplication::processEvents();
        display.unHighlight();
        for (int v = 0; v < 256; v += 8)
            display.colourPicked(QColor::fromHsl(v * 359 / 255, 200, v), Qt::ShiftModifier);
    }
    ColourDisplay display;
};

// The paints' cases: the histogram and the colour map, at 5 and 8 bits.
void paintCases(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"mode", "bits"})
        ->Args({0, 5})
        ->Args({0, 8})
        ->Args({1, 5})
        ->Args({1, 8})
        ->Unit(benchmark::kMillisecond);
}

// A paint while a drag goes on: no rebuild, the bins as drawn before, the
// selection drawn over them and the picture scaled. Arguments: the mode (0
// histogram, 1 colour map), the colour bits.
void BM_PaintWithoutRebuild(benchmark::State& state) {
    if (!environment().error.empty()) {
        state.SkipWithError(environment().error.c_str());
        return;
    }
    PaintedDisplay painted(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        painted.display.repaint();
    }
    state.counters["bins"] = painted.display.histogram().binCount();
}
BENCHMARK(BM_PaintWithoutRebuild)->Apply(paintCases);

// A paint that draws the bins again (here after a change of background, as
// after a rebuild or a change of mode), without the rebuild itself.
void BM_PaintDrawingTheBins(benchmark::State& state) {
    if (!environment().error.empty()) {
        state.SkipWithError(environment().error.c_str());
        return;
    }
    PaintedDisplay painted(int(state.range(0)), int(state.range(1)));
    int background = 0;
    for (auto _ : state) {
        background = 1 - background;
        painted.display.setBackground(background);
        painted.display.repaint();
    }
    state.counters["bins"] = painted.display.histogram().binCount();
}
BENCHMARK(BM_PaintDrawingTheBins)->Apply(paintCases);

// A selection of a quarter of the values: one run of 16 in every 64.
std::vector<bool> quarterOfTheValues() {
    std::vector<bool> values(256, false);
    for (int v = 0; v < 256; ++v)
        values[std::size_t(v)] = (v / 16) % 4 == 1;
    return values;
}

// A quarter of the pairs: a square in the middle of the map.
QImage quarterOfThePairs() {
    QImage map(256, 256, QImage::Format_Mono);
    map.fill(0);
    for (int y = 64; y < 192; ++y)
        for (int x = 64; x < 192; ++x)
            map.setPixel(x, y, 1);
    return map;
}

// The 24-megapixel workspace a highlight pass runs over, with `output` made a
// cleared one-bit picture of its size; null, the benchmark skipped, without
// the data.
const Workspace* passWorkspace(benchmark::State& state, QImage* output) {
    Environment& e = environment();
    if (!e.error.empty()) {
        state.SkipWithError(e.error.c_str());
        return nullptr;
    }
    *output = QImage(kOneToOne, QImage::Format_Mono);
    output->fill(0);
    return &e.workspace(kOneToOne.width(), kOneToOne.height());
}

// One highlight pass over the 24-megapixel workspace, started and waited for
// (the time is the pass on its thread). Arguments: the horizontal axis and
// the vertical axis, or -1 for a histogram-mode (1-D) selection.
void BM_HighlightPass(benchmark::State& state) {
    QImage output;
    const Workspace* workspace = passWorkspace(state, &output);
    if (!workspace) return;
    const auto horizontal = Bx::colour::channel(state.range(0));
    const int vertical = int(state.range(1));
    Set1DThread oneAxis;
    Set2DThread twoAxes;
    HighlightThread* thread = &oneAxis;
    if (vertical < 0) {
        oneAxis.setSelection(quarterOfTheValues(), horizontal);
    } else {
        twoAxes.setSelection(quarterOfThePairs(), horizontal, Bx::colour::channel(vertical));
        thread = &twoAxes;
    }
    for (auto _ : state) {
        thread->startPass(&output, workspace->pixels, workspace->status, QImage(), output.rect(),
                          15);
        thread->waitForPass();
    }
    state.counters["megapixels"] = double(kOneToOne.width()) * kOneToOne.height() / 1e6;
}
BENCHMARK(BM_HighlightPass)
    ->ArgNames({"horizontal", "vertical"})
    ->Args({Bx::colour::Hue, -1})
    ->Args({Bx::colour::Lightness, -1})
    ->Args({Bx::colour::Saturation, -1})
    ->Args({Bx::colour::Red, -1})
    ->Args({Bx::colour::Hue, Bx::colour::Lightness})
    ->Args({Bx::colour::Saturation, Bx::colour::Hue})
    ->Args({Bx::colour::Red, Bx::colour::Green})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A new selection while a pass over the 24-megapixel workspace runs: the
// user-interface thread stops the pass, waits for it and starts the next.
// That is the time; the pass runs 20 ms before each new selection. The
// counters give the stop alone (setting the flag until the pass has ended),
// on average and at its longest.
void BM_NewSelectionStopsARunningPass(benchmark::State& state) {
    QImage output;
    const Workspace* workspace = passWorkspace(state, &output);
    if (!workspace) return;
    Set2DThread thread;
    const QImage pairs = quarterOfThePairs();
    thread.setSelection(pairs, Bx::colour::Hue, Bx::colour::Lightness);
    thread.startPass(&output, workspace->pixels, workspace->status, QImage(), output.rect(), 15);
    using Clock = std::chrono::steady_clock;
    const auto seconds = [](Clock::time_point from, Clock::time_point to) {
        return std::chrono::duration<double>(to - from).count();
    };
    double stops = 0, longestStop = 0;
    for (auto _ : state) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const Clock::time_point start = Clock::now();
        thread.stopAndWait();
        const Clock::time_point stopped = Clock::now();
        thread.setSelection(pairs, Bx::colour::Hue, Bx::colour::Lightness);
        thread.startPass(&output, workspace->pixels, workspace->status, QImage(), output.rect(),
                         15);
        state.SetIterationTime(seconds(start, Clock::now()));
        stops += seconds(start, stopped);
        longestStop = std::max(longestStop, seconds(start, stopped));
    }
    thread.stopAndWait();
    state.counters["stop_us"] = stops * 1e6 / double(state.iterations());
    state.counters["longest_stop_us"] = longestStop * 1e6;
}
BENCHMARK(BM_NewSelectionStopsARunningPass)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(100);

} // namespace
