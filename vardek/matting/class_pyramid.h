// Pyramid of the colours of a class's boundary pixels (class pixels beside a
// pixel without the class), and its lookup as a neighbourhood mean that grows
// until it has seen enough of them.
#ifndef VARDEK_MATTING_CLASS_PYRAMID_H
#define VARDEK_MATTING_CLASS_PYRAMID_H

#include "core/arrays.h"
#include "core/progress.h"
#include "matting/matting_arrays.h"

#include <vector>

namespace orsine::matting {

// Sums of channels 0, 1 and 2 and the number of pixels summed.
using PyramidCell = blitz::TinyVector<float, 4>;
using PyramidLevel = blitz::Array<PyramidCell, 2>;
// Finest level first; level k has 2^(k + 1) status pixels a cell. Empty when the
// class has no boundary pixel in the box.
using ClassPyramid = std::vector<PyramidLevel>;

// Fills `pyramid` (given empty) with the boundary pixels of class `classBit`
// inside `estimationBox` (status coordinates; clipped to the status and colour
// images). Level 0 covers the box with both corners halved, each further level
// the previous one's box halved, up to a level of extent 1. Reports 0.25 after
// the boundary scan, then approaches 0.5 level by level, then 1.0 (nothing
// after 0.25 when the pyramid stays empty).
void buildClassPyramid(const classification::ByteArray& status,
                       const classification::Box& estimationBox, unsigned char classBit,
                       const Image8& colourImage, ClassPyramid& pyramid, ProgressRange progress);
void buildClassPyramid16(const classification::ByteArray& status,
                         const classification::Box& estimationBox, unsigned char classBit,
                         const Image16& colourImage, ClassPyramid& pyramid, ProgressRange progress);

// Weighted sums of the pyramid around `position` (row, column, status
// coordinates): a bilinear read per level, finest first, each level weighted by
// 1 / c^4 for its scale c, until the count scaled back to pixels exceeds 2. The
// colour is accumulator[i] / accumulator[3]; the count is 0 when the pyramid is
// empty.
void lookupClassColour(const ClassPyramid& pyramid, blitz::TinyVector<float, 2> position,
                       PyramidCell& accumulator);

// The class colour at `position` into colour[0..2]; false (colour untouched)
// when the lookup counted nothing.
bool classColourAt(const ClassPyramid& pyramid, blitz::TinyVector<float, 2> position,
                   float colour[3]);

} // namespace orsine::matting

#endif
