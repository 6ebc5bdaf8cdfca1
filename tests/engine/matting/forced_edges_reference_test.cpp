// The pass against a brute-force reference on random polylines: the reference
// visits every pixel of the work box and tries every segment, join and cap in
// the pass's order, so boxes clipped at the work box border, the column ranges
// of the segment bands and the touched list must lose or add nothing.
#include "forced_edge_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace forced_edge_test {
namespace {

using orsine::matting::edgeReach;
using orsine::matting::findEdgeSide;

struct RefEdge {
    int side;
    float w, r;
    std::vector<EdgePoint> p;
    bool closed;
};

float lengthOf(EdgePoint d) {
    return static_cast<float>(std::sqrt(double(d[0] * d[0]) + double(d[1] * d[1])));
}

// The nearest field value at pixel (i, j), or -32768 for none.
int32_t referenceField(int i, int j, const std::vector<RefEdge>& edges) {
    int32_t best = -32768;
    const auto offer = [&](int32_t v) {
        if (std::abs(v) < std::abs(best)) best = v;
    };
    const auto join = [&](const RefEdge& e, EdgePoint a, EdgePoint v, EdgePoint z) {
        const EdgePoint e1 = v - a, e2 = z - v;
        const float cross = e1[0] * e2[1] - e2[0] * e1[1];
        if (cross == 0.0f) return;
        const int sign = cross > 0.0f ? -e.side : e.side;
        const float dr = i + 0.5f - v[0], dc = j + 0.5f - v[1];
        const float dist = std::sqrt(dr * dr + dc * dc);
        if (dist < e.r)
            offer(sign *
                  static_cast<int32_t>(std::floor(std::min(dist / e.w, 4.0f) * 8192 + 0.5f)));
    };
    for (const RefEdge& e : edges) {
        const size_t n = e.p.size();
        for (size_t s = 0; s + 1 < n; ++s) {
            const EdgePoint p = e.p[s], q = e.p[s + 1];
            const float length = lengthOf(q - p);
            if (length == 0.0f) continue;
            const float inverse = 1.0f / length;
            const EdgePoint u((q[0] - p[0]) * inverse, (q[1] - p[1]) * inverse);
            const EdgePoint m(e.side * -u[1], e.side * u[0]);
            const float vr = i + 0.5f - p[0], vc = j + 0.5f - p[1];
            const float t = u[0] * vr + u[1] * vc;
            if (t < 0.0f || t > length) continue;
            const float d = m[0] * vr + m[1] * vc;
            if (!(std::abs(d) < e.r)) continue;
            offer(static_cast<int32_t>(
                std::floor(std::clamp(d / e.w, -4.0f, 4.0f) * 8192.0f + 0.5f)));
        }
        for (size_t k = 1; k + 1 < n; ++k)
            join(e, e.p[k - 1], e.p[k], e.p[k + 1]);
        if (e.closed && n > 2) join(e, e.p[n - 2], e.p[n - 1], e.p[1]);
    }
    return best;
}

template <class Kind>
void referenceCap(int sign, const RefEdge& e, EdgePoint n, EdgePoint end, int i, int j,
                  const Colour<typename Kind::Sample>& source, Colour<typename Kind::Sample>& out,
                  float capFactor) {
    using Sample = typename Kind::Sample;
    const float length = lengthOf(end - n);
    const float inverse = 1.0f / length;
    const EdgePoint dir((end[0] - n[0]) * inverse, (end[1] - n[1]) * inverse);
    const EdgePoint m(sign * -dir[1], sign * dir[0]);
    const float vr = i + 0.5f - end[0], vc = j + 0.5f - end[1];
    const float a = (vr * dir[0] + vc * dir[1]) / e.w;
    if (!(a >= 0.0f && a < 1.0f)) return;
    const float d = vr * m[0] + vc * m[1];
    if (!(std::abs(d) < e.r)) return;
    if (!(float(source[3]) >= float(Kind::fullScale))) return;
    const float t = std::clamp((d / e.w + 1.0f) * 0.5f, 0.0f, 1.0f);
    Colour<Sample> s = source;
    s[3] = static_cast<Sample>((3.0f - 2.0f * t) * (t * capFactor * t));
    for (int c = 0; c < 4; ++c)
        out[c] = static_cast<Sample>(float(s[c]) * (1.0f - a) + float(out[c]) * a);
}

struct Factors {
    float field, cap;
};
Factors factorsOf(int fullScale) {
    if (fullScale == 255) return {255.999f, 255.9999f};
    if (fullScale == 65535) return {65535.988f, 65535.988f};
    return {32768.988f, 32768.988f};
}

template <class Kind> class ForcedEdgeReference : public ::testing::Test {};
using Kinds = ::testing::Types<Kind8, Kind15>;
TYPED_TEST_SUITE(ForcedEdgeReference, Kinds);

TYPED_TEST(ForcedEdgeReference, RandomPolylinesMatchPixelByPixel) {
    using Sample = typename TypeParam::Sample;
    const int M = TypeParam::fullScale;
    const Factors factors = factorsOf(M);
    std::mt19937 rng(20240611);
    const auto uniform = [&](float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(rng);
    };
    const auto chance = [&](double p) { return std::bernoulli_distribution(p)(rng); };

    // The work box of a rectangle run inside a 51 x 61 output, status at
    // half resolution over the whole image.
    const Box work(5, 7, 40, 51);
    const EdgeScale scale(2, 2);
    int applied = 0;
    for (int trial = 0; trial < 150; ++trial) {
        SCOPED_TRACE(::testing::Message() << "trial " << trial);
        const float a = uniform(-1, 1), b = uniform(-1, 1), c0 = uniform(-12, 12);
        const ByteArray status = statusOf(26, 31, [&](int r, int c) -> unsigned char {
            if (chance(0.1)) return kUnassigned;
            return a * (r - 13) + b * (c - 15) + c0 > 0 ? kKeep : kDelete;
        });

        Pixels<Sample> source = pixelsOver<Sample>(work, Colour<Sample>(0, 0, 0, 0));
        Pixels<Sample> output = pixelsOver<Sample>(work, Colour<Sample>(0, 0, 0, 0));
        std::uniform_int_distribution<int> sample(0, M);
        for (int r = work.lower.row; r <= work.upper.row; ++r)
            for (int c = work.lower.column; c <= work.upper.column; ++c) {
                const Sample alpha = static_cast<Sample>(chance(0.85) ? M : sample(rng));
                source(r, c) = Colour<Sample>(sample(rng), sample(rng), sample(rng), alpha);
                output(r, c) = Colour<Sample>(sample(rng), sample(rng), sample(rng), sample(rng));
            }

        std::vector<MaskForcedEdge> edges;
        std::vector<RefEdge> reference;
        const int count = 1 + trial % 3;
        for (int e = 0; e < count; ++e) {
            const int n = 2 + static_cast<int>(rng() % 5);
            std::vector<EdgePoint> points;
            for (int k = 0; k < n; ++k)
                points.emplace_back(uniform(-6, 56), uniform(-6, 66));
            const bool closed = n > 2 && chance(0.3);
            if (closed) points.push_back(points.front());
            const float w = std::vector<float>{0.6f, 1.5f, 3.0f, 5.5f}[rng() % 4];
            MaskForcedEdge edge;
            edge.featherWidth = w;
            edge.points.resize(static_cast<int>(points.size()));
            for (size_t k = 0; k < points.size(); ++k)
                edge.points(static_cast<int>(k)) = points[k];
            edges.push_back(edge);
            const int side = findEdgeSide(edge, status, scale);
            if (side != 0) reference.push_back({side, w, edgeReach(w, scale[0]), points, closed});
        }

        // Reference: field, then caps in edge order, pixel by pixel.
        Pixels<Sample> expected = copyOf(output);
        for (int i = work.lower.row; i <= work.upper.row; ++i) {
            for (int j = work.lower.column; j <= work.upper.column; ++j) {
                const Colour<Sample>& s = source(i, j);
                Colour<Sample>& o = expected(i, j);
                const int32_t value = referenceField(i, j, reference);
                if (value != -32768 && s[3] >= M) {
                    o[0] = s[0];
                    o[1] = s[1];
                    o[2] = s[2];
                    const float t = std::clamp(value / 16384.0f + 0.5f, 0.0f, 1.0f);
                    o[3] = static_cast<Sample>((3.0f - 2.0f * t) * (t * factors.field * t));
                }
                for (const RefEdge& e : reference) {
                    if (e.closed) continue;
                    const size_t n = e.p.size();
                    referenceCap<TypeParam>(-e.side, e, e.p[1], e.p[0], i, j, s, o, factors.cap);
                    referenceCap<TypeParam>(e.side, e, e.p[n - 2], e.p[n - 1], i, j, s, o,
                                            factors.cap);
                }
            }
        }

        const int result = TypeParam::apply(output, source, status, scale, edgesOf(edges));
        EXPECT_EQ(result, reference.empty() ? 1 : 0);
        applied += reference.empty() ? 0 : 1;
        ASSERT_TRUE(samePixels(output, expected));
    }
    EXPECT_GT(applied, 100);
}

} // namespace
} // namespace forced_edge_test
