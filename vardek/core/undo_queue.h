// The undo queue of a session's status changes: steps are collected in
// groups, one per user action, and undo and redo move whole groups.
#ifndef VARDEK_CORE_UNDO_QUEUE_H
#define VARDEK_CORE_UNDO_QUEUE_H

#include "core/undo_step.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace classification {

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
    // Opens the group of the application's next command (VkNewUndoGroup). Until
    // a step is added or an operation begins, the group belongs to the
    // operation that begins next: a roll-back of that operation removes it.
    void openCommandGroup();
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
        // The last group was opened for the operation's command and was still
        // empty: it goes with the operation's work.
        bool ownsLastGroup = false;
    };
    Mark mark() const { return {dropped_ + steps_.size(), false}; }
    // The mark of a status operation that begins now: it owns the command's
    // group when the application opened one for it and nothing has been added
    // to it or begun in it since.
    Mark beginOperation();
    // Undoes for good every step added since `mark`, the last first, and drops
    // the groups opened since, and the group the mark owns; the redo list is
    // emptied. Other steps and groups from before the mark stay as they are,
    // even when the operation added to the group that was open then, so a
    // command without a group of its own never undoes the previous command.
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
    // The last group was opened by openCommandGroup and is still untouched.
    bool commandGroupOpen_ = false;
};

} // namespace classification

#endif
