// Point variants, Douglas-Peucker simplification and corner bevelling of polylines.
#include "classification/polylines.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace classification {
namespace {

inline PointF toFloat(Point p) {
    return {static_cast<float>(p.row), static_cast<float>(p.column)};
}

// (wa a + wb b) / divisor, per coordinate, in single precision
inline PointF blend(PointF a, float wa, PointF b, float wb, float divisor) {
    return {(wa * a.row + wb * b.row) / divisor, (wa * a.column + wb * b.column) / divisor};
}

// (u + w v + x) / (w + 2)
inline PointF smoothed(PointF u, PointF v, PointF x, float w) {
    return {(u.row + w * v.row + x.row) / (w + 2.0f),
            (u.column + w * v.column + x.column) / (w + 2.0f)};
}

FloatPolyline segmentPoints(const FloatPolyline& p, bool closed, unsigned variant) {
    FloatPolyline out;
    out.reserve(2 * p.size() + 1);
    if (!closed) out.push_back(p.front());
    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
        const PointF a = p[i], b = p[i + 1];
        switch (variant) {
        case 0:
            out.push_back(blend(a, 1.0f, b, 1.0f, 2.0f));
            break;
        case 1:
            out.push_back(blend(a, 2.0f, b, 1.0f, 3.0f));
            out.push_back(blend(a, 1.0f, b, 2.0f, 3.0f));
            break;
        default:
            out.push_back(blend(a, 3.0f, b, 1.0f, 4.0f));
            out.push_back(blend(a, 1.0f, b, 3.0f, 4.0f));
            break;
        }
    }
    out.push_back(closed ? out.front() : p.back());
    return out;
}

FloatPolyline smoothedPoints(const FloatPolyline& p, bool closed, float weight) {
    const std::size_t n = p.size();
    FloatPolyline out;
    out.reserve(n);
    if (!closed) out.push_back(p.front());
    for (std::size_t i = 1; i + 1 < n; ++i)
        out.push_back(smoothed(p[i - 1], p[i], p[i + 1], weight));
    if (closed) {
        // The start point, whose neighbours are the second and the second-to-last points.
        out.push_back(smoothed(p[n - 2], p[0], p[1], weight));
        out.push_back(out.front());
    } else {
        out.push_back(p.back());
    }
    return out;
}

// Distance measure of Douglas-Peucker for float and integer points: g(q) is the
// distance of q from the chord a-z times the chord's length, compared against
// the tolerance times that length. Integer points use exact products.
struct FloatGeometry {
    using P = PointF;
    static float chordLength(P a, P z) { return std::hypot(z.row - a.row, z.column - a.column); }
    static float cross(P a, P z, P q) {
        return std::abs((z.row - a.row) * (q.column - a.column) -
                        (z.column - a.column) * (q.row - a.row));
    }
    static float squaredDistance(P a, P q) {
        const float dr = q.row - a.row, dc = q.column - a.column;
        return dr * dr + dc * dc;
    }
};

struct IntGeometry {
    using P = Point;
    static double chordLength(P a, P z) {
        return std::sqrt(static_cast<double>(classification::squaredDistance(a, z)));
    }
    static double cross(P a, P z, P q) {
        const int64_t zr = z.row - a.row, zc = z.column - a.column;
        const int64_t qr = q.row - a.row, qc = q.column - a.column;
        return static_cast<double>(std::llabs(zr * qc - zc * qr));
    }
    static int64_t squaredDistance(P a, P q) { return classification::squaredDistance(a, q); }
};

template <typename Geometry>
void simplifyPolyline(std::vector<typename Geometry::P>& line, float tolerance) {
    const std::size_t n = line.size();
    if (n < 3) return;
    std::vector<char> keep(n, 0);
    keep.front() = keep.back() = 1;
    // Pending stretches (first, last) of point indices, instead of recursion.
    std::vector<std::pair<std::size_t, std::size_t>> stack;

    if (line.front() == line.back()) {
        // Closed: split at the point farthest from the start (the first of equal maxima).
        std::size_t m = 1;
        auto best = Geometry::squaredDistance(line.front(), line[1]);
        for (std::size_t i = 2; i + 1 < n; ++i) {
            const auto d = Geometry::squaredDistance(line.front(), line[i]);
            if (d > best) {
                best = d;
                m = i;
            }
        }
        keep[m] = 1;
        stack.emplace_back(m, n - 1);
        stack.emplace_back(0, m);
    } else {
        stack.emplace_back(0, n - 1);
    }

    while (!stack.empty()) {
        const auto [first, last] = stack.back();
        stack.pop_back();
        if (last - first < 2) continue;
        const auto a = line[first], z = line[last];
        const double limit = tolerance * Geometry::chordLength(a, z);
        std::size_t q = first + 1;
        double best = -1.0;
        for (std::size_t i = first + 1; i < last; ++i) {
            const double g = Geometry::cross(a, z, line[i]);
            if (g > best) {
                best = g;
                q = i;
            }
        }
        if (best > limit) {
            keep[q] = 1;
            stack.emplace_back(q, last);
            stack.emplace_back(first, q);
        }
    }

    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i)
        if (keep[i]) line[kept++] = line[i];
    line.resize(kept);
}

// Replaces corner v (between u and w) by two points on its edges, or keeps it.
void bevel(PointF u, PointF v, PointF w, float radius, FloatPolyline& out) {
    const float ur = u.row - v.row, uc = u.column - v.column;
    const float wr = w.row - v.row, wc = w.column - v.column;
    const float a = std::hypot(ur, uc);
    const float b = std::hypot(wr, wc);
    // A repeated point has no direction to bevel along.
    if (a == 0.0f || b == 0.0f) {
        out.push_back(v);
        return;
    }
    // c = ((u - v) . (v - w)) / (a b) + 1: 0 for a reversal, 2 for a straight continuation
    const float c = (ur * -wr + uc * -wc) / (a * b) + 1.0f;
    if (c < 1e-6f) {
        out.push_back(v);
        return;
    }
    const float t = radius / std::sqrt(c / 2.0f);
    const float fu = std::min(t, a / 4.0f) / a;
    const float fw = std::min(t, b / 4.0f) / b;
    out.push_back({v.row + fu * ur, v.column + fu * uc});
    out.push_back({v.row + fw * wr, v.column + fw * wc});
}

} // namespace

FloatPolyline contourToPolyline(const IntPolyline& contour, int variant) {
    FloatPolyline p;
    p.reserve(contour.size());
    for (Point q : contour)
        p.push_back(toFloat(q));
    if (p.size() < 2) return p; // no segment to place points on
    const bool closed = contour.front() == contour.back();
    const auto v = static_cast<unsigned>(variant);
    switch (v) {
    case 0:
    case 1:
    case 2:
        return segmentPoints(p, closed, v);
    case 3:
        return smoothedPoints(p, closed, 2.0f);
    case 4:
        return smoothedPoints(p, closed, 3.0f);
    case 5:
        return smoothedPoints(p, closed, 4.0f);
    default:
        return p;
    }
}

void simplifyPolylines(std::vector<FloatPolyline>& lines, float tolerance) {
    for (FloatPolyline& line : lines)
        simplifyPolyline<FloatGeometry>(line, tolerance);
}

void simplifyPolylines(std::vector<IntPolyline>& lines, float tolerance) {
    for (IntPolyline& line : lines)
        simplifyPolyline<IntGeometry>(line, tolerance);
}

void bevelCorners(std::vector<FloatPolyline>& lines, float radius) {
    for (FloatPolyline& line : lines) {
        const std::size_t n = line.size();
        if (n < 3) continue;
        FloatPolyline out;
        out.reserve(2 * n);
        const bool closed = line.front() == line.back();
        if (!closed) out.push_back(line.front());
        for (std::size_t i = 1; i + 1 < n; ++i)
            bevel(line[i - 1], line[i], line[i + 1], radius, out);
        if (closed) {
            bevel(line[n - 2], line[0], line[1], radius, out);
            out.push_back(out.front());
        } else {
            out.push_back(line.back());
        }
        line = std::move(out);
    }
}

} // namespace classification
