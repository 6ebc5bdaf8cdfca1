// The generate-mask entry function: checks, the blend ratio, the reduction
// factor and work box, and the working copy of the output's work box.
#include "api/entry.h"
#include "api/generate_mask_call.h"
#include "core/progress.h"

#include <new>
#include <optional>

using namespace vardek::entry;
using namespace orsine::matting;

namespace {

template <class Pixel, class Run>
int onWorkingCopy(const VkImage& output, const classification::Box& work, Run&& run) {
    return runOnWorkingCopy(pixelsOf<Pixel>(output), work, run);
}

} // namespace

VkResult VkGenerateMask(VkSession* session, const VkRect* rect, VkImage output, VkImage source,
                        VkImage* statusImage, const VkForcedEdgeRecord* forcedEdges,
                        uint32_t forcedEdgeCount, float autoBlendWidth, float blendRatio,
                        const VkPatchRecord* patches, uint32_t patchCount) {
    return onSessionImage(session, statusImage, [&](VkInSession& s, VkInImage& status) -> VkResult {
        MaskRequest request;
        request.blendRatio = clampBlendRatio(blendRatio);
        request.autoBlendWidth = autoBlendWidth;
        request.forcedEdges = forcedEdges;
        request.forcedEdgeCount = forcedEdgeCount;
        request.patches = patches;
        request.patchCount = patchCount;
        if (rect) request.statusBox = clippedStatusBox(status.width, status.height, *rect);
        const int factor = reductionFactor(output.height, status.height);
        request.factors = ReductionFactors(static_cast<float>(factor), static_cast<float>(factor));
        const classification::Box work =
            outputWorkBox(request.statusBox, factor, output.width, output.height);

        if (source.kind < VkKindRgba8 || source.kind > VkKindRgba15) return VkNotSupported;
        // The output is read with the source's kind; both must be readable
        // views of the same size, or the run would read outside the caller's pixels.
        const int64_t pixelBytes = source.kind == VkKindRgba8 ? 4 : 8;
        if (!readableView(source, pixelBytes) || !readableView(output, pixelBytes) ||
            output.width != source.width || output.height != source.height)
            return VkNotSupported;

        try {
            if (source.kind == VkKindRgba8) {
                const Image8 pixels = pixelsOf<Image8::T_numtype>(source);
                return onWorkingCopy<Image8::T_numtype>(output, work, [&](Image8 working) {
                    return s.generateMask(working, pixels, status, request);
                });
            }
            const Image16 pixels = pixelsOf<Image16::T_numtype>(source);
            return onWorkingCopy<Image16::T_numtype>(output, work, [&](Image16 working) {
                return s.generateMask(working, pixels, source.kind == VkKindRgba15, status,
                                      request);
            });
        } catch (const VkExCancel&) {
            return VkCancelled;
        } catch (const std::bad_alloc&) {
            return VkOutOfMemory;
        }
    });
}
