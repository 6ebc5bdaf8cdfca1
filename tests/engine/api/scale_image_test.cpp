// VkScaleImage: block medians, leftover strips, factors and refusals.
#include "api/vardek.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

// A four-channel 8-bit image with its record.
struct Rgba {
    int width, height;
    std::vector<uint8_t> pixels;
    Rgba(int w, int h, uint8_t fill = 0) : width(w), height(h), pixels(w * h * 4, fill) {}
    uint8_t* at(int r, int c) { return &pixels[(r * width + c) * 4]; }
    VkImage view() { return {width, height, width * 4, VkKindRgba8, pixels.data()}; }
};

// Whether (r, c) of an f x f block is sampled: blocks of 4 and 8 leave out their corners.
bool inPattern(int f, int r, int c) {
    if (f == 2) return true;
    static const int first4[4] = {1, 0, 0, 1}, last4[4] = {2, 3, 3, 2};
    static const int first8[8] = {2, 1, 0, 0, 0, 0, 1, 2}, last8[8] = {5, 6, 7, 7, 7, 7, 6, 5};
    return f == 4 ? c >= first4[r] && c <= last4[r] : c >= first8[r] && c <= last8[r];
}

// Reference: the mean of the two middle samples of the block at (r0, c0), by sorting.
uint8_t referenceMedian(Rgba& source, int r0, int c0, int f, int channel) {
    std::vector<int> values;
    for (int r = 0; r < f; ++r)
        for (int c = 0; c < f; ++c)
            if (inPattern(f, r, c)) values.push_back(source.at(r0 + r, c0 + c)[channel]);
    EXPECT_EQ(values.size(), f == 2 ? 4u : f == 4 ? 12u : 52u);
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return static_cast<uint8_t>((values[n / 2 - 1] + values[n / 2]) / 2);
}

TEST(ScaleImage, MediansOfATwoByTwoBlock) {
    struct Case {
        std::vector<uint8_t> values;
        uint8_t expected;
    };
    for (const Case& c :
         std::vector<Case>{{{10, 20, 30, 250}, 25}, {{1, 2, 2, 4}, 2}, {{0, 1, 2, 3}, 1}}) {
        Rgba source(2, 2), target(1, 1);
        for (int i = 0; i < 4; ++i)
            std::fill_n(source.at(i / 2, i % 2), 4, c.values[i]);
        ASSERT_EQ(VkScaleImage(target.view(), source.view()), VkOk);
        for (int ch = 0; ch < 4; ++ch)
            EXPECT_EQ(target.at(0, 0)[ch], c.expected);
    }
}

TEST(ScaleImage, PatternCountsOfFourAndEight) {
    // Samples 0..n-1 spread over the pattern: 12 samples for 4, 52 for 8.
    for (int f : {4, 8}) {
        Rgba source(f, f), target(1, 1);
        std::mt19937 random(f);
        for (auto& v : source.pixels)
            v = static_cast<uint8_t>(random() % 256);
        ASSERT_EQ(VkScaleImage(target.view(), source.view()), VkOk);
        for (int ch = 0; ch < 4; ++ch)
            EXPECT_EQ(target.at(0, 0)[ch], referenceMedian(source, 0, 0, f, ch)) << f;
    }
}

TEST(ScaleImage, RandomImagesAgainstBruteForceWithLeftoverStrips) {
    std::mt19937 random(7);
    // Samples take `levels` values spread over 0..255: few levels make ties,
    // and two make every sample 0 or 255.
    struct Case {
        int w, h, tw, th, f;
        int levels = 256;
    };
    const std::vector<Case> cases = {
        {5, 5, 3, 3, 2},       {9, 9, 3, 3, 4},       {37, 23, 19, 12, 2},   {37, 23, 10, 6, 4},
        {70, 45, 9, 6, 8},     {64, 64, 32, 32, 2},   {17, 16, 9, 8, 2},     {43, 25, 11, 7, 4, 2},
        {43, 25, 11, 7, 4, 5}, {75, 49, 10, 7, 8, 2}, {75, 49, 10, 7, 8, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " -> " << c.tw << "x" << c.th
                                        << ", " << c.levels << " levels");
        Rgba source(c.w, c.h), target(c.tw, c.th);
        for (auto& v : source.pixels)
            v = static_cast<uint8_t>(int(random() % unsigned(c.levels)) * 255 / (c.levels - 1));
        ASSERT_EQ(VkScaleImage(target.view(), source.view()), VkOk);
        for (int i = 0; i < c.th; ++i)
            for (int j = 0; j < c.tw; ++j) {
                // Full blocks where they exist; the last row and column come from the last f.
                const int r0 = (i + 1) * c.f <= c.h ? i * c.f : c.h - c.f;
                const int c0 = (j + 1) * c.f <= c.w ? j * c.f : c.w - c.f;
                for (int ch = 0; ch < 4; ++ch)
                    ASSERT_EQ(target.at(i, j)[ch], referenceMedian(source, r0, c0, c.f, ch))
                        << i << "," << j;
            }
    }
}

TEST(ScaleImage, SourcesSmallerThanABlockAreReduced) {
    // A target of ceil(size / f) whose factor is f: a source lower or
    // narrower than one block reduces as though its last row and column went
    // on to a whole block.
    struct Case {
        int w, h, f;
    };
    const std::vector<Case> cases = {
        {1, 100, 4}, {100, 1, 4}, {7, 1, 8}, {3, 2, 4}, {1, 1, 2}, {16, 3, 8}, {6, 13, 4},
    };
    std::mt19937 random(11);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " by " << c.f);
        Rgba source(c.w, c.h), target((c.w + c.f - 1) / c.f, (c.h + c.f - 1) / c.f, 77);
        for (auto& v : source.pixels)
            v = static_cast<uint8_t>(random() % 256);
        Rgba extended(std::max(c.w, c.f), std::max(c.h, c.f));
        for (int r = 0; r < extended.height; ++r)
            for (int col = 0; col < extended.width; ++col)
                std::copy_n(source.at(std::min(r, c.h - 1), std::min(col, c.w - 1)), 4,
                            extended.at(r, col));
        ASSERT_EQ(VkScaleImage(target.view(), source.view()), VkOk);
        for (int i = 0; i < target.height; ++i)
            for (int j = 0; j < target.width; ++j) {
                const int r0 = (i + 1) * c.f <= extended.height ? i * c.f : extended.height - c.f;
                const int c0 = (j + 1) * c.f <= extended.width ? j * c.f : extended.width - c.f;
                for (int ch = 0; ch < 4; ++ch)
                    ASSERT_EQ(target.at(i, j)[ch], referenceMedian(extended, r0, c0, c.f, ch))
                        << i << "," << j;
            }
    }
}

TEST(ScaleImage, FactorOneCopies) {
    Rgba source(3, 2), target(3, 2);
    for (size_t i = 0; i < source.pixels.size(); ++i)
        source.pixels[i] = static_cast<uint8_t>(i);
    ASSERT_EQ(VkScaleImage(target.view(), source.view()), VkOk);
    EXPECT_EQ(target.pixels, source.pixels);
}

TEST(ScaleImage, RefusalsAndFailures) {
    Rgba source(100, 100, 9), target(20, 20, 7), thin(10, 1, 9), small(5, 1, 7);
    VkImage kind2 = target.view();
    kind2.kind = VkKindRgba16;
    EXPECT_EQ(VkScaleImage(kind2, source.view()), VkNotSupported);
    VkImage sourceKind2 = source.view();
    sourceKind2.kind = VkKindRgba16;
    EXPECT_EQ(VkScaleImage(target.view(), sourceKind2), VkNotSupported);
    // Factor 5 writes nothing, which is not a success.
    EXPECT_EQ(VkScaleImage(target.view(), source.view()), VkNotSupported);
    EXPECT_EQ(target.pixels, std::vector<uint8_t>(20 * 20 * 4, 7));
    // A target of width 0, a null source.
    VkImage empty = target.view();
    empty.width = 0;
    EXPECT_EQ(VkScaleImage(empty, source.view()), VkNotSupported);
    VkImage nothing = source.view();
    nothing.data = nullptr;
    EXPECT_EQ(VkScaleImage(target.view(), nothing), VkNotSupported);
    // One row high at factor 2: the row counts twice in each block.
    EXPECT_EQ(VkScaleImage(small.view(), thin.view()), VkOk);
    EXPECT_EQ(small.pixels, std::vector<uint8_t>(5 * 1 * 4, 9));
}

TEST(ScaleImage, RowStrideOfTheViewsIsHonoured) {
    // Source rows padded by two pixels, target rows by one.
    const int w = 4, h = 2;
    std::vector<uint8_t> source((w + 2) * h * 4, 0), target((w / 2 + 1) * 4, 99);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            std::fill_n(&source[(r * (w + 2) + c) * 4], 4, c < 2 ? 10 : 50);
    const VkImage from{w, h, (w + 2) * 4, VkKindRgba8, source.data()};
    const VkImage to{w / 2, h / 2, (w / 2 + 1) * 4, VkKindRgba8, target.data()};
    ASSERT_EQ(VkScaleImage(to, from), VkOk);
    EXPECT_EQ(target[0], 10);
    EXPECT_EQ(target[4], 50);
    EXPECT_EQ(target[8], 99); // padding untouched
}

} // namespace
