// Undo steps of a session's status changes.
//
// Every change the engine makes to a status image is recorded as a step. A
// status change is kept as the run-length coded exclusive-or of old and new
// bytes over the changed box, so undo and redo are the same operation.
#ifndef VARDEK_CORE_UNDO_STEP_H
#define VARDEK_CORE_UNDO_STEP_H

#include "core/arrays.h"
#include "core/box.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace classification {

// The box of status pixels changed since the session last published it (the
// classification's `changedBox`); undo and redo grow it by the boxes of the
// steps they apply.
using ChangedBox = std::optional<Box>;

// Unites `box` into `changed`, which becomes `box` when it is absent; an empty
// box adds nothing.
void addChanged(ChangedBox& changed, const Box& box);

class IiUndoStep {
public:
    virtual ~IiUndoStep() = default;
    virtual void undo(ChangedBox& changed) = 0;
    virtual void redo(ChangedBox& changed) = 0;
};

// A change of a status image over a box.
class IiUndoModifyStatus final : public IiUndoStep {
public:
    // The longest run one word can hold (the 24 bits above the byte).
    static constexpr uint32_t kMaxRun = 0xFFFFFF;

    // Records the change over `box` from the current bytes of `status` to the
    // bytes of `proposed`, before it is written. Both arrays are indexed in the
    // status image's coordinates and must cover the box. Where either byte is 0
    // nothing is recorded, since such a byte is never changed. The step keeps a
    // view of `status`, whose bytes must stay valid while it can be undone.
    IiUndoModifyStatus(const Box& box, const ByteArray& proposed, const ByteArray& status);

    // Both apply the exclusive-or to the status bytes and add the box to `changed`.
    void undo(ChangedBox& changed) override { apply(changed); }
    void redo(ChangedBox& changed) override { apply(changed); }

    const Box& box() const { return box_; }
    // Words (length << 8) | x in row-major order over the box: `length` pixels
    // receive byte ^= x.
    const std::vector<uint32_t>& runs() const { return runs_; }

private:
    void apply(ChangedBox& changed);

    Box box_;
    std::vector<uint32_t> runs_;
    ByteArray target_;
};

} // namespace classification

#endif
