// Small images, status grids and edges for the forced-edge tests, and the
// three sample kinds as test parameters.
#ifndef TESTS_ENGINE_MATTING_FORCED_EDGE_FIXTURES_H
#define TESTS_ENGINE_MATTING_FORCED_EDGE_FIXTURES_H

#include "core/status_bits.h"
#include "matting/forced_edges.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace forced_edge_test {

using classification::Box;
using classification::ByteArray;
using orsine::matting::EdgePoint;
using orsine::matting::EdgeScale;
using orsine::matting::MaskForcedEdge;
using orsine::matting::MaskForcedEdges;
using orsine::utility::Colour;

using classification::kDelete;
using classification::kKeep;
using classification::kUnassigned;

template <typename Sample> using Pixels = blitz::Array<Colour<Sample>, 2>;

template <typename Sample> Pixels<Sample> pixelsOver(const Box& box, Colour<Sample> fill) {
    return classification::arrayOver<Colour<Sample>>(box, fill);
}

inline ByteArray statusOf(int rows, int columns,
                          const std::function<unsigned char(int row, int column)>& at) {
    ByteArray status = classification::arrayOver<unsigned char>(Box(0, 0, rows - 1, columns - 1));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            status(r, c) = at(r, c);
    return status;
}

// Points as (row, column).
inline MaskForcedEdge edgeOf(float featherWidth,
                             std::initializer_list<std::pair<float, float>> points) {
    MaskForcedEdge edge;
    edge.featherWidth = featherWidth;
    edge.points.resize(static_cast<int>(points.size()));
    int k = 0;
    for (const auto& p : points)
        edge.points(k++) = EdgePoint(p.first, p.second);
    return edge;
}

inline MaskForcedEdges edgesOf(const std::vector<MaskForcedEdge>& list) {
    MaskForcedEdges edges(static_cast<int>(list.size()));
    // Blitz++ assignment copies elements; the edges share the points instead.
    for (int i = 0; i < static_cast<int>(list.size()); ++i) {
        edges(i).featherWidth = list[i].featherWidth;
        edges(i).points.reference(list[i].points);
    }
    return edges;
}

// Whether two pixel arrays over the same box hold the same pixels.
template <typename Sample> bool samePixels(const Pixels<Sample>& a, const Pixels<Sample>& b) {
    if (classification::boxOf(a) != classification::boxOf(b)) return false;
    for (int r = a.lbound(0); r <= a.ubound(0); ++r)
        for (int c = a.lbound(1); c <= a.ubound(1); ++c)
            for (int k = 0; k < 4; ++k)
                if (a(r, c)[k] != b(r, c)[k]) return false;
    return true;
}

template <typename Sample> Pixels<Sample> copyOf(const Pixels<Sample>& a) {
    Pixels<Sample> b = classification::arrayOver<Colour<Sample>>(classification::boxOf(a));
    b = a;
    return b;
}

// A session's classification over a tiny image: the pass reads only its
// opacity threshold.
inline const classification::Segmentation<6, 0>& testClassification() {
    static const Pixels<unsigned char> pixels = classification::arrayOver<Colour<unsigned char>>(
        Box(0, 0, 1, 1), Colour<unsigned char>(0, 0, 0, 255));
    static const classification::Segmentation<6, 0> classification(nullptr, true, pixels);
    return classification;
}

// The three sample kinds: full scale, the pass and its end cap, and the ramp's
// alphas at t = 0, 0.25, 0.5, 0.75 and 1.
struct Kind8 : orsine::matting::Kind8 {
    static constexpr int ramp[5] = {0, 39, 127, 215, 255};
    static int apply(Pixels<Sample> output, const Pixels<Sample>& source, const ByteArray& status,
                     EdgeScale scale, const MaskForcedEdges& edges) {
        return orsine::matting::applyForcedEdges8(testClassification(), output, source, status,
                                                  scale, edges, ProgressRange(nullptr));
    }
    static void cap(int sign, float w, float r, EdgePoint n, EdgePoint e, Pixels<Sample> output,
                    const Pixels<Sample>& source, float threshold) {
        orsine::matting::blendEdgeCap8(sign, w, r, n, e, output, source, threshold);
    }
};
struct Kind16 : orsine::matting::Kind16 {
    static constexpr int ramp[5] = {0, 10239, 32767, 55295, 65535};
    static int apply(Pixels<Sample> output, const Pixels<Sample>& source, const ByteArray& status,
                     EdgeScale scale, const MaskForcedEdges& edges) {
        return orsine::matting::applyForcedEdges16(testClassification(), output, source, status,
                                                   scale, edges, ProgressRange(nullptr));
    }
    static void cap(int sign, float w, float r, EdgePoint n, EdgePoint e, Pixels<Sample> output,
                    const Pixels<Sample>& source, float threshold) {
        orsine::matting::blendEdgeCap16(sign, w, r, n, e, output, source, threshold);
    }
};
struct Kind15 : orsine::matting::Kind15 {
    static constexpr int ramp[5] = {0, 5120, 16384, 27648, 32768};
    static int apply(Pixels<Sample> output, const Pixels<Sample>& source, const ByteArray& status,
                     EdgeScale scale, const MaskForcedEdges& edges) {
        return orsine::matting::applyForcedEdges15(testClassification(), output, source, status,
                                                   scale, edges, ProgressRange(nullptr));
    }
    static void cap(int sign, float w, float r, EdgePoint n, EdgePoint e, Pixels<Sample> output,
                    const Pixels<Sample>& source, float threshold) {
        orsine::matting::blendEdgeCap15(sign, w, r, n, e, output, source, threshold);
    }
};

} // namespace forced_edge_test

#endif
