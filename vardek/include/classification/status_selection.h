// Status selection: which pixels a brush stroke or shape may change, and
// filling the classification's selection map in exact, local, global or
// region scope; `applySelection` (apply_selection.h) then writes it into the
// status image as one undo step.
#ifndef VARDEK_CLASSIFICATION_STATUS_SELECTION_H
#define VARDEK_CLASSIFICATION_STATUS_SELECTION_H

#include "classification/segmentation.h"
#include "core/arrays.h"
#include "core/box.h"
#include "core/status_bits.h"
#include "core/undo_queue.h"

#include <cstdint>

namespace orsine::utility {
class IiUI;
}

namespace classification {

// The status bits an operation writes and the bits it tests against the from-set.
struct SelectMasks {
    uint8_t write = 0;
    uint8_t test = 0;
};

// The masks for a new status and from-set in a scope. Erasing (new status
// kUnassigned) in exact scope may clear the class of forced-edge pixels; a new
// status or from-set of kForcedEdge edits only the forced-edge bit, kProtected
// only the protection bit.
SelectMasks selectMasks(uint8_t newStatus, uint8_t fromSet, SelectScope scope);

// Whether a pixel of `status` may be changed by an operation with `fromSet`
// and `testMask`: its class must be in the from-set (when the test mask has
// class bits), and a forced-edge or protection bit under the test mask must be
// named by the from-set too. A byte of 0 (no class) is never compatible: no
// operation gives a class to a pixel that has none.
inline bool statusCompatible(uint8_t status, uint8_t fromSet, uint8_t testMask) {
    if (status == 0) return false;
    const uint8_t tested = status & testMask;
    const uint8_t allowed = fromSet & testMask;
    if ((testMask & kClassBits) && !(tested & allowed & kClassBits)) return false;
    if ((tested & kForcedEdge) && !(allowed & kForcedEdge)) return false;
    if ((tested & kProtected) && !(allowed & kProtected)) return false;
    return true;
}

// The byte a changed pixel receives.
inline uint8_t changedStatus(uint8_t old, uint8_t newStatus, uint8_t writeMask) {
    return static_cast<uint8_t>((old & ~writeMask) | (newStatus & writeMask));
}

// A stroke or shape: every pixel of `box`, or those whose `mask` byte is
// non-zero when a mask is given (indexed over the same box).
struct Selection {
    Box box;
    ByteArray mask; // empty: the whole box

    bool selected(int row, int column) const { return mask.size() == 0 || mask(row, column); }
};

// Selection levels: a tolerance truncates to one of 0 .. kSelectLevels - 1;
// level k asks for the colour groups of partition level k - 1.
constexpr int kSelectLevels = 8;

// Fills the selection map in the scope of `select` (its new status and
// from-set, with the masks selectMasks gives for them) and writes it into
// `status` (the session's status view, over the classification's source box)
// as one undo step of `queue`. Nothing is written, and nothing recorded, when the new
// status equals the from-set: the selection map then only describes the
// selected pixels. Edits of the forced-edge or protection bit (new status or
// from-set kForcedEdge or kProtected) are written without an undo step.
//
// Outside exact scope the colour groups of partition level `level` - 1 are
// used (the level is clamped to 0 .. kSelectLevels - 1); when the owner of the
// groups (the parent's classification for a sub-session that borrows its
// parent's analysis) holds another level, its partition is rebuilt first.
// Reports go to `progress` (may be null) within [start, end]; a cancel there
// raises VkExCancel before anything is written that could not be rolled back.
void selectStatus(Segmentation<6, 0>& classification, const Selection& selection, ByteArray& status,
                  SelectParams select, int level, UndoQueue* queue, orsine::utility::IiUI* progress,
                  float start, float end);

} // namespace classification

#endif
