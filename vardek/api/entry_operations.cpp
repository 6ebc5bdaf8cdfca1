// Entry functions of the status-changing session operations.
#include "vardek/api/entry.h"

using namespace vardek::entry;

VkResult VkAnalyseImage(VkSession* handle, VkProgressFunction /*progress*/) {
    return onSession(handle, [](VkInSession&) { return VkNotSupported; });
}

VkResult VkSelect(VkSession* session, VkImage* statusImage, const VkMaskRect* /*stroke*/,
                  uint8_t /*newStatus*/, uint8_t /*fromStatus*/, int32_t /*scope*/,
                  float /*tolerance*/, VkProgressFunction /*progress*/) {
    return onSessionImage(session, statusImage,
                          [](VkInSession&, VkInImage&) { return VkNotSupported; });
}

VkResult VkAutoComplex(VkSession* session, VkImage* statusImage, float /*bandFactor*/,
                       VkProgressFunction /*progress*/) {
    return onSessionImage(session, statusImage,
                          [](VkInSession&, VkInImage&) { return VkNotSupported; });
}

VkResult VkDespeckleSelection(VkSession* session, VkImage* statusImage, uint8_t /*size*/) {
    return onSessionImage(session, statusImage,
                          [](VkInSession&, VkInImage&) { return VkNotSupported; });
}

VkResult VkAutoFill(VkSession* session, VkImage* statusImage, const VkRect* /*rect*/,
                    uint8_t seedClass, float /*radiusFactor*/) {
    return onSessionImage(session, statusImage, [&](VkInSession&, VkInImage&) {
        if (seedClass != 0 && seedClass != VkStatusKeep && seedClass != VkStatusDelete)
            return VkNotSupported;
        return VkNotSupported;
    });
}

VkResult VkSetStatus(VkSession* session, VkImage* statusImage, const VkMaskRect* /*statusBytes*/) {
    return onSessionImage(session, statusImage,
                          [](VkInSession&, VkInImage&) { return VkNotSupported; });
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
