// The signed distance field of the forced-edge pass.
//
// Every forced edge is drawn into one field of signed 16-bit values over the
// output pixels: a stored value v is a distance of v / 8192 feather widths from
// the nearest edge, positive on the keep side; -32768 means no value yet. A
// pixel keeps the candidate of smallest magnitude (the first one on a tie), and
// the touched list records each pixel once, when it gets its first value.
#ifndef VARDEK_MATTING_FORCED_EDGE_FIELD_H
#define VARDEK_MATTING_FORCED_EDGE_FIELD_H

#include "core/arrays.h"
#include "core/box.h"
#include "matting/mask_records.h"

#include <blitz/array.h>

#include <cstdint>
#include <vector>

namespace orsine::matting {

// A point of an edge, (row, column).
using EdgePoint = blitz::TinyVector<float, 2>;
// Output pixels per status pixel, (rows, columns).
using EdgeScale = blitz::TinyVector<float, 2>;
using EdgeField = blitz::Array<int16_t, 2>;
using TouchedList = std::vector<classification::Point>;

constexpr int16_t kNoFieldValue = -32768;
// Field units per feather width.
constexpr float kFieldUnitsPerWidth = 8192.0f;

// How far from its line an edge reaches: min(max(2 x row scale, w), 4 x w).
float edgeReach(float featherWidth, float rowScale);

// Whether the pass can draw the edge at all: at least two points, every
// coordinate finite, and a positive finite feather width (a width of 0 has a
// reach of 0 and would change nothing).
bool isDrawableEdge(const MaskForcedEdge& edge);

// Which side of the edge the keep class lies on, read from the status bytes
// (keep 0x02, delete 0x04) by probing either side of the midpoint of the
// edge's longest segment, further out step by step: +1 when keep lies in the
// direction of that segment's left normal (-column, row), -1 on the other side,
// 0 when the probes leave the status image before they decide. The points are
// in output coordinates; dividing by `scale` brings them to status coordinates.
int findEdgeSide(const MaskForcedEdge& edge, const classification::ByteArray& status,
                 EdgeScale scale);

// The box spanned by trunc(a) and trunc(b), grown on every side by ceil(reach)
// and intersected with `clip`; computed without integer overflow whatever the
// magnitude of the coordinates.
classification::Box reachBox(EdgePoint a, EdgePoint b, float reach,
                             const classification::Box& clip);

// Stores `value` at (row, column) when its magnitude is below the stored one's
// (no value counts as 32768), listing the pixel when it gets its first value.
inline void updateEdgeField(int16_t& stored, int32_t value, int row, int column,
                            TouchedList& touched) {
    const int32_t old = stored;
    const int32_t oldMagnitude = old < 0 ? -old : old;
    const int32_t magnitude = value < 0 ? -value : value;
    if (magnitude >= oldMagnitude) return;
    if (old == kNoFieldValue) touched.push_back({row, column});
    stored = static_cast<int16_t>(value);
}

// Draws the band of the segment P-Q: every pixel whose centre projects onto the
// segment and lies less than `reach` from its line gets its signed distance
// (side x left normal) in feather widths, clamped to [-4, 4].
void rasteriseEdgeSegment(int side, float featherWidth, float reach, EdgePoint p, EdgePoint q,
                          EdgeField& field, TouchedList& touched);

// Draws the round join at vertex V between the segments A-V and V-Z: a disc of
// radius `reach` around V whose values carry the sign of the outer side of the
// turn, filling the wedge the two bands leave open there. A vertex without a
// turn adds nothing.
void rasteriseEdgeJoin(int side, float featherWidth, float reach, EdgePoint a, EdgePoint v,
                       EdgePoint z, EdgeField& field, TouchedList& touched);

} // namespace orsine::matting

#endif
