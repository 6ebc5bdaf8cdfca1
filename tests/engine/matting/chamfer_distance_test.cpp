// Geodesic distances from the keep and delete marks against a brute-force
// shortest path with the same step costs.
#include "values.h"

#include "matting/chamfer_distance.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

using classification::ByteArray;
using namespace orsine::matting;

// Least sums of step costs by relaxing every pixel from its eight neighbours
// until nothing changes; marked pixels of the other class are walls.
std::vector<float> referenceDistances(const ByteArray& status, unsigned char classMask) {
    const int rows = status.extent(0), columns = status.extent(1);
    const int r0 = status.lbound(0), c0 = status.lbound(1);
    std::vector<float> d(static_cast<size_t>(rows) * columns, kUnreached);
    const auto at = [&](int r, int c) { return status(r0 + r, c0 + c); };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            if (at(r, c) & classMask) d[r * columns + c] = 0.0f;
    for (bool changed = true; changed;) {
        changed = false;
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                if (at(r, c) & 0x06) continue;
                float& here = d[r * columns + c];
                for (int dr = -1; dr <= 1; ++dr) {
                    for (int dc = -1; dc <= 1; ++dc) {
                        const int nr = r + dr, nc = c + dc;
                        if ((dr == 0 && dc == 0) || nr < 0 || nc < 0 || nr >= rows || nc >= columns)
                            continue;
                        const unsigned char s = at(nr, nc);
                        if ((s & 0x06) && !(s & classMask)) continue; // the other class: a wall
                        const float from = d[nr * columns + nc];
                        if (from == kUnreached) continue;
                        const float step = dr != 0 && dc != 0 ? kDiagonalStep : kAxialStep;
                        if (from + step < here) {
                            here = from + step;
                            changed = true;
                        }
                    }
                }
            }
        }
    }
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            if (at(r, c) & 0x06) d[r * columns + c] = 0.0f;
    return d;
}

void expectMatchesReference(const ByteArray& status) {
    const DistanceArray result = chamferDistanceTransform(status);
    ASSERT_EQ(result.lbound(0), status.lbound(0));
    ASSERT_EQ(result.lbound(1), status.lbound(1));
    ASSERT_EQ(result.extent(0), status.extent(0));
    ASSERT_EQ(result.extent(1), status.extent(1));
    const std::vector<float> keep = referenceDistances(status, 0x02);
    const std::vector<float> del = referenceDistances(status, 0x04);
    const int columns = status.extent(1);
    for (int r = 0; r < status.extent(0); ++r) {
        for (int c = 0; c < columns; ++c) {
            const DistancePair& got = result(status.lbound(0) + r, status.lbound(1) + c);
            ASSERT_EQ(got[0], keep[r * columns + c]) << "keep at " << r << "," << c;
            ASSERT_EQ(got[1], del[r * columns + c]) << "delete at " << r << "," << c;
        }
    }
}

struct RandomGrid {
    int rows, columns;
    double keepShare, deleteShare;
    int walls; // straight delete lines that cut the grid into regions
};

ByteArray randomStatus(const RandomGrid& g, std::mt19937& random) {
    ByteArray status(g.rows, g.columns);
    std::uniform_real_distribution<double> share(0.0, 1.0);
    // Bits other than keep and delete must not matter.
    const unsigned char others[] = {0x01, 0x08, 0x10, 0x20, 0x40, 0x80, 0x81, 0xC1, 0x19, 0x00};
    std::uniform_int_distribution<int> pick(0, 9);
    for (int r = 0; r < g.rows; ++r) {
        for (int c = 0; c < g.columns; ++c) {
            const double x = share(random);
            unsigned char s = others[pick(random)];
            if (x < g.keepShare)
                s = static_cast<unsigned char>((s & ~0x07) | 0x02);
            else if (x < g.keepShare + g.deleteShare)
                s = static_cast<unsigned char>((s & ~0x07) | 0x04);
            else
                s &= static_cast<unsigned char>(~0x06);
            status(r, c) = s;
        }
    }
    std::uniform_int_distribution<int> row(0, g.rows - 1), column(0, g.columns - 1);
    for (int w = 0; w < g.walls; ++w) {
        if (w % 2 == 0) {
            const int r = row(random);
            for (int c = 0; c < g.columns; ++c)
                status(r, c) = 0x04;
        } else {
            const int c = column(random);
            for (int r = 0; r < g.rows; ++r)
                status(r, c) = 0x04;
        }
    }
    return status;
}

TEST(ChamferDistance, MatchesShortestPathsOnRandomGrids) {
    const RandomGrid grids[] = {
        {1, 1, 0.0, 0.0, 0},       {1, 1, 1.0, 0.0, 0},    {1, 29, 0.1, 0.1, 0},
        {31, 1, 0.1, 0.1, 0},      {2, 2, 0.3, 0.3, 0},    {17, 23, 0.03, 0.03, 0},
        {40, 33, 0.01, 0.02, 2},   {25, 25, 0.0, 0.05, 0}, // no keep marks at all
        {25, 25, 0.05, 0.0, 0},                            // no delete marks at all
        {30, 30, 0.002, 0.002, 4}, {50, 7, 0.02, 0.0, 3},  {12, 60, 0.0, 0.0, 1},
    };
    std::mt19937 random(7);
    for (const RandomGrid& g : grids) {
        for (int trial = 0; trial < 4; ++trial) {
            SCOPED_TRACE(::testing::Message() << g.rows << "x" << g.columns << " trial " << trial);
            expectMatchesReference(randomStatus(g, random));
        }
    }
}

TEST(ChamferDistance, WorksOnReindexedAndStridedViews) {
    std::mt19937 random(11);
    ByteArray big = randomStatus({30, 40, 0.02, 0.02, 1}, random);
    big.reindexSelf(blitz::TinyVector<int, 2>(100, 200));
    const ByteArray window = big(blitz::Range(105, 124), blitz::Range(210, 235));
    expectMatchesReference(window);
    const ByteArray everyOther = big(blitz::Range(100, 129, 2), blitz::Range(200, 239, 3));
    expectMatchesReference(everyOther);
}

TEST(ChamferDistance, StepValuesAndWalls) {
    // K keep, D delete, . unmarked (with unrelated bits).
    const char* rows[] = {
        "K.........", //
        "..........", //
        "......DDDD", //
        "......D..D", //
        "......D..D", //
        "......DDDD", //
    };
    ByteArray status(6, 10);
    for (int r = 0; r < 6; ++r) {
        for (int c = 0; c < 10; ++c) {
            const char ch = rows[r][c];
            status(r, c) = ch == 'K' ? 0x02 : ch == 'D' ? 0x04 : (c % 2 ? 0x08 : 0x11);
        }
    }
    const DistanceArray d = chamferDistanceTransform(status);
    EXPECT_EQ(d(0, 1)[0], kAxialStep);
    EXPECT_EQ(d(1, 1)[0], kDiagonalStep);
    EXPECT_EQ(d(0, 2)[0], kAxialStep + kAxialStep);
    EXPECT_EQ(d(1, 2)[0], kAxialStep + kDiagonalStep); // a knight's move
    EXPECT_EQ(d(1, 2)[0], kDiagonalStep + kAxialStep);
    // Marked pixels read (0, 0) whatever their class.
    EXPECT_EQ(values(d(0, 0)), values(DistancePair(0.0f, 0.0f)));
    EXPECT_EQ(values(d(2, 6)), values(DistancePair(0.0f, 0.0f)));
    // Enclosed by delete marks: the keep marks beyond the ring are out of reach.
    EXPECT_EQ(d(3, 7)[0], kUnreached);
    EXPECT_EQ(d(4, 8)[0], kUnreached);
    EXPECT_EQ(d(3, 7)[1], kAxialStep);
    EXPECT_EQ(d(4, 8)[1], kAxialStep);
}

TEST(ChamferDistance, EmptyStatusGivesEmptyResult) {
    const ByteArray empty;
    EXPECT_EQ(chamferDistanceTransform(empty).size(), 0);
}

TEST(ChamferDistance, UnreachedValueIsTheLargestFloatBelowTwoToThe127) {
    uint32_t bits;
    std::memcpy(&bits, &kUnreached, sizeof bits);
    EXPECT_EQ(bits, 0x7EFFFFFFu);
    EXPECT_TRUE(std::isfinite(kUnreached + kUnreached)); // a ratio of two stays finite
}

} // namespace
