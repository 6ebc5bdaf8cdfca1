// Colour clusters: the cubic root and principal axis against a Jacobi eigen
// solver, exact statistics, split, repeated split, compaction, representative
// and colour penalty.
#include "matting/colour_cluster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

using namespace orsine::matting;

namespace {

using Cluster8 = Cluster<cbb8>;
using Cluster16 = Cluster<cbb16>;
using Sample8 = Cluster8::Sample;

// Eigenvalues and eigenvectors (columns of v) of a symmetric 3 x 3 matrix by
// cyclic Jacobi rotations.
struct Eigen {
    std::array<double, 3> values;
    Matrix3 vectors; // vectors[row][k]: component `row` of eigenvector k
};

Eigen jacobi(const Symmetric3& s) {
    Matrix3 a{{{s[0], s[3], s[5]}, {s[3], s[1], s[4]}, {s[5], s[4], s[2]}}};
    Matrix3 v{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    for (int sweep = 0; sweep < 100; ++sweep) {
        const double off = a[0][1] * a[0][1] + a[0][2] * a[0][2] + a[1][2] * a[1][2];
        if (off == 0.0) break;
        for (int p = 0; p < 2; ++p) {
            for (int q = p + 1; q < 3; ++q) {
                if (a[p][q] == 0.0) continue;
                const double theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q]);
                const double t =
                    (theta >= 0 ? 1.0 : -1.0) / (std::abs(theta) + std::sqrt(theta * theta + 1.0));
                const double c = 1.0 / std::sqrt(t * t + 1.0), sn = t * c;
                for (int k = 0; k < 3; ++k) { // a := a J
                    const double akp = a[k][p], akq = a[k][q];
                    a[k][p] = c * akp - sn * akq;
                    a[k][q] = sn * akp + c * akq;
                }
                for (int k = 0; k < 3; ++k) { // a := J^T a
                    const double apk = a[p][k], aqk = a[q][k];
                    a[p][k] = c * apk - sn * aqk;
                    a[q][k] = sn * apk + c * aqk;
                }
                for (int k = 0; k < 3; ++k) {
                    const double vkp = v[k][p], vkq = v[k][q];
                    v[k][p] = c * vkp - sn * vkq;
                    v[k][q] = sn * vkp + c * vkq;
                }
            }
        }
    }
    return {{a[0][0], a[1][1], a[2][2]}, v};
}

double largestEigenvalue(const Symmetric3& s) {
    const Eigen e = jacobi(s);
    return *std::max_element(e.values.begin(), e.values.end());
}

// The largest eigenvalue, its gap to the next one and the first component of
// its unit eigenvector.
struct Principal {
    double value, gap, firstComponent;
};
Principal principalOf(const Symmetric3& s) {
    const Eigen e = jacobi(s);
    int k = 0;
    for (int i = 1; i < 3; ++i)
        if (e.values[i] > e.values[k]) k = i;
    double next = -1e300;
    for (int i = 0; i < 3; ++i)
        if (i != k) next = std::max(next, e.values[i]);
    return {e.values[k], e.values[k] - next, e.vectors[0][k]};
}

double length(const Vector3& v) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// |S x - lambda x| / |x|.
double eigenResidual(const Symmetric3& s, const Vector3& x, double lambda) {
    const Vector3 sx{s[0] * x[0] + s[3] * x[1] + s[5] * x[2],
                     s[3] * x[0] + s[1] * x[1] + s[4] * x[2],
                     s[5] * x[0] + s[4] * x[1] + s[2] * x[2]};
    double r = 0, n = 0;
    for (int k = 0; k < 3; ++k) {
        r += (sx[k] - lambda * x[k]) * (sx[k] - lambda * x[k]);
        n += x[k] * x[k];
    }
    return std::sqrt(r / n);
}

// Q diag(values) Q^T for a random rotation Q.
Symmetric3 randomSymmetric(std::mt19937& random, std::array<double, 3> values) {
    std::normal_distribution<double> normal;
    Matrix3 q;
    for (auto& row : q)
        for (double& x : row)
            x = normal(random);
    for (int i = 0; i < 3; ++i) { // Gram-Schmidt on the rows
        for (int j = 0; j < i; ++j) {
            double d = 0;
            for (int k = 0; k < 3; ++k)
                d += q[i][k] * q[j][k];
            for (int k = 0; k < 3; ++k)
                q[i][k] -= d * q[j][k];
        }
        double l = 0;
        for (int k = 0; k < 3; ++k)
            l += q[i][k] * q[i][k];
        for (int k = 0; k < 3; ++k)
            q[i][k] /= std::sqrt(l);
    }
    Matrix3 m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                m[i][j] += values[k] * q[k][i] * q[k][j];
    return {m[0][0], m[1][1], m[2][2], m[0][1], m[1][2], m[0][2]};
}

double characteristicRoot(const Symmetric3& s) {
    const Symmetric3 adj = adjugate(s);
    return largestCubicRoot(-s[0] - s[1] - s[2], adj[0] + adj[1] + adj[2],
                            -(adj[0] * s[0]) - adj[3] * s[3] - adj[5] * s[5]);
}

Cluster8 cluster8(const std::vector<Sample8>& samples) {
    Cluster8 c;
    for (const Sample8& s : samples)
        c.add(s);
    c.updateStatistics();
    return c;
}

TEST(CubicRoot, MatchesJacobiOnRandomPositiveSemiDefiniteMatrices) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    for (int trial = 0; trial < 4000; ++trial) {
        const double scale = std::pow(10.0, 1 + trial % 9); // up to 8-bit and 16-bit scatters
        std::array<double, 3> values{uniform(random) * scale, uniform(random) * scale,
                                     uniform(random) * scale};
        switch (trial % 5) { // repeated, zero and all-equal eigenvalues as well
        case 1:
            values[1] = values[0];
            break;
        case 2:
            values[2] = 0.0;
            break;
        case 3:
            values[1] = values[2] = 0.0;
            break;
        case 4:
            values[1] = values[2] = values[0];
            break;
        default:
            break;
        }
        const Symmetric3 s = randomSymmetric(random, values);
        const double expected = largestEigenvalue(s);
        const double root = characteristicRoot(s);
        ASSERT_TRUE(std::isfinite(root)) << "trial " << trial;
        // A double root is determined to about the square root of the
        // rounding error, a triple root to about its cube root.
        const double tolerance = (trial % 5 == 4 ? 1e-4 : trial % 5 == 1 ? 1e-6 : 1e-7) * scale;
        ASSERT_NEAR(root, expected, tolerance) << "trial " << trial;

        // The axis is the eigenvector times its own first component and the
        // gaps to the other eigenvalues: an eigenvector where the largest
        // eigenvalue is simple, and zero up to rounding where it is repeated.
        const Vector3 axis = principalAxis(s, root);
        const Principal p = principalOf(s);
        if (p.gap > 1e-2 * scale && std::abs(p.firstComponent) > 1e-2) {
            ASSERT_GT(length(axis), 0.0) << "trial " << trial;
            ASSERT_LT(eigenResidual(s, axis, expected), 1e-5 * scale) << "trial " << trial;
        } else if (p.gap < 1e-9 * scale) {
            ASSERT_LT(length(axis), 1e-5 * scale * scale) << "trial " << trial;
        }
    }
}

// The largest root exactly as written, without the engine's two guards: the
// arc-cosine argument kept within [-1, 1], and the double root that rounding
// pushes into the one-real-root branch.
double writtenCubicRoot(double a, double b, double c) {
    const double q = (a * a - 3.0 * b) * (1.0 / 9.0);
    const double r = (2.0 * std::pow(a, 3.0) - 9.0 * a * b) * (1.0 / 54.0) + c * 0.5;
    const double d = r * r - std::pow(q, 3.0);
    const double third = 1.0 / 3.0;
    const auto cubeRoot = [&](double x) {
        return x >= 0 ? std::pow(x, third) : -std::pow(-x, third);
    };
    if (d >= 0.0) {
        const double s = cubeRoot(std::sqrt(d) - r) + cubeRoot(-r - std::sqrt(d));
        if (d > 0.0) return s - a * third;
        return std::max(s - a * third, -0.5 * s - a * third);
    }
    const double theta = std::acos(r / std::sqrt(std::pow(q, 3.0)));
    const double twoPi = 6.283185307179586, twoPiThirds = 2.0943951023931957;
    return -2.0 * std::sqrt(q) *
               std::min({std::cos(theta * third), std::cos((theta - twoPi) * third),
                         std::cos(theta * third + twoPiThirds)}) -
           a * third;
}

// Both guards act only where rounding meets a repeated eigenvalue: for
// scatters with distinct eigenvalues the root is the written one, bit for bit.
TEST(CubicRoot, GuardsChangeNothingForDistinctEigenvalues) {
    std::mt19937 random(17);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    int checked = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        const double scale = std::pow(10.0, 1 + trial % 9);
        std::array<double, 3> values{uniform(random), uniform(random), uniform(random)};
        std::sort(values.begin(), values.end());
        if (values[1] - values[0] < 1e-2 || values[2] - values[1] < 1e-2) continue;
        for (double& v : values)
            v *= scale;
        if (trial % 3 == 0) values[0] = 0.0; // singular scatters too
        const Symmetric3 s = randomSymmetric(random, values);
        const Symmetric3 adj = adjugate(s);
        const double a = -s[0] - s[1] - s[2], b = adj[1] + adj[0] + adj[2],
                     c = -(adj[0] * s[0]) - adj[3] * s[3] - adj[5] * s[5];
        ASSERT_EQ(largestCubicRoot(a, b, c), writtenCubicRoot(a, b, c)) << "trial " << trial;
        ++checked;
    }
    EXPECT_GT(checked, 3000);
}

TEST(CubicRoot, ZeroAndDiagonalCases) {
    EXPECT_EQ(largestCubicRoot(0, 0, 0), 0.0);
    // (x - 1)(x - 2)(x - 3)
    EXPECT_NEAR(largestCubicRoot(-6, 11, -6), 3.0, 1e-12);
    // (x - 5)^2 (x - 1): D is zero or nearly so
    EXPECT_NEAR(largestCubicRoot(-11, 35, -25), 5.0, 1e-6);
    // x^3 - 8, one real root
    EXPECT_NEAR(largestCubicRoot(0, 0, -8), 2.0, 1e-12);
}

TEST(ClusterStatistics, ClusterScatterMatchesJacobiForRandomSamples) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> channel(0, 255);
    for (int trial = 0; trial < 500; ++trial) {
        std::vector<Sample8> samples(2 + trial % 30);
        for (Sample8& s : samples)
            s = {static_cast<uint8_t>(channel(random)), static_cast<uint8_t>(channel(random)),
                 static_cast<uint8_t>(channel(random))};
        const Cluster8 c = cluster8(samples);
        const Symmetric3 s = c.scatter();
        const Principal p = principalOf(s);
        ASSERT_NEAR(c.spread(), p.value, 1e-7 * std::max(1.0, p.value));
        if (p.gap > 1e-3 * p.value && std::abs(p.firstComponent) > 1e-2) {
            ASSERT_LT(eigenResidual(s, c.axis(), p.value), 1e-6 * std::max(1.0, p.value));
        }
    }
}

TEST(ClusterStatistics, SixteenBitProductsAreExact) {
    Cluster16 bright;
    for (int k = 0; k < 4; ++k)
        bright.add({60000, 60000, 60000});
    bright.updateStatistics();
    for (double m : bright.secondMoments())
        EXPECT_EQ(m, 4.0 * 60000.0 * 60000.0);
    for (double s : bright.scatter())
        EXPECT_EQ(s, 0.0);
    EXPECT_EQ(bright.spread(), 0.0);

    Cluster16 mixed;
    const std::vector<Cluster16::Sample> samples{{65535, 1, 40000}, {65534, 65535, 3}};
    for (const auto& s : samples)
        mixed.add(s);
    mixed.updateStatistics();
    uint64_t m00 = 0, m11 = 0, m22 = 0, m01 = 0, m12 = 0, m20 = 0;
    for (const auto& s : samples) {
        const uint64_t c0 = s[0], c1 = s[1], c2 = s[2];
        m00 += c0 * c0, m11 += c1 * c1, m22 += c2 * c2;
        m01 += c0 * c1, m12 += c1 * c2, m20 += c2 * c0;
    }
    const Symmetric3 expected{double(m00), double(m11), double(m22),
                              double(m01), double(m12), double(m20)};
    EXPECT_EQ(mixed.secondMoments(), expected);
    EXPECT_EQ(mixed.sums(), (Vector3{131069.0, 65536.0, 40003.0}));
}

TEST(ClusterStatistics, EqualSamplesHaveNoSpreadAndNoAxis) {
    const Cluster8 c = cluster8({{7, 8, 9}, {7, 8, 9}, {7, 8, 9}, {7, 8, 9}});
    EXPECT_EQ(c.spread(), 0.0);
    EXPECT_EQ(c.axis(), (Vector3{0, 0, 0}));
}

TEST(ClusterStatistics, TwoSamplesAlongTheFirstChannel) {
    const Cluster8 c = cluster8({{10, 0, 0}, {20, 0, 0}});
    EXPECT_NEAR(c.spread(), 50.0, 1e-9);
    EXPECT_NE(c.axis()[0], 0.0);
    EXPECT_EQ(c.axis()[1], 0.0);
    EXPECT_EQ(c.axis()[2], 0.0);
}

struct SplitCase {
    const char* name;
    std::vector<Sample8> samples;
    double threshold;
    std::size_t moved; // samples in the new cluster; 0 when the split fails
};

TEST(ClusterSplit, Cases) {
    const std::vector<SplitCase> cases{
        {"equal samples", {{5, 5, 5}, {5, 5, 5}, {5, 5, 5}}, 0.0, 0},
        {"first channel, threshold below the gap", {{10, 0, 0}, {20, 0, 0}}, 9.99, 1},
        {"first channel, threshold at the gap", {{10, 0, 0}, {20, 0, 0}}, 10.0, 0},
        {"first channel, threshold above the gap", {{10, 0, 0}, {20, 0, 0}}, 50.0, 0},
        // The axis is the first column of the adjugate: a cluster spread only
        // along the second or third channel has no usable axis, every sample
        // projects like the mean, and the split fails for any threshold.
        {"second channel only", {{10, 10, 10}, {10, 20, 10}}, 0.0, 0},
        {"second channel only, threshold below the gap", {{10, 10, 10}, {10, 20, 10}}, 5.0, 0},
        {"third channel only", {{10, 10, 10}, {10, 10, 40}, {10, 10, 41}}, 0.0, 0},
        {"second and third channel", {{10, 0, 0}, {10, 90, 90}}, 1.0, 0},
        {"first channel joins in", {{10, 0, 0}, {11, 90, 90}}, 1.0, 1},
        {"two groups",
         {{0, 0, 0}, {1, 1, 0}, {200, 190, 180}, {0, 1, 1}, {201, 191, 181}},
         20.0,
         2},
    };
    for (const SplitCase& test : cases) {
        SCOPED_TRACE(test.name);
        Cluster8 c = cluster8(test.samples);
        const Cluster8 before = c;
        const Cluster8 part = c.split(test.threshold);
        EXPECT_EQ(part.size(), test.moved);
        if (test.moved == 0) {
            EXPECT_EQ(c.samples(), before.samples());
            EXPECT_EQ(c.secondMoments(), before.secondMoments());
            continue;
        }
        EXPECT_EQ(c.size() + part.size(), test.samples.size());
        // The remaining statistics, kept by subtraction, equal a recomputation.
        Cluster8 recomputed = c;
        recomputed.updateStatistics();
        EXPECT_EQ(c.sums(), recomputed.sums());
        EXPECT_EQ(c.secondMoments(), recomputed.secondMoments());
        EXPECT_DOUBLE_EQ(c.spread(), recomputed.spread());
    }
}

TEST(ClusterSplit, TwoGroupsSeparateCleanly) {
    Cluster8 c = cluster8({{0, 0, 0}, {1, 1, 0}, {200, 190, 180}, {0, 1, 1}, {201, 191, 181}});
    const Cluster8 part = c.split(20.0);
    const auto bright = [](const Sample8& s) { return s[0] >= 200; };
    ASSERT_EQ(part.size(), 2u);
    EXPECT_TRUE(std::all_of(part.samples().begin(), part.samples().end(), bright));
    EXPECT_TRUE(std::none_of(c.samples().begin(), c.samples().end(), bright));
}

TEST(ClusterSplit, ARepeatedLargestEigenvalueLeavesNoUsableAxis) {
    // Scatter diag(10000, 10000, 0) and an isotropic scatter: the spread is
    // the repeated eigenvalue and adj(S - spread I) vanishes.
    const Cluster8 square = cluster8({{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {100, 100, 0}});
    const Cluster8 star =
        cluster8({{0, 10, 10}, {20, 10, 10}, {10, 0, 10}, {10, 20, 10}, {10, 10, 0}, {10, 10, 20}});
    EXPECT_NEAR(square.spread(), 10000.0, 1e-6);
    EXPECT_NEAR(star.spread(), 200.0, 1e-6);
    EXPECT_LT(length(square.axis()), 1e-6 * 10000.0 * 10000.0);
    EXPECT_LT(length(star.axis()), 1e-6 * 200.0 * 200.0);
}

TEST(SplitClusters, AFailedFirstSplitLeavesOneCluster) {
    ClusterList<cbb8> list{cluster8({{10, 0, 0}, {20, 0, 0}})};
    splitClusters<cbb8>(list, 27, 10.0);
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].size(), 2u);
}

TEST(SplitClusters, NeverMoreThanTheLimitAndEverySampleKept) {
    std::mt19937 random(5);
    std::uniform_int_distribution<int> channel(0, 255);
    std::vector<Sample8> samples(2000);
    for (Sample8& s : samples)
        s = {static_cast<uint8_t>(channel(random)), static_cast<uint8_t>(channel(random)),
             static_cast<uint8_t>(channel(random))};
    for (std::size_t limit : {1u, 2u, 5u, 27u}) {
        ClusterList<cbb8> list{cluster8(samples)};
        splitClusters<cbb8>(list, limit, 1.0);
        EXPECT_EQ(list.size(), limit);
        std::size_t total = 0;
        for (const Cluster8& c : list)
            total += c.size();
        EXPECT_EQ(total, samples.size());
    }
}

TEST(SplitClusters, MostSpreadClusterTiesGoToTheEarlierCluster) {
    ClusterList<cbb8> list{cluster8({{0, 0, 0}, {10, 0, 0}}), cluster8({{0, 0, 0}, {0, 10, 0}}),
                           cluster8({{1, 1, 1}})};
    EXPECT_EQ(mostSpreadCluster<cbb8>(list), 0u);
    list.push_back(cluster8({{0, 0, 0}, {0, 0, 30}}));
    EXPECT_EQ(mostSpreadCluster<cbb8>(list), 3u);
    EXPECT_EQ(mostSpreadCluster<cbb8>(ClusterList<cbb8>(2)), 2u); // no samples at all
}

TEST(ClusterCompaction, Cases) {
    Cluster8 single = cluster8({{10, 20, 30}});
    single.compact(27, 1.0);
    EXPECT_EQ(single.samples(), (Cluster8::Samples{{10, 20, 30}}));

    Cluster8 apart = cluster8({{10, 10, 10}, {11, 11, 11}});
    apart.compact(27, std::sqrt(3.0) - 0.01);
    EXPECT_EQ(apart.samples(), (Cluster8::Samples{{10, 10, 10}, {11, 11, 11}}));

    Cluster8 merged = cluster8({{10, 10, 10}, {11, 11, 11}});
    merged.compact(27, std::sqrt(3.0) + 0.01);
    EXPECT_EQ(merged.samples(), (Cluster8::Samples{{10, 10, 10}})); // truncated mean 10.5
    EXPECT_EQ(merged.sums(), (Vector3{10, 10, 10}));
}

TEST(ClusterCompaction, BoundsTheColoursAndKeepsTheirRange) {
    std::mt19937 random(9);
    std::uniform_int_distribution<int> channel(0, 65535);
    Cluster16 c;
    for (int k = 0; k < 3000; ++k)
        c.add({static_cast<uint16_t>(channel(random)), static_cast<uint16_t>(channel(random)),
               65535});
    c.updateStatistics();
    c.compact(27, 2.5);
    EXPECT_EQ(c.size(), 27u);
    // A part's colour is its sums times 1/n, truncated: n x 65535 x (1/n) is
    // 65535 again for most part sizes and just below it for a few (49, 98,
    // 103, ...), never above full scale.
    for (const auto& s : c.samples())
        EXPECT_GE(s[2], 65534);
}

TEST(ClusterRepresentative, NearestSampleToTheMeanEarlierOnTies) {
    EXPECT_EQ(cluster8({{0, 0, 0}, {9, 9, 9}, {5, 5, 5}, {4, 4, 4}}).representative(),
              (Sample8{5, 5, 5})); // mean 4.5
    EXPECT_EQ(cluster8({{0, 0, 0}, {10, 0, 0}}).representative(), (Sample8{0, 0, 0}));
}

TEST(ColourPenalty, ZeroForOneSampleAndForSingularScatter) {
    const Cluster8 one = cluster8({{10, 20, 30}});
    EXPECT_EQ(one.colourPenalty({200, 0, 0}), 0.0);
    const Cluster8 line = cluster8({{0, 0, 0}, {10, 10, 10}, {20, 20, 20}, {40, 40, 40}});
    EXPECT_EQ(line.colourPenalty({200, 0, 0}), 0.0);
    const Cluster8 plane = cluster8({{0, 0, 5}, {10, 0, 5}, {0, 10, 5}, {10, 10, 5}});
    EXPECT_EQ(plane.colourPenalty({3, 4, 100}), 0.0);
}

TEST(ColourPenalty, IsMinusTheMahalanobisFormOfTheScatter) {
    std::mt19937 random(3);
    std::uniform_int_distribution<int> channel(0, 255);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<Sample8> samples(6);
        for (Sample8& s : samples)
            s = {static_cast<uint8_t>(channel(random)), static_cast<uint8_t>(channel(random)),
                 static_cast<uint8_t>(channel(random))};
        const Cluster8 c = cluster8(samples);
        const Eigen e = jacobi(c.scatter());
        if (*std::min_element(e.values.begin(), e.values.end()) < 1.0) continue;
        const Vector3 m = c.mean();
        EXPECT_NEAR(c.colourPenalty(m), 0.0, 1e-12);
        const Vector3 v{double(channel(random)), double(channel(random)), double(channel(random))};
        // -sum over eigenpairs of (d . v_k)^2 / lambda_k
        double expected = 0;
        for (int k = 0; k < 3; ++k) {
            double projection = 0;
            for (int r = 0; r < 3; ++r)
                projection += (v[r] - m[r]) * e.vectors[r][k];
            expected -= projection * projection / e.values[k];
        }
        EXPECT_NEAR(c.colourPenalty(v), expected, 1e-7 * std::max(1.0, -expected));
        EXPECT_LE(c.colourPenalty(v), 0.0);
    }
}

TEST(ColourPenalty, ShrinksAsTheClusterGrows) {
    const Cluster8 small = cluster8({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {0, 0, 10}});
    std::vector<Sample8> doubled{{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {0, 0, 10}};
    doubled.insert(doubled.end(), doubled.begin(), doubled.end());
    const Cluster8 large = cluster8(doubled);
    const Vector3 v{30, 30, 30};
    EXPECT_NEAR(large.colourPenalty(v), small.colourPenalty(v) * 0.5, 1e-9);
}

TEST(ColourPenalty, AnIndefiniteInverseNeverRewardsAColour) {
    // An inverse with a negative eigenvalue, as rounding can leave for a
    // nearly singular scatter.
    const PenaltyForm form({0, 0, 0}, {1.0, -1e6, 1.0, 0.0, 0.0, 0.0});
    EXPECT_EQ(form({0, 1, 0}), 0.0);
    EXPECT_EQ(form({1, 0, 0}), -1.0);
    EXPECT_EQ(PenaltyForm()({1, 2, 3}), 0.0);
}

TEST(InvertScatter, InverseOrZero) {
    const Symmetric3 s{4, 5, 6, 1, 2, 0.5};
    const Symmetric3 m = invertScatter(s);
    // S M = I
    const Matrix3 a{{{s[0], s[3], s[5]}, {s[3], s[1], s[4]}, {s[5], s[4], s[2]}}};
    const Matrix3 b{{{m[0], m[3], m[5]}, {m[3], m[1], m[4]}, {m[5], m[4], m[2]}}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double p = 0;
            for (int k = 0; k < 3; ++k)
                p += a[i][k] * b[k][j];
            EXPECT_NEAR(p, i == j ? 1.0 : 0.0, 1e-12);
        }
    EXPECT_EQ(invertScatter({1e-2, 1e-2, 1e-2, 0, 0, 0}), (Symmetric3{})); // det 1e-6
}

} // namespace
