// Writing the selection map into the status image.
//
// Every status-changing operation works in two phases: it puts the new bytes
// of the pixels it wants to change into the classification's `selectionMap`
// and grows `dirtyBox` around them; `applySelection` then copies them into the
// status image as one undo step.
#ifndef VARDEK_CLASSIFICATION_APPLY_SELECTION_H
#define VARDEK_CLASSIFICATION_APPLY_SELECTION_H

#include "classification/segmentation.h"
#include "core/arrays.h"
#include "core/undo_queue.h"

namespace classification {

// Writes the selection map over `dirtyBox` into `status`: every pixel whose
// map byte is non-zero receives the written bits of it, and bytes of 0 on
// either side stay as they are. With a queue the change is recorded first as
// one step (in a new group when the queue has none open or could redo); then
// `dirtyBox` joins the changed box.
void applySelection(Segmentation<6, 0>& classification, ByteArray& status, UndoQueue* queue);

} // namespace classification

#endif
