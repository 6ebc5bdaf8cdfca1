// Palette pyramids: level boxes and count, progress, sample selection, the
// bounds refinement keeps, and the palette of a pixel.
#include "matting/palette_pyramid.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

using namespace orsine::matting;
using classification::Box;
using classification::ByteArray;
using orsine::utility::Colour;

namespace {

using Image8 = blitz::Array<Colour<uint8_t>, 2>;

struct RecordingProgress : orsine::utility::IiUI {
    std::vector<float> fractions;
    void report(float fraction, const std::string&) override { fractions.push_back(fraction); }
};

// Every pixel's colour encodes its position; every status byte is keep and marked.
Image8 positionImage(const Box& box) {
    Image8 image = classification::arrayOver<Colour<uint8_t>>(box);
    for (int i = box.lower.row; i <= box.upper.row; ++i)
        for (int j = box.lower.column; j <= box.upper.column; ++j)
            image(i, j) = Colour<uint8_t>(i, j, 7, 255);
    return image;
}

PalettePyramid<cbb8> build(const Image8& source, const ByteArray& status, unsigned char mask,
                           std::vector<float>* fractions = nullptr, float scale = 1.0f) {
    RecordingProgress recorder;
    ProgressRange range(&recorder);
    PalettePyramid<cbb8> pyramid;
    buildPalettePyramid<cbb8>(pyramid, source, SampleSelector(status, {scale, scale}, mask), 20.0,
                              range);
    if (fractions) *fractions = recorder.fractions;
    return pyramid;
}

std::size_t samplesIn(const PaletteLevel<cbb8>& level) {
    std::size_t n = 0;
    for (const auto& q : level.blocks())
        n += q.sampleCount();
    return n;
}

TEST(PalettePyramid, LevelsAndProgressForSmallBoxes) {
    struct Case {
        Box box;
        std::vector<Box> levels;
        std::vector<float> fractions; // after the range's own initial 0
    };
    const std::vector<Case> cases{
        {Box(0, 0, 1, 1), {Box(0, 0, 0, 0)}, {0.5f}},
        {Box(2, 4, 2, 4), {Box(1, 2, 1, 2)}, {0.5f}},
        {Box(0, 0, 3, 3), {Box(0, 0, 1, 1), Box(0, 0, 0, 0)}, {0.5f, 0.75f}},
        // Odd lower bound: the end blocks cover one pixel of the box each.
        {Box(1, 1, 4, 4),
         {Box(0, 0, 2, 2), Box(0, 0, 1, 1), Box(0, 0, 0, 0)},
         {0.5f, 0.75f, 0.875f}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.box);
        const Image8 source = positionImage(test.box);
        const ByteArray status = classification::arrayOver<unsigned char>(test.box, 0x82);
        std::vector<float> fractions;
        const PalettePyramid<cbb8> pyramid = build(source, status, 2, &fractions);
        ASSERT_EQ(pyramid.levels.size(), test.levels.size());
        for (std::size_t k = 0; k < test.levels.size(); ++k) {
            EXPECT_EQ(pyramid.levels[k].box(), test.levels[k]);
            EXPECT_EQ(samplesIn(pyramid.levels[k]) > 0, true);
        }
        std::vector<float> expected{0.0f};
        expected.insert(expected.end(), test.fractions.begin(), test.fractions.end());
        EXPECT_EQ(fractions, expected);
        EXPECT_EQ(samplesIn(pyramid.levels[0]), static_cast<std::size_t>(test.box.area()));
    }
}

TEST(PalettePyramid, OddLowerBoundBlocksCoverTheRightPixels) {
    const Box box(1, 1, 4, 4);
    const PalettePyramid<cbb8> pyramid =
        build(positionImage(box), classification::arrayOver<unsigned char>(box, 0x82), 2);
    const auto& level0 = pyramid.levels[0];
    // Block (0, 0) holds pixel (1, 1) only; block (1, 1) pixels (2..3, 2..3).
    ASSERT_EQ(level0.at(0, 0).sampleCount(), 1u);
    EXPECT_EQ(level0.at(0, 0).clusters[0].samples()[0], (Cluster<cbb8>::Sample{1, 1, 7}));
    EXPECT_EQ(level0.at(1, 1).sampleCount(), 4u);
    EXPECT_EQ(level0.at(2, 2).sampleCount(), 1u);
    EXPECT_EQ(level0.at(0, 0).parent, &pyramid.levels[1].at(0, 0));
    EXPECT_EQ(level0.at(2, 2).parent, &pyramid.levels[1].at(1, 1));
    EXPECT_EQ(pyramid.levels[2].at(0, 0).parent, nullptr);
}

TEST(SampleSelector, NeedsTheMarkAndTheClassBit) {
    const Box box(0, 0, 0, 4);
    ByteArray status = classification::arrayOver<unsigned char>(box);
    status(0, 0) = 0x02;        // keep without the mark: never sampled
    status(0, 1) = 0x82;        // keep
    status(0, 2) = 0x84;        // delete
    status(0, 3) = 0x86;        // both classes: feeds both pyramids
    status(0, 4) = 0x80 | 0x08; // blend only
    const SampleSelector keep(status, {1.0f, 1.0f}, 2), remove(status, {1.0f, 1.0f}, 4);
    const std::vector<bool> keepExpected{false, true, false, true, false};
    const std::vector<bool> deleteExpected{false, false, true, true, false};
    for (int j = 0; j <= 4; ++j) {
        EXPECT_EQ(keep.accepts(0, j), keepExpected[j]) << j;
        EXPECT_EQ(remove.accepts(0, j), deleteExpected[j]) << j;
    }
    const PalettePyramid<cbb8> keepPyramid = build(positionImage(box), status, 2);
    EXPECT_EQ(samplesIn(keepPyramid.levels[0]), 2u);
}

TEST(SampleSelector, MapsOutputPixelsToStatusPixelsAndNeverReadsPastTheStatus) {
    // Status at half resolution, 3 x 3, under an output of 8 x 8: output rows
    // and columns 6 and 7 map to status index 3, outside the status image.
    ByteArray status = classification::arrayOver<unsigned char>(Box(0, 0, 2, 2), 0x82);
    const SampleSelector selector(status, {2.0f, 2.0f}, 2);
    EXPECT_TRUE(selector.accepts(5, 5));
    EXPECT_FALSE(selector.accepts(6, 0));
    EXPECT_FALSE(selector.accepts(0, 7));
    EXPECT_FALSE(selector.accepts(-1000000000, 0));
    const PalettePyramid<cbb8> pyramid =
        build(positionImage(Box(0, 0, 7, 7)), status, 2, nullptr, 2.0f);
    EXPECT_EQ(samplesIn(pyramid.levels[0]), 36u);
}

TEST(PalettePyramid, RefinedLevelsHoldAtMost27ClustersOf27Colours) {
    std::mt19937 random(1);
    std::uniform_int_distribution<int> channel(0, 255);
    const Box box(0, 0, 99, 99);
    Image8 source = classification::arrayOver<Colour<uint8_t>>(box);
    for (int i = 0; i <= 99; ++i)
        for (int j = 0; j <= 99; ++j)
            source(i, j) = Colour<uint8_t>(channel(random), channel(random), channel(random), 255);
    RecordingProgress recorder;
    PalettePyramid<cbb8> pyramid;
    buildPalettePyramid<cbb8>(
        pyramid, source,
        SampleSelector(classification::arrayOver<unsigned char>(box, 0x84), {1.0f, 1.0f}, 4), 1.0,
        ProgressRange(&recorder));
    ASSERT_EQ(pyramid.levels.size(), 7u); // 50, 25, 13, 7, 4, 2, 1 blocks a side
    for (std::size_t k = 1; k < pyramid.levels.size(); ++k) {
        for (const auto& q : pyramid.levels[k].blocks()) {
            EXPECT_LE(q.clusters.size(), 27u);
            for (const auto& c : q.clusters)
                EXPECT_LE(c.size(), 27u);
        }
    }
    EXPECT_EQ(pyramid.levels.back().at(0, 0).clusters.size(), 27u);
}

TEST(PaletteAt, ClimbsToTheFirstBlockWithSamples) {
    const Box box(0, 0, 7, 7);
    ByteArray status = classification::arrayOver<unsigned char>(box, 0x80);
    status(6, 6) = 0x82; // the only keep pixel
    const PalettePyramid<cbb8> pyramid = build(positionImage(box), status, 2);
    ASSERT_EQ(pyramid.topLevel(), 2);

    PaletteAt<cbb8> found = paletteAt(pyramid, 7, 7, 0);
    ASSERT_NE(found.clusters, nullptr);
    EXPECT_EQ(found.level, 0);
    found = paletteAt(pyramid, 4, 4, 0); // level-0 block (2, 2) is empty; (1, 1) of level 1 is not
    ASSERT_NE(found.clusters, nullptr);
    EXPECT_EQ(found.level, 1);
    found = paletteAt(pyramid, 0, 0, 0);
    ASSERT_NE(found.clusters, nullptr);
    EXPECT_EQ(found.level, 2);
    EXPECT_EQ((*found.clusters)[0].samples()[0], (Cluster<cbb8>::Sample{6, 6, 7}));
    EXPECT_THROW(paletteAt(pyramid, 8, 0, 0), std::out_of_range);
    EXPECT_THROW(paletteAt(pyramid, 0, 0, 3), std::out_of_range);
}

TEST(PaletteAt, AnEmptySelectionGivesNoPaletteAnywhere) {
    const Box box(0, 0, 5, 9);
    const PalettePyramid<cbb8> pyramid =
        build(positionImage(box), classification::arrayOver<unsigned char>(box, 0x84), 2);
    EXPECT_EQ(pyramid.levels.back().box().area(), 1);
    for (int level = 0; level <= pyramid.topLevel(); ++level)
        EXPECT_EQ(paletteAt(pyramid, 3, 3, level).clusters, nullptr);
}

} // namespace
