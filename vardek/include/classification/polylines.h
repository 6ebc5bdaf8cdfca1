// Turning contours into drawable polylines: replacing corner points by
// smoothed points, Douglas-Peucker simplification and corner bevelling.
// A polyline is closed when its first and last points are equal.
#ifndef VARDEK_CLASSIFICATION_POLYLINES_H
#define VARDEK_CLASSIFICATION_POLYLINES_H

#include "core/box.h"

#include <vector>

namespace classification {

// A point with float coordinates, (row, column) like Point.
struct PointF {
    float row = 0.0f;
    float column = 0.0f;

    constexpr PointF() = default;
    constexpr PointF(float r, float c) : row(r), column(c) {}
    constexpr bool operator==(PointF o) const { return row == o.row && column == o.column; }
    constexpr bool operator!=(PointF o) const { return !(*this == o); }
};

using IntPolyline = std::vector<Point>;
using FloatPolyline = std::vector<PointF>;

// The polyline of a contour's corner points, with the points the variant
// selects ("v-mdPt", read as an unsigned number):
//   0, 1, 2: one, two or two points per segment, at 1/2, at 1/3 and 2/3, at 1/4 and 3/4;
//   3, 4, 5: every interior point averaged with its neighbours, weights 1:2:1, 1:3:1, 1:4:1;
//   other:   the corner points unchanged.
// Open contours keep their end points; closed ones stay closed.
FloatPolyline contourToPolyline(const IntPolyline& contour, int variant);

// Douglas-Peucker simplification in place: drops the points that lie within
// `tolerance` of the chord of the stretch they belong to. A closed polyline is
// first split at the point farthest from its start.
void simplifyPolylines(std::vector<FloatPolyline>& lines, float tolerance);
void simplifyPolylines(std::vector<IntPolyline>& lines, float tolerance);

// One bevelling pass: every corner is replaced by two points on its two
// edges, about `radius` from it on a right angle and never more than a quarter
// of either edge away; straight reversals keep their point.
void bevelCorners(std::vector<FloatPolyline>& lines, float radius);

} // namespace classification

#endif
