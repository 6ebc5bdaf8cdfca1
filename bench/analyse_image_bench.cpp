// "Analyse Image" at the default variables on a real photograph (TwoWings,
// 2560 x 1600) resampled to about 4, 16 and 36 megapixels, with a marker
// watershed on the same image as the yardstick.
//
// BM_AnalyseImage times the whole operation through the call interface (a
// full redo every iteration). There the colour histograms and clusters are
// built on a thread of their own while the segmentation stages run, so its
// time is less than the sum of the stages. It reports the average number of
// busy cores (cores: the process's CPU time over the wall time) and, after
// each iteration, outside the timing, runs the marker watershed
// (watershed_ms, vs_watershed: the analysis' time over the watershed's).
//
// BM_AnalysisStages runs the same work stage by stage, one after another, on
// the session's classification, the segmentation split into its five stages,
// and reports
// for each stage its wall time per iteration (<stage>_ms) and the average
// number of busy cores (<stage>_cores: the process's CPU time over the wall
// time). In the same iteration it runs the marker watershed of
// bench_support::markerWatershed on the photograph (watershed_ms, one core)
// and reports the analysis' total against it (total_vs_watershed).
//
// BM_AnalysisStage times one stage at a time, for working on it.
//
// peak_MB is the highest peak resident size of the process during an
// analysis: the peak is reset before each analysis and read after it, before
// the watershed runs. It includes the photograph itself, 4 bytes per pixel,
// and, from the second iteration on, the results of the analysis before.
//
// The label is a digest of the analysis' results (texture image, colour
// clusters, edge planes, region and group labels): equal digests mean
// byte-identical results.
#include "support/bench_support.h"

#include "api/session.h"
#include "api/vardek.h"
#include "classification/block_histograms.h"
#include "classification/edge_planes.h"
#include "classification/edge_width_map.h"
#include "classification/histogram_segments.h"
#include "classification/segmentation.h"
#include "core/progress.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

namespace {

using Classification = classification::Segmentation<6, 0>;

bench_support::Photo photo(int megapixels) {
    return bench_support::twoWings(megapixels);
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
    Classification& classification() { return *inSession(handle)->classification; }
};

bool setUp(benchmark::State& state, const bench_support::Photo& p) {
    if (p.bgra.empty()) {
        state.SkipWithError(("no photograph: " + p.error).c_str());
        return false;
    }
    state.counters["megapixels"] = double(p.width) * p.height / 1e6;
    return true;
}

// FNV-1a over bytes.
struct Digest {
    uint64_t value = 1469598103934665603ull;
    void add(const void* data, std::size_t bytes) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < bytes; ++i)
            value = (value ^ p[i]) * 1099511628211ull;
    }
    template <typename T> void add(const T& v) { add(&v, sizeof v); }
    template <typename T> void addArray(const blitz::Array<T, 2>& a) {
        const classification::Box box = classification::boxOf(a);
        add(box);
        for (int r = box.lower.row; r <= box.upper.row; ++r)
            for (int c = box.lower.column; c <= box.upper.column; ++c)
                add(a(r, c));
    }
};

std::string digestOf(Classification& c) {
    Digest d;
    d.addArray(c.textureImage);
    for (std::size_t k = 0; k < c.colourClassifier.colourHistograms.size(); ++k) {
        d.add(c.colourClassifier.clusterCounts[k]);
        for (const auto& e : c.colourClassifier.colourHistograms[k].entries()) {
            d.add(e.colour);
            d.add(e.label);
            d.add(e.count);
        }
    }
    d.add(c.planeScale);
    d.addArray(c.edgePlaneStorage);
    d.add(c.regionCount);
    d.addArray(c.regionLabels);
    d.add(c.groupCount);
    d.addArray(c.groupLabels);
    char text[32];
    std::snprintf(text, sizeof text, "digest=%016llx", static_cast<unsigned long long>(d.value));
    return text;
}

// Wall and process CPU time since the last lap.
class Laps {
public:
    Laps() { restart(); }
    void restart() {
        wall_ = std::chrono::steady_clock::now();
        cpu_ = cpuSeconds();
    }
    // Adds the time since the last lap to `wall` and `cpu`.
    void lap(double& wall, double& cpu) {
        const auto now = std::chrono::steady_clock::now();
        const double c = cpuSeconds();
        wall += std::chrono::duration<double>(now - wall_).count();
        cpu += c - cpu_;
        wall_ = now;
        cpu_ = c;
    }

private:
    static double cpuSeconds() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
    }
    std::chrono::steady_clock::time_point wall_;
    double cpu_ = 0.0;
};

// The yardstick: a marker watershed on the photograph, one core.
double markerWatershedSeconds(const bench_support::Photo& p) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(bench_support::markerWatershed(p.bgra.data(), p.width, p.height));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Arguments: megapixels, workers (0: one per logical processor).
void BM_AnalyseImage(benchmark::State& state) {
    const bench_support::Photo p = photo(int(state.range(0)));
    if (!setUp(state, p)) return;
    Session session(p, unsigned(state.range(1)));
    VkResult result = VkOk;
    double wall = 0.0, cpu = 0.0, watershedSeconds = 0.0, peak = 0.0;
    for (auto _ : state) {
        // Every iteration a full redo, as for a newly opened image.
        state.PauseTiming();
        session.classification().dropCachedAnalysis();
        inSession(session.handle)->analysed = 0;
        resetPeakMemory();
        state.ResumeTiming();
        Laps laps;
        result = VkAnalyseImage(session.handle, vardekProgressCallback);
        laps.lap(wall, cpu);
        state.PauseTiming();
        peak = std::max(peak, peakMegabytes());
        watershedSeconds += markerWatershedSeconds(p);
        state.ResumeTiming();
    }
    if (result != VkOk) state.SkipWithError("VkAnalyseImage failed");
    state.counters["workers"] = session.classification().workerCount;
    state.counters["regions"] = session.classification().regionCount;
    state.counters["cores"] = wall > 0 ? cpu / wall : 0;
    state.counters["watershed_ms"] = watershedSeconds * 1000.0 / double(state.iterations());
    state.counters["vs_watershed"] = watershedSeconds > 0 ? wall / watershedSeconds : 0;
    state.counters["peak_MB"] = peak;
    state.SetLabel(digestOf(session.classification()));
}

enum Stage {
    textureStage,
    colourHistogramsStage,
    colourClustersStage,
    blockHistogramsStage,
    segmentsStage,
    edgeFeaturesStage,
    edgeWidthStage,
    regionFloodStage,
    refinementStage,
    groupsStage,
    objectEdgesStage,
    stageCount
};
const char* const stageNames[stageCount] = {
    "a_texture",          "b_colour_histograms", "c_colour_clusters",
    "d_block_histograms", "e_segments",          "f_edge_features",
    "g_edge_width",       "h_region_flood",      "i_refinement",
    "j_groups",           "k_object_edges"};

// Runs one stage of a full analysis on `c`, as Segmentation::analyse and the
// segmentation stages run it (the later stages forced).
void runStage(int stage, Classification& c) {
    using namespace classification;
    ProgressRange none(nullptr);
    const StageParams unset = unsetStageParams();
    const EdgePlaneRefs edges{c.edgePlaneStorage, c.edgePlanes, c.planeScale, c.pixelScaleMap};
    Classification::ColourClassifier& classifier = c.colourClassifier;
    switch (stage) {
    case textureStage:
        c.colourClassifier.fanOut.setThreads(c.workerCount);
        c.buildTextureImage(none);
        break;
    case colourHistogramsStage:
        classifier.buildHistograms(none);
        break;
    case colourClustersStage:
        // What buildColourClusters does after the histograms.
        classifier.clusterLevels(classifier.fanOut);
        break;
    case blockHistogramsStage:
        updateHistograms(c.textureImage, c.domain, c.params, unset, c.blocks, none, c.workerCount);
        break;
    case segmentsStage:
        segmentHistograms(true, c.params, unset, c.blocks, c.segments, none);
        break;
    case edgeFeaturesStage:
        updateEdgeFeatures(true, c.textureImage, c.domain, c.params.resolution, c.blocks,
                           c.segments, edges, none, c.workerCount);
        break;
    case edgeWidthStage:
        updateEdgeWidth(true, c.domain, c.params, unset, c.blocks, c.segments, edges, none);
        break;
    case regionFloodStage:
        c.updateRegions(true, none);
        saveStageParams(c.stageParams, c.params, c.channelEnabled);
        break;
    case refinementStage:
        c.refineRegions();
        break;
    case groupsStage:
        c.buildGroups(none);
        break;
    case objectEdgesStage: {
        std::vector<FloatPolyline> lines;
        c.buildObjectEdges(lines, none);
        benchmark::DoNotOptimize(lines.data());
        break;
    }
    }
}

// What a stage needs before it can run again on a classification that has
// run every stage up to it.
void prepareRerun(int stage, Classification& c) {
    ProgressRange none(nullptr);
    switch (stage) {
    case textureStage:
        c.dropCachedAnalysis();
        break;
    case colourHistogramsStage:
        c.colourClassifier.reset(c.textureImage);
        break;
    case colourClustersStage:
        c.colourClassifier.reset(c.textureImage);
        c.colourClassifier.buildHistograms(none);
        break;
    case refinementStage:
        c.updateRegions(true, none);
        break;
    default:
        break;
    }
}

void BM_AnalysisStages(benchmark::State& state) {
    const bench_support::Photo p = photo(int(state.range(0)));
    if (!setUp(state, p)) return;
    Session session(p, unsigned(state.range(1)));
    Classification& c = session.classification();
    double wall[stageCount] = {}, cpu[stageCount] = {};
    double watershedSeconds = 0.0, peak = 0.0;
    for (auto _ : state) {
        // A full redo, stage by stage.
        c.dropCachedAnalysis();
        resetPeakMemory();
        Laps laps;
        for (int stage = 0; stage < stageCount; ++stage) {
            runStage(stage, c);
            laps.lap(wall[stage], cpu[stage]);
        }
        peak = std::max(peak, peakMegabytes());
        watershedSeconds += markerWatershedSeconds(p);
    }
    const double n = double(state.iterations());
    double totalWall = 0.0, totalCpu = 0.0;
    for (int i = 0; i < stageCount; ++i) {
        state.counters[std::string(stageNames[i]) + "_ms"] = wall[i] * 1000.0 / n;
        state.counters[std::string(stageNames[i]) + "_cores"] = wall[i] > 0 ? cpu[i] / wall[i] : 0;
        totalWall += wall[i];
        totalCpu += cpu[i];
    }
    state.counters["total_ms"] = totalWall * 1000.0 / n;
    state.counters["total_cores"] = totalWall > 0 ? totalCpu / totalWall : 0;
    state.counters["watershed_ms"] = watershedSeconds * 1000.0 / n;
    state.counters["total_vs_watershed"] = watershedSeconds > 0 ? totalWall / watershedSeconds : 0;
    state.counters["workers"] = c.workerCount;
    state.counters["peak_MB"] = peak;
    state.SetLabel(digestOf(c));
}

// One stage at a time, for working on it: arguments stage (0 to 10, in the
// order of the stage counters of BM_AnalysisStages), megapixels, workers. The
// stages before it run once first; the time is the stage's alone, and cores
// its CPU time over its wall time.
void BM_AnalysisStage(benchmark::State& state) {
    const int stage = int(state.range(0));
    const bench_support::Photo p = photo(int(state.range(1)));
    if (!setUp(state, p)) return;
    Session session(p, unsigned(state.range(2)));
    Classification& c = session.classification();
    c.dropCachedAnalysis();
    for (int before = 0; before < stage; ++before)
        runStage(before, c);
    double wall = 0.0, cpu = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        prepareRerun(stage, c);
        state.ResumeTiming();
        Laps laps;
        runStage(stage, c);
        laps.lap(wall, cpu);
    }
    state.counters["cores"] = wall > 0 ? cpu / wall : 0;
    if (stage == colourHistogramsStage || stage == colourClustersStage) {
        std::size_t bytes = 0;
        for (const classification::ColourHashMap& map : c.colourClassifier.colourHistograms)
            bytes += map.memoryBytes();
        state.counters["colours_level0"] = double(c.colourClassifier.colourHistograms[0].size());
        state.counters["colours_level1"] = double(c.colourClassifier.colourHistograms[1].size());
        state.counters["maps_MB"] = double(bytes) / double(1 << 20);
    }
    state.SetLabel(stageNames[stage]);
}

void sizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"MP", "workers"});
    for (int megapixels : {4, 16, 36})
        b->Args({megapixels, 8});
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
}

} // namespace

BENCHMARK(BM_AnalyseImage)->Apply(sizes)->Args({4, 1});
BENCHMARK(BM_AnalysisStages)->Apply(sizes);
BENCHMARK(BM_AnalysisStage)
    ->ArgNames({"stage", "MP", "workers"})
    ->ArgsProduct({benchmark::CreateDenseRange(0, stageCount - 1, 1), {4, 16}, {1, 8}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
