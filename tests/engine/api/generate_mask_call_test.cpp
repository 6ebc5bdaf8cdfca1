// The generate-mask call's arithmetic and record conversion.
#include "api/generate_mask_call.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

using classification::Box;
using namespace orsine::matting;

namespace {

TEST(GenerateMaskCall, ReductionFactorFromTheHeights) {
    struct Case {
        int64_t output, status;
        int factor;
    };
    const Case cases[] = {
        {1000, 1000, 1}, {2000, 1000, 2}, // 1999 / 999
        {1001, 251, 4},                   // exactly 4
        {12, 6, 8},                       // exactly 2.2
        {4, 2, 8},                        // 3
        {10, 9, 8},                       // 9 / 8 = 1.125
        {500, 1, 8},                      // one status row
        {1, 1, 8},       {81, 11, 8},     // 8
    };
    for (const Case& c : cases)
        EXPECT_EQ(reductionFactor(c.output, c.status), c.factor) << c.output << "/" << c.status;
}

TEST(GenerateMaskCall, BlendRatioIsClampedAndNotANumberIsOne) {
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<std::pair<float, float>> cases = {{-0.5f, 0.0f},         {1.7f, 1.0f},
                                                        {std::nanf(""), 1.0f}, {0.25f, 0.25f},
                                                        {inf, 1.0f},           {-inf, 0.0f}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(clampBlendRatio(in), out) << in;
}

TEST(GenerateMaskCall, StatusAndWorkBoxes) {
    // A rectangle inside, one overlapping the lower right corner, one wholly
    // outside, and one whose right edge would overflow 32 bits.
    EXPECT_EQ(clippedStatusBox(20, 10, {2, 1, 3, 4}), Box(1, 2, 4, 4));
    EXPECT_EQ(clippedStatusBox(20, 10, {15, 8, 10, 10}), Box(8, 15, 9, 19));
    EXPECT_TRUE(clippedStatusBox(20, 10, {30, 0, 5, 5}).isEmpty());
    EXPECT_TRUE(clippedStatusBox(20, 10, {-9, 0, 5, 5}).isEmpty());
    EXPECT_TRUE(clippedStatusBox(20, 10, {INT32_MAX - 1, 0, INT32_MAX, 3}).isEmpty());
    EXPECT_EQ(clippedStatusBox(20, 10, {5, 0, INT32_MAX, INT32_MAX}), Box(0, 5, 9, 19));

    EXPECT_EQ(outputWorkBox(std::nullopt, 8, 33, 17), Box(0, 0, 16, 32));
    EXPECT_EQ(outputWorkBox(Box(1, 2, 4, 4), 2, 40, 20), Box(2, 4, 9, 9));
    EXPECT_EQ(outputWorkBox(Box(8, 15, 9, 19), 4, 79, 39), Box(32, 60, 38, 78));
    // An empty status box: the corners are put in order, then clipped.
    EXPECT_EQ(outputWorkBox(Box(0, 30, 9, 19), 1, 20, 10), Box(0, 19, 9, 19));
    // Far outside: the 64-bit products leave nothing inside the output.
    EXPECT_TRUE(outputWorkBox(Box(0, INT32_MAX - 5, 3, INT32_MAX - 1), 8, 20, 10).isEmpty());
}

VkPatchRecord patchRecord(int x, int y, int w, int h, const unsigned char* mask, int rowBytes) {
    VkPatchRecord r{};
    r.maskX = x;
    r.maskY = y;
    r.maskWidth = w;
    r.maskHeight = h;
    r.maskRowBytes = rowBytes;
    r.maskData = mask;
    return r;
}

TEST(GenerateMaskCall, PatchRecordsBecomeMaskPatchesClippedToTheDomain) {
    // A 3 x 4 mask at (x 2, y 1) with 5 row bytes; its last column lies
    // outside the domain of columns 0 to 4.
    const unsigned char bytes[] = {1, 0, 0, 7, 99, //
                                   0, 2, 0, 8, 99, //
                                   0, 0, 3, 9, 99};
    std::vector<VkPatchRecord> records = {
        patchRecord(2, 1, 4, 3, bytes, 5),    patchRecord(0, 0, 3, 2, nullptr, 0),
        patchRecord(7, 0, 3, 3, nullptr, 0), // outside
        patchRecord(0, 0, 4, 2, bytes, 3),   // rows shorter than the width
        patchRecord(0, 0, -1, 2, nullptr, 0),
    };
    records[0].isPreview = 1;
    records[0].fgOverride = 1;
    records[0].fgColour[2] = 200;
    records[0].bgColour[0] = 10;
    records[0].blendRatio = 1.2f;
    records[0].blendMode = VkBlendMembrane;
    records[0].param1 = 0.3f;
    records[0].param2 = 0.7f;
    records[1].blendMode = 2; // counts as default
    records[1].param2 = 0.5f;
    records[2].blendMode = VkBlendChoices;
    records[2].param1 = 4.0f;
    records[2].param2 = 6.0f;

    const MaskPatches patches = toMaskPatches(records.data(), 5, Box(0, 0, 9, 4));
    ASSERT_EQ(patches.size(), 5u);

    const MaskPatch& first = patches[0];
    EXPECT_EQ(first.box, Box(1, 2, 3, 4));
    ASSERT_EQ(first.mask.size(), 9);
    EXPECT_EQ(classification::boxOf(first.mask), first.box);
    EXPECT_EQ(first.mask(1, 2), 1);
    EXPECT_EQ(first.mask(2, 3), 2);
    EXPECT_EQ(first.mask(3, 4), 3);
    EXPECT_EQ(first.mask(1, 4), 0);
    EXPECT_TRUE(first.covers(2, 3));
    EXPECT_FALSE(first.covers(1, 3));
    EXPECT_FALSE(first.covers(1, 5));
    EXPECT_TRUE(first.isPreview);
    EXPECT_EQ(first.fgOverride, 1);
    EXPECT_EQ(first.fgColour[2], 200);
    EXPECT_EQ(first.bgColour[0], 10);
    EXPECT_FLOAT_EQ(first.blendRatio, 1.2f); // not clamped
    EXPECT_TRUE(first.membrane);
    EXPECT_FALSE(first.choices);
    EXPECT_FLOAT_EQ(first.membraneValue, 0.3f);
    EXPECT_TRUE(first.param2AboveHalf);

    const MaskPatch& whole = patches[1];
    EXPECT_EQ(whole.box, Box(0, 0, 1, 2));
    EXPECT_EQ(whole.mask.size(), 0);
    EXPECT_TRUE(whole.covers(1, 2));
    EXPECT_FALSE(whole.membrane || whole.choices || whole.param2AboveHalf || whole.isPreview);

    EXPECT_TRUE(patches[2].box.isEmpty());
    EXPECT_TRUE(patches[2].choices);
    EXPECT_FLOAT_EQ(patches[2].choice1, 4.0f);
    EXPECT_FLOAT_EQ(patches[2].choice2, 6.0f);
    EXPECT_TRUE(patches[3].box.isEmpty());
    EXPECT_EQ(patches[3].mask.size(), 0);
    EXPECT_TRUE(patches[4].box.isEmpty());

    EXPECT_TRUE(toMaskPatches(nullptr, 3, Box(0, 0, 9, 9)).empty());
}

std::vector<std::pair<float, float>> pointsOf(const MaskForcedEdge& edge) {
    std::vector<std::pair<float, float>> out;
    for (int i = 0; i < edge.points.extent(0); ++i)
        out.emplace_back(edge.points(i)[0], edge.points(i)[1]);
    return out;
}

TEST(GenerateMaskCall, ForcedEdgesDropRepeatsNonFinitePointsAndShortEdges) {
    const float nan = std::nanf(""), inf = std::numeric_limits<float>::infinity();
    // Points as x, y.
    const float repeated[] = {1, 2, 1, 2, 3, 4, 3, 4, 5, 6}; // P P Q Q R
    const float same[] = {1, 1, 1, 1, 1, 1};
    const float single[] = {4, 5};
    const float broken[] = {1, 2, nan, 3, 1, 2, 7, inf, 8, 9}; // P, bad, P, bad, S
    const float onlyBad[] = {nan, nan, 1, 2};
    const std::vector<VkForcedEdgeRecord> records = {
        {repeated, 5, 2.5f}, {same, 3, 1.0f},    {single, 1, 1.0f},
        {broken, 5, 3.0f},   {onlyBad, 2, 1.0f}, {nullptr, 4, 1.0f},
    };
    const MaskForcedEdges edges = toMaskForcedEdges(records.data(), 6);
    ASSERT_EQ(edges.extent(0), 2);
    EXPECT_FLOAT_EQ(edges(0).featherWidth, 2.5f);
    using P = std::pair<float, float>;
    EXPECT_EQ(pointsOf(edges(0)), (std::vector<P>{{2, 1}, {4, 3}, {6, 5}}));
    EXPECT_FLOAT_EQ(edges(1).featherWidth, 3.0f);
    EXPECT_EQ(pointsOf(edges(1)), (std::vector<P>{{2, 1}, {9, 8}}));

    EXPECT_EQ(toMaskForcedEdges(nullptr, 4).extent(0), 0);
    EXPECT_EQ(toMaskForcedEdges(records.data() + 1, 2).extent(0), 0);
}

} // namespace

namespace {

using Pixel = orsine::utility::Colour<unsigned short>;

TEST(GenerateMaskCall, WorkingCopyGoesBackOnlyOnSuccessAndOnlyInsideTheWorkBox) {
    // A 4 x 5 view of 16-bit pixels with rows of 6 pixels (48 bytes).
    std::vector<unsigned short> memory(4 * 6 * 4);
    for (std::size_t i = 0; i < memory.size(); ++i)
        memory[i] = static_cast<unsigned short>(i);
    const VkImage view{5, 4, 48, VkKindRgba16, reinterpret_cast<unsigned char*>(memory.data())};
    ASSERT_TRUE(readableView(view, 8));
    const std::vector<unsigned short> original = memory;
    const Box work(1, 2, 2, 4);

    for (int answer : {0, 1, 2}) {
        memory = original;
        const blitz::Array<Pixel, 2> output = pixelsOf<Pixel>(view);
        const int result = runOnWorkingCopy(output, work, [&](blitz::Array<Pixel, 2> working) {
            EXPECT_EQ(classification::boxOf(working), work);
            EXPECT_EQ(working(1, 2)[0], original[(1 * 6 + 2) * 4]);
            EXPECT_EQ(working(2, 4)[3], original[(2 * 6 + 4) * 4 + 3]);
            working = Pixel(7, 7, 7, 7);
            return answer;
        });
        EXPECT_EQ(result, answer);
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 6; ++c)
                for (int k = 0; k < 4; ++k) {
                    const std::size_t i = (r * 6 + c) * 4 + k;
                    const bool written = answer == 0 && work.contains({r, c});
                    ASSERT_EQ(memory[i], written ? 7 : original[i])
                        << answer << " " << r << "," << c;
                }
    }
}

TEST(GenerateMaskCall, UnreadableViewsAreRefused) {
    unsigned char byte = 0;
    EXPECT_TRUE(readableView({3, 2, 12, 1, &byte}, 4));
    EXPECT_FALSE(readableView({3, 2, 11, 1, &byte}, 4));
    EXPECT_FALSE(readableView({3, 2, 12, 2, &byte}, 8));
    EXPECT_FALSE(readableView({3, 2, 12, 1, nullptr}, 4));
    EXPECT_FALSE(readableView({0, 2, 12, 1, &byte}, 4));
    EXPECT_FALSE(readableView({3, -1, 12, 1, &byte}, 4));
    EXPECT_FALSE(readableView({INT32_MAX, 1, INT32_MAX, 1, &byte}, 4));
}

} // namespace
