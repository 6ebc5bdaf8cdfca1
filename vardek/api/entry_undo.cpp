// Entry functions of the undo queue.
#include "api/entry.h"

#include <new>

using namespace vardek::entry;

namespace {

// Undo and redo: out of memory may leave the queue half moved, so the engine
// is marked failed in every failure, with 8 for out of memory.
template <class Move> VkResult undoOrRedo(VkSession* handle, Move&& move) {
    return onSession(handle, [&](VkInSession& session) {
        try {
            move(session);
            return VkOk;
        } catch (const std::bad_alloc&) {
            markFailed(*session.engine);
            return VkUndoOutOfMemory;
        }
    });
}

} // namespace

VkResult VkNewUndoGroup(VkSession* handle) {
    return onSession(handle, [](VkInSession& session) {
        session.classification->undoQueue.openGroup();
        return VkOk;
    });
}

VkResult VkUndo(VkSession* handle) {
    return undoOrRedo(handle, [](VkInSession& session) { session.undo(); });
}

VkResult VkRedo(VkSession* handle) {
    return undoOrRedo(handle, [](VkInSession& session) { session.redo(); });
}

VkResult VkNumAvailableUndo(VkSession* handle, uint32_t* count) {
    return onSession(handle, [&](VkInSession& session) {
        if (!count) return VkNotSupported;
        *count = session.classification->undoQueue.undoGroups();
        return VkOk;
    });
}

VkResult VkNumAvailableRedo(VkSession* handle, uint32_t* count) {
    return onSession(handle, [&](VkInSession& session) {
        if (!count) return VkNotSupported;
        *count = session.classification->undoQueue.redoGroups();
        return VkOk;
    });
}
