// Writing a rectangle of status bytes supplied by the caller into a status
// view: the body of set status and of the sub-session pull and push.
#ifndef VARDEK_CLASSIFICATION_SET_STATUS_H
#define VARDEK_CLASSIFICATION_SET_STATUS_H

#include "classification/segmentation.h"
#include "core/arrays.h"

namespace classification {

// Writes the bytes of `source` into `destination` where both are non-zero,
// over the intersection of their boxes, as one step in the classification's
// undo queue (recorded whenever the boxes meet); adds that box to the changed
// box and empties the dirty box. Both views are in image coordinates; nothing
// happens when they do not meet.
void setStatusRect(Segmentation<6, 0>& classification, ByteArray& destination,
                   const ByteArray& source);

} // namespace classification

#endif
