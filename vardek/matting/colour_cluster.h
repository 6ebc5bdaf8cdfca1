// Colour clusters of the palette solver: a set of colour samples with their
// sums, second moments and the principal axis of their scatter, split in two
// along that axis, split repeatedly, compacted to a few representative colours,
// and measured against a colour (representative sample, colour penalty).
#ifndef VARDEK_MATTING_COLOUR_CLUSTER_H
#define VARDEK_MATTING_COLOUR_CLUSTER_H

#include <array>
#include <cstddef>
#include <vector>

namespace orsine::matting {

// The value types of the palettes: colours handed back to the solver, all
// statistics, and one sample channel.
template <typename ColourT, typename StatT, typename SampleT> struct cbbTypes {
    using ColourType = ColourT;
    using StatType = StatT;
    using SampleType = SampleT;
};
using cbb8 = cbbTypes<float, double, unsigned char>;
using cbb16 = cbbTypes<float, double, unsigned short>;

using Vector3 = std::array<double, 3>;
// A symmetric 3 x 3 matrix as (m00, m11, m22, m01, m12, m02).
using Symmetric3 = std::array<double, 6>;
// A general 3 x 3 matrix, row-major.
using Matrix3 = std::array<std::array<double, 3>, 3>;

// The largest real root of x^3 + a x^2 + b x + c.
double largestCubicRoot(double a, double b, double c);

// The adjugate of a symmetric matrix (also symmetric).
Symmetric3 adjugate(const Symmetric3& s);
double determinant(const Symmetric3& s);

// The inverse of a scatter matrix, or zero when |det| < 1e-5.
Symmetric3 invertScatter(const Symmetric3& s);

// The principal axis of the symmetric matrix `s` for its largest eigenvalue
// `lambda`, not normalised: the first column of adj(s - lambda I). It is an
// eigenvector scaled by its own first component, so it is zero (apart from
// rounding) when that component is 0 or when `lambda` is a repeated
// eigenvalue.
Vector3 principalAxis(const Symmetric3& s, double lambda);

// -(v - mean)^T M (v - mean) for a cluster with M = invertScatter(S), never
// positive; evaluated for many colours against one cluster.
class PenaltyForm {
public:
    PenaltyForm() = default; // the zero penalty
    PenaltyForm(const Vector3& mean, const Symmetric3& inverse)
        : mean_(mean), inverse_(inverse), zero_(false) {}
    double operator()(const Vector3& v) const;

private:
    Vector3 mean_{};
    Symmetric3 inverse_{};
    bool zero_ = true;
};

template <class Types> class Cluster {
public:
    using SampleType = typename Types::SampleType;
    using Sample = std::array<SampleType, 3>;
    using Samples = std::vector<Sample>;

    // Sample access. The statistics follow the samples only after
    // updateStatistics (or a split that succeeded).
    void add(const Sample& sample) { samples_.push_back(sample); }
    std::size_t size() const { return samples_.size(); }
    bool empty() const { return samples_.empty(); }
    const Samples& samples() const { return samples_; }
    void clearSamples() { samples_.clear(); }

    // Sums, second moments and principal axis from the samples; nothing when
    // there are none. Products of two channels are exact.
    void updateStatistics();
    // Spread (largest eigenvalue of the scatter) and axis from the statistics.
    void updatePrincipalAxis();

    Vector3 mean() const;
    // n times the covariance: (S00, S11, S22, S01, S12, S02).
    Symmetric3 scatter() const;

    // Moves the samples beyond the mean along the axis into a new cluster when
    // the means of the two parts lie more than `threshold` apart; returns that
    // cluster, or an empty one when no split happened (this one unchanged).
    Cluster split(double threshold);

    // Replaces the samples by at most `limit` representative colours (the
    // truncated means of a repeated split with `threshold`).
    void compact(std::size_t limit, double threshold);

    // The sample nearest to the mean (the earlier one on ties); needs samples.
    Sample representative() const;

    // The Mahalanobis-like penalty of a colour, 0 for fewer than two samples or
    // a singular scatter.
    double colourPenalty(const Vector3& v) const { return penaltyForm()(v); }
    PenaltyForm penaltyForm() const;

    double spread() const { return spread_; }
    const Vector3& axis() const { return axis_; }
    const Vector3& sums() const { return sums_; }
    // (c0c0, c1c1, c2c2, c0c1, c1c2, c2c0) summed over the samples.
    const Symmetric3& secondMoments() const { return moments_; }

private:
    Symmetric3 moments_{};
    Vector3 sums_{};
    Samples samples_;
    double spread_ = 0.0;
    Vector3 axis_{};
};

template <class Types> using ClusterList = std::vector<Cluster<Types>>;

// The index of the cluster with the largest spread (the earlier one on ties),
// among those holding samples; list.size() when none does.
template <class Types> std::size_t mostSpreadCluster(const ClusterList<Types>& list);

// Splits the most spread cluster and appends the new part, at most limit - 1
// times, stopping at the first split that fails.
template <class Types> void splitClusters(ClusterList<Types>& list, std::size_t limit, double t);

// Compacts every cluster of the list in order.
template <class Types> void compactClusters(ClusterList<Types>& list, std::size_t limit, double t);

} // namespace orsine::matting

#endif
