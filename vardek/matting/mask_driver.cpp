#include "matting/mask_driver.h"

#include "core/fault_injection.h"
#include "matting/chamfer_distance.h"
#include "matting/forced_edges.h"
#include "matting/mask_driver_parts.h"
#include "matting/palette_solver.h"

#include <cstdint>
#include <iostream>
#include <utility>

namespace orsine::matting {

namespace {

using classification::Box;
using classification::ByteArray;
using classification::UndoQueue;
using Classification = classification::Segmentation<6, 0>;

// The status box of a patch's pass: its box, clipped to the caller's rectangle
// and to the status image.
Box patchArea(const MaskPatch& patch, const std::optional<Box>& statusBox,
              const Box& statusDomain) {
    Box area = Box::intersection(patch.box, statusDomain);
    if (statusBox) area.intersect(*statusBox);
    return area;
}

// Undoes every group of a rectangle run's private queue, after writing how many
// there were to standard output: the "nUndo" trace is part of the engine's
// interface, not a debugging aid.
void undoPrivateQueue(UndoQueue& queue, Classification& classification) {
    std::cout << "nUndo " << queue.undoGroups() << "\n" << std::flush;
    while (queue.undoGroups() > 0)
        queue.undo(classification.changedBox);
}

// Takes back what the run recorded in `queue` after a failure. A mark rather
// than a group count tells what that was, so this still works when the
// session's queue is at its limit, where opening a group drops the oldest one
// and the count stays the same. A run that recorded nothing leaves the queue,
// its redo list included, alone.
void rollBackRun(UndoQueue& queue, UndoQueue::Mark start, Classification& classification) {
    if (queue.mark().position == start.position) return;
    queue.rollBackTo(start, classification.changedBox);
    classification.dirtyBox = Box::empty();
}

} // namespace

template <class Kind>
int runMaskGeneration(MaskRunSession& session, typename Kind::Image output,
                      const typename Kind::Image& source, ByteArray status, MaskRunRequest request,
                      ProgressRange progress) {
    using Image = typename Kind::Image;
    const std::optional<Box>& statusBox = request.statusBox;
    const ReductionFactors factors = request.factors;
    MaskPatches& patches = request.patches;
    Classification& classification = session.classification;

    const Box statusDomain = classification::boxOf(status);
    const Box analysisDomain = classification.sourceBox();
    Box work = analysisDomain;
    if (statusBox) work.intersect(*statusBox);
    work.intersect(statusDomain);
    if (work.isEmpty()) return kPassGaveUp;

    const Box outputBox = outputBoxOf(
        work, factors,
        Box::intersection(classification::boxOf(output), classification::boxOf(source)));

    UndoQueue privateQueue(100);
    const bool privateRun = work != analysisDomain;
    UndoQueue& queue = privateRun ? privateQueue : session.undoQueue;
    const UndoQueue::Mark start = queue.mark();
    // Every status box that may carry temporary marks.
    Box marked = work;

    try {
        const PreparedMaskStatus prepared = session.prepare(
            classification, status, statusDomain, work, extendedBox(work, statusDomain),
            request.autoBlendWidth, queue, progress.subRange(0.1f));

        Image out = classification::windowOf(output, outputBox);
        const Image in = classification::windowOf(source, outputBox);

        // Only one class: the cut-out is the source, or nothing of it.
        if (!prepared.hasKeep || !prepared.hasDelete) {
            if (!prepared.hasDelete)
                copySourcePixels(out, in, outputBox);
            else
                clearAlpha(out, outputBox);
            if (privateRun) undoPrivateQueue(queue, classification);
            clearTemporaryMarks(status, marked);
            return kPassDone;
        }

        const BlendKindSet kinds =
            blendKindsOf(patches, work, status, Box::intersection(analysisDomain, statusDomain));
        marked.unite(work);
        int passResult = kPassDone;
        {
            const ByteArray plane = blendRatioPlane(work, request.blendRatio, patches);
            const DistanceArray distances =
                chamferDistanceTransform(classification::windowOf(status, work));
            progress.subRange(0.2f);

            // The first pass gathers its colours at status resolution: the
            // source itself when it has the analysis image's size, else the
            // analysis image.
            const Image8& analysis = classification.source;
            const bool sourceAtStatusSize =
                source.extent(0) == analysis.extent(0) && source.extent(1) == analysis.extent(1);
            const MattingClassification matting{classification.opacityThreshold, analysis};
            const auto firstPass = [&](const Box& box, int blendKind, const MaskPatch& patch,
                                       ProgressRange child) {
                VARDEK_FAULT_POINT("generateMask.pass");
                const FirstPassRequest pass{status,    box,   prepared.estimationBox,
                                            factors,   plane, distances,
                                            blendKind, &patch};
                if (sourceAtStatusSize)
                    return firstMattingPass<Kind>(matting, out, in, source, pass, child);
                return firstMattingPassOnAnalysis<Kind>(matting, out, in, analysis, pass, child);
            };

            const MaskPatch neutral;
            const int patchCount = static_cast<int>(patches.size());
            for (const int kind : kinds) {
                if (kind == kDefaultBlend) {
                    markPassArea(status, work, nullptr);
                    passResult |= firstPass(work, kDefaultBlend, neutral, progress.subRange(0.9f));
                    markPassDone(status, work);
                    continue;
                }
                for (int i = 0; i < patchCount; ++i) {
                    const MaskPatch& patch = patches[i];
                    if (patchBlendKind(patch) != kind) continue;
                    const Box area = patchArea(patch, statusBox, statusDomain);
                    if (area.isEmpty()) continue;
                    markPassArea(status, area, &patch);
                    marked.unite(area);
                    if (kind == kChoicesBlend) {
                        VARDEK_FAULT_POINT("generateMask.pass");
                        const float end =
                            0.5f * static_cast<float>(i + 1) / static_cast<float>(patchCount);
                        passResult |= solveMatting<Kind>(in, status, out, area, factors, patch,
                                                         progress.subRange(end));
                    } else {
                        passResult |=
                            firstPass(area, kMembraneBlend, patch, progress.subRange(0.75f));
                    }
                    markPassDone(status, area);
                }
            }
        }

        // A pass that gave up leaves nothing of the run in the output.
        if (passResult != kPassDone) copySourcePixels(out, in, outputBox);
        if (privateRun) undoPrivateQueue(queue, classification);
        clearTemporaryMarks(status, marked);
        // A failed run fails whatever the forced edges could add.
        if (passResult != kPassDone) return passResult;

        applyForcedEdges<Kind>(classification, out, in, status, factors,
                               scaledForcedEdges(request.forcedEdges, factors),
                               progress.subRange(1.0f));
        return kPassDone;
    } catch (...) {
        rollBackRun(queue, start, classification);
        clearTemporaryMarks(status, marked);
        throw;
    }
}

template int runMaskGeneration<Kind8>(MaskRunSession&, Image8, const Image8&, ByteArray,
                                      MaskRunRequest, ProgressRange);
template int runMaskGeneration<Kind16>(MaskRunSession&, Image16, const Image16&, ByteArray,
                                       MaskRunRequest, ProgressRange);
template int runMaskGeneration<Kind15>(MaskRunSession&, Image16, const Image16&, ByteArray,
                                       MaskRunRequest, ProgressRange);

int runMaskGeneration8(MaskRunSession& session, Image8 output, const Image8& source,
                       ByteArray status, MaskRunRequest request, ProgressRange progress) {
    return runMaskGeneration<Kind8>(session, output, source, status, std::move(request), progress);
}

int runMaskGeneration16(MaskRunSession& session, Image16 output, const Image16& source,
                        ByteArray status, MaskRunRequest request, ProgressRange progress) {
    return runMaskGeneration<Kind16>(session, output, source, status, std::move(request), progress);
}

int runMaskGeneration15(MaskRunSession& session, Image16 output, const Image16& source,
                        ByteArray status, MaskRunRequest request, ProgressRange progress) {
    return runMaskGeneration<Kind15>(session, output, source, status, std::move(request), progress);
}

} // namespace orsine::matting
