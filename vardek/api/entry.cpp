// Resolving the handles an entry function receives.
#include "api/entry.h"

#include "api/handle_registry.h"

namespace vardek::entry {

VkResult resolveEngine(VkEngine* handle, VkEngine*& engine) {
    if (!isLiveHandle(HandleKind::Engine, handle) || !handle->signature.isAlive())
        return VkBadEngine;
    if (handle->failed) return VkEngineFailed;
    engine = handle;
    return VkOk;
}

VkResult resolveSession(VkSession* handle, VkInSession*& session) {
    if (!isLiveHandle(HandleKind::Session, handle)) return VkBadSession;
    VkInSession* candidate = inSession(handle);
    if (!candidate->isAlive()) return VkBadSession;
    VkEngine* engine = nullptr;
    if (VkResult r = resolveEngine(candidate->engine, engine)) return r;
    session = candidate;
    return VkOk;
}

VkResult resolveImage(VkImage* handle, VkInImage*& image) {
    if (!isLiveHandle(HandleKind::Image, handle)) return VkBadImage;
    VkInImage* candidate = inImage(handle);
    if (!candidate->isAlive()) return VkBadImage;
    image = candidate;
    return VkOk;
}

} // namespace vardek::entry
