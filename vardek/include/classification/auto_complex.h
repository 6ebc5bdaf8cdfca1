// Auto complex: after a keep stroke next to delete marks (or a delete stroke
// next to keep marks), the stroke and the opposite marks flood the unassigned
// surroundings of the stroke over the segmentation's edge values. In local and
// global scope the stroke's class is then given to every flooded hole that the
// stroke encloses; with a band factor, blend disks are painted along the line
// where the two floods meet. It reads what the preceding select left in the
// selection map, and writes through it as one undo step.
#ifndef VARDEK_CLASSIFICATION_AUTO_COMPLEX_H
#define VARDEK_CLASSIFICATION_AUTO_COMPLEX_H

#include "classification/segmentation.h"
#include "core/arrays.h"
#include "core/undo_queue.h"

namespace orsine::utility {
class IiUI;
}

namespace classification {

// Pixels the flood may reach beyond the box of the select on every side.
constexpr int kAutoComplexMargin = 32;

// Auto complex of the last select over `status` (the session's status view).
// Does nothing, and records nothing, when the band factor is 0 after an exact
// select, when the select changed nothing, when its class is neither keep nor
// delete, or when the select's pixels have no unassigned surroundings to
// flood. A disk around a meeting pixel x has the radius
// bandFactor x 0.5 x pixelScaleMap[x] + 0.49 and changes only pixels whose
// status the select's from-set, the stroke's class or the opposite class
// allows. Reports into [start, end] of `progress` (may be null), with the
// flood's own checkpoint label inside; a report may raise VkExCancel, which
// leaves the status image untouched.
void autoComplex(Segmentation<6, 0>& classification, ByteArray& status, UndoQueue* queue,
                 orsine::utility::IiUI* progress, float start, float end, float bandFactor);

} // namespace classification

#endif
