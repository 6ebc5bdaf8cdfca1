// Quality and speed of whole cut-outs over composites with known alpha.
//
// Each composite NAME.png (a cut-out over a real photograph) comes with its
// true alpha NAME_gt.png and a trimap NAME_tri.png. The status image is taken
// from the trimap (255 keep, 0 delete, 128 unassigned) and the whole image is
// generated at factor 1 through VkGenerateMask, on a session analysed once
// beforehand (the analysis is not timed). Reported per composite and as the
// mean over all:
//   SAD_k   sum over the image of |alpha - true alpha| (alpha in [0, 1]) / 1000
//   MSE     mean squared alpha error over the unassigned pixels
//   s_per_MP  seconds per megapixel of the image
// Each composite is run for 8-bit samples and for 16-bit samples (full scale
// 65535), the source widened by 257, and along three paths: the default
// blending, a membrane patch and a choices patch over the whole image; with
// forced edges, the outline of the true alpha's half level is drawn as forced
// edges of feather width 2.
#include "support/bench_support.h"

#include "api/vardek.h"
#include "classification/contours.h"
#include "classification/polylines.h"
#include "core/arrays.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const kNames[] = {
    "balloon_coffee", "balloon_fruits", "balloon_gravel", "crane_coffee", "crane_fruits",
    "crane_gravel",   "palm_coffee",    "palm_fruits",    "palm_gravel",  "thyme_coffee",
    "thyme_fruits",   "thyme_gravel",   "tiger_coffee",   "tiger_fruits", "tiger_gravel",
};

std::string dataPath(const std::string& file) {
    return std::string(CUTOUT_SHARED_DATA) + "/matting/" + file;
}

// A PNG file as `channels` bytes a pixel (4: blue, green, red, alpha; 1: grey).
bool readPng(const std::string& path, int channels, std::vector<uint8_t>& pixels, int& width,
             int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = channels == 4 ? PNG_FORMAT_BGRA : PNG_FORMAT_GRAY;
    pixels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return true;
}

struct Composite {
    int width = 0, height = 0;
    std::vector<uint8_t> image;   // the composite, blue, green, red, alpha (full)
    std::vector<uint16_t> wide;   // the same, widened to 16 bits
    std::vector<uint8_t> truth;   // true alpha, 0 to 255
    std::vector<uint8_t> unknown; // 1 where the trimap is unassigned
    VkEngine* engine = nullptr;
    VkSession* session = nullptr;
    VkImage* status = nullptr;
    std::vector<std::vector<float>> edgePoints; // x, y pairs of the true outline
    std::vector<VkForcedEdgeRecord> edges;

    ~Composite() {
        if (engine) VkFinish(engine);
    }

    bool load(const std::string& name) {
        std::vector<uint8_t> tri;
        int gw = 0, gh = 0, tw = 0, th = 0;
        if (!readPng(dataPath(name + ".png"), 4, image, width, height) ||
            !readPng(dataPath(name + "_gt.png"), 1, truth, gw, gh) ||
            !readPng(dataPath(name + "_tri.png"), 1, tri, tw, th) || gw != width || gh != height ||
            tw != width || th != height)
            return false;
        wide.resize(image.size());
        for (std::size_t i = 0; i < image.size(); ++i)
            wide[i] = static_cast<uint16_t>(image[i] * 257);
        // The status from the trimap: keep, delete, unassigned.
        std::vector<uint8_t> bytes(tri.size());
        unknown.resize(tri.size());
        for (std::size_t i = 0; i < tri.size(); ++i) {
            bytes[i] = tri[i] == 255 ? VkStatusKeep
                       : tri[i] == 0 ? VkStatusDelete
                                     : VkStatusUnassigned;
            unknown[i] = bytes[i] == VkStatusUnassigned;
        }
        engine = VkInit();
        session = VkBeginSession(engine, width, height, width * 4, VkKindRgba8, image.data());
        status = VkNewStatusImage(engine, width, height, width * 4, VkKindRgba8, image.data());
        if (!session || !status || VkAnalyseImage(session, vardekProgressCallback) != VkOk)
            return false;
        VkMaskRect rect{0, 0, width, height, width, 0, bytes.data()};
        traceTrueOutline();
        return VkSetStatus(session, status, &rect) == VkOk;
    }

    // The outline of the pixels whose true alpha is at least one half.
    void traceTrueOutline() {
        std::vector<uint8_t> inside(truth.size());
        for (std::size_t i = 0; i < truth.size(); ++i)
            inside[i] = truth[i] >= 128;
        const classification::ByteArray mask =
            classification::viewOver(inside.data(), height, width, width);
        std::vector<classification::IntPolyline> lines = classification::buildPatchOutline(mask);
        classification::simplifyPolylines(lines, 1.0f);
        for (const auto& line : lines) {
            std::vector<float> points;
            for (const classification::Point& p : line) {
                points.push_back(static_cast<float>(p.column));
                points.push_back(static_cast<float>(p.row));
            }
            edgePoints.push_back(std::move(points));
        }
        for (const auto& points : edgePoints)
            edges.push_back({points.data(), static_cast<uint32_t>(points.size() / 2), 2.0f});
    }

    double megapixels() const { return static_cast<double>(width) * height / 1e6; }
};

// The composites, read once.
const std::vector<std::unique_ptr<Composite>>& composites() {
    static const std::vector<std::unique_ptr<Composite>> all = [] {
        std::vector<std::unique_ptr<Composite>> list;
        if (!std::filesystem::exists(dataPath(""))) return list;
        for (const char* name : kNames) {
            auto c = std::make_unique<Composite>();
            if (c->load(name)) list.push_back(std::move(c));
        }
        return list;
    }();
    return all;
}

// Alpha errors of one or more cut-outs.
struct Errors {
    double sad = 0.0, squared = 0.0;
    int64_t unassigned = 0;
};

// The blending paths of the harness.
enum Path { kDefault = 0, kMembrane = 1, kChoices = 2 };

// One whole-image cut-out of `source` (samples of type T, `kind`), output
// starting as the source; its alpha against the truth.
template <typename T>
Errors runCutOut(Composite& c, const std::vector<T>& source, int32_t kind, double fullScale,
                 Path path, bool withEdges) {
    std::vector<T> output = source;
    const int32_t rowBytes = c.width * 4 * static_cast<int32_t>(sizeof(T));
    VkImage out{c.width, c.height, rowBytes, kind, reinterpret_cast<unsigned char*>(output.data())};
    VkImage in{c.width, c.height, rowBytes, kind,
               reinterpret_cast<unsigned char*>(const_cast<T*>(source.data()))};
    // A patch over the whole image selects the path; its parameters are mid-range.
    const uint8_t mode = path == kMembrane ? VkBlendMembrane : VkBlendChoices;
    const VkPatchRecord patch{0, 0, c.width,   c.height,  c.width, 0,    nullptr, 0,
                              0, 0, {0, 0, 0}, {0, 0, 0}, 0.0f,    mode, 0.5f,    0.5f};
    const uint32_t patchCount = path == kDefault ? 0 : 1;
    const uint32_t edgeCount = withEdges ? static_cast<uint32_t>(c.edges.size()) : 0;
    if (VkGenerateMask(c.session, nullptr, out, in, c.status, c.edges.data(), edgeCount, 0.0f, 0.0f,
                       &patch, patchCount) != VkOk)
        std::fprintf(stderr, "generation failed\n");
    Errors e;
    for (std::size_t i = 0; i < c.truth.size(); ++i) {
        const double d = output[i * 4 + 3] / fullScale - c.truth[i] / 255.0;
        e.sad += std::abs(d);
        if (c.unknown[i]) {
            e.squared += d * d;
            ++e.unassigned;
        }
    }
    return e;
}

Errors runComposite(Composite& c, bool sixteen, Path path = kDefault, bool withEdges = false) {
    if (sixteen) return runCutOut(c, c.wide, VkKindRgba16, 65535.0, path, withEdges);
    return runCutOut(c, c.image, VkKindRgba8, 255.0, path, withEdges);
}

void report(benchmark::State& state, const Errors& e, int images, double megapixels) {
    state.counters["SAD_k"] = e.sad / 1000.0 / images;
    state.counters["MSE"] = e.unassigned ? e.squared / static_cast<double>(e.unassigned) : 0.0;
    state.counters["s_per_MP"] = benchmark::Counter(
        megapixels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Arguments: composite index, 16-bit samples (0 or 1).
void BM_MattingComposite(benchmark::State& state) {
    const auto& all = composites();
    const std::size_t index = static_cast<std::size_t>(state.range(0));
    if (index >= all.size()) {
        state.SkipWithError("composite not found under ../shared/data/matting");
        return;
    }
    Composite& c = *all[index];
    state.SetLabel(kNames[index]);
    Errors e;
    for (auto _ : state)
        e = runComposite(c, state.range(1) != 0);
    report(state, e, 1, c.megapixels());
}

// The mean over all composites: SAD_k per composite, MSE over all their
// unassigned pixels together. Arguments: 16-bit samples (0 or 1), path,
// forced edges (0 or 1).
void BM_MattingMean(benchmark::State& state) {
    const auto& all = composites();
    if (all.empty()) {
        state.SkipWithError("no composites under ../shared/data/matting");
        return;
    }
    Errors total;
    double megapixels = 0.0, mseSum = 0.0;
    for (auto _ : state) {
        total = Errors();
        megapixels = mseSum = 0.0;
        for (const auto& c : all) {
            const Errors e = runComposite(*c, state.range(0) != 0,
                                          static_cast<Path>(state.range(1)), state.range(2) != 0);
            total.sad += e.sad;
            total.squared += e.squared;
            total.unassigned += e.unassigned;
            mseSum += e.unassigned ? e.squared / static_cast<double>(e.unassigned) : 0.0;
            megapixels += c->megapixels();
        }
    }
    state.SetLabel(std::to_string(all.size()) + " composites");
    report(state, total, static_cast<int>(all.size()), megapixels);
    // The mean of the composites' own MSE, as matting figures are usually given.
    state.counters["MSE_mean"] = mseSum / static_cast<double>(all.size());
}

BENCHMARK(BM_MattingComposite)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 14, 1), {0, 1}})
    ->Unit(benchmark::kMillisecond);
// The 16-bit choices path is left out: with the palette thresholds in sample
// units it takes tens of seconds a composite.
BENCHMARK(BM_MattingMean)
    ->Args({0, kDefault, 0})
    ->Args({1, kDefault, 0})
    ->Args({0, kMembrane, 0})
    ->Args({1, kMembrane, 0})
    ->Args({0, kChoices, 0})
    ->Args({0, kDefault, 1})
    ->Args({0, kMembrane, 1})
    ->Args({0, kChoices, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace
