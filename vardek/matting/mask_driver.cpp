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

// The passes of each sample kind.
struct Run8 {
    using Image = Image8;
    template <class... Args> static int solve(Args&&... args) {
        return solveMatting8(std::forward<Args>(args)...);
    }
    template <class... Args> static int solveOnArray(Args&&... args) {
        return solveMattingOnArray(std::forward<Args>(args)...);
    }
    template <class... Args> static int firstPass(Args&&... args) {
        return firstMattingPass8(std::forward<Args>(args)...);
    }
    template <class... Args> static int firstPassOnArray(Args&&... args) {
        return firstMattingPassOnArray(std::forward<Args>(args)...);
    }
    template <class... Args> static int forcedEdges(Args&&... args) {
        return applyForcedEdges8(std::forward<Args>(args)...);
    }
};
struct Run16 {
    using Image = Image16;
    template <class... Args> static int solve(Args&&... args) {
        return solveMatting16(std::forward<Args>(args)...);
    }
    template <class... Args> static int solveOnArray(Args&&... args) {
        return solveMatting16OnArray(std::forward<Args>(args)...);
    }
    template <class... Args> static int firstPass(Args&&... args) {
        return firstMattingPass16(std::forward<Args>(args)...);
    }
    template <class... Args> static int firstPassOnArray(Args&&... args) {
        return firstMattingPassOnArray16(std::forward<Args>(args)...);
    }
    template <class... Args> static int forcedEdges(Args&&... args) {
        return applyForcedEdges16(std::forward<Args>(args)...);
    }
};
struct Run15 {
    using Image = Image16;
    template <class... Args> static int solve(Args&&... args) {
        return solveMatting15(std::forward<Args>(args)...);
    }
    template <class... Args> static int solveOnArray(Args&&... args) {
        return solveMatting15OnArray(std::forward<Args>(args)...);
    }
    template <class... Args> static int firstPass(Args&&... args) {
        return firstMattingPass15(std::forward<Args>(args)...);
    }
    template <class... Args> static int firstPassOnArray(Args&&... args) {
        return firstMattingPassOnArray15(std::forward<Args>(args)...);
    }
    template <class... Args> static int forcedEdges(Args&&... args) {
        return applyForcedEdges15(std::forward<Args>(args)...);
    }
};

// A choices patch goes to the palette solver of the kind, directly when the
// source has the analysis image's extent and through the solver's entry for
// other extents otherwise; both hand the same arguments to the solver.
template <class Kind>
int solveChoices(typename Kind::Image output, const typename Kind::Image& source,
                 const ByteArray& status, const Box& box, ReductionFactors factors,
                 const MaskPatch& patch, bool sourceAtStatusSize, ProgressRange progress) {
    if (sourceAtStatusSize)
        return Kind::solve(source, status, output, box, factors, patch, progress);
    return Kind::solveOnArray(source, status, output, box, factors, patch, progress);
}

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

template <class Kind>
int runMask(MaskRunSession& session, typename Kind::Image output,
            const typename Kind::Image& source, ByteArray status,
            const std::optional<Box>& statusBox, ReductionFactors factors,
            MaskForcedEdges forcedEdges, float autoBlendWidth, float blendRatio,
            MaskPatches& patches, ProgressRange progress) {
    using Image = typename Kind::Image;
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
            autoBlendWidth, queue, progress.subRange(0.1f));

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
            const ByteArray plane = blendRatioPlane(work, blendRatio, patches);
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
                if (sourceAtStatusSize)
                    return Kind::firstPass(matting, out, in, source, status, box,
                                           prepared.estimationBox, factors, plane, distances,
                                           blendKind, patch, child);
                return Kind::firstPassOnArray(matting, out, in, analysis, status, box,
                                              prepared.estimationBox, factors, plane, distances,
                                              blendKind, patch, child);
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
                        passResult |=
                            solveChoices<Kind>(out, in, status, area, factors, patch,
                                               sourceAtStatusSize, progress.subRange(end));
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

        Kind::forcedEdges(classification, out, in, status, factors,
                          scaledForcedEdges(forcedEdges, factors), progress.subRange(1.0f));
        return kPassDone;
    } catch (...) {
        rollBackRun(queue, start, classification);
        clearTemporaryMarks(status, marked);
        throw;
    }
}

} // namespace

int runMaskGeneration8(MaskRunSession& session, Image8 output, const Image8& source,
                       ByteArray status, const std::optional<Box>& statusBox,
                       ReductionFactors factors, MaskForcedEdges forcedEdges, float autoBlendWidth,
                       float blendRatio, MaskPatches& patches, ProgressRange progress) {
    return runMask<Run8>(session, output, source, status, statusBox, factors, forcedEdges,
                         autoBlendWidth, blendRatio, patches, progress);
}

int runMaskGeneration16(MaskRunSession& session, Image16 output, const Image16& source,
                        ByteArray status, const std::optional<Box>& statusBox,
                        ReductionFactors factors, MaskForcedEdges forcedEdges, float autoBlendWidth,
                        float blendRatio, MaskPatches& patches, ProgressRange progress) {
    return runMask<Run16>(session, output, source, status, statusBox, factors, forcedEdges,
                          autoBlendWidth, blendRatio, patches, progress);
}

int runMaskGeneration15(MaskRunSession& session, Image16 output, const Image16& source,
                        ByteArray status, const std::optional<Box>& statusBox,
                        ReductionFactors factors, MaskForcedEdges forcedEdges, float autoBlendWidth,
                        float blendRatio, MaskPatches& patches, ProgressRange progress) {
    return runMask<Run15>(session, output, source, status, statusBox, factors, forcedEdges,
                          autoBlendWidth, blendRatio, patches, progress);
}

} // namespace orsine::matting
