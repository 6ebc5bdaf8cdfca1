// Point variants, Douglas-Peucker simplification and corner bevelling.
#include "classification/polylines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

using namespace classification;

namespace {

void expectNear(const FloatPolyline& actual, const FloatPolyline& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_NEAR(actual[i].row, expected[i].row, 1e-5) << "point " << i;
        EXPECT_NEAR(actual[i].column, expected[i].column, 1e-5) << "point " << i;
    }
}

struct VariantCase {
    int variant;
    IntPolyline contour;
    FloatPolyline expected;
};

TEST(ContourToPolyline, Variants) {
    const IntPolyline open = {{0, 0}, {0, 4}, {4, 4}};
    const IntPolyline square = {{0, 0}, {0, 4}, {4, 4}, {4, 0}, {0, 0}};
    const std::vector<VariantCase> cases = {
        {0, open, {{0, 0}, {0, 2}, {2, 4}, {4, 4}}},
        {1, open, {{0, 0}, {0, 4.f / 3}, {0, 8.f / 3}, {4.f / 3, 4}, {8.f / 3, 4}, {4, 4}}},
        {2, open, {{0, 0}, {0, 1}, {0, 3}, {1, 4}, {3, 4}, {4, 4}}},
        {3, open, {{0, 0}, {1, 3}, {4, 4}}},              // (0,0) + 2 (0,4) + (4,4), over 4
        {4, open, {{0, 0}, {0.8f, 3.2f}, {4, 4}}},        // weights 1:3:1
        {5, open, {{0, 0}, {4.f / 6, 20.f / 6}, {4, 4}}}, // weights 1:4:1
        {6, open, {{0, 0}, {0, 4}, {4, 4}}},
        {-1, open, {{0, 0}, {0, 4}, {4, 4}}},
        {0, square, {{0, 2}, {2, 4}, {4, 2}, {2, 0}, {0, 2}}},
        {3, square, {{1, 3}, {3, 3}, {3, 1}, {1, 1}, {1, 3}}},
        {9, square, {{0, 0}, {0, 4}, {4, 4}, {4, 0}, {0, 0}}},
    };
    for (const VariantCase& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "variant " << c.variant << ", " << c.contour.size() << " points");
        expectNear(contourToPolyline(c.contour, c.variant), c.expected);
    }
}

TEST(ContourToPolyline, CrackMidpoints) {
    // One point per crack of a straight run, plus the two ends.
    IntPolyline run;
    for (int c = 0; c <= 5; ++c)
        run.push_back({2, c});
    const FloatPolyline line = contourToPolyline(run, 0);
    ASSERT_EQ(line.size(), 7u);
    EXPECT_FLOAT_EQ(line[1].column, 0.5f);
    EXPECT_FLOAT_EQ(line[5].column, 4.5f);
}

TEST(SimplifyPolylines, StraightLineKeepsItsEnds) {
    for (float tolerance : {0.001f, 0.6f, 5.0f}) {
        std::vector<FloatPolyline> lines(1);
        std::vector<IntPolyline> ints(1);
        for (int i = 0; i <= 100; ++i) {
            lines[0].push_back({3.0f, static_cast<float>(i)});
            ints[0].push_back({i, 7});
        }
        simplifyPolylines(lines, tolerance);
        simplifyPolylines(ints, tolerance);
        expectNear(lines[0], {{3, 0}, {3, 100}});
        EXPECT_EQ(ints[0], IntPolyline({{0, 7}, {100, 7}}));
    }
}

TEST(SimplifyPolylines, ClosedPolylineSplitsAtTheFarthestPoint) {
    // A square traced corner by corner, every crack end a point.
    IntPolyline square;
    for (int c = 0; c < 4; ++c)
        square.push_back({0, c});
    for (int r = 0; r < 4; ++r)
        square.push_back({r, 4});
    for (int c = 4; c > 0; --c)
        square.push_back({4, c});
    for (int r = 4; r >= 0; --r)
        square.push_back({r, 0});
    std::vector<IntPolyline> lines = {square};
    simplifyPolylines(lines, 0.1f);
    EXPECT_EQ(lines[0], IntPolyline({{0, 0}, {0, 4}, {4, 4}, {4, 0}, {0, 0}}));
}

TEST(SimplifyPolylines, ToleranceDecidesWhetherABumpStays) {
    const FloatPolyline bumpy = {{0, 0}, {0, 5}, {0.5f, 6}, {0, 7}, {0, 12}};
    std::vector<FloatPolyline> loose = {bumpy}, tight = {bumpy};
    simplifyPolylines(loose, 0.6f);
    simplifyPolylines(tight, 0.45f);
    expectNear(loose[0], {{0, 0}, {0, 12}});
    expectNear(tight[0], {{0, 0}, {0.5f, 6}, {0, 12}});
}

// Recursive Douglas-Peucker as a reference for the stack-based one.
void referenceSimplify(const FloatPolyline& p, std::size_t a, std::size_t z, float t,
                       FloatPolyline& out) {
    const float zr = p[z].row - p[a].row, zc = p[z].column - p[a].column;
    const float limit = t * std::hypot(zr, zc);
    std::size_t best = 0;
    float bestG = -1.0f;
    for (std::size_t i = a + 1; i < z; ++i) {
        const float g = std::abs(zr * (p[i].column - p[a].column) - zc * (p[i].row - p[a].row));
        if (g > bestG) {
            bestG = g;
            best = i;
        }
    }
    if (z > a + 1 && bestG > limit) {
        referenceSimplify(p, a, best, t, out);
        referenceSimplify(p, best, z, t, out);
    } else {
        out.push_back(p[a]);
    }
}

TEST(SimplifyPolylines, MatchesRecursiveReference) {
    std::mt19937 random(3);
    std::uniform_real_distribution<float> step(-2.0f, 2.0f);
    for (int trial = 0; trial < 200; ++trial) {
        FloatPolyline line = {{0, 0}};
        const int n = 2 + static_cast<int>(random() % 40);
        for (int i = 1; i < n; ++i)
            line.push_back({line.back().row + step(random), line.back().column + 1.0f});
        const float t = 0.05f + 0.1f * static_cast<float>(random() % 10);
        FloatPolyline expected;
        referenceSimplify(line, 0, line.size() - 1, t, expected);
        expected.push_back(line.back());
        std::vector<FloatPolyline> lines = {line};
        simplifyPolylines(lines, t);
        expectNear(lines[0], expected);
    }
}

TEST(BevelCorners, RightAngleBecomesTwoPoints) {
    std::vector<FloatPolyline> lines = {{{0, 0}, {0, 10}, {10, 10}}};
    bevelCorners(lines, 1.0f);
    const float d = std::sqrt(2.0f); // radius / sqrt(c / 2) with c = 1
    expectNear(lines[0], {{0, 0}, {0, 10 - d}, {d, 10}, {10, 10}});
}

TEST(BevelCorners, ShortEdgesLimitTheCutAndReversalsStay) {
    // Edges of length 2: at most a quarter (0.5) away from the corner.
    std::vector<FloatPolyline> lines = {{{0, 0}, {0, 2}, {2, 2}},
                                        {{0, 0}, {0, 5}, {0, 1}},  // a reversal keeps its point
                                        {{1, 1}, {1, 1}, {3, 3}}}; // a repeated point too
    bevelCorners(lines, 1.0f);
    expectNear(lines[0], {{0, 0}, {0, 1.5f}, {0.5f, 2}, {2, 2}});
    expectNear(lines[1], {{0, 0}, {0, 5}, {0, 1}});
    expectNear(lines[2], {{1, 1}, {1, 1}, {3, 3}});
    for (const PointF& p : lines[2])
        EXPECT_FALSE(std::isnan(p.row) || std::isnan(p.column));
}

TEST(BevelCorners, ClosedPolylineStaysClosed) {
    std::vector<FloatPolyline> lines = {{{0, 0}, {0, 8}, {8, 8}, {8, 0}, {0, 0}}};
    bevelCorners(lines, 1.0f);
    const FloatPolyline& l = lines[0];
    ASSERT_EQ(l.size(), 9u); // four corners of two points each, then the first again
    EXPECT_EQ(l.front(), l.back());
    const float d = std::sqrt(2.0f);
    expectNear({l[0], l[1]}, {{0, 8 - d}, {d, 8}});
    expectNear({l[6], l[7]}, {{d, 0}, {0, d}}); // the start corner comes last
}

} // namespace
