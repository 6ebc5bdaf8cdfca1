// The session operation "Generate mask": records converted, the driver of the
// sample kind run over the session's status view, the changed area settled
// on every path.
#include "api/generate_mask_call.h"
#include "api/image.h"
#include "api/session.h"
#include "core/progress.h"
#include "matting/mask_driver.h"
#include "matting/mask_status.h"

namespace {

using classification::ByteArray;
using namespace orsine::matting;

template <class Image, class Run>
int runGenerateMask(VkInSession& session, Image working, const Image& source, VkInImage& image,
                    const MaskRequest& request, Run run) {
    if (session.analysisAllowed && !session.analysed) return VkNoSegmentation;
    VkInProgress reporter(vardekProgressCallback, "Generate mask", true);
    ProgressRange range(&reporter);

    ByteArray status = session.statusView(image);
    // Patches are clipped to the status view, so that no pass addresses a
    // status pixel outside it.
    MaskPatches patches =
        toMaskPatches(request.patches, request.patchCount, classification::boxOf(status));
    MaskForcedEdges edges = toMaskForcedEdges(request.forcedEdges, request.forcedEdgeCount);

    int result = 0;
    try {
        MaskRunSession runSession{*session.classification, session.classification->undoQueue,
                                  prepareMaskStatus};
        result = run(runSession, working, source, status, request.statusBox, request.factors, edges,
                     request.autoBlendWidth, request.blendRatio, patches, range.subRange(0.75f));
    } catch (...) {
        session.publishChangedBox();
        throw;
    }
    session.publishChangedBox();
    return result;
}

} // namespace

int VkInSession::generateMask(Image8 working, const Image8& source, VkInImage& status,
                              const MaskRequest& request) {
    return runGenerateMask(*this, working, source, status, request, runMaskGeneration8);
}

int VkInSession::generateMask(Image16 working, const Image16& source, bool fullScale32768,
                              VkInImage& status, const MaskRequest& request) {
    return fullScale32768
               ? runGenerateMask(*this, working, source, status, request, runMaskGeneration15)
               : runGenerateMask(*this, working, source, status, request, runMaskGeneration16);
}
