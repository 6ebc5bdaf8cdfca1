// Geodesic distances from the keep and delete marks of a status image.
#ifndef VARDEK_MATTING_CHAMFER_DISTANCE_H
#define VARDEK_MATTING_CHAMFER_DISTANCE_H

#include "core/arrays.h"
#include "matting/matting_arrays.h"

namespace orsine::matting {

// Step costs in status pixels; the diagonal is 1.4143 axial steps.
constexpr float kAxialStep = 0.9619349f;
constexpr float kDiagonalStep = 1.3604507f;
// The distance of a pixel that no path of unmarked pixels links to a mark: the
// largest float below 2^127 (bits 0x7EFFFFFF), so that two of them still add up
// to a finite number.
constexpr float kUnreached = 1.7014117e38f;

// For every pixel of `status`, the least sum of step costs over the 8-neighbour
// grid from the nearest keep mark (component 0) and delete mark (component 1),
// along paths that cross only unmarked pixels. A pixel is marked when it has the
// keep bit 0x02 or the delete bit 0x04; marked pixels of either class read
// (0, 0); pixels with no path to a class read kUnreached for it. The result is
// new memory over the same index domain as `status`.
DistanceArray chamferDistanceTransform(const classification::ByteArray& status);

} // namespace orsine::matting

#endif
