// The pieces a mask-generation run is assembled from: its boxes, the blend
// kinds of the patches, the blend-ratio plane, the temporary status marks and
// the forced edges brought to output coordinates.
//
// Temporary status marks: 0x80 marks the status pixels of the pass about to
// run; 0x40 those already done or excluded. A run clears both before it returns.
#ifndef VARDEK_MATTING_MASK_DRIVER_PARTS_H
#define VARDEK_MATTING_MASK_DRIVER_PARTS_H

#include "core/arrays.h"
#include "core/box.h"
#include "core/status_bits.h"
#include "matting/first_matting_pass.h"
#include "matting/mask_records.h"
#include "matting/matting_arrays.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>

namespace orsine::matting {

// The blend kind of choices patches, solved by the palette solver.
constexpr int kChoicesBlend = 0;

// The blend kinds of a run, visited in ascending order: choices patches first,
// then membrane patches, then the default pass, which skips their pixels.
using BlendKindSet = std::set<int>;

// The kind a patch is matted with: membrane 1, choices 0, otherwise 2.
int patchBlendKind(const MaskPatch& patch);

// The work box grown by (status rows - 1) div 16 rows and (status columns - 1)
// div 16 columns on every side, clipped to the status domain.
classification::Box extendedBox(const classification::Box& workBox,
                                const classification::Box& statusDomain);

// The output pixels of a status box: from trunc(first x factor) to
// trunc((last + 1) x factor - 1) per axis in single precision, corners
// swapped where reversed, clipped to `outputDomain`.
classification::Box outputBoxOf(const classification::Box& statusBox, ReductionFactors factors,
                                const classification::Box& outputDomain);

// The blend kinds of `patches`, always with the default kind 2. The first
// previewed patch alone decides: the set becomes its kind only, `workBox`
// becomes its box (clipped to `clip`), every status pixel of that box outside
// its mask gets the done mark 0x40 (inside, the mark is removed), and the
// vector keeps only that patch.
BlendKindSet blendKindsOf(MaskPatches& patches, classification::Box& workBox,
                          classification::ByteArray& status, const classification::Box& clip);

// 255 x ratio, truncated, low 8 bits: a ratio above 1 wraps (1.2 gives 50).
// A ratio that is not a number, or whose product leaves the range of a 32-bit
// integer, gives 0.
unsigned char blendRatioByte(float ratio);

// The blend ratio of every status pixel of `workBox`, as blendRatioByte: the
// image-wide ratio, overwritten by each patch over its mask (later patches win).
classification::ByteArray blendRatioPlane(const classification::Box& workBox, float blendRatio,
                                          const MaskPatches& patches);

// Marks the area of a pass over `box`: with a mask, 0x80 is set inside the
// mask and removed outside; without, set over the whole box.
void markPassArea(classification::ByteArray& status, const classification::Box& box,
                  const MaskPatch* patch);
// Every pixel of `box` still carrying 0x80 is done: 0x80 becomes 0x40.
void markPassDone(classification::ByteArray& status, const classification::Box& box);
// Removes both temporary marks over `box` (clipped to the status).
void clearTemporaryMarks(classification::ByteArray& status, const classification::Box& box);
// Whether a byte of `box` carries a temporary mark.
bool hasTemporaryMarks(const classification::ByteArray& status, const classification::Box& box);

// The forced edges in output coordinates: feather width x the row factor,
// each point (row, column) to ((row + 0.5) x row factor, (column + 0.5) x
// column factor). New arrays; `edges` is left as it was.
MaskForcedEdges scaledForcedEdges(const MaskForcedEdges& edges, ReductionFactors factors);

// Every pixel of `box` of `output` becomes the source pixel, all four channels.
template <typename Pixel>
void copySourcePixels(blitz::Array<Pixel, 2>& output, const blitz::Array<Pixel, 2>& source,
                      const classification::Box& box) {
    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        Pixel* out = &output(r, box.lower.column);
        const Pixel* in = &source(r, box.lower.column);
        const std::ptrdiff_t outStep = output.stride(1), inStep = source.stride(1);
        for (int c = 0; c < box.columns(); ++c)
            out[c * outStep] = in[c * inStep];
    }
}

// The alpha of every pixel of `box` of `output` becomes 0; colours stay.
template <typename Pixel>
void clearAlpha(blitz::Array<Pixel, 2>& output, const classification::Box& box) {
    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        Pixel* out = &output(r, box.lower.column);
        const std::ptrdiff_t step = output.stride(1);
        for (int c = 0; c < box.columns(); ++c)
            out[c * step][3] = 0;
    }
}

} // namespace orsine::matting

#endif
