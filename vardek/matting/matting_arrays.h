// Array types shared by the mask-generation passes, and what the passes read of
// the session's classification.
#ifndef VARDEK_MATTING_MATTING_ARRAYS_H
#define VARDEK_MATTING_MATTING_ARRAYS_H

#include "core/box.h"
#include "core/colour.h"

#include <blitz/array.h>

namespace orsine::matting {

// Four-channel images (blue, green, red, alpha) of 8 or 16 bits a sample.
using Image8 = blitz::Array<orsine::utility::Colour<unsigned char>, 2>;
using Image16 = blitz::Array<orsine::utility::Colour<unsigned short>, 2>;

// Three-channel 8-bit colours (blue, green, red): the nearest-colour estimates.
using Rgb8 = blitz::TinyVector<unsigned char, 3>;
using Rgb8Array = blitz::Array<Rgb8, 2>;

// Keep distance (component 0) and delete distance (component 1) of a status pixel.
using DistancePair = blitz::TinyVector<float, 2>;
using DistanceArray = blitz::Array<DistancePair, 2>;

// What the matting passes read of the session's classification: the opacity a
// source pixel needs before it is handled (a fraction of full scale; 1.0 for
// every classification), and the analysis image at status resolution, which
// the membrane estimates are gathered from.
// A view of `array` over `box`, indexed by the box's own coordinates (a plain
// Blitz++ subarray keeps the parent's lower bounds).
template <typename T>
blitz::Array<T, 2> boxView(const blitz::Array<T, 2>& array, const classification::Box& box) {
    blitz::Array<T, 2> view = array(box.domain());
    view.reindexSelf(box.lower.index());
    return view;
}

struct MattingClassification {
    float opacityThreshold = 1.0f;
    Image8 analysisImage;
};

} // namespace orsine::matting

#endif
