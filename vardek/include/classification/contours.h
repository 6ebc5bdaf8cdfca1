// Crack-following contours of label images and masks.
//
// A contour walks the unit edges ("cracks") between 4-adjacent pixels of
// different labels and lists the pixel corners it passes; the corner (r, c) is
// the top-left corner of pixel (r, c). A walk keeps its own label on the right
// and stops where three labels meet, so every boundary piece between two
// junctions, and every closed boundary, becomes one contour. Closed contours
// end with their first point again.
#ifndef VARDEK_CLASSIFICATION_CONTOURS_H
#define VARDEK_CLASSIFICATION_CONTOURS_H

#include "classification/polylines.h"
#include "core/arrays.h"
#include "core/box.h"

#include <cstdint>
#include <vector>

namespace classification {

// A contour of a label image with the labels on its two sides, seen along the
// direction of its points.
struct ContourRecord {
    int32_t rightLabel = 0;
    int32_t leftLabel = 0;
    IntPolyline points;
};

// Traces every boundary between different labels that has a side inside `box`.
// `labels` must cover `box` grown by 1 on every side; give the margin a label of
// its own (the engine uses -1) so the image border is traced too.
// The pixels where a contour may start are found in bands of rows on up to
// `workers` threads; the contours are the same for any number.
std::vector<ContourRecord> traceContours(const LabelArray& labels, const Box& box,
                                         unsigned workers = 1);

// The same tracer on bytes, keeping only the points. `image` must cover `box`
// grown by 1 on every side.
std::vector<IntPolyline> traceMaskOutline(const ByteArray& image, const Box& box);

// The outline of a patch mask (non-zero inside), simplified with tolerance 0.1:
// a filled rectangle gives its four corners and the first corner again.
std::vector<IntPolyline> buildPatchOutline(const ByteArray& mask);

} // namespace classification

#endif
