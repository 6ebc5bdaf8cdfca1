// Entry functions of the status-changing session operations and the analysis.
#include "api/entry.h"
#include "api/session_operations.h"

using namespace vardek::entry;
namespace operations = vardek::operations;

VkResult VkAnalyseImage(VkSession* handle, VkProgressFunction progress) {
    return onSession(handle,
                     [&](VkInSession& session) { return operations::analyse(session, progress); });
}

VkResult VkSelect(VkSession* session, VkImage* statusImage, const VkMaskRect* stroke,
                  uint8_t newStatus, uint8_t fromStatus, int32_t scope, float tolerance,
                  VkProgressFunction progress) {
    return onSessionImage(session, statusImage, [&](VkInSession& s, VkInImage& image) -> VkResult {
        if (!stroke) return VkNotSupported;
        return operations::select(s, image, *stroke, newStatus, fromStatus, scope, tolerance,
                                  progress);
    });
}

VkResult VkAutoComplex(VkSession* session, VkImage* statusImage, float bandFactor,
                       VkProgressFunction progress) {
    return onSessionImage(session, statusImage, [&](VkInSession& s, VkInImage& image) {
        return operations::autoComplex(s, image, bandFactor, progress);
    });
}

VkResult VkDespeckleSelection(VkSession* session, VkImage* statusImage, uint8_t size) {
    return onSessionImage(session, statusImage, [&](VkInSession& s, VkInImage& image) -> VkResult {
        return operations::despeckle(s, image, size);
    });
}

VkResult VkAutoFill(VkSession* session, VkImage* statusImage, const VkRect* rect, uint8_t seedClass,
                    float radiusFactor) {
    return onSessionImage(session, statusImage, [&](VkInSession& s, VkInImage& image) -> VkResult {
        return operations::autoFill(s, image, rect, seedClass, radiusFactor);
    });
}

VkResult VkSetStatus(VkSession* session, VkImage* statusImage, const VkMaskRect* statusBytes) {
    return onSessionImage(session, statusImage, [&](VkInSession& s, VkInImage& image) -> VkResult {
        if (!statusBytes) return VkNotSupported;
        return operations::setStatus(s, image, *statusBytes, vardekProgressCallback);
    });
}

VkResult VkSubSessionPull(VkSession* subSession, VkImage* statusImage) {
    return onSessionImage(subSession, statusImage, [](VkInSession& session, VkInImage& image) {
        return session.pull(image);
    });
}

VkResult VkSubSessionPush(VkSession* subSession, VkImage* statusImage) {
    return onSessionImage(subSession, statusImage, [](VkInSession& session, VkInImage& image) {
        return session.push(image);
    });
}
