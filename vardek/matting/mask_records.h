// The engine's own forms of the caller's patch and forced-edge records, as the
// mask-generation passes read them.
#ifndef VARDEK_MATTING_MASK_RECORDS_H
#define VARDEK_MATTING_MASK_RECORDS_H

#include "core/arrays.h"
#include "core/box.h"

#include <blitz/array.h>

#include <cstdint>
#include <vector>

namespace orsine::matting {

// One patch with its blending, built from a VkPatchRecord.
struct MaskPatch {
    // The mask over `box`, sharing the caller's bytes; empty when the caller
    // gave none (then the whole box is the patch).
    classification::ByteArray mask;
    classification::Box box;
    int32_t fgOverride = 0;
    int32_t bgOverride = 0;
    uint8_t fgColour[3] = {0, 0, 0}; // blue, green, red
    bool isPreview = false;
    uint8_t bgColour[3] = {0, 0, 0}; // blue, green, red
    float blendRatio = 0.0f;
    bool param2AboveHalf = false;
    bool membrane = false;
    float membraneValue = 0.0f;
    bool choices = false;
    float choice1 = 0.0f; // the solver's keep palette size
    float choice2 = 0.0f; // the solver's delete palette size

    // Whether status pixel (r, c) belongs to the patch.
    bool covers(int r, int c) const {
        if (!box.contains({r, c})) return false;
        return mask.size() == 0 || mask(r, c) != 0;
    }
};

// A forced edge: its feather width and its points as (row, column), that is (y, x).
struct MaskForcedEdge {
    float featherWidth = 0.0f;
    blitz::Array<blitz::TinyVector<float, 2>, 1> points;
};

using MaskPatches = std::vector<MaskPatch>;
using MaskForcedEdges = blitz::Array<MaskForcedEdge, 1>;

} // namespace orsine::matting

#endif
