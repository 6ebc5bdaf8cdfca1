// Entry functions of the session's named variables.
#include "vardek/api/entry.h"

using namespace vardek::entry;

VkResult VkSetVariable(VkSession* handle, const char* /*name*/, float /*value*/) {
    return onSession(handle, [](VkInSession&) { return VkNotSupported; });
}

VkResult VkGetVariable(VkSession* handle, const char* /*name*/, VkVariable* /*variable*/) {
    return onSession(handle, [](VkInSession&) { return VkNotSupported; });
}
