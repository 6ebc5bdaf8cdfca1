// The palette matting solver on choices patches: a checkerboard foreground
// over a checkerboard background at every sample kind, pixels it must leave
// alone, the empty-palette failure, reduced status resolution, out-of-range
// samples, progress and cancel.
#include "support/progress_recorder.h"

#include "api/vardek.h"
#include "matting/palette_solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <cstdint>
#include <string>
#include <vector>

using namespace orsine::matting;
using classification::Box;
using classification::ByteArray;
using orsine::utility::Colour;

namespace {

struct RecordingProgress : orsine::utility::IiUI {
    std::vector<float> fractions;
    void report(float fraction, const std::string&) override { fractions.push_back(fraction); }
};

template <typename T> bool same(const Colour<T>& a, const Colour<T>& b) {
    return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
}

template <class Kind> struct Scene {
    using Sample = typename Kind::Sample;
    using Pixel = Colour<Sample>;
    static constexpr int unit = sizeof(Sample) == 1 ? 1 : 128; // 200 * 128 fits kind 3

    Pixel sentinel{1, 2, 3, 4};
    Box box;
    PixelView<Sample> source, output;
    ByteArray status;
    MaskPatch patch;

    static Pixel colour(int c0, int c1, int c2) {
        return Pixel(c0 * unit, c1 * unit, c2 * unit, 255 * unit);
    }
    explicit Scene(const Box& b)
        : box(b), source(classification::arrayOver<Pixel>(b, colour(0, 0, 0))),
          output(classification::arrayOver<Pixel>(b, sentinel)),
          status(classification::arrayOver<unsigned char>(b, 0)) {
        patch.choices = true;
        patch.choice1 = patch.choice2 = 0.5f;
    }
    int32_t solve(blitz::TinyVector<float, 2> scale = {1.0f, 1.0f},
                  orsine::utility::IiUI* parent = nullptr) {
        return solveFor(classification::boxOf(status), scale, parent);
    }
    int32_t solveFor(const Box& statusBox, blitz::TinyVector<float, 2> scale,
                     orsine::utility::IiUI* parent = nullptr) {
        if constexpr (std::is_same_v<Kind, Kind8>)
            return solveMatting8(source, status, output, statusBox, scale, patch,
                                 ProgressRange(parent));
        else if constexpr (std::is_same_v<Kind, Kind16>)
            return solveMatting16(source, status, output, statusBox, scale, patch,
                                  ProgressRange(parent));
        else
            return solveMatting15(source, status, output, statusBox, scale, patch,
                                  ProgressRange(parent));
    }
    bool outputUntouched() const {
        for (auto it = output.begin(); it != output.end(); ++it)
            if (!same(*it, sentinel)) return false;
        return true;
    }
};

template <class Kind> class PaletteSolver : public ::testing::Test {};
using Kinds = ::testing::Types<Kind8, Kind16, Kind15>;
TYPED_TEST_SUITE(PaletteSolver, Kinds);

// Red and green keep pixels on the left, blue and yellow delete pixels on the
// right, each as a checkerboard, and a band of 0.3 red + 0.7 yellow between.
// Clusters split only along an axis with a first (blue) component, so the
// green carries some blue.
template <class Kind> void paintCheckerboards(Scene<Kind>& scene, int bandFrom, int bandTo) {
    using S = Scene<Kind>;
    const Box& b = scene.box;
    for (int i = b.lower.row; i <= b.upper.row; ++i) {
        for (int j = b.lower.column; j <= b.upper.column; ++j) {
            const bool even = (i + j) % 2 == 0;
            if (j < bandFrom) {
                scene.source(i, j) = even ? S::colour(0, 0, 200) : S::colour(120, 200, 0);
                scene.status(i, j) = 0x82;
            } else if (j > bandTo) {
                scene.source(i, j) = even ? S::colour(200, 0, 0) : S::colour(0, 200, 200);
                scene.status(i, j) = 0x84;
            } else {
                scene.source(i, j) = S::colour(0, 140, 200);
                scene.status(i, j) = 0x88;
            }
        }
    }
}

// Alpha of a pixel whose background share is j.
template <class Kind> int alphaFor(float j) {
    const float s = (j + j * j * j * (10.0f + j * (6.0f * j - 15.0f))) * 0.5f;
    return static_cast<int>((1.0f - s) * Kind::solverAlphaFactor);
}

TYPED_TEST(PaletteSolver, CheckerboardForegroundOverCheckerboardBackground) {
    using S = Scene<TypeParam>;
    S scene(Box(0, 0, 15, 31));
    paintCheckerboards(scene, 12, 19);
    // Row 8 of the band is pure yellow: all background.
    for (int j = 12; j <= 19; ++j)
        scene.source(8, j) = S::colour(0, 200, 200);
    // Pixels that are not marked, or already done, are left alone.
    for (int i = 0; i <= 15; ++i)
        scene.status(i, 31) &= 0x7F;
    scene.status(3, 15) |= 0x40;

    ASSERT_EQ(scene.solve(), 0);
    const int full = TypeParam::fullScale;
    for (int i = 0; i <= 15; ++i) {
        for (int j = 0; j <= 31; ++j) {
            SCOPED_TRACE(testing::Message() << "(" << i << ", " << j << ")");
            const auto out = scene.output(i, j);
            if (j == 31 || (i == 3 && j == 15)) {
                EXPECT_TRUE(same(out, scene.sentinel));
            } else if (j < 12) {
                const auto& in = scene.source(i, j);
                EXPECT_TRUE(same(out, typename S::Pixel(in[0], in[1], in[2], full)));
            } else if (j > 19) {
                EXPECT_TRUE(same(out, typename S::Pixel(0, 0, 0, 0)));
            } else {
                // The band is red (foreground) with the alpha of a 30 % share.
                EXPECT_EQ(out[0], 0);
                EXPECT_LE(out[1], 1);
                EXPECT_EQ(out[2], 200 * S::unit);
                if (i == 8)
                    EXPECT_EQ(out[3], 0);
                else
                    EXPECT_NEAR(out[3], alphaFor<TypeParam>(0.7f), 2);
            }
        }
    }
}

TYPED_TEST(PaletteSolver, WithoutDeletePixelsItFailsAndLeavesTheOutputAlone) {
    using S = Scene<TypeParam>;
    S scene(Box(0, 0, 7, 15));
    paintCheckerboards(scene, 6, 15); // no delete column
    EXPECT_EQ(scene.solve(), 1);
    EXPECT_TRUE(scene.outputUntouched());
}

TYPED_TEST(PaletteSolver, WithoutKeepPixelsItFailsAndLeavesTheOutputAlone) {
    using S = Scene<TypeParam>;
    S scene(Box(0, 0, 7, 15));
    paintCheckerboards(scene, 0, 9);
    EXPECT_EQ(scene.solve(), 1);
    EXPECT_TRUE(scene.outputUntouched());
}

TYPED_TEST(PaletteSolver, NothingMarkedReturnsAfterTheFirstReport) {
    using S = Scene<TypeParam>;
    S scene(Box(0, 0, 7, 15));
    paintCheckerboards(scene, 6, 9);
    scene.status = scene.status & 0x7F;
    scene.status(2, 2) |= 0xC0; // marked but done
    RecordingProgress recorder;
    EXPECT_EQ(scene.solve({1.0f, 1.0f}, &recorder), 0);
    EXPECT_TRUE(scene.outputUntouched());
    EXPECT_EQ(recorder.fractions, (std::vector<float>{0.0f, 0.05f}));
}

TYPED_TEST(PaletteSolver, EstimatesCloseTogetherKeepTheSourceColour) {
    using S = Scene<TypeParam>;
    S scene(Box(0, 0, 7, 15));
    for (int i = 0; i <= 7; ++i) {
        for (int j = 0; j <= 15; ++j) {
            scene.source(i, j) = j < 5    ? S::colour(100, 100, 100)
                                 : j > 10 ? S::colour(105, 100, 100)
                                          : S::colour(102, 100, 100);
            scene.status(i, j) = j < 5 ? 0x82 : j > 10 ? 0x84 : 0x88;
        }
    }
    ASSERT_EQ(scene.solve(), 0);
    if (S::unit == 1) { // 5 units apart: below the confidence ramp
        EXPECT_TRUE(same(scene.output(4, 7), typename S::Pixel(102, 100, 100, 255)));
    }
}

TYPED_TEST(PaletteSolver, ReducedStatusResolution) {
    using S = Scene<TypeParam>;
    S scene(Box(0, 0, 15, 31));
    paintCheckerboards(scene, 12, 19);
    // The status at half resolution: one byte per 2 x 2 output pixels.
    ByteArray half = classification::arrayOver<unsigned char>(Box(0, 0, 7, 15));
    for (int i = 0; i <= 7; ++i)
        for (int j = 0; j <= 15; ++j)
            half(i, j) = scene.status(2 * i, 2 * j);
    scene.status.reference(half);
    ASSERT_EQ(scene.solve({2.0f, 2.0f}), 0);
    const int full = TypeParam::fullScale;
    EXPECT_EQ(scene.output(5, 3)[3], full);
    EXPECT_TRUE(same(scene.output(5, 28), typename S::Pixel(0, 0, 0, 0)));
    EXPECT_EQ(scene.output(5, 16)[2], 200 * S::unit);
    EXPECT_NEAR(scene.output(5, 16)[3], alphaFor<TypeParam>(0.7f), 2);
}

TYPED_TEST(PaletteSolver, ABoxOutsideTheOutputTouchesNothing) {
    using S = Scene<TypeParam>;
    S scene(Box(0, 0, 7, 15));
    paintCheckerboards(scene, 6, 9);
    // The status is larger than the output: its lower right part maps past it.
    ByteArray large = classification::arrayOver<unsigned char>(Box(0, 0, 19, 39), 0x88);
    large(Box(0, 0, 7, 15).domain()) = scene.status;
    scene.status.reference(large);
    RecordingProgress recorder;
    EXPECT_EQ(scene.solveFor(Box(10, 20, 19, 39), {1.0f, 1.0f}, &recorder), 0);
    EXPECT_TRUE(scene.outputUntouched());
    // The palettes were still built: their reports follow the first one.
    EXPECT_GT(recorder.fractions.size(), 3u);
}

TEST(PaletteSolverKind15, SamplesAboveFullScaleStayInRange) {
    Scene<Kind15> scene(Box(0, 0, 7, 15));
    paintCheckerboards(scene, 6, 9);
    for (int i = 0; i <= 7; ++i)
        for (int j = 0; j <= 15; ++j)
            if (j < 6 || j > 9) scene.source(i, j) = Colour<uint16_t>(65535, 40000, 33000, 65535);
    scene.source(3, 7) = Colour<uint16_t>(65535, 0, 65535, 65535);
    ASSERT_EQ(scene.solve(), 0);
    for (int i = 0; i <= 7; ++i)
        for (int j = 6; j <= 9; ++j)
            for (int k = 0; k < 4; ++k)
                EXPECT_LE(scene.output(i, j)[k], 32768);
}

TEST(PaletteSolverProgress, ReportsRiseAndEndAtTheSolversShare) {
    Scene<Kind8> scene(Box(0, 0, 15, 31));
    paintCheckerboards(scene, 12, 19);
    RecordingProgress recorder;
    ASSERT_EQ(scene.solve({1.0f, 1.0f}, &recorder), 0);
    const std::vector<float>& f = recorder.fractions;
    ASSERT_GE(f.size(), 10u);
    EXPECT_TRUE(std::is_sorted(f.begin(), f.end()));
    EXPECT_FLOAT_EQ(f.back(), 0.98f);
}

TEST(PaletteSolverProgress, CancelPropagates) {
    test_support::RacingClock clock;
    test_support::ProgressRecorder recorder;
    recorder.answer = [](int, int) { return 2; };
    Scene<Kind8> scene(Box(0, 0, 15, 31));
    paintCheckerboards(scene, 12, 19);
    VkInProgress progress(vardekProgressCallback, "Generate mask", true);
    EXPECT_THROW(scene.solve({1.0f, 1.0f}, &progress), VkExCancel);
}

TEST(PaletteSolverFrame, OutputBoxAndStatusPixels) {
    using solver::frameOf;
    const Box view(0, 0, 99, 99);
    solver::Frame frame = frameOf(Box(1, 2, 3, 4), {2.0f, 2.0f}, view, view);
    EXPECT_EQ(frame.outputBox, Box(2, 4, 7, 9));
    EXPECT_EQ(frame.statusPixel(2, 4), classification::Point(1, 2));
    EXPECT_EQ(frame.statusPixel(7, 9), classification::Point(3, 4));
    // Clipped to the output view, and to the status view.
    EXPECT_EQ(frameOf(Box(40, 40, 60, 60), {2.0f, 2.0f}, view, view).outputBox,
              Box(80, 80, 99, 99));
    EXPECT_EQ(frameOf(Box(90, 90, 120, 120), {1.0f, 1.0f}, view, Box(0, 0, 199, 199)).outputBox,
              Box(90, 90, 99, 99));
    EXPECT_TRUE(frameOf(Box(120, 120, 130, 130), {1.0f, 1.0f}, view, view).outputBox.isEmpty());
}

TEST(PaletteSolverThresholds, FromThePaletteSizes) {
    EXPECT_DOUBLE_EQ(solver::keepThreshold(0.0f), 220.0);
    EXPECT_DOUBLE_EQ(solver::keepThreshold(1.0f), 5.0);
    EXPECT_DOUBLE_EQ(solver::deleteThreshold(0.5f), 31.875);
    EXPECT_DOUBLE_EQ(solver::keepThreshold(0.5f), static_cast<double>(11.71875f));
}

} // namespace

namespace {

// Skipping the pair search where no output reads its result changes nothing:
// the stages with the search mask against the stages searching every pixel,
// on random status patterns at full and half status resolution.
TEST(PaletteSolverSearchMask, SkippedSearchesChangeNoOutput) {
    std::mt19937 random(17);
    std::uniform_int_distribution<int> channel(0, 255);
    const unsigned char statuses[] = {0x82, 0x82, 0x84, 0x84, 0x88, 0x80, 0x02, 0xC8, 0x86};
    std::uniform_int_distribution<int> pick(0, 8);
    for (int trial = 0; trial < 40; ++trial) {
        const int k = 1 + trial % 2;
        const Box out(0, 0, 23, 27);
        const Box statusView(0, 0, 23 / k, 27 / k);
        PixelView<uint8_t> source = classification::arrayOver<Colour<uint8_t>>(out);
        for (auto it = source.begin(); it != source.end(); ++it)
            *it = Colour<uint8_t>(channel(random), channel(random), channel(random), 255);
        ByteArray status = classification::arrayOver<unsigned char>(statusView);
        // Blobs rather than noise, so that keep and delete areas have insides.
        for (int i = 0; i <= statusView.upper.row; ++i)
            for (int j = 0; j <= statusView.upper.column; ++j)
                status(i, j) = (i / 3 + j / 4 + trial) % 3 == 0 ? statuses[pick(random)]
                               : (i / 3 + j / 4) % 2 == 0       ? 0x82
                                                                : 0x84;
        const solver::Frame frame =
            solver::frameOf(statusView, {float(k), float(k)}, statusView, out);
        PalettePyramid<cbb8> foreground, background;
        buildPalettePyramid<cbb8>(foreground, source,
                                  SampleSelector(status, {float(k), float(k)}, 2), 20.0,
                                  ProgressRange(nullptr));
        buildPalettePyramid<cbb8>(background, source,
                                  SampleSelector(status, {float(k), float(k)}, 4), 20.0,
                                  ProgressRange(nullptr));
        const auto run = [&](const ByteArray* wanted) {
            ColourImage<uint8_t> f = classification::arrayOver<ColourTriple<uint8_t>>(out);
            for (int i = 0; i <= out.upper.row; ++i)
                for (int j = 0; j <= out.upper.column; ++j)
                    f(i, j) =
                        ColourTriple<uint8_t>(source(i, j)[0], source(i, j)[1], source(i, j)[2]);
            ColourImage<uint8_t> b = f.copy();
            EXPECT_TRUE(solver::estimateColours<Kind8>(frame, source, status, foreground,
                                                       background, f, b, ProgressRange(nullptr),
                                                       wanted));
            solver::smoothEstimates<Kind8>(frame, status, f, b, ProgressRange(nullptr));
            PixelView<uint8_t> result =
                classification::arrayOver<Colour<uint8_t>>(out, Colour<uint8_t>(1, 2, 3, 4));
            solver::composeOutput<Kind8>(frame, source, status, f, b, result,
                                         ProgressRange(nullptr));
            return result;
        };
        const ByteArray wanted = solver::searchMask(frame, status);
        const PixelView<uint8_t> everywhere = run(nullptr), masked = run(&wanted);
        int skipped = 0;
        for (int i = 0; i <= out.upper.row; ++i) {
            for (int j = 0; j <= out.upper.column; ++j) {
                ASSERT_TRUE(same(everywhere(i, j), masked(i, j)))
                    << "trial " << trial << " at (" << i << ", " << j << ")";
                skipped += wanted(i, j) == 0;
            }
        }
        EXPECT_GT(skipped, 0) << "trial " << trial;
    }
}

} // namespace
