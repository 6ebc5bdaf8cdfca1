#include "matting/forced_edges.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace orsine::matting {

using classification::Box;
using utility::Colour;

namespace {

template <class Kind> using Pixel = Colour<typename Kind::Sample>;
template <class Kind> using Pixels = blitz::Array<Pixel<Kind>, 2>;

// Raw row-pointer access to a pixel array over its box.
template <typename T> class PixelGrid {
public:
    template <typename A> explicit PixelGrid(A& array) : box_(classification::boxOf(array)) {
        if (box_.isEmpty()) return;
        origin_ = &array(array.lbound(0), array.lbound(1));
        rowStride_ = array.stride(0);
        columnStride_ = array.stride(1);
    }
    T& operator()(int row, int column) const {
        return origin_[(row - box_.lower.row) * rowStride_ +
                       (column - box_.lower.column) * columnStride_];
    }

private:
    Box box_;
    T* origin_ = nullptr;
    std::ptrdiff_t rowStride_ = 0, columnStride_ = 0;
};

// The ramp of alpha over t in [0, 1]: trunc((3 - 2t) x (t x factor x t)).
template <typename Sample> Sample smoothstepAlpha(float t, float factor) {
    return static_cast<Sample>((3.0f - 2.0f * t) * (t * factor * t));
}

template <typename Sample>
Colour<Sample> blendPixels(float a, const Colour<Sample>& p, float b, const Colour<Sample>& q) {
    constexpr float top = std::numeric_limits<Sample>::max();
    Colour<Sample> out;
    for (int c = 0; c < 4; ++c) {
        const float v = static_cast<float>(p[c]) * a + static_cast<float>(q[c]) * b;
        // Weights outside [0, 1] would leave the sample's range.
        out[c] = static_cast<Sample>(std::clamp(v, 0.0f, top));
    }
    return out;
}

template <class Kind>
void blendEdgeCap(int sign, float featherWidth, float reach, EdgePoint n, EdgePoint e,
                  Pixels<Kind>& output, const Pixels<Kind>& source, float threshold) {
    using Sample = typename Kind::Sample;
    if (!(featherWidth > 0.0f) || !std::isfinite(featherWidth)) return;
    const EdgePoint diff = e - n;
    const float length = static_cast<float>(
        std::sqrt(static_cast<double>(diff[0] * diff[0]) + static_cast<double>(diff[1] * diff[1])));
    if (length == 0.0f || !std::isfinite(length)) return;
    const float inverse = 1.0f / length;
    const EdgePoint dir(diff[0] * inverse, diff[1] * inverse);
    const EdgePoint m(static_cast<float>(sign) * -dir[1], static_cast<float>(sign) * dir[0]);

    const Box pixels =
        Box::intersection(classification::boxOf(output), classification::boxOf(source));
    const EdgePoint beyond(e[0] + featherWidth * dir[0], e[1] + featherWidth * dir[1]);
    const Box box = reachBox(beyond, e, reach, pixels);
    if (box.isEmpty()) return;

    const PixelGrid<Pixel<Kind>> out(output);
    const PixelGrid<const Pixel<Kind>> src(source);
    const float opaque = threshold * Kind::fullScale;
    for (int i = box.lower.row; i <= box.upper.row; ++i) {
        const float vr = (static_cast<float>(i) + 0.5f) - e[0];
        for (int j = box.lower.column; j <= box.upper.column; ++j) {
            const float vc = (static_cast<float>(j) + 0.5f) - e[1];
            // a: how far beyond the end, in feather widths; d: across the line.
            const float a = (vr * dir[0] + vc * dir[1]) / featherWidth;
            if (!(a >= 0.0f && a < 1.0f)) continue;
            const float d = vr * m[0] + vc * m[1];
            if (!(std::abs(d) < reach)) continue;
            Pixel<Kind> s = src(i, j);
            if (!(static_cast<float>(s[3]) >= opaque)) continue;
            const float t = std::clamp((d / featherWidth + 1.0f) * 0.5f, 0.0f, 1.0f);
            s[3] = smoothstepAlpha<Sample>(t, Kind::edgeCapAlphaFactor);
            // Full weight at the end point, fading linearly to what the output
            // already holds one feather width beyond it.
            Pixel<Kind>& o = out(i, j);
            o = blendPixels<Sample>(1.0f - a, s, a, o);
        }
    }
}

bool isFiniteScale(EdgeScale scale) {
    return std::isfinite(scale[0]) && std::isfinite(scale[1]) && scale[0] > 0.0f && scale[1] > 0.0f;
}

bool isClosed(const MaskForcedEdge& edge) {
    const EdgePoint first = edge.points(edge.points.lbound(0));
    const EdgePoint last = edge.points(edge.points.ubound(0));
    return first[0] == last[0] && first[1] == last[1];
}

template <class Kind>
int applyEdges(float threshold, Pixels<Kind>& output, const Pixels<Kind>& source,
               const classification::ByteArray& status, EdgeScale scale,
               const MaskForcedEdges& edges) {
    using Sample = typename Kind::Sample;
    if (edges.size() == 0 || !isFiniteScale(scale)) return kPassGaveUp;
    const Box pixels =
        Box::intersection(classification::boxOf(output), classification::boxOf(source));

    // Sides first: they depend on the status image alone. The field then only
    // needs to cover the pixels the drawable edges can reach.
    const int first = edges.lbound(0), last = edges.ubound(0);
    std::vector<int> sides(edges.size(), 0);
    std::vector<float> reaches(edges.size(), 0.0f);
    Box fieldBox = Box::empty();
    int result = kPassGaveUp;
    for (int e = first; e <= last; ++e) {
        const MaskForcedEdge& edge = edges(e);
        if (!isDrawableEdge(edge)) continue;
        const int side = findEdgeSide(edge, status, scale);
        if (side == 0) continue;
        sides[e - first] = side;
        result = kPassDone;
        const float reach = edgeReach(edge.featherWidth, scale[0]);
        reaches[e - first] = reach;
        EdgePoint low = edge.points(edge.points.lbound(0)), high = low;
        for (int k = edge.points.lbound(0); k <= edge.points.ubound(0); ++k) {
            for (int c = 0; c < 2; ++c) {
                low[c] = std::min(low[c], edge.points(k)[c]);
                high[c] = std::max(high[c], edge.points(k)[c]);
            }
        }
        fieldBox.unite(reachBox(low, high, reach, pixels));
    }
    if (result != kPassDone) return result;

    EdgeField field = classification::arrayOver<int16_t>(fieldBox, kNoFieldValue);
    TouchedList touched;
    for (int e = first; e <= last; ++e) {
        const int side = sides[e - first];
        if (side == 0) continue;
        const MaskForcedEdge& edge = edges(e);
        const float w = edge.featherWidth, reach = reaches[e - first];
        const blitz::Array<EdgePoint, 1>& p = edge.points;
        const int p0 = p.lbound(0), pn = p.ubound(0);
        for (int s = p0; s < pn; ++s)
            rasteriseEdgeSegment(side, w, reach, p(s), p(s + 1), field, touched);
        for (int k = p0 + 1; k < pn; ++k)
            rasteriseEdgeJoin(side, w, reach, p(k - 1), p(k), p(k + 1), field, touched);
        if (isClosed(edge) && pn - p0 + 1 > 2)
            rasteriseEdgeJoin(side, w, reach, p(pn - 1), p(pn), p(p0 + 1), field, touched);
    }

    // t = clamp(field / 16384 + 0.5, 0, 1): the field's feather widths mapped
    // onto the ramp, half alpha on the line.
    if (!touched.empty()) {
        const PixelGrid<Pixel<Kind>> out(output);
        const PixelGrid<const Pixel<Kind>> src(source);
        const PixelGrid<const int16_t> values(field);
        const float opaque = threshold * Kind::fullScale;
        for (const classification::Point& q : touched) {
            const Pixel<Kind>& s = src(q.row, q.column);
            if (!(static_cast<float>(s[3]) >= opaque)) continue;
            Pixel<Kind>& o = out(q.row, q.column);
            o[0] = s[0];
            o[1] = s[1];
            o[2] = s[2];
            const float t = std::clamp(
                static_cast<float>(values(q.row, q.column)) * (1.0f / 16384.0f) + 0.5f, 0.0f, 1.0f);
            o[3] = smoothstepAlpha<Sample>(t, Kind::edgeFieldAlphaFactor);
        }
    }

    for (int e = first; e <= last; ++e) {
        const int side = sides[e - first];
        const MaskForcedEdge& edge = edges(e);
        if (side == 0 || isClosed(edge)) continue;
        const float w = edge.featherWidth, reach = reaches[e - first];
        const blitz::Array<EdgePoint, 1>& p = edge.points;
        const int p0 = p.lbound(0), pn = p.ubound(0);
        blendEdgeCap<Kind>(-side, w, reach, p(p0 + 1), p(p0), output, source, threshold);
        blendEdgeCap<Kind>(side, w, reach, p(pn - 1), p(pn), output, source, threshold);
    }
    return result;
}

} // namespace

template <class Kind>
int applyForcedEdges(const classification::Segmentation<6, 0>& classification,
                     typename Kind::Image output, const typename Kind::Image& source,
                     const classification::ByteArray& status, EdgeScale scale,
                     MaskForcedEdges edges, ProgressRange /*progress*/) {
    return applyEdges<Kind>(classification.opacityThreshold, output, source, status, scale, edges);
}

template int applyForcedEdges<Kind8>(const classification::Segmentation<6, 0>&, Image8,
                                     const Image8&, const classification::ByteArray&, EdgeScale,
                                     MaskForcedEdges, ProgressRange);
template int applyForcedEdges<Kind16>(const classification::Segmentation<6, 0>&, Image16,
                                      const Image16&, const classification::ByteArray&, EdgeScale,
                                      MaskForcedEdges, ProgressRange);
template int applyForcedEdges<Kind15>(const classification::Segmentation<6, 0>&, Image16,
                                      const Image16&, const classification::ByteArray&, EdgeScale,
                                      MaskForcedEdges, ProgressRange);

int applyForcedEdges8(const classification::Segmentation<6, 0>& classification, ColourArray8 output,
                      const ColourArray8& source, const classification::ByteArray& status,
                      EdgeScale scale, MaskForcedEdges edges, ProgressRange progress) {
    return applyForcedEdges<Kind8>(classification, output, source, status, scale, edges, progress);
}

int applyForcedEdges16(const classification::Segmentation<6, 0>& classification,
                       ColourArray16 output, const ColourArray16& source,
                       const classification::ByteArray& status, EdgeScale scale,
                       MaskForcedEdges edges, ProgressRange progress) {
    return applyForcedEdges<Kind16>(classification, output, source, status, scale, edges, progress);
}

int applyForcedEdges15(const classification::Segmentation<6, 0>& classification,
                       ColourArray16 output, const ColourArray16& source,
                       const classification::ByteArray& status, EdgeScale scale,
                       MaskForcedEdges edges, ProgressRange progress) {
    return applyForcedEdges<Kind15>(classification, output, source, status, scale, edges, progress);
}

void blendEdgeCap8(int sign, float featherWidth, float reach, EdgePoint n, EdgePoint e,
                   ColourArray8 output, const ColourArray8& source, float threshold) {
    blendEdgeCap<Kind8>(sign, featherWidth, reach, n, e, output, source, threshold);
}

void blendEdgeCap16(int sign, float featherWidth, float reach, EdgePoint n, EdgePoint e,
                    ColourArray16 output, const ColourArray16& source, float threshold) {
    blendEdgeCap<Kind16>(sign, featherWidth, reach, n, e, output, source, threshold);
}

void blendEdgeCap15(int sign, float featherWidth, float reach, EdgePoint n, EdgePoint e,
                    ColourArray16 output, const ColourArray16& source, float threshold) {
    blendEdgeCap<Kind15>(sign, featherWidth, reach, n, e, output, source, threshold);
}

Colour<unsigned char> blendPixels8(float a, const Colour<unsigned char>& p, float b,
                                   const Colour<unsigned char>& q) {
    return blendPixels<unsigned char>(a, p, b, q);
}

Colour<unsigned short> blendPixels16(float a, const Colour<unsigned short>& p, float b,
                                     const Colour<unsigned short>& q) {
    return blendPixels<unsigned short>(a, p, b, q);
}

} // namespace orsine::matting
