// Despeckle: fills the small holes of the current selection with its class.
#ifndef VARDEK_CLASSIFICATION_DESPECKLE_H
#define VARDEK_CLASSIFICATION_DESPECKLE_H

#include "classification/segmentation.h"
#include "core/arrays.h"
#include "core/progress.h"
#include "core/undo_queue.h"

namespace classification {

// The first half of despeckle: reads the selection the preceding operation
// left (`selectionMap` over `dirtyBox`, with its new status c and masks) and
// puts every pixel that lies in a hole of the selection closed by a square of
// side `size` + 1, and whose status is unassigned or of class c, into the
// selection map with class c. Holes wider than the square, and bays open to
// the outside of the selection box, stay as they are. False when there is
// nothing to write (no selection, or size 0). Reports into [start, end] of
// `progress` (may be null), which may raise VkExCancel.
bool stageDespeckle(Segmentation<6, 0>& classification, const ByteArray& status, int size,
                    orsine::utility::IiUI* progress, float start, float end);

// Despeckle: stages the fill and writes it into `status` as one undo step of
// `queue` (may be null); nothing is recorded when there is nothing to write.
void despeckleSelection(Segmentation<6, 0>& classification, ByteArray& status, int size,
                        UndoQueue* queue, orsine::utility::IiUI* progress, float start, float end);

} // namespace classification

#endif
