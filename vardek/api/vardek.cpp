// The entry functions of the call interface. Each checks its arguments and
// handles in the frame of entry.h and hands the work to the session, the
// session operations, image scaling or the generate-mask call.
#include "api/vardek.h"

#include "api/entry.h"
#include "api/generate_mask_call.h"
#include "api/scale_image.h"
#include "api/session_operations.h"
#include "core/fault_injection.h"
#include "core/progress.h"
#include "core/status_bits.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <type_traits>

// The call interface publishes the engine's status bits.
static_assert(VkStatusNone == 0 && VkStatusUnassigned == classification::kUnassigned &&
              VkStatusKeep == classification::kKeep && VkStatusDelete == classification::kDelete &&
              VkStatusBlend == classification::kBlend);
static_assert(VkStatusClassMask == classification::kClassBits &&
              VkStatusForcedEdge == classification::kForcedEdge &&
              VkStatusPatchProtection == classification::kProtected &&
              VkStatusTempDone == classification::kDoneMark &&
              VkStatusTempWork == classification::kPassMark);
// The progress function of the call interface is the one the engine's reporter calls.
static_assert(std::is_same_v<VkProgressFunction, orsine::utility::ProgressFunction>);

using namespace vardek::entry;
using namespace orsine::matting;
namespace operations = vardek::operations;

namespace {

// The caller's pixel arguments as an image record, for the checks.
VkImage viewOf(int32_t width, int32_t height, int32_t rowBytes, int32_t kind, const void* data) {
    return {width, height, rowBytes, kind, static_cast<unsigned char*>(const_cast<void*>(data))};
}

} // namespace

// ---------------------------------------------------------------------------
// The engine instance and its status images
// ---------------------------------------------------------------------------
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
        if (!readableView(viewOf(width, height, rowBytes, kind, data), pixelBytes)) return nullptr;
    }
    try {
        return newStatusImage(*engine, width, height, rowBytes, kind, data);
    } catch (...) {
        return nullptr;
    }
}

// ---------------------------------------------------------------------------
// Sessions: begin, configure, end
// ---------------------------------------------------------------------------
VkSession* VkBeginSession(VkEngine* handle, int32_t width, int32_t height, int32_t rowBytes,
                          int32_t kind, const void* data) {
    AllocationHandlerGuard handler;
    VkEngine* engine = nullptr;
    if (resolveEngine(handle, engine) != VkOk) return nullptr;
    // Rows are compared in 64 bits: negative row bytes, or a width whose four
    // bytes a pixel pass the 32-bit range, would read outside the caller's pixels.
    if (kind != VkKindRgba8 || !readableView(viewOf(width, height, rowBytes, kind, data), 4))
        return nullptr;
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

// ---------------------------------------------------------------------------
// The status-changing session operations and the analysis
// ---------------------------------------------------------------------------
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

// ---------------------------------------------------------------------------
// The undo queue
// ---------------------------------------------------------------------------
namespace {

// Undo and redo: out of memory may leave the queue half moved, so the engine
// is marked failed in every failure, with VkUndoOutOfMemory for out of memory.
template <class Move> VkResult undoOrRedo(VkSession* handle, Move&& move) {
    return onSession(handle, [&](VkInSession& session) {
        try {
            move(session);
            return VkOk;
        } catch (const std::bad_alloc&) {
            markFailed(*session.engine);
            return VkUndoOutOfMemory;
        }
    });
}

} // namespace

VkResult VkNewUndoGroup(VkSession* handle) {
    return onSession(handle, [](VkInSession& session) {
        session.classification->undoQueue.openCommandGroup();
        return VkOk;
    });
}

VkResult VkUndo(VkSession* handle) {
    return undoOrRedo(handle, [](VkInSession& session) { session.undo(); });
}

VkResult VkRedo(VkSession* handle) {
    return undoOrRedo(handle, [](VkInSession& session) { session.redo(); });
}

VkResult VkNumAvailableUndo(VkSession* handle, uint32_t* count) {
    return onSession(handle, [&](VkInSession& session) {
        if (!count) return VkNotSupported;
        *count = session.classification->undoQueue.undoGroups();
        return VkOk;
    });
}

VkResult VkNumAvailableRedo(VkSession* handle, uint32_t* count) {
    return onSession(handle, [&](VkInSession& session) {
        if (!count) return VkNotSupported;
        *count = session.classification->undoQueue.redoGroups();
        return VkOk;
    });
}

// ---------------------------------------------------------------------------
// Named variables
// ---------------------------------------------------------------------------
VkResult VkSetVariable(VkSession* handle, const char* name, float value) {
    return onSession(handle, [&](VkInSession& session) {
        // A sub-session's variables steer nothing: its analysis settings are its parent's.
        if (session.isSubSession() || !name) return VkNotSupported;
        // Not a number: refused. Normalised values beyond [0, 1] are clamped:
        // they would extrapolate the scales past the ranges the analysis is
        // built for (an edge width of 32768 pixels from 3, say).
        if (!std::isfinite(value)) return VkNotSupported;
        value = std::clamp(value, 0.0f, 1.0f);
        try {
            if (!session.variableTable->setByName(name, value)) return VkNotSupported;
        } catch (const vardek::Variables::VariableNotFound&) {
            return VkNotSupported;
        }
        session.publishAnalysisOptions();
        return VkOk;
    });
}

VkResult VkGetVariable(VkSession* handle, const char* name, VkVariable* variable) {
    return onSession(handle, [&](VkInSession& session) {
        if (!name || !variable) return VkNotSupported;
        try {
            *variable = session.variableTable->record(name);
        } catch (const vardek::Variables::VariableNotFound&) {
            return VkNotSupported;
        }
        return VkOk;
    });
}

// ---------------------------------------------------------------------------
// Image scaling. It touches no engine state and may run on another thread
// while an engine call runs, so it leaves the process-wide allocation-failure
// handler alone.
// ---------------------------------------------------------------------------
VkResult VkScaleImage(VkImage target, VkImage source) {
    if (target.kind != VkKindRgba8 || source.kind != VkKindRgba8) return VkNotSupported;
    if (!readableView(target, 4) || !readableView(source, 4)) return VkNotSupported;
    const int factor = vardek::scaleFactor(target, source);
    // Any other factor would write nothing; that is not a success.
    if (factor != 1 && factor != 2 && factor != 4 && factor != 8) return VkNotSupported;
    try {
        vardek::scaleImage(target, source, factor);
        return VkOk;
    } catch (...) {
        return VkFailed;
    }
}

// ---------------------------------------------------------------------------
// Generate mask: checks, the blend ratio, the reduction factor and work box,
// and the working copy of the output's work box.
// ---------------------------------------------------------------------------
namespace {

template <class Pixel, class Run>
VkResult onWorkingCopy(const VkImage& output, const classification::Box& work, Run&& run) {
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
        // A rectangle that covers no output pixel leaves nothing to generate.
        if (work.isEmpty()) return VkNotSupported;

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
