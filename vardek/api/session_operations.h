// The session operations behind the status-changing entry functions and the
// analysis. Each checks that the session can do it, works on the session's
// view of the status image under a progress reporter with its own label,
// publishes the box of changed pixels, and turns a cancel or running out of
// memory into a roll-back of exactly its own work and a result code. Anything
// else escapes to the entry function, which marks the engine failed.
#ifndef VARDEK_API_SESSION_OPERATIONS_H
#define VARDEK_API_SESSION_OPERATIONS_H

#include "api/vardek.h"
#include "classification/segmentation.h"
#include "core/arrays.h"
#include "core/box.h"
#include "core/progress.h"

#include <functional>
#include <optional>

struct VkInSession;
struct VkInImage;

namespace vardek::operations {

using Classification = classification::Segmentation<6, 0>;

// Whether the classification the session's status operations work with has a
// segmentation: the session's own analysis when it analyses its own image (a
// session, or a sub-session begun for analysis), else its parent's.
bool hasSegmentation(const VkInSession& session);

// The selection level of a tolerance: truncated toward zero and clamped to
// the levels that exist. The tolerance must be a number.
int selectLevel(float tolerance);

// What the body of a status operation works on.
struct StatusWork {
    VkInSession& session;
    Classification& classification;
    classification::ByteArray& status; // the session's view of the status image
    ProgressRange& range;              // the whole range of the operation's reporter
};

// The body: VkOk when done, or a result of its own (VkNotSupported) when there
// was nothing it could do. It raises VkExCancel or std::bad_alloc to have its
// work rolled back.
using StatusBody = std::function<VkResult(StatusWork&)>;

struct StatusFrame {
    const char* label;
    VkProgressFunction progress; // null: nothing reported, nothing can cancel
    // VkNoSegmentation before anything else when the session has no segmentation.
    bool needsSegmentation = false;
    // The selection map and labels cover the classification's image: a status
    // view of another size is refused with VkNotSupported.
    bool needsWholeView = true;
    // Whether the changed box is published after a roll-back.
    bool publishAfterRollBack = true;
};

// The common frame: checks, the session's view of `image`, a cancellable
// reporter with a range over it, the body, publication of the changed box.
// The undo position is taken before the body runs; on a cancel (VkCancelled)
// or out of memory (VkOutOfMemory) every step recorded since is undone for
// good, together with the group the application opened for the command when
// the operation is the first in it, so the cancelled command leaves no group
// behind. A command that did not open its own group never undoes the previous
// command's work.
VkResult runStatusOperation(VkInSession& session, VkInImage& image, const StatusFrame& frame,
                            const StatusBody& body);

// "Select": `stroke` selects its rectangle, or where its bytes are non-zero
// when it has data. VkNotSupported for a stroke whose row bytes cannot hold
// its width or whose rectangle does not meet the status image, a tolerance
// that is not a number or a scope other than exact, local and global;
// VkNoSegmentation outside exact scope without a segmentation.
VkResult select(VkInSession& session, VkInImage& image, const VkMaskRect& stroke, uint8_t newStatus,
                uint8_t fromSet, int32_t scope, float tolerance, VkProgressFunction progress);

// "SetStatus": writes the non-zero bytes of `bytes` over the non-zero status
// bytes of the session's view, as one undo step. VkNotSupported for a record
// without bytes, whose row bytes cannot hold its width, whose rectangle does
// not meet the status image or whose bytes there carry the temporary marks of
// mask generation (VkStatusTempDone, VkStatusTempWork). With no progress function (pull and push)
// nothing is reported and nothing can cancel.
VkResult setStatus(VkInSession& session, VkInImage& image, const VkMaskRect& bytes,
                   VkProgressFunction progress);

// "Auto fill": `seedClass` 0 (the class of the first marked pixel),
// VkStatusKeep or VkStatusDelete; VkNotSupported for another class, for a
// rectangle on a sub-session, or when class 0 finds no keep or delete pixel.
// Without a segmentation no blend band is drawn.
VkResult autoFill(VkInSession& session, VkInImage& image, const VkRect* rect, uint8_t seedClass,
                  float radiusFactor);

// "Despeckle selection": fills the small holes of the last selection.
VkResult despeckle(VkInSession& session, VkInImage& image, uint8_t size);

// "Auto complex": the classification's auto complex over the session's view,
// after the select it follows; `bandFactor` 0 draws no blend band.
VkResult autoComplex(VkInSession& session, VkInImage& image, float bandFactor,
                     VkProgressFunction progress);

// "Analyse Image": decides from the changed variables how much to redo, hands
// the variables to the classification, and runs `body` (the classification's
// analysis, which drops its cached results first for a full redo) with the
// sub-session's mask or none; then publishes the analysed flag and the object
// edges, remembers the variables and lets sub-sessions without their own
// analysis share the result. A cancel (VkCancelled) or out of memory
// (VkOutOfMemory) rolls the variables back; VkUndoOutOfMemory or VkFailed when
// that roll-back fails (the engine is then marked failed). VkNoSegmentation for
// a session that may not be analysed.
using AnalysisBody = std::function<void(Classification&, bool fullRedo,
                                        const classification::ByteArray* mask, ProgressRange&)>;
VkResult analyse(VkInSession& session, VkProgressFunction progress, const AnalysisBody& body);
// The same with the classification's own analysis as the body.
VkResult analyse(VkInSession& session, VkProgressFunction progress);

} // namespace vardek::operations

#endif
