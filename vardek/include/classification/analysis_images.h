// The image types of the analysis, shared by the classification and its stages.
#ifndef VARDEK_CLASSIFICATION_ANALYSIS_IMAGES_H
#define VARDEK_CLASSIFICATION_ANALYSIS_IMAGES_H

#include "core/colour.h"

#include <blitz/array.h>
#include <blitz/tinyvec2.h>

namespace classification {

// The session's pixels: blue, green, red, alpha.
using SourceImage = blitz::Array<orsine::utility::Colour<unsigned char>, 2>;
// Six smoothed channels per pixel: the openings and closings of blue, green, red.
using TexturePixel = blitz::TinyVector<unsigned char, 6>;
using TextureImage = blitz::Array<TexturePixel, 2>;
// Edge evidence in channels 0 and 1, the local edge width in channel 2.
using EdgePixel = blitz::TinyVector<unsigned char, 3>;
using EdgePlanes = blitz::Array<EdgePixel, 2>;

} // namespace classification

#endif
