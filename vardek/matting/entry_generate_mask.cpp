// The generate-mask entry function.
#include "vardek/api/entry.h"

using namespace vardek::entry;

VkResult VkGenerateMask(VkSession* session, const VkRect* /*rect*/, VkImage /*output*/,
                        VkImage /*source*/, VkImage* statusImage,
                        const VkForcedEdgeRecord* /*forcedEdges*/, uint32_t /*forcedEdgeCount*/,
                        float /*autoBlendWidth*/, float /*blendRatio*/,
                        const VkPatchRecord* /*patches*/, uint32_t /*patchCount*/) {
    return onSessionImage(session, statusImage,
                          [](VkInSession&, VkInImage&) { return VkNotSupported; });
}
