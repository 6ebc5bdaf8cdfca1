// The colour pair search: segment fit, the two scoring stages, climbing the
// pyramids, empty palettes, and a checkerboard foreground over a checkerboard
// background at both sample depths.
#include "matting/colour_pair_search.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace orsine::matting;
using classification::Box;
using classification::ByteArray;
using orsine::utility::Colour;

namespace {

using Sample8 = Cluster<cbb8>::Sample;
using Palette = std::vector<std::vector<Sample8>>; // clusters of samples

ClusterList<cbb8> clusters(const Palette& palette) {
    ClusterList<cbb8> list;
    for (const auto& samples : palette) {
        Cluster<cbb8> c;
        for (const Sample8& s : samples)
            c.add(s);
        c.updateStatistics();
        list.push_back(c);
    }
    return list;
}

// A pyramid of two one-block levels over pixel (0, 0), filled by hand.
PalettePyramid<cbb8> twoLevels(const Palette& bottom, const Palette& top) {
    PalettePyramid<cbb8> pyramid;
    pyramid.levels.emplace_back(Box(0, 0, 0, 0));
    pyramid.levels.emplace_back(Box(0, 0, 0, 0));
    pyramid.levels[0].at(0, 0).clusters = clusters(bottom);
    pyramid.levels[1].at(0, 0).clusters = clusters(top);
    pyramid.levels[0].at(0, 0).parent = &pyramid.levels[1].at(0, 0);
    return pyramid;
}

std::string thrownText(const std::function<void()>& call) {
    try {
        call();
    } catch (const VkExFailure& failure) {
        return failure.what();
    }
    return "nothing thrown";
}

TEST(SegmentFit, Cases) {
    struct Case {
        const char* name;
        Vector3 f, b, i;
        float expected;
    };
    const std::vector<Case> cases{
        {"on the segment", {100, 0, 0}, {0, 0, 0}, {25, 0, 0}, 0.0f},
        {"beside the segment", {100, 0, 0}, {0, 0, 0}, {40, 3, 4}, -5.0f},
        {"beyond F", {100, 0, 0}, {0, 0, 0}, {130, 40, 0}, -50.0f},
        {"before B", {100, 0, 0}, {0, 0, 0}, {-6, 0, 8}, -10.0f},
        // The segment is a point: scored by the distance to it, not 0 / 0.
        {"equal colours", {50, 50, 50}, {50, 50, 50}, {53, 54, 50}, -5.0f},
        {"equal colours on the pixel", {50, 50, 50}, {50, 50, 50}, {50, 50, 50}, 0.0f},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const float score = segmentFit(test.f, test.b, test.i);
        EXPECT_FALSE(std::isnan(score));
        EXPECT_NEAR(score, test.expected, 1e-5);
    }
}

TEST(ScoreColourPairs, ChoosesClustersByRepresentativesThenSamples) {
    // I lies close to the segment between the first foreground and the
    // second background representative, and exactly on the one to (0, 0, 2).
    const ClusterList<cbb8> foreground = clusters({{{200, 0, 0}}, {{0, 200, 0}}});
    const ClusterList<cbb8> background =
        clusters({{{0, 0, 200}}, {{0, 0, 0}, {0, 0, 1}, {0, 0, 2}}});
    Colour3 f{}, b{};
    const float score = scoreColourPairs<cbb8>(foreground, background, {100, 0, 1}, f, b);
    EXPECT_EQ(f, (Colour3{200, 0, 0}));
    // The background cluster is singular (a line): no penalty, so the sample
    // stage ranks by fit alone and picks the sample that puts I on the segment.
    EXPECT_EQ(b, (Colour3{0, 0, 2}));
    EXPECT_NEAR(score, 0.0f, 1e-5);
}

TEST(ScoreColourPairs, PenaltiesCanMoveTheChoiceAwayFromTheBestFit) {
    // A full-rank background cluster: its outlying sample fits I exactly but
    // is far from the cluster's distribution.
    const ClusterList<cbb8> foreground = clusters({{{200, 200, 200}}});
    const ClusterList<cbb8> background = clusters(
        {{{10, 10, 10}, {14, 10, 10}, {10, 14, 10}, {10, 10, 14}, {12, 12, 12}, {40, 40, 40}}});
    Colour3 f{}, b{};
    const float score = scoreColourPairs<cbb8>(foreground, background, {40, 40, 40}, f, b);
    EXPECT_NE(b, (Colour3{40, 40, 40}));
    EXPECT_LT(score, 0.0f);
    const Cluster<cbb8>& cluster = background[0];
    const float outlier = static_cast<float>(cluster.colourPenalty({40, 40, 40}));
    EXPECT_GT(score, outlier); // the chosen total beats the outlier's exact fit
}

TEST(FindColourPair, EmptyPalettesThrowTheirTexts) {
    const PalettePyramid<cbb8> full = twoLevels({{{1, 2, 3}}}, {{{1, 2, 3}}});
    const PalettePyramid<cbb8> empty = twoLevels({}, {});
    const Colour3 pixel{1, 2, 3};
    EXPECT_EQ(thrownText([&] { findColourPair<cbb8>(0, 0, empty, empty, pixel, 0, 0, -0.01f); }),
              "Empty foreground palette");
    EXPECT_EQ(thrownText([&] { findColourPair<cbb8>(0, 0, full, empty, pixel, 0, 0, -0.01f); }),
              "Empty background palette");
}

// A pair of equal colours is passed by in both stages, even where its distance
// to the pixel would win; with no other pair the pixel keeps its own colour.
TEST(FindColourPair, EqualColoursAreNeverChosen) {
    struct Case {
        const char* name;
        Palette foreground, background;
        Colour3 pixel, f, b;
    };
    const std::vector<Case> cases{
        {"every representative equal",
         {{{50, 50, 50}}},
         {{{50, 50, 50}}},
         {53, 54, 50},
         {53, 54, 50},
         {53, 54, 50}},
        // Both background clusters fit the pixel to 2.83; the equal one comes first.
        {"equal representatives",
         {{{50, 50, 50}}},
         {{{50, 50, 50}}, {{0, 0, 0}}},
         {52, 48, 50},
         {50, 50, 50},
         {0, 0, 0}},
        // Representatives (50, 50, 50) and (2, 2, 2); among the samples the
        // equal pair comes first and would tie with (50, 50, 50) - (0, 0, 0).
        {"equal samples",
         {{{50, 50, 50}, {60, 60, 60}}},
         {{{50, 50, 50}, {0, 0, 0}, {2, 2, 2}}},
         {51, 49, 50},
         {50, 50, 50},
         {0, 0, 0}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const PalettePyramid<cbb8> foreground = twoLevels(test.foreground, test.foreground);
        const PalettePyramid<cbb8> background = twoLevels(test.background, test.background);
        const ColourPair pair =
            findColourPair<cbb8>(0, 0, foreground, background, test.pixel, 0, 0, -0.01f);
        EXPECT_EQ(pair.foreground, test.f);
        EXPECT_EQ(pair.background, test.b);
    }
}

TEST(FindColourPair, ClimbsKeepsTheBestAttemptAndStopsAtTheThreshold) {
    const PalettePyramid<cbb8> foreground = twoLevels({{{100, 0, 0}}}, {{{0, 0, 100}}});
    const PalettePyramid<cbb8> background = twoLevels({{{0, 0, 0}}}, {{{0, 0, 0}}});
    // Level 0 fits within 10, level 1 within 51: the earlier, better attempt wins.
    ColourPair pair = findColourPair<cbb8>(0, 0, foreground, background, {50, 10, 0}, 0, 0, -0.01f);
    EXPECT_EQ(pair.foreground, (Colour3{100, 0, 0}));
    // Starting at the tops: one attempt only.
    pair = findColourPair<cbb8>(0, 0, foreground, background, {50, 10, 0}, 1, 1, -0.01f);
    EXPECT_EQ(pair.foreground, (Colour3{0, 0, 100}));

    // Level 1 fits exactly; a threshold of -20 stops at level 0 already.
    const PalettePyramid<cbb8> better = twoLevels({{{100, 0, 0}}}, {{{100, 20, 0}}});
    pair = findColourPair<cbb8>(0, 0, better, background, {50, 10, 0}, 0, 0, -0.01f);
    EXPECT_EQ(pair.foreground, (Colour3{100, 20, 0}));
    pair = findColourPair<cbb8>(0, 0, better, background, {50, 10, 0}, 0, 0, -20.0f);
    EXPECT_EQ(pair.foreground, (Colour3{100, 0, 0}));
}

// A checkerboard of two foreground colours on the left, one of two background
// colours on the right, and an unclassified band between them.
template <class Types> class Checkerboard : public ::testing::Test {};
using Depths = ::testing::Types<cbb8, cbb16>;
TYPED_TEST_SUITE(Checkerboard, Depths);

TYPED_TEST(Checkerboard, RecoversTheMixedPair) {
    using Sample = typename TypeParam::SampleType;
    const int unit = sizeof(Sample) == 1 ? 1 : 257;
    using Pixel = Colour<Sample>;
    const auto colour = [&](int c0, int c1, int c2) {
        return Pixel(c0 * unit, c1 * unit, c2 * unit, 255 * unit);
    };
    // Clusters split only along an axis with a first (blue) component, so
    // the two foreground colours differ in blue too.
    const Pixel red = colour(0, 0, 200), green = colour(120, 200, 0);
    const Pixel blue = colour(200, 0, 0), yellow = colour(0, 200, 200);

    const Box box(0, 0, 15, 31);
    blitz::Array<Pixel, 2> source = classification::arrayOver<Pixel>(box);
    ByteArray status = classification::arrayOver<unsigned char>(box);
    for (int i = 0; i <= 15; ++i) {
        for (int j = 0; j <= 31; ++j) {
            const bool even = (i + j) % 2 == 0;
            if (j < 12) {
                source(i, j) = even ? red : green;
                status(i, j) = 0x82;
            } else if (j >= 20) {
                source(i, j) = even ? blue : yellow;
                status(i, j) = 0x84;
            } else {
                source(i, j) = colour(0, 140, 200);
                status(i, j) = 0x88;
            }
        }
    }
    PalettePyramid<TypeParam> foreground, background;
    buildPalettePyramid<TypeParam>(foreground, source, SampleSelector(status, {1, 1}, 2), 20.0,
                                   ProgressRange(nullptr));
    buildPalettePyramid<TypeParam>(background, source, SampleSelector(status, {1, 1}, 4), 20.0,
                                   ProgressRange(nullptr));

    // 0.3 red + 0.7 yellow.
    const Colour3 pixel{0.0f, 140.0f * unit, 200.0f * unit};
    // With and without a cache of prepared palettes shared across pixels.
    PaletteCache<TypeParam> cache;
    for (PaletteCache<TypeParam>* shared :
         {static_cast<PaletteCache<TypeParam>*>(nullptr), &cache}) {
        for (int i = 0; i < 16; ++i) {
            for (int j = 12; j < 20; ++j) {
                const ColourPair pair = findColourPair<TypeParam>(i, j, foreground, background,
                                                                  pixel, 0, 0, -0.01f, shared);
                EXPECT_EQ(pair.foreground, (Colour3{0.0f, 0.0f, 200.0f * unit})) << i << "," << j;
                EXPECT_EQ(pair.background, (Colour3{0.0f, 200.0f * unit, 200.0f * unit}))
                    << i << "," << j;
            }
        }
    }
}

} // namespace
