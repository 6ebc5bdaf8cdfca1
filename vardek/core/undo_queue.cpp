#include "core/undo_queue.h"

#include "core/fault_injection.h"

#include <algorithm>
#include <cstddef>

namespace classification {

UndoQueue::UndoQueue(uint32_t limit) : limit_(std::max<uint32_t>(limit, 1)) {}

UndoQueue::~UndoQueue() {
    steps_.clear();
    undoGroups_ = 0;
    clearRedo();
}

void UndoQueue::openGroup() {
    VARDEK_FAULT_POINT("undo.openGroup");
    commandGroupOpen_ = false;
    clearRedo();
    steps_.push_back(nullptr);
    if (undoGroups_ < limit_) {
        ++undoGroups_;
        return;
    }
    // At the limit: drop the oldest whole group, its marker first and then its
    // steps up to the next group's marker. The new marker at the back ends the
    // walk at the latest.
    steps_.pop_front();
    ++dropped_;
    while (steps_.front()) {
        steps_.pop_front();
        ++dropped_;
    }
}

void UndoQueue::openCommandGroup() {
    openGroup();
    commandGroupOpen_ = true;
}

UndoQueue::Mark UndoQueue::beginOperation() {
    Mark m = mark();
    m.ownsLastGroup = commandGroupOpen_;
    commandGroupOpen_ = false;
    return m;
}

void UndoQueue::add(std::unique_ptr<IiUndoStep> step) {
    if (!step) return;
    if (undoGroups_ == 0 || redoGroups_ > 0) openGroup();
    steps_.push_back(std::move(step));
    commandGroupOpen_ = false;
}

void UndoQueue::clearRedo() {
    redo_.clear();
    redoGroups_ = 0;
}

void UndoQueue::undo(ChangedBox& changed) {
    if (undoGroups_ == 0) return;
    VARDEK_FAULT_POINT("undo.undo");
    commandGroupOpen_ = false;
    // Make room in the redo list first, so that moving the group cannot fail half way.
    std::size_t groupSize = 0;
    for (auto it = steps_.rbegin(); *it; ++it)
        ++groupSize;
    const std::size_t needed = redo_.size() + groupSize + 1;
    if (needed > redo_.capacity()) redo_.reserve(std::max(needed, 2 * redo_.capacity()));

    redo_.push_back(nullptr);
    ++redoGroups_;
    while (steps_.back()) {
        steps_.back()->undo(changed);
        redo_.push_back(std::move(steps_.back()));
        steps_.pop_back();
    }
    steps_.pop_back();
    --undoGroups_;
}

void UndoQueue::redo(ChangedBox& changed) {
    if (redoGroups_ == 0) return;
    VARDEK_FAULT_POINT("undo.redo");
    commandGroupOpen_ = false;
    // No limit check: the group was counted before it was undone.
    steps_.push_back(nullptr);
    ++undoGroups_;
    while (redo_.back()) {
        steps_.push_back(std::move(redo_.back()));
        redo_.pop_back();
        steps_.back()->redo(changed);
    }
    redo_.pop_back();
    --redoGroups_;
}

void UndoQueue::rollBack(ChangedBox& changed) {
    undo(changed);
    clearRedo();
}

void UndoQueue::rollBackTo(Mark mark, ChangedBox& changed) {
    // Only what was appended since the mark is taken off the back; nothing is
    // moved anywhere, so this allocates nothing.
    while (!steps_.empty() && dropped_ + steps_.size() > mark.position) {
        if (steps_.back())
            steps_.back()->undo(changed);
        else
            --undoGroups_;
        steps_.pop_back();
    }
    // The command's own group, now empty again: its marker is the last entry
    // before the mark.
    if (mark.ownsLastGroup && !steps_.empty() && !steps_.back() &&
        dropped_ + steps_.size() == mark.position) {
        steps_.pop_back();
        --undoGroups_;
    }
    commandGroupOpen_ = false;
    clearRedo();
}

} // namespace classification
