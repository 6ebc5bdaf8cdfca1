// Entry functions that create, configure and end sessions.
#include "api/entry.h"
#include "core/fault_injection.h"
#include "core/progress.h"

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
        return new VkInSession(*engine, width, height, rowBytes, data);
    } catch (const VkExCancel&) {
        return nullptr;
    } catch (...) {
        markFailed(*engine);
        return nullptr;
    }
}

VkSession* VkBeginSubSession(VkSession* parentHandle, const VkMaskRect* rect, int32_t forAnalysis) {
    AllocationHandlerGuard handler;
    VkInSession* parent = nullptr;
    if (resolveSession(parentHandle, parent) != VkOk || !rect) return nullptr;
    // Only rectangles inside the parent's area: anything else would read and
    // write outside the image.
    const classification::Box box =
        classification::Box::fromRect(rect->x, rect->y, rect->width, rect->height);
    if (rect->width <= 0 || rect->height <= 0 || !parent->area().contains(box)) return nullptr;
    // Mask rows shorter than the rectangle would be read beyond their ends.
    if (rect->data && rect->rowBytes < rect->width) return nullptr;
    try {
        VARDEK_FAULT_POINT("subsession.construct");
        return new VkInSession(*parent, *rect, forAnalysis != 0);
    } catch (const VkExCancel&) {
        return nullptr;
    } catch (...) {
        markFailed(*parent->engine);
        return nullptr;
    }
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

VkResult VkSetAnalysisOptions(VkSession* handle, VkAnalysisOptions options) {
    return onSession(handle,
                     [&](VkInSession& session) { return session.setAnalysisOptions(options); });
}
