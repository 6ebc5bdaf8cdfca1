// Refinement of the region flood's labels into the regions the selection
// works on.
//
// The flood labels every pixel, but it can leave pixels whose label no
// 4-neighbour shares. Refinement absorbs each such pixel into the region most
// of its neighbours belong to, or, where it touches the border or another
// lone pixel, marks it as an edge pixel (-1). The result is then renumbered
// as 4-connected components of equal value, numbered 0, 1, ... by the
// position of their first pixel in row-major order; edge pixels form regions
// of their own.
#ifndef VARDEK_CLASSIFICATION_REGION_REFINEMENT_H
#define VARDEK_CLASSIFICATION_REGION_REFINEMENT_H

#include "core/arrays.h"
#include "core/box.h"

#include <cstdint>

namespace classification {

// For every pixel of `box` that shares its label in `labels` with a
// 4-neighbour, `output` receives that label; every other element of `output`
// is left as it is. Both arrays must hold `box` grown by 1 on every side.
// Bands of rows run on up to `workers` threads.
void keepRepeatedLabels(const Box& box, const LabelArray& labels, LabelArray& output,
                        unsigned workers = 1);

// Resolves, in row-major order, every pixel of `box` whose value in `labels`
// is 0 when it is visited. When one of its neighbours above, left, right and
// below (in that order) holds a value below 1, the pixel, that neighbour and
// every later neighbour holding 0 become edge pixels (-1). Otherwise the four
// neighbours vote for their labels, the most frequent label wins (on a tie
// the label that reached the count first), and the four diagonal neighbours
// holding a label above 0 then vote the same way. `labelCount` is the number
// of labels (a hint for the vote table; larger labels are counted all the
// same). `labels` must hold `box` grown by 1 on every side.
void absorbBoundaryPixels(LabelArray& labels, const Box& box, int32_t labelCount);

// Numbers the 4-connected components of equal value of `values` 0, 1, ... in
// the row-major order of their first pixels, writes each pixel's number into
// `labels` at the same position and returns the number of components.
// `labels` must hold the box of `values`; its other elements are left alone.
// The components are found in bands of rows on up to `workers` threads and
// joined where they cross from one band into the next; the numbers are
// written in the same bands.
int32_t labelComponents(const LabelArray& values, LabelArray& labels, unsigned workers = 1);

} // namespace classification

#endif
