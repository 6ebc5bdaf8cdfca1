// Entry functions of the engine instance and its status images.
#include "api/entry.h"
#include "core/fault_injection.h"

using namespace vardek::entry;

VkEngine* VkInit() {
    AllocationHandlerGuard handler;
    try {
        VARDEK_FAULT_POINT("VkInit");
        return new VkEngine();
    } catch (...) {
        return nullptr;
    }
}

VkResult VkFinish(VkEngine* handle) {
    AllocationHandlerGuard handler;
    VkEngine* engine = nullptr;
    if (VkResult r = resolveEngine(handle, engine)) return r;
    delete engine;
    return VkOk;
}

VkImage* VkNewStatusImage(VkEngine* handle, int32_t width, int32_t height, int32_t rowBytes,
                          int32_t kind, const void* data) {
    AllocationHandlerGuard handler;
    VkEngine* engine = nullptr;
    if (resolveEngine(handle, engine) != VkOk) return nullptr;
    // Nothing to read or an empty image: refuse rather than read outside the caller's pixels.
    if (!data || width <= 0 || height <= 0) return nullptr;
    if (kind >= VkKindRgba8 && kind <= VkKindRgba15) {
        const int64_t pixelBytes = kind == VkKindRgba8 ? 4 : 8;
        if (static_cast<int64_t>(rowBytes) < pixelBytes * width) return nullptr;
    }
    try {
        return newStatusImage(*engine, width, height, rowBytes, kind, data);
    } catch (...) {
        return nullptr;
    }
}
