// Colour clusters: statistics, principal axis, split, compaction, penalty.
#include "matting/colour_cluster.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace orsine::matting {

namespace {

double cubeRoot(double x) {
    constexpr double third = 1.0 / 3.0;
    return x >= 0.0 ? std::pow(x, third) : -std::pow(-x, third);
}

double dot(const Vector3& u, const Vector3& v) {
    return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
}

double normSquared(const Vector3& v) {
    return dot(v, v);
}

} // namespace

// Trigonometric or Cardano solution of the cubic, with Q = (a^2 - 3b)/9,
// R = (2a^3 - 9ab)/54 + c/2 and D = R^2 - Q^3.
double largestCubicRoot(double a, double b, double c) {
    constexpr double third = 1.0 / 3.0, ninth = 1.0 / 9.0, fiftyFourth = 1.0 / 54.0;
    constexpr double twoPi = 6.283185307179586, twoPiThirds = 2.0943951023931957;
    const double q = (a * a - 3.0 * b) * ninth;
    const double r = (2.0 * std::pow(a, 3.0) - 9.0 * a * b) * fiftyFourth + c * 0.5;
    const double q3 = std::pow(q, 3.0);
    const double d = r * r - q3;
    const double aThird = a * third;
    if (d >= 0.0) {
        const double rootD = std::sqrt(d);
        const double u = cubeRoot(rootD - r), v = cubeRoot(-r - rootD);
        const double s = u + v;
        const double real = s - aThird, pair = -0.5 * s - aThird;
        if (d == 0.0) return std::max(real, pair); // a double root at `pair`
        // One real root and the pair `pair` +- i (sqrt 3 / 2)(u - v). The
        // characteristic polynomial of a symmetric matrix has real roots only:
        // there the pair is a double root that rounding moved off the real
        // axis, often the largest root, and must not be lost.
        const double imaginary = 0.8660254037844386 * std::abs(u - v);
        if (imaginary <= 1e-4 * (std::abs(real) + std::abs(pair))) return std::max(real, pair);
        return real;
    }
    // Three real roots. Rounding can push R / sqrt(Q^3) just past +-1, where
    // the arc cosine would give NaN.
    const double cosine = std::clamp(r / std::sqrt(q3), -1.0, 1.0);
    const double theta = std::acos(cosine);
    const double smallest = std::min({std::cos(theta * third), std::cos((theta - twoPi) * third),
                                      std::cos(theta * third + twoPiThirds)});
    return -2.0 * std::sqrt(q) * smallest - aThird;
}

Symmetric3 adjugate(const Symmetric3& s) {
    const double s00 = s[0], s11 = s[1], s22 = s[2], s01 = s[3], s12 = s[4], s02 = s[5];
    return {s11 * s22 - s12 * s12, s00 * s22 - s02 * s02, s11 * s00 - s01 * s01,
            s12 * s02 - s01 * s22, s02 * s01 - s12 * s00, s12 * s01 - s11 * s02};
}

double determinant(const Symmetric3& s) {
    const Symmetric3 a = adjugate(s);
    return s[3] * a[3] + s[0] * a[0] + s[5] * a[5];
}

Symmetric3 invertScatter(const Symmetric3& s) {
    const Symmetric3 a = adjugate(s);
    const double det = s[3] * a[3] + s[0] * a[0] + s[5] * a[5];
    Symmetric3 m{};
    if (std::abs(det) >= 1e-5) {
        const double inverse = 1.0 / det;
        for (int k = 0; k < 6; ++k)
            m[k] = a[k] * inverse;
    }
    return m;
}

// The first column of adj(S - lambda I), written with the adjugate A of S:
// (lambda^2 - (S22 + S11) lambda + A00, S01 lambda + A01, S02 lambda + A02).
// For a simple eigenvalue it is the eigenvector times its first component
// (and the product of the gaps to the other eigenvalues), so it vanishes when
// the principal direction has no first component or the largest eigenvalue is
// repeated; such a cluster does not split along its principal direction.
Vector3 principalAxis(const Symmetric3& s, double lambda) {
    const Symmetric3 a = adjugate(s);
    return {lambda * lambda - (s[2] + s[1]) * lambda + a[0], s[3] * lambda + a[3],
            s[5] * lambda + a[5]};
}

// d = v - mean: -(d^T M d), with M the inverse scatter.
double PenaltyForm::operator()(const Vector3& v) const {
    if (zero_) return 0.0;
    const Symmetric3& m = inverse_;
    const double d0 = v[0] - mean_[0], d1 = v[1] - mean_[1], d2 = v[2] - mean_[2];
    const double value = -(d1 * d1 * m[1] + d0 * d0 * m[0] + d2 * d2 * m[2] +
                           (2.0 * d2 * d1 * m[4] + 2.0 * d0 * (m[5] * d2 + m[3] * d1)));
    // A scatter that is singular up to rounding can leave an inverse with a
    // negative eigenvalue; the penalty of a positive semi-definite scatter is
    // never positive, so such a value is noise and must not reward a colour.
    return std::min(value, 0.0);
}

template <class Types> void Cluster<Types>::updateStatistics() {
    if (samples_.empty()) return;
    uint64_t s0 = 0, s1 = 0, s2 = 0, m00 = 0, m11 = 0, m22 = 0, m01 = 0, m12 = 0, m20 = 0;
    for (const Sample& p : samples_) {
        const uint64_t c0 = p[0], c1 = p[1], c2 = p[2];
        s0 += c0;
        s1 += c1;
        s2 += c2;
        m00 += c0 * c0;
        m11 += c1 * c1;
        m22 += c2 * c2;
        m01 += c0 * c1;
        m12 += c1 * c2;
        m20 += c2 * c0;
    }
    sums_ = {static_cast<double>(s0), static_cast<double>(s1), static_cast<double>(s2)};
    moments_ = {static_cast<double>(m00), static_cast<double>(m11), static_cast<double>(m22),
                static_cast<double>(m01), static_cast<double>(m12), static_cast<double>(m20)};
    updatePrincipalAxis();
}

template <class Types> Vector3 Cluster<Types>::mean() const {
    const double inverse = 1.0 / static_cast<double>(samples_.size());
    return {sums_[0] * inverse, sums_[1] * inverse, sums_[2] * inverse};
}

// S00 = sum c0c0 - (sum c0) m0, ..., S01 = sum c0c1 - (sum c1) m0, ...
template <class Types> Symmetric3 Cluster<Types>::scatter() const {
    const Vector3 m = mean();
    return {moments_[0] - sums_[0] * m[0], moments_[1] - sums_[1] * m[1],
            moments_[2] - sums_[2] * m[2], moments_[3] - sums_[1] * m[0],
            moments_[4] - sums_[2] * m[1], moments_[5] - sums_[0] * m[2]};
}

// The characteristic polynomial of S is x^3 + a x^2 + b x + c with
// a = -trace S, b = the trace of adj S, c = -det S.
template <class Types> void Cluster<Types>::updatePrincipalAxis() {
    const Symmetric3 s = scatter();
    const Symmetric3 adj = adjugate(s);
    const double a = -s[0] - s[1] - s[2];
    const double b = adj[1] + adj[0] + adj[2];
    const double c = -(adj[0] * s[0]) - adj[3] * s[3] - adj[5] * s[5];
    spread_ = largestCubicRoot(a, b, c);
    axis_ = principalAxis(s, spread_);
}

template <class Types> Cluster<Types> Cluster<Types>::split(double threshold) {
    Cluster part;
    if (samples_.empty()) return part;
    const double h = dot(mean(), axis_);
    Samples kept;
    for (const Sample& p : samples_) {
        const Vector3 v{static_cast<double>(p[0]), static_cast<double>(p[1]),
                        static_cast<double>(p[2])};
        if (dot(v, axis_) > h)
            part.samples_.push_back(p);
        else
            kept.push_back(p);
    }
    if (kept.empty() || part.samples_.empty()) return Cluster();

    part.updateStatistics();
    const double restInverse = 1.0 / static_cast<double>(samples_.size() - part.samples_.size());
    const Vector3 rest{(sums_[0] - part.sums_[0]) * restInverse,
                       (sums_[1] - part.sums_[1]) * restInverse,
                       (sums_[2] - part.sums_[2]) * restInverse};
    const Vector3 partMean = part.mean();
    const Vector3 gap{partMean[0] - rest[0], partMean[1] - rest[1], partMean[2] - rest[2]};
    if (!(std::sqrt(normSquared(gap)) > threshold)) return Cluster();

    // The remaining statistics by subtraction: the sums hold exact integers.
    samples_ = std::move(kept);
    for (int k = 0; k < 6; ++k)
        moments_[k] -= part.moments_[k];
    for (int k = 0; k < 3; ++k)
        sums_[k] -= part.sums_[k];
    updatePrincipalAxis();
    return part;
}

template <class Types> void Cluster<Types>::compact(std::size_t limit, double threshold) {
    if (samples_.size() <= 1) return;
    ClusterList<Types> parts(1);
    parts[0].samples_ = samples_;
    parts[0].updateStatistics();
    splitClusters(parts, limit, threshold);

    // Each part becomes its mean (sums x 1/n) truncated to a sample.
    constexpr double top = std::numeric_limits<SampleType>::max();
    samples_.clear();
    for (const Cluster& part : parts) {
        const Vector3 m = part.mean();
        Sample s;
        for (int k = 0; k < 3; ++k)
            s[k] = static_cast<SampleType>(std::clamp(std::trunc(m[k]), 0.0, top));
        samples_.push_back(s);
    }
    updateStatistics();
}

template <class Types> typename Cluster<Types>::Sample Cluster<Types>::representative() const {
    const Vector3 m = mean();
    double best = DBL_MAX;
    Sample chosen = samples_.front();
    for (const Sample& p : samples_) {
        const double d0 = p[0] - m[0], d1 = p[1] - m[1], d2 = p[2] - m[2];
        const double distance = d0 * d0 + d1 * d1 + d2 * d2;
        if (distance < best) {
            best = distance;
            chosen = p;
        }
    }
    return chosen;
}

template <class Types> PenaltyForm Cluster<Types>::penaltyForm() const {
    if (samples_.size() < 2) return PenaltyForm();
    const Symmetric3 inverse = invertScatter(scatter());
    if (std::all_of(inverse.begin(), inverse.end(), [](double v) { return v == 0.0; }))
        return PenaltyForm();
    return PenaltyForm(mean(), inverse);
}

template <class Types> std::size_t mostSpreadCluster(const ClusterList<Types>& list) {
    double best = -DBL_MAX;
    std::size_t chosen = list.size();
    for (std::size_t k = 0; k < list.size(); ++k) {
        if (!list[k].empty() && list[k].spread() > best) {
            best = list[k].spread();
            chosen = k;
        }
    }
    return chosen;
}

template <class Types> void splitClusters(ClusterList<Types>& list, std::size_t limit, double t) {
    for (std::size_t i = 1; i < limit; ++i) {
        const std::size_t k = mostSpreadCluster<Types>(list);
        if (k == list.size()) return;
        Cluster<Types> part = list[k].split(t);
        if (part.empty()) return;
        list.push_back(std::move(part));
    }
}

template <class Types> void compactClusters(ClusterList<Types>& list, std::size_t limit, double t) {
    for (Cluster<Types>& cluster : list)
        cluster.compact(limit, t);
}

#define VARDEK_CLUSTER_INSTANCES(T)                                                                \
    template class Cluster<T>;                                                                     \
    template std::size_t mostSpreadCluster<T>(const ClusterList<T>&);                              \
    template void splitClusters<T>(ClusterList<T>&, std::size_t, double);                          \
    template void compactClusters<T>(ClusterList<T>&, std::size_t, double);

VARDEK_CLUSTER_INSTANCES(cbb8)
VARDEK_CLUSTER_INSTANCES(cbb16)

#undef VARDEK_CLUSTER_INSTANCES

} // namespace orsine::matting
