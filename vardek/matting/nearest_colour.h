// Nearest-colour estimates of one class for membrane blending: the colour of
// the nearest class pixel carried over the estimation box, then relaxed over
// the band like a stretched membrane pinned at the class pixels.
#ifndef VARDEK_MATTING_NEAREST_COLOUR_H
#define VARDEK_MATTING_NEAREST_COLOUR_H

#include "core/arrays.h"
#include "core/progress.h"
#include "matting/mask_records.h"
#include "matting/matting_arrays.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace orsine::matting {

// Chamfer distances in units of 1/34 pixel.
constexpr int32_t kNearestAxial = 34;
constexpr int32_t kNearestDiagonal = 48;
constexpr int32_t kNearestKnight = 76;
constexpr int32_t kNearestFar = 0x3FFFFFFF;

// One relaxation of the two scans: when reaching `to` through `from` is
// strictly shorter, take that distance and from's colour (ties keep the first
// neighbour in scan order).
inline void propagateNearestColour(int32_t* distance, Rgb8* colour, std::ptrdiff_t from,
                                   std::ptrdiff_t to, int32_t weight) {
    const int32_t through = distance[from] + weight;
    if (through < distance[to]) {
        distance[to] = through;
        colour[to] = colour[from];
    }
}

// Smoothing iterations for a membrane value: 1 + floor(99 x value) for values of
// 0 and above (1 to 100 over 0 to 1, and 100 above 1); zero or less means none.
// A value that is not a number gives none.
int membraneIterations(float membraneValue);

// One over-relaxed membrane step of a channel: 1.5 x the neighbours' mean minus
// 0.5 x the pixel's own value, rounded half up and clamped to [0, 255]. A pixel
// without a counted neighbour keeps its value.
inline unsigned char membraneStep(unsigned char own, int neighbourSum, int neighbourCount) {
    if (neighbourCount <= 0) return own;
    // trunc(0.5 - 0.5 x own + 1.5 x sum x (1 / count)), clamped to [0, 255]
    const float value =
        0.5f - 0.5f * static_cast<float>(own) +
        1.5f * static_cast<float>(neighbourSum) * (1.0f / static_cast<float>(neighbourCount));
    const int truncated = static_cast<int>(std::clamp(value, -1.0f, 256.0f));
    return static_cast<unsigned char>(std::clamp(truncated, 0, 255));
}

// The colour image of class `classBit` (0x02 keep or 0x04 delete) over the
// domain of `status` (the status view over the estimation box): the class
// pixels keep their analysis colour, every other pixel takes the colour of its
// nearest class pixel by the 5 x 5 chamfer distance, and then the band pixels
// (temporary mark 0x80 without the done mark 0x40) are smoothed for
// membraneIterations(patch.membraneValue) iterations. With no class pixel in
// the box the analysis colours are kept before smoothing. `analysisImage` is at
// status resolution and covers the box; only its first three channels are read.
// The smoothing reports its iterations to `progress`, whose reporter may cancel.
Rgb8Array firstPassStage(const Image8& analysisImage, const classification::ByteArray& status,
                         unsigned char classBit, const MaskPatch& patch,
                         ProgressRange progress = ProgressRange(nullptr));

} // namespace orsine::matting

#endif
