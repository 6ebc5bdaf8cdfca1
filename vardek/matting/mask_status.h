// Status preparation of a mask-generation run: which classes the work box
// holds, the auto fill that completes a box holding only one of them, and the
// box the colour estimates are gathered from.
#ifndef VARDEK_MATTING_MASK_STATUS_H
#define VARDEK_MATTING_MASK_STATUS_H

#include "classification/Arrays.h"
#include "classification/Box.h"
#include "classification/Segmentation.h"
#include "vardek/api/progress.h"
#include "vardek/api/undo.h"

namespace orsine::matting {

struct MaskStatusPreparation {
    // The extended box when the work box holds both classes, else the whole status image.
    classification::Box estimationBox;
    bool hasKeep = false;
    bool hasDelete = false;
    // The undo groups the fills opened on the queue (0, 1 or 2).
    int fillGroups = 0;
};

// `status` is the status image over `statusDomain`, `workBox` the run's work
// box D, `extendedBox` D grown by a sixteenth of the image. When D (or, failing
// that, the whole image) holds one class and unassigned pixels, the auto fill
// gives those pixels the other class with a blend band of `bandFactor`, as one
// group of `queue`. The flags then tell whether keep and delete marks exist in
// D or, failing that, anywhere in the image. Each fill reports into the part of
// `progress` up to 0.2. When a fill raises, the groups opened so far are
// rolled back before the exception passes on.
MaskStatusPreparation prepareMaskStatus(classification::Segmentation<6, 0>& classification,
                                        classification::ByteArray status,
                                        const classification::Box& statusDomain,
                                        const classification::Box& workBox,
                                        const classification::Box& extendedBox, float bandFactor,
                                        classification::UndoQueue& queue, ProgressRange progress);

} // namespace orsine::matting

#endif
