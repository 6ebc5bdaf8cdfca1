// The first matting pass against its plain reference (matting_reference.h),
// pixel for pixel and status byte for status byte: random scenes for the three
// sample kinds at factors 1 and 2, both blend kinds, and a keep weight of
// exactly 0.99 and the float just below it.
#include "matting_reference.h"
#include "reference_scene.h"

#include "matting/chamfer_distance.h"
#include "matting/first_matting_pass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>

namespace {

namespace ref = matting_reference;
using namespace reference_scene;
using classification::ByteArray;
using orsine::matting::DistanceArray;
using orsine::matting::FirstPassRequest;
using orsine::matting::Image16;
using orsine::matting::Image8;
using orsine::matting::MaskPatch;
using orsine::matting::MattingClassification;
using orsine::matting::ReductionFactors;

// The pass of each kind, called as the driver calls it: with the source as
// colour image when the output has the status image's size, else through the
// entry that takes the 8-bit analysis image.
struct Pass8 {
    using Sample = uint8_t;
    static const ref::SampleKind& kind() { return ref::kKind8; }
    static void run(const MattingClassification& c, Image8 out, const Image8& source, bool direct,
                    const FirstPassRequest& request) {
        if (direct)
            orsine::matting::firstMattingPass8(c, out, source, source, request,
                                               ProgressRange(nullptr));
        else
            orsine::matting::firstMattingPassOnArray(c, out, source, c.analysisImage, request,
                                                     ProgressRange(nullptr));
    }
};
struct Pass16 {
    using Sample = uint16_t;
    static const ref::SampleKind& kind() { return ref::kKind16; }
    static void run(const MattingClassification& c, Image16 out, const Image16& source, bool direct,
                    const FirstPassRequest& request) {
        if (direct)
            orsine::matting::firstMattingPass16(c, out, source, source, request,
                                                ProgressRange(nullptr));
        else
            orsine::matting::firstMattingPassOnArray16(c, out, source, c.analysisImage, request,
                                                       ProgressRange(nullptr));
    }
};
struct Pass15 {
    using Sample = uint16_t;
    static const ref::SampleKind& kind() { return ref::kKind15; }
    static void run(const MattingClassification& c, Image16 out, const Image16& source, bool direct,
                    const FirstPassRequest& request) {
        if (direct)
            orsine::matting::firstMattingPass15(c, out, source, source, request,
                                                ProgressRange(nullptr));
        else
            orsine::matting::firstMattingPassOnArray15(c, out, source, c.analysisImage, request,
                                                       ProgressRange(nullptr));
    }
};

struct Inputs {
    ref::Bytes status, plane;
    ref::Image source, output, analysis;
    ref::Area box, estimationBox;
    float factors[2];
    int blendKind;
    float membraneValue;
};

struct Results {
    ref::Image output;
    ref::Bytes status;
};

template <class Pass> Results runEngine(const Inputs& in) {
    using Sample = typename Pass::Sample;
    auto source = toEngine<Sample>(in.source);
    auto output = toEngine<Sample>(in.output);
    ByteArray status = toEngine(in.status);
    MattingClassification classification;
    classification.analysisImage.reference(toEngine<uint8_t>(in.analysis));
    MaskPatch patch;
    patch.membrane = in.blendKind == orsine::matting::kMembraneBlend;
    patch.membraneValue = in.membraneValue;
    const DistanceArray distances = orsine::matting::chamferDistanceTransform(status);
    const FirstPassRequest request{status,
                                   boxOf(in.box),
                                   boxOf(in.estimationBox),
                                   ReductionFactors(in.factors[0], in.factors[1]),
                                   toEngine(in.plane),
                                   distances,
                                   in.blendKind,
                                   &patch};
    const bool direct = in.source.rows == in.status.rows && in.source.columns == in.status.columns;
    Pass::run(classification, output, source, direct, request);
    return {fromEngine(output), fromEngine(status)};
}

template <class Pass> Results runReference(const Inputs& in) {
    const ref::SampleKind& kind = Pass::kind();
    const bool direct = in.source.rows == in.status.rows && in.source.columns == in.status.columns;
    ref::FirstPassInput input{kind,
                              in.source,
                              direct ? in.source
                              : kind.fullScale == 255
                                  ? in.analysis
                                  : ref::widened(in.analysis, kind.estimateScale),
                              in.analysis,
                              in.status,
                              in.box,
                              in.estimationBox,
                              {in.factors[0], in.factors[1]},
                              in.plane,
                              in.blendKind,
                              in.membraneValue};
    Results r{in.output, {}};
    ref::firstMattingPass(input, r.output);
    r.status = input.status;
    return r;
}

std::string pixelText(const ref::Pixel& p) {
    std::ostringstream s;
    s << "(" << p[0] << ", " << p[1] << ", " << p[2] << ", " << p[3] << ")";
    return s.str();
}

// Where the engine and the reference differ, the first such pixel or byte.
std::string firstDifference(const Results& engine, const Results& reference) {
    for (int r = 0; r < engine.output.rows; ++r)
        for (int c = 0; c < engine.output.columns; ++c)
            if (engine.output.at(r, c) != reference.output.at(r, c))
                return "pixel (" + std::to_string(r) + ", " + std::to_string(c) + "): engine " +
                       pixelText(engine.output.at(r, c)) + ", reference " +
                       pixelText(reference.output.at(r, c));
    for (int r = 0; r < engine.status.rows; ++r)
        for (int c = 0; c < engine.status.columns; ++c)
            if (engine.status.at(r, c) != reference.status.at(r, c))
                return "status (" + std::to_string(r) + ", " + std::to_string(c) + "): engine " +
                       std::to_string(engine.status.at(r, c)) + ", reference " +
                       std::to_string(reference.status.at(r, c));
    return "";
}

template <class Pass> class FirstPassReference : public ::testing::Test {};
using Passes = ::testing::Types<Pass8, Pass16, Pass15>;
TYPED_TEST_SUITE(FirstPassReference, Passes);

TYPED_TEST(FirstPassReference, RandomScenesMatchPixelByPixel) {
    const ref::SampleKind& kind = TypeParam::kind();
    std::mt19937 rng(4711 + kind.fullScale);
    int mixed = 0;
    for (int factor : {1, 2}) {
        for (int trial = 0; trial < 120; ++trial) {
            SCOPED_TRACE(::testing::Message() << "factor " << factor << ", trial " << trial);
            Scene scene(rng, kind, factor);
            const float membranes[] = {0.0f, 0.3f, 1.0f, -0.2f, 0.05f};
            Inputs in{scene.status,
                      scene.plane,
                      scene.source,
                      scene.output,
                      scene.analysis,
                      scene.box,
                      {0, 0, scene.statusRows - 1, scene.statusColumns - 1},
                      {static_cast<float>(factor), static_cast<float>(factor)},
                      1 + trial % 2,
                      membranes[trial % 5]};
            const Results engine = runEngine<TypeParam>(in);
            const Results reference = runReference<TypeParam>(in);
            ASSERT_EQ(firstDifference(engine, reference), "");
            for (const ref::Pixel& p : engine.output.pixels)
                mixed += p[3] > 0 && p[3] < kind.fullScale;
        }
    }
    EXPECT_GT(mixed, 1000);
}

// A keep weight k of exactly 0.99 (the float nearest 0.99) and of the float
// just below it: output row 1 at a row factor near 2.94 lies 0.51 status rows
// into the image, so k is the weight of status row 0 (keep) against row 1
// (unassigned; delete from row 3). Widened to double, the nearest float to 0.99
// lies above 0.99, so that pixel is certainly kept; the float below makes it
// mixed. The pixel is foreground with a neighbourhood median halfway to the
// background, so a mixed pixel shows it.
TYPED_TEST(FirstPassReference, KeepWeightOfExactlyPointNineNine) {
    const ref::SampleKind& kind = TypeParam::kind();
    const int x = 1, upper = 1, rows = 8, columns = 6;
    const int A[3] = {40, 60, 200}, B[3] = {200, 180, 20};
    for (const float target : {0.99f, std::nextafter(0.99f, 0.0f)}) {
        SCOPED_TRACE(::testing::Message() << "k = " << target);
        const float factor = factorGivingWeight(target, x, upper);
        ASSERT_NE(factor, 0.0f);
        const int outputRows = static_cast<int>(factor * rows - 1.0f) + 1;

        Inputs in;
        in.status = ref::Bytes(rows, columns);
        in.analysis = ref::Image(rows, columns);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                const bool keep = r<upper, remove = r> upper + 1;
                in.status.at(r, c) = 0x80 | (keep ? 0x02 : remove ? 0x04 : 0x01);
                for (int ch = 0; ch < 3; ++ch)
                    in.analysis.at(r, c)[ch] = keep ? A[ch] : remove ? B[ch] : (A[ch] + B[ch]) / 2;
                in.analysis.at(r, c)[3] = 255;
            }
        }
        in.plane = ref::Bytes(rows, columns, 0);
        in.source = ref::Image(outputRows, columns);
        in.output = ref::Image(outputRows, columns, {1, 2, 3, 4});
        for (int i = 0; i < outputRows; ++i) {
            for (int j = 0; j < columns; ++j) {
                const int r = std::min(static_cast<int>((i + 0.5f) / factor), rows - 1);
                const bool near = std::abs(i - x) <= 1;
                const bool foreground = near ? i == x && j % 2 == 0 : r < upper;
                const bool background = !near && r > upper + 1;
                for (int ch = 0; ch < 3; ++ch) {
                    const int v = foreground ? A[ch] : background ? B[ch] : (A[ch] + B[ch]) / 2;
                    in.source.at(i, j)[ch] = static_cast<int>(v * kind.estimateScale);
                }
                in.source.at(i, j)[3] = kind.fullScale;
            }
        }
        in.box = in.estimationBox = {0, 0, rows - 1, columns - 1};
        in.factors[0] = factor;
        in.factors[1] = 1.0f;
        in.blendKind = orsine::matting::kDefaultBlend;
        in.membraneValue = 0.0f;

        const Results engine = runEngine<TypeParam>(in);
        ASSERT_EQ(firstDifference(engine, runReference<TypeParam>(in)), "");
        for (int j = 0; j < columns; j += 2) {
            const ref::Pixel& source = in.source.at(x, j);
            const ref::Pixel kept{source[0], source[1], source[2], kind.fullScale};
            if (target == 0.99f)
                EXPECT_EQ(engine.output.at(x, j), kept) << "column " << j;
            else
                EXPECT_LT(engine.output.at(x, j)[3], kind.fullScale * 0.9) << "column " << j;
        }
    }
}

} // namespace
