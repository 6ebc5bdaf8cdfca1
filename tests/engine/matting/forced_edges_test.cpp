// The forced-edge pass over the three sample kinds: the ramp across a straight
// edge, edges without a side, joins, end caps, translucent source pixels,
// unusable edges and overlapping edges; and the pass against a brute-force
// reference on random polylines: the reference visits every pixel of the work
// box and tries every segment, join and cap in the pass's order, so boxes
// clipped at the work box border, the column ranges of the segment bands and
// the touched list must lose or add nothing.
#include "forced_edge_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace forced_edge_test {
namespace {

// A 12 x 10 status image at 4 output pixels per status pixel: a 48 x 40 output.
// With feather width 4 the reach is min(max(2 x 4, 4), 16) = 8.
constexpr int kRows = 48, kColumns = 40;
constexpr float kScale = 4.0f, kWidth = 4.0f;
const Box kOutputBox(0, 0, kRows - 1, kColumns - 1);

template <class Kind> class ForcedEdgePass : public ::testing::Test {
protected:
    using Sample = typename Kind::Sample;
    static constexpr int M = Kind::fullScale;

    ForcedEdgePass() {
        source.reference(pixelsOver<Sample>(kOutputBox, Colour<Sample>(0, 0, 0, 0)));
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c)
                source(r, c) = Colour<Sample>((r * 3 + c) % 200 + 40, (c * 7) % 200 + 30, 100, M);
        output.reference(pixelsOver<Sample>(kOutputBox, Colour<Sample>(7, 8, 9, M / 3)));
        initial.reference(copyOf(output));
    }

    int run(const ByteArray& status, const std::vector<MaskForcedEdge>& edges) {
        return Kind::apply(output, source, status, EdgeScale(kScale, kScale), edgesOf(edges));
    }

    bool untouched(int r, int c) const {
        for (int k = 0; k < 4; ++k)
            if (output(r, c)[k] != initial(r, c)[k]) return false;
        return true;
    }
    bool hasSourceColour(int r, int c) const {
        return output(r, c)[0] == source(r, c)[0] && output(r, c)[1] == source(r, c)[1] &&
               output(r, c)[2] == source(r, c)[2];
    }

    Pixels<Sample> source, output, initial;
};

using Kinds = ::testing::Types<Kind8, Kind16, Kind15>;
TYPED_TEST_SUITE(ForcedEdgePass, Kinds);

ByteArray keepAbove() {
    return statusOf(12, 10, [](int r, int) { return r < 6 ? kKeep : kDelete; });
}
ByteArray keepBelow() {
    return statusOf(12, 10, [](int r, int) { return r < 6 ? kDelete : kKeep; });
}

// A horizontal edge through the pixel centres of row 24, crossing the whole
// output so that its ends fall outside. Drawn either way and with keep on
// either side, every row gets the ramp of its signed distance to the line.
TYPED_TEST(ForcedEdgePass, StraightEdgeFollowsTheSmoothstepAcrossTheLine) {
    struct Case {
        bool keepIsAbove;
        bool leftToRight;
    };
    for (const Case& k :
         {Case{true, true}, Case{true, false}, Case{false, true}, Case{false, false}}) {
        SCOPED_TRACE(::testing::Message()
                     << "keep above " << k.keepIsAbove << ", left to right " << k.leftToRight);
        this->output.reference(copyOf(this->initial));
        const MaskForcedEdge edge = k.leftToRight ? edgeOf(kWidth, {{24.5f, -10}, {24.5f, 50}})
                                                  : edgeOf(kWidth, {{24.5f, 50}, {24.5f, -10}});
        ASSERT_EQ(this->run(k.keepIsAbove ? keepAbove() : keepBelow(), {edge}), 0);

        const int* ramp = TypeParam::ramp;
        // Distance towards the keep side, in output pixels, to expected alpha
        // (-1: the pixel is beyond the reach and keeps its output).
        const std::vector<std::pair<int, int>> expected = {
            {0, ramp[2]}, {2, ramp[3]},  {-2, ramp[1]}, {4, ramp[4]}, {-4, ramp[0]},
            {7, ramp[4]}, {-7, ramp[0]}, {9, -1},       {-9, -1},     {12, -1}};
        for (const auto& [keepDistance, alpha] : expected) {
            const int row = k.keepIsAbove ? 24 - keepDistance : 24 + keepDistance;
            for (int c = 0; c < kColumns; ++c) {
                SCOPED_TRACE(::testing::Message() << "row " << row << " column " << c);
                if (alpha < 0) {
                    EXPECT_TRUE(this->untouched(row, c));
                } else {
                    EXPECT_EQ(this->output(row, c)[3], alpha);
                    EXPECT_TRUE(this->hasSourceColour(row, c));
                }
            }
        }
    }
}

// Probes that meet neither keep nor delete (or the same class on both sides)
// until they leave the status image find no side: the edge does nothing.
TYPED_TEST(ForcedEdgePass, EdgeWithoutASideChangesNothingAndResultIsOne) {
    const std::vector<std::pair<const char*, ByteArray>> statuses = {
        {"unassigned", statusOf(12, 10, [](int, int) { return kUnassigned; })},
        {"blend and no class",
         statusOf(12, 10, [](int r, int) -> unsigned char { return r % 2 ? 8 : 0; })}};
    for (const auto& [name, status] : statuses) {
        SCOPED_TRACE(name);
        EXPECT_EQ(this->run(status, {edgeOf(kWidth, {{24.5f, 2}, {24.5f, 30}})}), 1);
        EXPECT_TRUE(samePixels(this->output, this->initial));
    }
    EXPECT_EQ(this->run(keepAbove(), {}), 1);
    EXPECT_TRUE(samePixels(this->output, this->initial));
}

// An edge that runs right and then turns down at V = (24.5, 20.5): the outer
// corner (up and right of V), which neither segment's band reaches, is filled
// by the join with keep-side values growing with the distance from V.
TYPED_TEST(ForcedEdgePass, TurningVertexFillsItsOuterCorner) {
    const ByteArray status =
        statusOf(12, 10, [](int r, int c) { return r < 6 || c >= 5 ? kKeep : kDelete; });
    ASSERT_EQ(this->run(status, {edgeOf(kWidth, {{24.5f, -10}, {24.5f, 20.5f}, {60, 20.5f}})}), 0);

    const float reach = 8.0f;
    int filled = 0;
    for (int r = 10; r < 24; ++r) {
        for (int c = 21; c < 36; ++c) {
            // Pixel centres up and right of V: beyond both segments.
            const float dr = r + 0.5f - 24.5f, dc = c + 0.5f - 20.5f;
            const float dist = std::sqrt(dr * dr + dc * dc);
            SCOPED_TRACE(::testing::Message() << "row " << r << " column " << c);
            if (dist >= reach) {
                EXPECT_TRUE(this->untouched(r, c));
                continue;
            }
            ++filled;
            EXPECT_TRUE(this->hasSourceColour(r, c));
            if (dist >= kWidth)
                EXPECT_EQ(this->output(r, c)[3], TypeParam::fullScale);
            else
                EXPECT_GT(this->output(r, c)[3], TypeParam::ramp[2]);
            // Further from V along the diagonal never lowers the alpha.
            const float further = std::sqrt((dr - 1) * (dr - 1) + (dc + 1) * (dc + 1));
            if (further < reach) {
                EXPECT_GE(this->output(r - 1, c + 1)[3], this->output(r, c)[3]);
            }
        }
    }
    EXPECT_GT(filled, 30);
}

// A middle vertex on a straight line adds nothing.
TYPED_TEST(ForcedEdgePass, VertexWithoutATurnAddsNothing) {
    ASSERT_EQ(this->run(keepAbove(), {edgeOf(kWidth, {{24.5f, -10}, {24.5f, 50}})}), 0);
    const Pixels<typename TypeParam::Sample> straight = copyOf(this->output);
    this->output.reference(copyOf(this->initial));
    ASSERT_EQ(this->run(keepAbove(), {edgeOf(kWidth, {{24.5f, -10}, {24.5f, 20}, {24.5f, 50}})}),
              0);
    EXPECT_TRUE(samePixels(this->output, straight));
}

// An edge that ends at column 20.5 inside the image: one feather width beyond
// its end the cap blends the edge's pixel into what the output already held,
// fully at the end point and linearly less up to one width further.
TYPED_TEST(ForcedEdgePass, OpenEndFadesOverOneFeatherWidth) {
    using Sample = typename TypeParam::Sample;
    const int M = TypeParam::fullScale;
    this->output.reference(pixelsOver<Sample>(kOutputBox, Colour<Sample>(10, 20, 30, 0)));
    this->initial.reference(copyOf(this->output));
    this->source.reference(pixelsOver<Sample>(kOutputBox, Colour<Sample>(200, 100, 50, M)));
    ASSERT_EQ(this->run(keepAbove(), {edgeOf(kWidth, {{24.5f, -10}, {24.5f, 20.5f}})}), 0);

    // Row 20 lies one feather width on the keep side (cap alpha M), row 24 on
    // the line (cap alpha at half). Column 20 + 4a is a feather widths beyond
    // the end.
    for (const float a : {0.25f, 0.5f, 0.75f}) {
        const int c = 20 + static_cast<int>(a * 4);
        SCOPED_TRACE(::testing::Message() << "a = " << a);
        const Colour<Sample> keepSide = this->output(20, c);
        EXPECT_EQ(keepSide[3], static_cast<int>((1 - a) * M));
        EXPECT_EQ(keepSide[0], static_cast<int>((1 - a) * 200 + a * 10));
        EXPECT_EQ(keepSide[1], static_cast<int>((1 - a) * 100 + a * 20));
        EXPECT_EQ(keepSide[2], static_cast<int>((1 - a) * 50 + a * 30));
        EXPECT_EQ(this->output(24, c)[3], static_cast<int>((1 - a) * TypeParam::ramp[2]));
    }
    // At the end point the cap gives the edge's own pixel; one width beyond, nothing.
    EXPECT_EQ(this->output(20, 20)[3], M);
    for (int r = 10; r < 40; ++r) {
        EXPECT_TRUE(this->untouched(r, 24)) << "row " << r;
        EXPECT_TRUE(this->untouched(r, 30)) << "row " << r;
    }
    // Beyond the reach across the line the cap does nothing either.
    EXPECT_TRUE(this->untouched(15, 22));
    EXPECT_TRUE(this->untouched(33, 22));
}

// Only fully opaque source pixels are ever changed, by the field or by a cap;
// an alpha above full scale counts as opaque.
TYPED_TEST(ForcedEdgePass, TranslucentSourcePixelIsUntouched) {
    using Sample = typename TypeParam::Sample;
    const int M = TypeParam::fullScale;
    this->source(22, 5)[3] = static_cast<Sample>(M - 1);  // in the band
    this->source(20, 22)[3] = static_cast<Sample>(M - 1); // in the cap
    this->source(26, 8)[3] = 0;
    this->source(22, 6)[3] = std::numeric_limits<Sample>::max();
    ASSERT_EQ(this->run(keepAbove(), {edgeOf(kWidth, {{24.5f, -10}, {24.5f, 20.5f}})}), 0);

    EXPECT_TRUE(this->untouched(22, 5));
    EXPECT_TRUE(this->untouched(20, 22));
    EXPECT_TRUE(this->untouched(26, 8));
    EXPECT_EQ(this->output(22, 6)[3], TypeParam::ramp[3]);
    EXPECT_EQ(this->output(22, 4)[3], TypeParam::ramp[3]);
    EXPECT_FALSE(this->untouched(20, 21));
}

// Edges the pass cannot draw are left out, and alone they leave the result 1:
// a feather width of 0 has no reach, a negative or NaN width none either, and
// points that are not finite have no place. A good edge beside them still works.
TYPED_TEST(ForcedEdgePass, UnusableEdgesAreLeftOut) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const MaskForcedEdge good = edgeOf(kWidth, {{24.5f, -10}, {24.5f, 50}});
    const std::vector<std::pair<const char*, MaskForcedEdge>> bad = {
        {"width 0", edgeOf(0.0f, {{24.5f, -10}, {24.5f, 50}})},
        {"negative width", edgeOf(-2.0f, {{24.5f, -10}, {24.5f, 50}})},
        {"NaN width", edgeOf(nan, {{24.5f, -10}, {24.5f, 50}})},
        {"NaN point", edgeOf(kWidth, {{24.5f, -10}, {nan, 20}, {24.5f, 50}})},
        {"infinite point", edgeOf(kWidth, {{24.5f, -10}, {24.5f, inf}})},
        {"one point", edgeOf(kWidth, {{24.5f, 10}})},
    };
    ASSERT_EQ(this->run(keepAbove(), {good}), 0);
    const Pixels<typename TypeParam::Sample> goodAlone = copyOf(this->output);
    for (const auto& [name, edge] : bad) {
        SCOPED_TRACE(name);
        this->output.reference(copyOf(this->initial));
        EXPECT_EQ(this->run(keepAbove(), {edge}), 1);
        EXPECT_TRUE(samePixels(this->output, this->initial));
        EXPECT_EQ(this->run(keepAbove(), {edge, good}), 0);
        EXPECT_TRUE(samePixels(this->output, goodAlone));
    }
}

// Two parallel edges, at rows 24.5 and 30.5, both with keep above: a pixel
// takes the value of the nearer edge, and of the first edge on a tie.
TYPED_TEST(ForcedEdgePass, NearerEdgeDecidesAndTheFirstWinsATie) {
    const MaskForcedEdge upper = edgeOf(kWidth, {{24.5f, -10}, {24.5f, 50}});
    const MaskForcedEdge lower = edgeOf(kWidth, {{30.5f, -10}, {30.5f, 50}});
    const int* ramp = TypeParam::ramp;

    ASSERT_EQ(this->run(keepAbove(), {upper, lower}), 0);
    EXPECT_EQ(this->output(26, 12)[3], ramp[1]); // 2 below the upper edge, 4 above the lower
    EXPECT_EQ(this->output(28, 12)[3], ramp[3]); // 4 below the upper edge, 2 above the lower
    const int tieUpperFirst = this->output(27, 12)[3];

    this->output.reference(copyOf(this->initial));
    ASSERT_EQ(this->run(keepAbove(), {lower, upper}), 0);
    EXPECT_EQ(this->output(26, 12)[3], ramp[1]);
    EXPECT_EQ(this->output(28, 12)[3], ramp[3]);
    const int tieLowerFirst = this->output(27, 12)[3];

    // Three pixels from both: 3/4 width on the delete side of the upper edge,
    // on the keep side of the lower one.
    EXPECT_LT(tieUpperFirst, ramp[1]);
    EXPECT_GT(tieLowerFirst, ramp[3]);
}

// The end cap alone, called directly: nothing happens without a width or a
// segment.
TYPED_TEST(ForcedEdgePass, CapWithoutWidthOrLengthDoesNothing) {
    TypeParam::cap(1, 0.0f, 8.0f, EdgePoint(24.5f, 0), EdgePoint(24.5f, 20), this->output,
                   this->source, 1.0f);
    TypeParam::cap(1, kWidth, 8.0f, EdgePoint(24.5f, 20), EdgePoint(24.5f, 20), this->output,
                   this->source, 1.0f);
    EXPECT_TRUE(samePixels(this->output, this->initial));
}

} // namespace
} // namespace forced_edge_test

namespace forced_edge_test {
namespace {

// A work box away from the image corner, as a rectangle run has it, with edges
// that reach far beyond it: everything drawn stays inside the box.
TEST(ForcedEdgePassBorder, FarPointsAndWideEdgesStayInsideTheWorkBox) {
    using C = Colour<unsigned char>;
    const Box work(20, 16, 35, 31);
    Pixels<unsigned char> source = pixelsOver<unsigned char>(work, C(90, 80, 70, 255));
    const ByteArray status = keepAbove();
    const struct {
        const char* name;
        MaskForcedEdge edge;
        int alpha; // of every pixel of the box, -1 when not checked
    } cases[] = {
        // A line far wider than the image: every pixel lies on it.
        {"huge width", edgeOf(1e6f, {{24.5f, -1e7f}, {24.5f, 1e7f}}), 127},
        {"far ends", edgeOf(kWidth, {{24.5f, -3e9f}, {24.5f, 3e9f}}), -1},
        {"far corner", edgeOf(kWidth, {{24.5f, 0}, {24.5f, 24}, {1e20f, 24}}), -1},
        {"beside the box", edgeOf(kWidth, {{24.5f, -40}, {24.5f, 10}}), -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Pixels<unsigned char> output = pixelsOver<unsigned char>(work, C(1, 2, 3, 4));
        Kind8::apply(output, source, status, EdgeScale(kScale, kScale), edgesOf({c.edge}));
        if (c.alpha < 0) continue;
        for (int r = work.lower.row; r <= work.upper.row; ++r)
            for (int col = work.lower.column; col <= work.upper.column; ++col)
                EXPECT_EQ(output(r, col)[3], c.alpha) << r << "," << col;
    }
}

} // namespace
} // namespace forced_edge_test

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
using ReferenceKinds = ::testing::Types<Kind8, Kind15>;
TYPED_TEST_SUITE(ForcedEdgeReference, ReferenceKinds);

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
