#include "matting/forced_edge_field.h"

#include "core/status_bits.h"

#include <algorithm>
#include <cmath>

namespace orsine::matting {

using classification::Box;
using classification::kDelete;
using classification::kKeep;

namespace {

// Far beyond any image, yet safe to add a grown margin to in 32 bits.
constexpr double kCoordinateLimit = 1 << 29;

int clampedIndex(double v) {
    if (std::isnan(v)) return static_cast<int>(-kCoordinateLimit);
    return static_cast<int>(std::clamp(v, -kCoordinateLimit, kCoordinateLimit));
}

// trunc(x) toward zero as an index; NaN and huge values land outside any image.
int truncatedIndex(float x) {
    return clampedIndex(std::trunc(static_cast<double>(x)));
}

// The length of d: single-precision squares summed and rooted in double.
double lengthOf(EdgePoint d) {
    const float rr = d[0] * d[0], cc = d[1] * d[1];
    return std::sqrt(static_cast<double>(rr) + static_cast<double>(cc));
}

// The field value of a signed distance d: floor(clamp(d / w, -4, 4) x 8192 + 0.5).
int32_t fieldValue(float d, float featherWidth) {
    const float q = std::clamp(d / featherWidth, -4.0f, 4.0f);
    return static_cast<int32_t>(std::floor(q * kFieldUnitsPerWidth + 0.5f));
}

bool isKeep(unsigned char s) {
    return (s & kKeep) != 0;
}
bool isDelete(unsigned char s) {
    return (s & kDelete) != 0;
}

} // namespace

float edgeReach(float featherWidth, float rowScale) {
    return std::min(std::max(2.0f * rowScale, featherWidth), 4.0f * featherWidth);
}

bool isDrawableEdge(const MaskForcedEdge& edge) {
    if (!(std::isfinite(edge.featherWidth) && edge.featherWidth > 0.0f)) return false;
    if (edge.points.size() < 2) return false;
    for (int k = edge.points.lbound(0); k <= edge.points.ubound(0); ++k)
        if (!std::isfinite(edge.points(k)[0]) || !std::isfinite(edge.points(k)[1])) return false;
    return true;
}

Box reachBox(EdgePoint a, EdgePoint b, float reach, const Box& clip) {
    if (std::isnan(a[0]) || std::isnan(a[1]) || std::isnan(b[0]) || std::isnan(b[1]) ||
        std::isnan(reach))
        return Box::empty();
    const double grow = std::ceil(static_cast<double>(reach));
    const auto lower = [&](float x, float y) {
        return clampedIndex(std::min(std::trunc(double(x)), std::trunc(double(y))) - grow);
    };
    const auto upper = [&](float x, float y) {
        return clampedIndex(std::max(std::trunc(double(x)), std::trunc(double(y))) + grow);
    };
    const Box spanned(lower(a[0], b[0]), lower(a[1], b[1]), upper(a[0], b[0]), upper(a[1], b[1]));
    return Box::intersection(spanned, clip);
}

int findEdgeSide(const MaskForcedEdge& edge, const classification::ByteArray& status,
                 EdgeScale scale) {
    const blitz::Array<EdgePoint, 1>& pts = edge.points;
    if (pts.size() < 2 || status.size() == 0) return 0;

    // The longest segment; the first of equal lengths wins.
    const int first = pts.lbound(0);
    int longest = first + 1;
    float longestSquare = -1.0f;
    for (int k = first + 1; k <= pts.ubound(0); ++k) {
        const EdgePoint d = pts(k) - pts(k - 1);
        const float rr = d[0] * d[0], cc = d[1] * d[1];
        const float square = static_cast<float>(static_cast<double>(rr) + static_cast<double>(cc));
        if (square > longestSquare) {
            longestSquare = square;
            longest = k;
        }
    }

    // Its midpoint and unit left normal in status coordinates.
    const EdgePoint a(pts(longest - 1)[0] / scale[0], pts(longest - 1)[1] / scale[1]);
    const EdgePoint b(pts(longest)[0] / scale[0], pts(longest)[1] / scale[1]);
    if (a[0] == b[0] && a[1] == b[1]) return 0;
    const EdgePoint mid((a[0] + b[0]) * 0.5f, (a[1] + b[1]) * 0.5f);
    const EdgePoint d = b - a;
    const double length = lengthOf(d);
    if (!(length > 0.0) || !std::isfinite(length)) return 0;
    const double inverse = 1.0 / length;
    const EdgePoint normal(static_cast<float>(-d[1] * inverse), static_cast<float>(d[0] * inverse));

    const Box box = classification::boxOf(status);
    // Probes leave any image long before o stops growing in single precision.
    for (float o = 1.5f; o < 16777216.0f; o += 1.0f) {
        const classification::Point p1(truncatedIndex(mid[0] + o * normal[0]),
                                       truncatedIndex(mid[1] + o * normal[1]));
        const classification::Point p2(truncatedIndex(mid[0] - o * normal[0]),
                                       truncatedIndex(mid[1] - o * normal[1]));
        const bool in1 = box.contains(p1), in2 = box.contains(p2);
        if (in1 && in2) {
            const unsigned char s1 = status(p1.row, p1.column), s2 = status(p2.row, p2.column);
            if (isKeep(s1) && !isKeep(s2)) return 1;
            if (isDelete(s1) && !isDelete(s2)) return -1;
            if (!isKeep(s1) && isKeep(s2)) return -1;
            if (!isDelete(s1) && isDelete(s2)) return 1;
        } else if (in1) {
            const unsigned char s1 = status(p1.row, p1.column);
            if (isKeep(s1)) return 1;
            if (isDelete(s1)) return -1;
        } else if (in2) {
            const unsigned char s2 = status(p2.row, p2.column);
            if (isKeep(s2)) return -1;
            if (isDelete(s2)) return 1;
        } else {
            return 0;
        }
    }
    return 0;
}

void rasteriseEdgeSegment(int side, float featherWidth, float reach, EdgePoint p, EdgePoint q,
                          EdgeField& field, TouchedList& touched) {
    if (field.size() == 0) return;
    const Box box = reachBox(p, q, reach, classification::boxOf(field));
    if (box.isEmpty()) return;
    const float length = static_cast<float>(lengthOf(q - p));
    if (length == 0.0f) return;
    const float inverse = 1.0f / length;
    const EdgePoint u((q[0] - p[0]) * inverse, (q[1] - p[1]) * inverse);
    const EdgePoint m(static_cast<float>(side) * -u[1], static_cast<float>(side) * u[0]);

    const std::ptrdiff_t stride = field.stride(0), columnStride = field.stride(1);
    int16_t* const origin = &field(field.lbound(0), field.lbound(1));
    const double pc = p[1];
    const double farColumn =
        std::max(std::abs(box.lower.column + 0.5 - pc), std::abs(box.upper.column + 0.5 - pc));

    for (int i = box.lower.row; i <= box.upper.row; ++i) {
        const float vr = (static_cast<float>(i) + 0.5f) - p[0];
        // The columns where 0 <= t <= L and |d| < reach, found in double along the
        // axis where the line crosses rows steeply enough to bound them; a margin
        // covers the rounding of the single-precision test that decides.
        double lo = box.lower.column, hi = box.upper.column;
        const double margin = 2.0 + 1e-6 * (std::abs(double(vr)) + farColumn);
        const auto narrowTo = [&](double a, double b, double from, double to) {
            // a x vr + b x vc within [from, to], b not small.
            double c0 = (from - a * vr) / b, c1 = (to - a * vr) / b;
            if (c0 > c1) std::swap(c0, c1);
            lo = std::max(lo, std::floor(c0 + pc - 0.5 - margin));
            hi = std::min(hi, std::ceil(c1 + pc - 0.5 + margin));
        };
        if (std::abs(u[1]) >= 0.25f) narrowTo(u[0], u[1], 0.0, length);
        if (std::abs(m[1]) >= 0.25f) narrowTo(m[0], m[1], -reach, reach);
        if (lo > hi) continue;

        int16_t* const row = origin + (i - field.lbound(0)) * stride;
        for (int j = static_cast<int>(lo); j <= static_cast<int>(hi); ++j) {
            const float vc = (static_cast<float>(j) + 0.5f) - p[1];
            // t = u . v along the segment, d = m . v across it.
            const float t = u[0] * vr + u[1] * vc;
            if (t < 0.0f || t > length) continue;
            const float d = m[0] * vr + m[1] * vc;
            if (!(std::abs(d) < reach)) continue;
            updateEdgeField(row[(j - field.lbound(1)) * columnStride], fieldValue(d, featherWidth),
                            i, j, touched);
        }
    }
}

void rasteriseEdgeJoin(int side, float featherWidth, float reach, EdgePoint a, EdgePoint v,
                       EdgePoint z, EdgeField& field, TouchedList& touched) {
    if (field.size() == 0) return;
    const Box box = reachBox(v, v, reach, classification::boxOf(field));
    if (box.isEmpty()) return;
    const EdgePoint e1 = v - a, e2 = z - v;
    const float cross = e1[0] * e2[1] - e2[0] * e1[1];
    // The outer side of the turn: the keep side turning away from it, or the
    // delete side.
    int sign;
    if (cross > 0.0f)
        sign = -side;
    else if (cross < 0.0f)
        sign = side;
    else
        return;

    const std::ptrdiff_t stride = field.stride(0), columnStride = field.stride(1);
    int16_t* const origin = &field(field.lbound(0), field.lbound(1));
    // Only the columns of the disc (with a pixel to spare) are visited.
    const double outer = static_cast<double>(reach) + 1.0;
    for (int i = box.lower.row; i <= box.upper.row; ++i) {
        int16_t* const row = origin + (i - field.lbound(0)) * stride;
        const float dr = (static_cast<float>(i) + 0.5f) - v[0];
        const double halfSquare = outer * outer - static_cast<double>(dr) * dr;
        if (halfSquare <= 0.0) continue;
        const double half = std::sqrt(halfSquare), centre = static_cast<double>(v[1]) - 0.5;
        const int first = std::max(box.lower.column, clampedIndex(std::floor(centre - half)));
        const int last = std::min(box.upper.column, clampedIndex(std::ceil(centre + half)));
        for (int j = first; j <= last; ++j) {
            const float dc = (static_cast<float>(j) + 0.5f) - v[1];
            const float dist = std::sqrt(dr * dr + dc * dc);
            if (!(dist < reach)) continue;
            // value = sign x floor(min(dist / w, 4) x 8192 + 0.5)
            const float q = std::min(dist / featherWidth, 4.0f);
            const int32_t magnitude =
                static_cast<int32_t>(std::floor(q * kFieldUnitsPerWidth + 0.5f));
            updateEdgeField(row[(j - field.lbound(1)) * columnStride], sign * magnitude, i, j,
                            touched);
        }
    }
}

} // namespace orsine::matting
