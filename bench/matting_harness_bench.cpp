// Quality and speed of whole cut-outs over composites with known alpha.
//
// Each composite NAME.png (a cut-out over a real photograph) comes with its
// true alpha NAME_gt.png and a trimap NAME_tri.png. The status image is taken
// from the trimap (255 keep, 0 delete, 128 unassigned) and the whole image is
// generated at factor 1. Reported per composite and as the mean over all:
//   SAD_k   sum over the image of |alpha - true alpha| (alpha in [0, 1]) / 1000
//   MSE     mean squared alpha error over the unassigned pixels
//   s_per_MP  seconds per megapixel of the image
// Each composite is run for 8-bit samples and for 16-bit samples (full scale
// 65535), the source widened by 257.
#include "support/bench_support.h"

#include "classification/Segmentation.h"
#include "vardek/matting/mask_driver.h"
#include "vardek/matting/mask_status.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using classification::Box;
using classification::ByteArray;
using orsine::matting::Image16;
using orsine::matting::Image8;
using orsine::utility::Colour;

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
    Image8 image;     // the composite, alpha full
    Image16 wide;     // the same, widened to 16 bits
    ByteArray truth;  // true alpha, 0 to 255
    ByteArray status; // from the trimap
    int64_t unassigned = 0;

    bool load(const std::string& name) {
        std::vector<uint8_t> bgra, gt, tri;
        int w = 0, h = 0, gw = 0, gh = 0, tw = 0, th = 0;
        if (!readPng(dataPath(name + ".png"), 4, bgra, w, h) ||
            !readPng(dataPath(name + "_gt.png"), 1, gt, gw, gh) ||
            !readPng(dataPath(name + "_tri.png"), 1, tri, tw, th) || gw != w || gh != h ||
            tw != w || th != h)
            return false;
        width = w;
        height = h;
        image.resize(h, w);
        wide.resize(h, w);
        truth.resize(h, w);
        status.resize(h, w);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) {
                const uint8_t* p = &bgra[(static_cast<std::size_t>(r) * w + c) * 4];
                image(r, c) = Colour<unsigned char>(p[0], p[1], p[2], 255);
                for (int ch = 0; ch < 4; ++ch)
                    wide(r, c)[ch] = static_cast<unsigned short>(image(r, c)[ch] * 257);
                const std::size_t i = static_cast<std::size_t>(r) * w + c;
                truth(r, c) = gt[i];
                status(r, c) = tri[i] == 255 ? 0x02 : tri[i] == 0 ? 0x04 : 0x01;
                unassigned += status(r, c) == 0x01;
            }
        return true;
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

template <class Image> Errors measure(const Composite& c, const Image& output, float fullScale) {
    Errors e;
    for (int r = 0; r < c.height; ++r)
        for (int col = 0; col < c.width; ++col) {
            const double d = output(r, col)[3] / fullScale - c.truth(r, col) / 255.0;
            e.sad += std::abs(d);
            if (c.status(r, col) == 0x01) {
                e.squared += d * d;
                ++e.unassigned;
            }
        }
    return e;
}

// Runs the whole-image generation; returns the output.
template <class Image>
Image cutOut(const Composite& c, const Image& source,
             int (*run)(orsine::matting::MaskRunSession&, Image, const Image&, ByteArray,
                        const std::optional<Box>&, orsine::matting::ReductionFactors,
                        orsine::matting::MaskForcedEdges, float, float,
                        orsine::matting::MaskPatches&, ProgressRange)) {
    classification::Segmentation<6, 0> classification(nullptr, true, c.image);
    classification::UndoQueue queue(200);
    orsine::matting::MaskRunSession session{classification, queue,
                                            orsine::matting::prepareMaskStatus};
    ByteArray status(c.status.shape());
    status = c.status;
    Image output(source.shape());
    output = source;
    orsine::matting::MaskPatches patches;
    if (run(session, output, source, status, std::nullopt,
            orsine::matting::ReductionFactors(1.0f, 1.0f), orsine::matting::MaskForcedEdges(), 0.0f,
            0.0f, patches, ProgressRange(nullptr)) != 0)
        std::fprintf(stderr, "generation failed\n");
    return output;
}

Errors runComposite(const Composite& c, bool sixteen) {
    if (sixteen)
        return measure(c, cutOut<Image16>(c, c.wide, orsine::matting::runMaskGeneration16),
                       65535.0f);
    return measure(c, cutOut<Image8>(c, c.image, orsine::matting::runMaskGeneration8), 255.0f);
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
    const Composite& c = *all[index];
    state.SetLabel(kNames[index]);
    Errors e;
    for (auto _ : state)
        e = runComposite(c, state.range(1) != 0);
    report(state, e, 1, c.megapixels());
}

// The mean over all composites: SAD_k per composite, MSE over all their
// unassigned pixels together.
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
            const Errors e = runComposite(*c, state.range(0) != 0);
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
BENCHMARK(BM_MattingMean)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
