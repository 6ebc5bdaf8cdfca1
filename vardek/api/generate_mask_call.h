// What the generate-mask call works out before the run: the clamped blend
// ratio, the reduction factor of the status image against the output, the
// status and output boxes, and the engine's forms of the caller's patch and
// forced-edge records. Every size and rectangle from the caller is taken in
// 64 bits, so that no sum or product of them can overflow.
#ifndef VARDEK_API_GENERATE_MASK_CALL_H
#define VARDEK_API_GENERATE_MASK_CALL_H

#include "api/vardek.h"
#include "core/arrays.h"
#include "core/box.h"
#include "matting/first_matting_pass.h"
#include "matting/mask_records.h"
#include "matting/matting_arrays.h"

#include <blitz/array.h>

#include <cstdint>
#include <optional>

namespace orsine::matting {

// What a generate-mask run is asked for besides its images: the caller's
// records as given, and the values the call worked out.
struct MaskRequest {
    std::optional<classification::Box> statusBox; // the clipped rectangle, when one was given
    ReductionFactors factors{1.0f, 1.0f};         // output pixels per status pixel
    const VkForcedEdgeRecord* forcedEdges = nullptr;
    uint32_t forcedEdgeCount = 0;
    float autoBlendWidth = 0.0f;
    float blendRatio = 1.0f; // clamped
    const VkPatchRecord* patches = nullptr;
    uint32_t patchCount = 0;
};

// Below 0 gives 0, above 1 or not a number gives 1.
float clampBlendRatio(float ratio);

// 1, 2, 4 or 8 from the ratio (outputHeight - 1) / (statusHeight - 1), taken
// in single precision: 1 within (0.9, 1.1), 2 within (1.8, 2.2), 4 within
// (3.6, 4.4), 8 otherwise (a status image of one row included).
int reductionFactor(int64_t outputHeight, int64_t statusHeight);

// The status image's box, clipped to the caller's rectangle (x, y, width,
// height) when one is given; may be empty.
classification::Box clippedStatusBox(int64_t statusWidth, int64_t statusHeight, const VkRect& rect);

// The output pixels a status box covers at `factor` output pixels per status
// pixel, corners put in order, clipped to the output; without a status box the
// whole output.
classification::Box outputWorkBox(const std::optional<classification::Box>& statusBox, int factor,
                                  int64_t outputWidth, int64_t outputHeight);

// One MaskPatch per record, in order. Each patch box is clipped to `domain`
// (the status pixels the run may address) and its mask, a view of the
// caller's bytes, to the clipped box. A record whose box misses the domain,
// or whose mask rows are shorter than its width, becomes a patch with an empty
// box, which no pass visits.
MaskPatches toMaskPatches(const VkPatchRecord* records, uint32_t count,
                          const classification::Box& domain);

// The forced edges in order, points as (y, x): points that are not finite are
// dropped and consecutive repeats collapse to one; an edge left with fewer than
// two points is dropped.
MaskForcedEdges toMaskForcedEdges(const VkForcedEdgeRecord* records, uint32_t count);

// Whether the caller's view can be read as pixels of `pixelBytes` bytes: it
// has data, a positive size, and rows at least as long as its width that start
// a whole number of pixels apart (the engine's arrays step by whole pixels, so
// other row bytes would read the rows askew and write into their padding).
bool readableView(const VkImage& view, int64_t pixelBytes);

// The caller's view as pixels over (0, 0) to (height - 1, width - 1), rows
// rowBytes / sizeof(Pixel) pixels apart; the memory stays the caller's. The
// view must be readable.
template <class Pixel> blitz::Array<Pixel, 2> pixelsOf(const VkImage& view) {
    return classification::viewOver(reinterpret_cast<Pixel*>(view.data), view.height, view.width,
                                    view.rowBytes / static_cast<int32_t>(sizeof(Pixel)));
}

// Copies the pixels of `output` inside `work` into new memory indexed by the
// box's coordinates, gives the copy to `run`, and copies it back into `output`
// only when `run` returns VkOk. Returns what `run` returned.
template <class Pixel, class Run>
VkResult runOnWorkingCopy(blitz::Array<Pixel, 2> output, const classification::Box& work,
                          Run&& run) {
    blitz::Array<Pixel, 2> working = classification::arrayOver<Pixel>(work);
    if (!work.isEmpty()) working = boxView(output, work);
    const VkResult result = run(working);
    if (result == VkOk && !work.isEmpty()) {
        blitz::Array<Pixel, 2> target = boxView(output, work);
        target = working;
    }
    return result;
}

} // namespace orsine::matting

#endif
