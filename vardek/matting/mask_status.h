// Status preparation of a mask-generation run: which classes the work box
// holds, the auto fill that completes a box holding only one of them, and the
// box the colour estimates are gathered from.
#ifndef VARDEK_MATTING_MASK_STATUS_H
#define VARDEK_MATTING_MASK_STATUS_H

#include "classification/segmentation.h"
#include "core/arrays.h"
#include "core/box.h"
#include "core/progress.h"
#include "core/undo_queue.h"
#include "matting/mask_driver.h"

namespace orsine::matting {

// The session's preparation of a run (a MaskStatusPreparation). `status` is
// the status image over `statusDomain`, `workBox` the run's work box D,
// `extendedBox` D grown by a sixteenth of the image. When D (or, failing that,
// the whole image) holds one class and unassigned pixels, the auto fill gives
// those pixels the other class, with a blend band of `bandFactor`, as a group
// of its own in `queue`. The flags then tell whether keep and delete marks
// exist in D or, failing that, anywhere in the image; the estimation box is
// the extended box when D holds both, else the whole image. Each fill reports
// into the part of `progress` up to 0.2. An exception from a fill passes on
// with its group left open: the run rolls back every group it opened.
PreparedMaskStatus prepareMaskStatus(classification::Segmentation<6, 0>& classification,
                                     classification::ByteArray& status,
                                     const classification::Box& statusDomain,
                                     const classification::Box& workBox,
                                     const classification::Box& extendedBox, float bandFactor,
                                     classification::UndoQueue& queue, ProgressRange progress);

} // namespace orsine::matting

#endif
