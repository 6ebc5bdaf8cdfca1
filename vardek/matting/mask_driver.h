// One mask-generation run: status preparation, the all-keep and all-delete
// short cuts, the blend kinds of the patches with their passes, the undo of a
// rectangle run's status changes, and the forced-edge pass. The run owns the
// temporary status marks 0x80 and 0x40 and removes them on every path.
#ifndef VARDEK_MATTING_MASK_DRIVER_H
#define VARDEK_MATTING_MASK_DRIVER_H

#include "classification/segmentation.h"
#include "core/arrays.h"
#include "core/box.h"
#include "core/progress.h"
#include "core/undo_queue.h"
#include "matting/first_matting_pass.h"
#include "matting/mask_records.h"
#include "matting/matting_arrays.h"
#include "matting/pass_result.h"
#include "matting/sample_kinds.h"

#include <functional>
#include <optional>

namespace orsine::matting {

// What the status preparation found: the box colour estimates are gathered
// from, and whether keep and delete marks exist (in the work box or, failing
// that, anywhere in the image).
struct PreparedMaskStatus {
    classification::Box estimationBox;
    bool hasKeep = false;
    bool hasDelete = false;
};

// The status preparation a run starts with, prepareMaskStatus for a session:
// (classification, status, status domain, work box, extended box, band
// factor, the run's undo queue, progress). Each fill it makes is a group of
// the queue; whatever it recorded before raising, the run takes back.
using MaskStatusPreparation = std::function<PreparedMaskStatus(
    classification::Segmentation<6, 0>&, classification::ByteArray&, const classification::Box&,
    const classification::Box&, const classification::Box&, float, classification::UndoQueue&,
    ProgressRange)>;

// The session side of a run: its classification (analysis image, opacity
// threshold, changed box), its undo queue and the status preparation.
struct MaskRunSession {
    classification::Segmentation<6, 0>& classification;
    classification::UndoQueue& undoQueue;
    MaskStatusPreparation prepare;
};

// What a run is asked for besides its images.
struct MaskRunRequest {
    // The caller's rectangle at status resolution; none for the whole image.
    std::optional<classification::Box> statusBox;
    ReductionFactors factors{1.0f, 1.0f}; // output pixels per status pixel
    MaskForcedEdges forcedEdges;          // in status coordinates
    float autoBlendWidth = 0.0f;          // the band factor of the status preparation's fills
    float blendRatio = 1.0f;
    // The run keeps only the previewed patch when there is one.
    MaskPatches patches;
};

// A run for the sample kind `Kind` (sample_kinds.h). `output` is the working
// array (indexed by the output coordinates of its box; read and written),
// `source` the whole source, `status` the session's status view.
//
// A run over the whole analysis image records its preparation in the
// session's queue; any other run records it in a private queue, writes
// "nUndo N" (N its group count) to standard output and undoes it, so a
// rectangle run leaves the status as it found it.
//
// Returns kPassGaveUp when the work box is empty or a pass gave up (the output
// is then reset to the source), else kPassDone. An exception rolls back what
// the run recorded in its queue, removes the temporary marks and passes on.
template <class Kind>
int runMaskGeneration(MaskRunSession& session, typename Kind::Image output,
                      const typename Kind::Image& source, classification::ByteArray status,
                      MaskRunRequest request, ProgressRange progress);

// The runs of each kind: 8-bit samples (full scale 255), 16-bit with full
// scale 65535 and 16-bit with full scale 32768.
int runMaskGeneration8(MaskRunSession& session, Image8 output, const Image8& source,
                       classification::ByteArray status, MaskRunRequest request,
                       ProgressRange progress);
int runMaskGeneration16(MaskRunSession& session, Image16 output, const Image16& source,
                        classification::ByteArray status, MaskRunRequest request,
                        ProgressRange progress);
int runMaskGeneration15(MaskRunSession& session, Image16 output, const Image16& source,
                        classification::ByteArray status, MaskRunRequest request,
                        ProgressRange progress);

} // namespace orsine::matting

#endif
