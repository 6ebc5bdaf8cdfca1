// Entry functions that create, configure and end sessions.
#include "vardek/api/entry.h"
#include "vardek/api/fault_injection.h"
#include "vardek/api/progress.h"

using namespace vardek::entry;

VkSession* VkBeginSession(VkEngine* handle, int32_t width, int32_t height, int32_t rowBytes,
                          int32_t kind, const void* data) {
    AllocationHandlerGuard handler;
    VkEngine* engine = nullptr;
    if (resolveEngine(handle, engine) != VkOk) return nullptr;
    if (!data || width <= 0 || height <= 0 || kind != VkKindRgba8) return nullptr;
    if (static_cast<uint32_t>(rowBytes) < 4u * static_cast<uint32_t>(width)) return nullptr;
    try {
        VARDEK_FAULT_POINT("session.construct");
        // Sessions are not built yet: refuse rather than hand out a handle that does nothing.
        return nullptr;
    } catch (const VkExCancel&) {
        return nullptr;
    } catch (...) {
        markFailed(*engine);
        return nullptr;
    }
}

VkSession* VkBeginSubSession(VkSession* parentHandle, const VkMaskRect* rect,
                             int32_t /*forAnalysis*/) {
    AllocationHandlerGuard handler;
    VkInSession* parent = nullptr;
    if (resolveSession(parentHandle, parent) != VkOk || !rect) return nullptr;
    return nullptr;
}

VkResult VkEndSession(VkSession* handle) {
    AllocationHandlerGuard handler;
    VkInSession* session = nullptr;
    if (VkResult r = resolveSession(handle, session)) return r;
    return guarded(*session->engine, [&] {
        VkInProgress progress(vardekProgressCallback, "End Session", false);
        delete session;
        return VkOk;
    });
}

VkResult VkSetAnalysisOptions(VkSession* handle, VkAnalysisOptions /*options*/) {
    return onSession(handle, [](VkInSession&) { return VkNotSupported; });
}
