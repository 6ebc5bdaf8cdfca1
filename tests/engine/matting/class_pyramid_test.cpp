// The class colour pyramid: boundary pixels, level sums, lookup and progress.
#include "support/recording_progress.h"

#include "matting/class_pyramid.h"
#include "values.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using classification::Box;
using classification::ByteArray;
using orsine::utility::Colour;
using namespace orsine::matting;

// Channel values that identify the pixel.
Image8 codedColours(int rows, int columns) {
    Image8 colours(rows, columns);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            colours(r, c) = Colour<unsigned char>(r, c, (r * 7 + c) % 251, 200);
    return colours;
}

ClassPyramid build(const ByteArray& status, const Box& box, unsigned char classBit,
                   const Image8& colours) {
    ClassPyramid pyramid;
    buildClassPyramid(status, box, classBit, colours, pyramid, ProgressRange(nullptr));
    return pyramid;
}

TEST(ClassPyramid, LevelsHoldTheSumsOfTheBoundaryPixels) {
    std::mt19937 random(3);
    std::uniform_int_distribution<int> pick(0, 5);
    const unsigned char statuses[] = {0x02, 0x02, 0x04, 0x01, 0x0A, 0x42};
    const Box boxes[] = {{0, 0, 31, 26}, {3, 5, 20, 25}, {7, 1, 7, 30}, {2, 2, 3, 3}};
    ByteArray status(32, 32);
    const Image8 colours = codedColours(32, 32);
    for (int trial = 0; trial < 3; ++trial) {
        for (int r = 0; r < 32; ++r)
            for (int c = 0; c < 32; ++c)
                status(r, c) = statuses[pick(random)];
        for (const unsigned char classBit : {0x02, 0x04}) {
            for (const Box& box : boxes) {
                SCOPED_TRACE(::testing::Message() << box << " class " << int(classBit));
                const ClassPyramid pyramid = build(status, box, classBit, colours);
                // Brute force: a class pixel with an in-box axial neighbour
                // without the class adds its colour to cell p / 2^(k+1) of level k.
                Box levelBox = box.dividedBy(2);
                std::vector<Box> levelBoxes{levelBox};
                while (std::max(levelBox.rows(), levelBox.columns()) >= 2) {
                    levelBox = levelBox.dividedBy(2);
                    levelBoxes.push_back(levelBox);
                }
                std::vector<blitz::Array<PyramidCell, 2>> expected;
                for (const Box& b : levelBoxes)
                    expected.push_back(
                        classification::arrayOver<PyramidCell>(b, PyramidCell(0.0f)));
                bool any = false;
                for (int r = box.lower.row; r <= box.upper.row; ++r) {
                    for (int c = box.lower.column; c <= box.upper.column; ++c) {
                        if (!(status(r, c) & classBit)) continue;
                        bool boundary = false;
                        const int dr[] = {-1, 0, 1, 0}, dc[] = {0, -1, 0, 1};
                        for (int k = 0; k < 4; ++k) {
                            const int nr = r + dr[k], nc = c + dc[k];
                            if (box.contains({nr, nc}) && !(status(nr, nc) & classBit))
                                boundary = true;
                        }
                        if (!boundary) continue;
                        any = true;
                        for (size_t k = 0; k < expected.size(); ++k) {
                            PyramidCell& cell = expected[k](r >> (k + 1), c >> (k + 1));
                            cell += PyramidCell(colours(r, c)[0], colours(r, c)[1],
                                                colours(r, c)[2], 1.0f);
                        }
                    }
                }
                if (!any) {
                    EXPECT_TRUE(pyramid.empty());
                    continue;
                }
                ASSERT_EQ(pyramid.size(), expected.size());
                for (size_t k = 0; k < expected.size(); ++k) {
                    ASSERT_EQ(classification::boxOf(pyramid[k]), levelBoxes[k]);
                    for (int r = levelBoxes[k].lower.row; r <= levelBoxes[k].upper.row; ++r)
                        for (int c = levelBoxes[k].lower.column; c <= levelBoxes[k].upper.column;
                             ++c)
                            ASSERT_EQ(values(pyramid[k](r, c)), values(expected[k](r, c)))
                                << k << " " << r << "," << c;
                }
            }
        }
    }
}

TEST(ClassPyramid, EdgeCases) {
    ByteArray status(10, 10);
    status = 0x01;
    const Image8 colours = codedColours(10, 10);

    // Keep pixels fill the box: none has a non-keep neighbour inside it.
    status(blitz::Range(2, 7), blitz::Range(2, 7)) = 0x02;
    EXPECT_TRUE(build(status, Box(3, 3, 6, 6), 0x02, colours).empty());

    // (4,4) and (5,5) share the level-0 cell (2,2).
    status = 0x01;
    status(4, 4) = 0x02;
    status(5, 5) = 0x02;
    const ClassPyramid pyramid = build(status, Box(0, 0, 9, 9), 0x02, colours);
    ASSERT_EQ(pyramid.size(), 4u); // 5x5, 3x3, 2x2, 1x1
    const PyramidCell sums(4 + 5, 4 + 5, float(colours(4, 4)[2] + colours(5, 5)[2]), 2.0f);
    EXPECT_EQ(values(pyramid[0](2, 2)), values(sums));
    EXPECT_EQ(values(pyramid[3](0, 0)), values(sums));

    // A box whose level 0 is 1 x 1 has no further level.
    const ClassPyramid small = build(status, Box(4, 4, 5, 5), 0x02, colours);
    ASSERT_EQ(small.size(), 1u);
    EXPECT_EQ(classification::boxOf(small[0]), Box(2, 2, 2, 2));
}

TEST(ClassPyramid, SixteenBitColoursAreRead) {
    ByteArray status(4, 4);
    status = 0x04;
    status(0, 0) = 0x01;
    Image16 colours(4, 4);
    colours = Colour<unsigned short>(1000, 2000, 60000, 65535);
    ClassPyramid pyramid;
    buildClassPyramid16(status, Box(0, 0, 3, 3), 0x04, colours, pyramid, ProgressRange(nullptr));
    ASSERT_FALSE(pyramid.empty());
    EXPECT_EQ(values(pyramid.back()(0, 0)),
              values(PyramidCell(2000, 4000, 120000, 2))); // (0,1) and (1,0)
}

TEST(ClassPyramid, ProgressApproachesTheMiddleLevelByLevel) {
    ByteArray status(10, 10);
    status = 0x01;
    status(4, 4) = 0x02;
    const Image8 colours = codedColours(10, 10);
    RecordingProgress parent;
    ClassPyramid pyramid;
    buildClassPyramid(status, Box(0, 0, 9, 9), 0x02, colours, pyramid, ProgressRange(&parent));
    EXPECT_EQ(parent.fractions, std::vector<float>({0.0f, 0.25f, 0.375f, 0.4375f, 0.46875f, 1.0f}));

    RecordingProgress emptyParent;
    ClassPyramid none;
    buildClassPyramid(status, Box(0, 0, 9, 9), 0x04, colours, none, ProgressRange(&emptyParent));
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(emptyParent.fractions, std::vector<float>({0.0f, 0.25f}));
}

// A pyramid of uniform levels, level k over (0,0)..(n_k, n_k), with the given
// channel sums and counts.
ClassPyramid uniformPyramid(const std::vector<PyramidCell>& cells, int finestUpper) {
    ClassPyramid pyramid;
    int upper = finestUpper;
    for (const PyramidCell& cell : cells) {
        pyramid.push_back(classification::arrayOver<PyramidCell>(Box(0, 0, upper, upper), cell));
        upper /= 2;
    }
    return pyramid;
}

TEST(ClassPyramid, LookupWeightsLevelsAndStopsWhenEnoughIsCounted) {
    const struct {
        const char* what;
        std::vector<PyramidCell> levels;
        PyramidCell expected; // sum over the levels read of cell / c^4
    } cases[] = {
        {"level 0 counts more than 4: stops there",
         {{80, 160, 240, 8}, {1000, 1000, 1000, 100}},
         {5, 10, 15, 0.5f}},
        {"level 0 counts exactly 4: goes on to level 1 and stops there",
         {{16, 32, 48, 4}, {256, 512, 768, 8}},
         {1 + 1, 2 + 2, 3 + 3, 0.25f + 8.0f / 256}},
        {"nothing at levels 0 and 1, enough at level 2",
         {{0, 0, 0, 0}, {0, 0, 0, 0}, {4096, 4096, 4096, 100}, {1, 1, 1, 1}},
         {1, 1, 1, 100.0f / 4096}},
        {"never enough: every level is read",
         {{0, 0, 0, 0}, {256, 0, 0, 1}},
         {1, 0, 0, 1.0f / 256}},
    };
    for (const auto& c : cases) {
        const ClassPyramid pyramid = uniformPyramid(c.levels, 16);
        for (const blitz::TinyVector<float, 2>& at :
             {blitz::TinyVector<float, 2>(0, 0), blitz::TinyVector<float, 2>(7, 12),
              blitz::TinyVector<float, 2>(33, 33)}) {
            PyramidCell accumulator(-1.0f);
            lookupClassColour(pyramid, at, accumulator);
            for (int i = 0; i < 4; ++i)
                EXPECT_FLOAT_EQ(accumulator[i], c.expected[i]) << c.what << " at " << at;
        }
    }
}

TEST(ClassPyramid, LookupAtTheFirstRowPutsTheWholeWeightOnCellZero) {
    ClassPyramid pyramid{
        classification::arrayOver<PyramidCell>(Box(0, 0, 3, 3), PyramidCell(0.0f))};
    pyramid[0](0, 1) = PyramidCell(160, 320, 480, 16);
    PyramidCell accumulator;
    // Row 0 (c = 2): lower = upper = 0 with fx = 0.5; column 3: cells 1 and 2
    // with fy = 0. The whole weight lands on cell (0, 1).
    lookupClassColour(pyramid, {0.0f, 3.0f}, accumulator);
    EXPECT_EQ(values(accumulator), values(PyramidCell(10, 20, 30, 1)));
    float colour[3];
    ASSERT_TRUE(classColourAt(pyramid, {0.0f, 3.0f}, colour));
    EXPECT_EQ(colour[0], 10.0f);
    EXPECT_EQ(colour[2], 30.0f);
}

TEST(ClassPyramid, EmptyPyramidGivesNoColour) {
    PyramidCell accumulator(5.0f);
    lookupClassColour(ClassPyramid(), {3.0f, 4.0f}, accumulator);
    EXPECT_EQ(values(accumulator), values(PyramidCell(0.0f)));
    float colour[3] = {7, 8, 9};
    EXPECT_FALSE(classColourAt(ClassPyramid(), {3.0f, 4.0f}, colour));
    EXPECT_EQ(colour[0], 7.0f); // untouched: the caller chooses what stands in
}

} // namespace
