// The palette matting solver against its plain reference (matting_reference.h),
// pixel for pixel: random scenes for the three sample kinds at scales 1 and 2
// with random palette sizes, scenes without one class, and a keep share of
// exactly 0.99 and the float just below it.
#include "matting_reference.h"
#include "reference_scene.h"

#include "matting/palette_solver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>

namespace {

namespace ref = matting_reference;
using namespace reference_scene;
using classification::ByteArray;
using orsine::matting::MaskPatch;
using orsine::matting::PixelView;

struct Solver8 {
    using Sample = uint8_t;
    static const ref::SampleKind& kind() { return ref::kKind8; }
    static int32_t solve(const PixelView<Sample>& source, const ByteArray& status,
                         PixelView<Sample> output, const classification::Box& box,
                         blitz::TinyVector<float, 2> scale, const MaskPatch& patch) {
        return orsine::matting::solveMatting8(source, status, output, box, scale, patch,
                                              ProgressRange(nullptr));
    }
};
struct Solver16 {
    using Sample = uint16_t;
    static const ref::SampleKind& kind() { return ref::kKind16; }
    static int32_t solve(const PixelView<Sample>& source, const ByteArray& status,
                         PixelView<Sample> output, const classification::Box& box,
                         blitz::TinyVector<float, 2> scale, const MaskPatch& patch) {
        return orsine::matting::solveMatting16(source, status, output, box, scale, patch,
                                               ProgressRange(nullptr));
    }
};
struct Solver15 {
    using Sample = uint16_t;
    static const ref::SampleKind& kind() { return ref::kKind15; }
    static int32_t solve(const PixelView<Sample>& source, const ByteArray& status,
                         PixelView<Sample> output, const classification::Box& box,
                         blitz::TinyVector<float, 2> scale, const MaskPatch& patch) {
        return orsine::matting::solveMatting15(source, status, output, box, scale, patch,
                                               ProgressRange(nullptr));
    }
};

struct Outcome {
    int result;
    ref::Image output;
};

template <class Solver> Outcome runEngine(const ref::SolverInput& in, const ref::Image& output) {
    using Sample = typename Solver::Sample;
    auto out = toEngine<Sample>(output);
    MaskPatch patch;
    patch.choices = true;
    patch.choice1 = in.keepSize;
    patch.choice2 = in.deleteSize;
    const int result = Solver::solve(toEngine<Sample>(in.source), toEngine(in.status), out,
                                     boxOf(in.box), {in.scale[0], in.scale[1]}, patch);
    return {result, fromEngine(out)};
}

Outcome runReference(const ref::SolverInput& in, const ref::Image& output) {
    Outcome o{0, output};
    o.result = ref::solveMatting(in, o.output);
    return o;
}

std::string firstDifference(const Outcome& engine, const Outcome& reference) {
    if (engine.result != reference.result)
        return "result: engine " + std::to_string(engine.result) + ", reference " +
               std::to_string(reference.result);
    for (int r = 0; r < engine.output.rows; ++r) {
        for (int c = 0; c < engine.output.columns; ++c) {
            const ref::Pixel& e = engine.output.at(r, c);
            const ref::Pixel& f = reference.output.at(r, c);
            if (e != f) {
                std::ostringstream s;
                s << "pixel (" << r << ", " << c << "): engine (" << e[0] << ", " << e[1] << ", "
                  << e[2] << ", " << e[3] << "), reference (" << f[0] << ", " << f[1] << ", "
                  << f[2] << ", " << f[3] << ")";
                return s.str();
            }
        }
    }
    return "";
}

template <class Solver> class SolverReference : public ::testing::Test {};
using Solvers = ::testing::Types<Solver8, Solver16, Solver15>;
TYPED_TEST_SUITE(SolverReference, Solvers);

TYPED_TEST(SolverReference, RandomScenesMatchPixelByPixel) {
    const ref::SampleKind& kind = TypeParam::kind();
    std::mt19937 rng(1913 + kind.fullScale);
    std::uniform_real_distribution<float> size(0.0f, 1.0f);
    int blended = 0, failed = 0;
    for (int factor : {1, 2}) {
        for (int trial = 0; trial < 40; ++trial) {
            SCOPED_TRACE(::testing::Message() << "factor " << factor << ", trial " << trial);
            Scene scene(rng, kind, factor);
            // Now and then a class is missing altogether: the solver gives up.
            if (trial % 13 == 5)
                for (uint8_t& s : scene.status.bytes)
                    if (s & 0x04) s = static_cast<uint8_t>((s & ~0x04) | 0x01);
            const ref::SolverInput in{kind,
                                      scene.source,
                                      scene.status,
                                      scene.box,
                                      {static_cast<float>(factor), static_cast<float>(factor)},
                                      trial % 7 == 0 ? 0.0f : size(rng),
                                      trial % 11 == 0 ? 1.0f : size(rng)};
            const Outcome engine = runEngine<TypeParam>(in, scene.output);
            const Outcome reference = runReference(in, scene.output);
            ASSERT_EQ(firstDifference(engine, reference), "");
            failed += engine.result;
            for (const ref::Pixel& p : engine.output.pixels)
                blended += p[3] > 0 && p[3] < kind.fullScale;
        }
    }
    EXPECT_GT(blended, 1000);
    EXPECT_GT(failed, 0);
}

// A keep share kp of exactly 0.99 (the float nearest 0.99) and of the float
// just below it: output row 1 at a row scale near 2.94 lies 0.51 status rows
// into the image, so kp is the weight of status row 0 (keep) against row 1
// (unassigned; delete from row 3). Widened to double, the nearest float to 0.99
// lies above 0.99 and the pixel takes the source colour with full alpha; the
// float below blends it. The pixel lies halfway between the two palettes'
// colours, so the blend moves its colour.
TYPED_TEST(SolverReference, KeepShareOfExactlyPointNineNine) {
    const ref::SampleKind& kind = TypeParam::kind();
    const int x = 1, upper = 1, rows = 8, columns = 6;
    const int A[3] = {40, 60, 200}, B[3] = {200, 180, 20};
    for (const float target : {0.99f, std::nextafter(0.99f, 0.0f)}) {
        SCOPED_TRACE(::testing::Message() << "kp = " << target);
        const float scale = factorGivingWeight(target, x, upper);
        ASSERT_NE(scale, 0.0f);
        const int outputRows = static_cast<int>(scale * rows - 1.0f) + 1;

        ref::Bytes status(rows, columns);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                status.at(r, c) = 0x80 | (r < upper ? 0x02 : r > upper + 1 ? 0x04 : 0x01);
        ref::Image source(outputRows, columns);
        for (int i = 0; i < outputRows; ++i) {
            for (int j = 0; j < columns; ++j) {
                const int r = std::min(static_cast<int>((i + 0.5f) / scale), rows - 1);
                for (int ch = 0; ch < 3; ++ch) {
                    const int v = i == x ? (A[ch] + B[ch]) / 2 : r < upper ? A[ch] : B[ch];
                    source.at(i, j)[ch] = static_cast<int>(v * kind.estimateScale);
                }
                source.at(i, j)[3] = kind.fullScale;
            }
        }
        const ref::SolverInput in{kind,       source, status, {0, 0, rows - 1, columns - 1},
                                  {scale, 1}, 0.5f,   0.5f};
        const ref::Image initial(outputRows, columns, {1, 2, 3, 4});
        const Outcome engine = runEngine<TypeParam>(in, initial);
        ASSERT_EQ(firstDifference(engine, runReference(in, initial)), "");
        for (int j = 0; j < columns; ++j) {
            const ref::Pixel& p = source.at(x, j);
            const ref::Pixel kept{p[0], p[1], p[2], kind.fullScale};
            if (target == 0.99f)
                EXPECT_EQ(engine.output.at(x, j), kept) << "column " << j;
            else
                EXPECT_NE(engine.output.at(x, j), kept) << "column " << j;
        }
    }
}

} // namespace
