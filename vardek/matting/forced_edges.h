// The forced-edge pass: after the matting passes, every forced edge cuts the
// matte along its polyline. The keep side of each edge is read from the status
// image; output pixels near the line get the source colour and an alpha that
// rises by smoothstep from 0 one feather width on the delete side to full scale
// one feather width on the keep side, then stays 0 or full out to the edge's
// reach. Open ends fade the effect out over one feather width beyond the end
// point. Where edges overlap, the one nearest to a pixel decides. Only fully
// opaque source pixels (alpha at least the opacity threshold x full scale) are
// ever changed.
//
// One template over the sample kinds of sample_kinds.h: 8-bit (full scale
// 255), 16-bit with full scale 65535 and 16-bit with full scale 32768; the 8,
// 16 and 15 functions name its kinds.
#ifndef VARDEK_MATTING_FORCED_EDGES_H
#define VARDEK_MATTING_FORCED_EDGES_H

#include "classification/segmentation.h"
#include "core/arrays.h"
#include "core/colour.h"
#include "core/progress.h"
#include "matting/forced_edge_field.h"
#include "matting/mask_records.h"
#include "matting/pass_result.h"
#include "matting/sample_kinds.h"

#include <blitz/array.h>

namespace orsine::matting {

using ColourArray8 = Image8;
using ColourArray16 = Image16;

// Runs the pass over `output` (the working copy of the cut-out, rewritten in
// place) with `source` of the same box. Of the session's classification only
// its opacity threshold is read. `status` is the whole status image
// in status coordinates; `scale` the output pixels per status pixel (rows,
// columns). Every point of `edges` is already in output coordinates and every
// feather width in output pixels. The pass reports no progress. Returns
// kPassGaveUp when no edge was applied (no edges, none drawable, or none found
// its side), else kPassDone.
template <class Kind>
int applyForcedEdges(const classification::Segmentation<6, 0>& classification,
                     typename Kind::Image output, const typename Kind::Image& source,
                     const classification::ByteArray& status, EdgeScale scale,
                     MaskForcedEdges edges, ProgressRange progress);
int applyForcedEdges8(const classification::Segmentation<6, 0>& classification, ColourArray8 output,
                      const ColourArray8& source, const classification::ByteArray& status,
                      EdgeScale scale, MaskForcedEdges edges, ProgressRange progress);
int applyForcedEdges16(const classification::Segmentation<6, 0>& classification,
                       ColourArray16 output, const ColourArray16& source,
                       const classification::ByteArray& status, EdgeScale scale,
                       MaskForcedEdges edges, ProgressRange progress);
int applyForcedEdges15(const classification::Segmentation<6, 0>& classification,
                       ColourArray16 output, const ColourArray16& source,
                       const classification::ByteArray& status, EdgeScale scale,
                       MaskForcedEdges edges, ProgressRange progress);

// The fade beyond the end point E of the segment N-E, over one feather width:
// each opaque source pixel there gets the ramp alpha of its signed distance
// (sign x left normal of N-E) and is blended into the output with weight 1 at E
// falling linearly to 0 at E + w. The edge field is neither read nor written.
void blendEdgeCap8(int sign, float featherWidth, float reach, EdgePoint n, EdgePoint e,
                   ColourArray8 output, const ColourArray8& source, float threshold);
void blendEdgeCap16(int sign, float featherWidth, float reach, EdgePoint n, EdgePoint e,
                    ColourArray16 output, const ColourArray16& source, float threshold);
void blendEdgeCap15(int sign, float featherWidth, float reach, EdgePoint n, EdgePoint e,
                    ColourArray16 output, const ColourArray16& source, float threshold);

// trunc(p x a + q x b) per channel, in single precision.
utility::Colour<unsigned char> blendPixels8(float a, const utility::Colour<unsigned char>& p,
                                            float b, const utility::Colour<unsigned char>& q);
utility::Colour<unsigned short> blendPixels16(float a, const utility::Colour<unsigned short>& p,
                                              float b, const utility::Colour<unsigned short>& q);

} // namespace orsine::matting

#endif
