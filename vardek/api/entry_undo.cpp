// Entry functions of the undo queue.
#include "vardek/api/entry.h"

using namespace vardek::entry;

VkResult VkNewUndoGroup(VkSession* handle) {
    return onSession(handle, [](VkInSession&) { return VkNotSupported; });
}

VkResult VkUndo(VkSession* handle) {
    return onSession(handle, [](VkInSession&) { return VkNotSupported; });
}

VkResult VkRedo(VkSession* handle) {
    return onSession(handle, [](VkInSession&) { return VkNotSupported; });
}

VkResult VkNumAvailableUndo(VkSession* handle, uint32_t* /*count*/) {
    return onSession(handle, [](VkInSession&) { return VkNotSupported; });
}

VkResult VkNumAvailableRedo(VkSession* handle, uint32_t* /*count*/) {
    return onSession(handle, [](VkInSession&) { return VkNotSupported; });
}
