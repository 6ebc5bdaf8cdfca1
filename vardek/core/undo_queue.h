// Undo steps and the undo queue of a session's status changes.
//
// Every change the engine makes to a status image is recorded as a step;
// steps are collected in groups, one per user action, and undo and redo move
// whole groups. A status change is kept as the run-length coded exclusive-or
// of old and new bytes over the changed box, so undo and redo are the same
// operation.
#ifndef VARDEK_CORE_UNDO_QUEUE_H
#define VARDEK_CORE_UNDO_QUEUE_H

#include "core/arrays.h"
#include "core/box.h"

#include <cstdint>
#include <deque>
#include <memory>
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

// The groups of a session (limit 200) or of mask generation's private queue
// (limit 100). The queue owns its steps.
class UndoQueue {
public:
    // A limit below 1 is taken as 1.
    explicit UndoQueue(uint32_t limit);
    ~UndoQueue();
    UndoQueue(const UndoQueue&) = delete;
    UndoQueue& operator=(const UndoQueue&) = delete;

    // Opens a new group: clears the redo list, and when the queue already holds
    // `limit` groups, drops the oldest group with all its steps.
    void openGroup();
    // Appends a step to the open group. When there is no group, or there are
    // groups to redo, a new group is opened first: a change on top of undone
    // groups must not join an older group, and makes redo meaningless.
    // A null step is ignored.
    void add(std::unique_ptr<IiUndoStep> step);
    // Deletes every step that could be redone.
    void clearRedo();
    // Undoes the last group, its steps from the last added to the first; nothing
    // when there is no group.
    void undo(ChangedBox& changed);
    // Redoes the last undone group, its steps in the order they were added;
    // nothing when there is none.
    void redo(ChangedBox& changed);
    // Undoes the last group for good, after a cancelled or failed operation; it
    // cannot be redone. The caller empties its own dirty box.
    void rollBack(ChangedBox& changed);

    // How much has been recorded: taken when an operation starts, so that a
    // cancelled or failed operation undoes exactly its own work.
    struct Mark {
        uint64_t position = 0;
    };
    Mark mark() const { return {dropped_ + steps_.size()}; }
    // Undoes for good every step added since `mark`, the last first, and drops
    // the groups opened since; the redo list is emptied. Steps and groups from
    // before the mark stay as they are, even when the operation added to the
    // group that was open then.
    void rollBackTo(Mark mark, ChangedBox& changed);

    uint32_t undoGroups() const { return undoGroups_; }
    uint32_t redoGroups() const { return redoGroups_; }
    uint32_t limit() const { return limit_; }

private:
    uint32_t undoGroups_ = 0;
    uint32_t redoGroups_ = 0;
    uint32_t limit_;
    // A null pointer starts each group; its steps follow it.
    std::deque<std::unique_ptr<IiUndoStep>> steps_;
    // Entries ever removed from the front of `steps_` (the oldest groups
    // dropped at the limit), so that a mark keeps its place.
    uint64_t dropped_ = 0;
    std::vector<std::unique_ptr<IiUndoStep>> redo_;
};

} // namespace classification

#endif
