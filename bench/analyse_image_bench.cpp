// "Analyse Image" at the default variables on real photographs: a
// 4-megapixel one (TwoWings, 2560 x 1600) and a 1-megapixel one (the same
// decoded at half size, 1280 x 800), with one worker per pool and with one per
// logical processor.
//
// BM_AnalyseImage times the whole operation through the call interface (a
// full redo every iteration). BM_AnalysisStages runs the same work stage by
// stage on the session's classification and reports each stage's wall time
// per iteration in milliseconds. peak_MB is the process's peak resident size
// since the benchmark started (the peak is reset first), so it includes the
// photograph itself.
#include "support/bench_support.h"

#include "api/session.h"
#include "api/vardek.h"
#include "classification/segmentation.h"
#include "core/progress.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// The shared data folder; the environment variable CUTOUT_SHARED_DATA
// overrides where the build expects it.
std::string sharedData() {
    const char* override = std::getenv("CUTOUT_SHARED_DATA");
    return override ? override : CUTOUT_SHARED_DATA;
}

const bench_support::Photo& photo(int scale) {
    static const std::string path = sharedData() + "/photos/TwoWings.jpg";
    static const bench_support::Photo full = bench_support::readJpeg(path, 1);
    static const bench_support::Photo half = bench_support::readJpeg(path, 2);
    return scale == 1 ? full : half;
}

// Starts the peak resident size afresh.
void resetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

double peakMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0.0;
}

struct Session {
    VkEngine* engine = VkInit();
    VkSession* handle = nullptr;

    Session(const bench_support::Photo& p, unsigned workers) {
        handle = VkBeginSession(engine, p.width, p.height, p.width * 4, VkKindRgba8, p.bgra.data());
        if (handle && workers) inSession(handle)->classification->workerCount = workers;
    }
    ~Session() {
        if (handle) VkEndSession(handle);
        VkFinish(engine);
    }
    VkInSession::Classification& classification() { return *inSession(handle)->classification; }
};

// Arguments: photo scale (1 or 2), workers (0: one per logical processor).
bool setUp(benchmark::State& state, const bench_support::Photo& p) {
    if (p.bgra.empty()) {
        state.SkipWithError(("no photograph: " + p.error).c_str());
        return false;
    }
    state.counters["megapixels"] = double(p.width) * p.height / 1e6;
    return true;
}

void BM_AnalyseImage(benchmark::State& state) {
    const bench_support::Photo& p = photo(int(state.range(0)));
    if (!setUp(state, p)) return;
    Session session(p, unsigned(state.range(1)));
    resetPeakMemory();
    VkResult result = VkOk;
    for (auto _ : state) {
        // Every iteration a full redo, as for a newly opened image.
        state.PauseTiming();
        session.classification().dropCachedAnalysis();
        inSession(session.handle)->analysed = 0;
        state.ResumeTiming();
        result = VkAnalyseImage(session.handle, vardekProgressCallback);
    }
    if (result != VkOk) state.SkipWithError("VkAnalyseImage failed");
    state.counters["workers"] = session.classification().workerCount;
    state.counters["regions"] = session.classification().regionCount;
    state.counters["peak_MB"] = peakMegabytes();
}

void BM_AnalysisStages(benchmark::State& state) {
    const bench_support::Photo& p = photo(int(state.range(0)));
    if (!setUp(state, p)) return;
    Session session(p, unsigned(state.range(1)));
    classification::Segmentation<6, 0>& c = session.classification();
    resetPeakMemory();
    double seconds[7] = {};
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        c.dropCachedAnalysis();
        ProgressRange range(nullptr);
        auto t = Clock::now();
        const auto lap = [&](int stage) {
            const auto now = Clock::now();
            seconds[stage] += std::chrono::duration<double>(now - t).count();
            t = now;
        };
        c.colourClassifier.fanOut.setThreads(c.workerCount);
        c.buildTextureImage(range);
        lap(0);
        c.colourClassifier.buildColourClusters(range);
        lap(1);
        const bool flooded = c.updateStages(range).stage[classification::regionsStage];
        lap(2);
        if (flooded) c.refineRegions();
        lap(3);
        c.buildGroups(range);
        lap(4);
        std::vector<classification::FloatPolyline> lines;
        c.buildObjectEdges(lines, range);
        benchmark::DoNotOptimize(lines.data());
        lap(5);
    }
    const char* names[] = {"1_texture_ms",    "2_clusters_ms", "3_segmentation_ms",
                           "4_refinement_ms", "6_groups_ms",   "object_edges_ms"};
    const double n = double(state.iterations());
    for (int i = 0; i < 6; ++i)
        state.counters[names[i]] = seconds[i] * 1000.0 / n;
    state.counters["workers"] = c.workerCount;
    state.counters["peak_MB"] = peakMegabytes();
}

void photosAndWorkers(benchmark::internal::Benchmark* b) {
    b->ArgNames({"scale", "workers"});
    for (int scale : {2, 1})
        for (int workers : {1, 0})
            b->Args({scale, workers});
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
}

} // namespace

BENCHMARK(BM_AnalyseImage)->Apply(photosAndWorkers);
BENCHMARK(BM_AnalysisStages)->Apply(photosAndWorkers);
