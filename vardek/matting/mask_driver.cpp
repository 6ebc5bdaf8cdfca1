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

// One run for the sample kind `Kind`, its steps in the order they happen.
template <class Kind> class MaskRun {
public:
    using Image = typename Kind::Image;

    MaskRun(MaskRunSession& session, Image output, const Image& source, ByteArray status,
            MaskRunRequest request)
        : session_(session), classification_(session.classification), output_(output),
          source_(source), status_(status), request_(std::move(request)),
          statusDomain_(classification::boxOf(status)),
          analysisDomain_(classification_.sourceBox()) {
        work_ = analysisDomain_;
        if (request_.statusBox) work_.intersect(*request_.statusBox);
        work_.intersect(statusDomain_);
    }

    int run(ProgressRange progress) {
        if (work_.isEmpty()) return kPassGaveUp;
        outputBox_ = outputBoxOf(
            work_, request_.factors,
            Box::intersection(classification::boxOf(output_), classification::boxOf(source_)));
        // No output pixel to write (the box may be empty along one axis only):
        // nothing of the status is touched either.
        if (outputBox_.isEmpty()) return kPassGaveUp;

        UndoQueue privateQueue(100);
        privateRun_ = work_ != analysisDomain_;
        UndoQueue& queue = privateRun_ ? privateQueue : session_.undoQueue;
        const UndoQueue::Mark start = queue.mark();
        marked_ = work_;

        try {
            const PreparedMaskStatus prepared = session_.prepare(
                classification_, status_, statusDomain_, work_, extendedBox(work_, statusDomain_),
                request_.autoBlendWidth, queue, progress.subRange(0.1f));

            Image out = classification::windowOf(output_, outputBox_);
            const Image in = classification::windowOf(source_, outputBox_);

            // Only one class: the cut-out is the source, or nothing of it.
            if (!prepared.hasKeep || !prepared.hasDelete) {
                if (!prepared.hasDelete)
                    copySourcePixels(out, in, outputBox_);
                else
                    clearAlpha(out, outputBox_);
                finish(queue);
                return kPassDone;
            }

            const BlendKindSet kinds =
                blendKindsOf(request_.patches, work_, status_,
                             Box::intersection(analysisDomain_, statusDomain_));
            marked_.unite(work_);
            const int passResult = blendPasses(kinds, out, in, prepared, progress);

            // A pass that gave up leaves nothing of the run in the output, and
            // fails whatever the forced edges could add. The call then answers
            // with an error, so the status goes back to what it was too (a
            // whole-image run would otherwise keep its preparation's group).
            if (passResult != kPassDone) copySourcePixels(out, in, outputBox_);
            finish(queue);
            if (passResult != kPassDone) {
                rollBackRun(queue, start, classification_);
                return passResult;
            }

            applyForcedEdges<Kind>(classification_, out, in, status_, request_.factors,
                                   scaledForcedEdges(request_.forcedEdges, request_.factors),
                                   progress.subRange(1.0f));
            return kPassDone;
        } catch (...) {
            rollBackRun(queue, start, classification_);
            clearTemporaryMarks(status_, marked_);
            throw;
        }
    }

private:
    // The passes of every blend kind of the run, in ascending order: the
    // palette solver for choices patches, the first pass for membrane patches
    // and once over the work box. Returns their results combined.
    int blendPasses(const BlendKindSet& kinds, Image out, const Image& in,
                    const PreparedMaskStatus& prepared, ProgressRange& progress) {
        const ByteArray plane = blendRatioPlane(work_, request_.blendRatio, request_.patches);
        const DistanceArray distances =
            chamferDistanceTransform(classification::windowOf(status_, work_));
        progress.subRange(0.2f);

        // The first pass gathers its colours at status resolution: the source
        // itself when it has the analysis image's size, else the analysis image.
        const Image8& analysis = classification_.source;
        const bool sourceAtStatusSize =
            source_.extent(0) == analysis.extent(0) && source_.extent(1) == analysis.extent(1);
        const MattingClassification matting{classification_.opacityThreshold, analysis};
        const auto firstPass = [&](const Box& box, int blendKind, const MaskPatch& patch,
                                   ProgressRange child) {
            VARDEK_FAULT_POINT("generateMask.pass");
            const FirstPassRequest pass{status_,          box,   prepared.estimationBox,
                                        request_.factors, plane, distances,
                                        blendKind,        &patch};
            if (sourceAtStatusSize)
                return firstMattingPass<Kind>(matting, out, in, source_, pass, child);
            return firstMattingPassOnAnalysis<Kind>(matting, out, in, analysis, pass, child);
        };

        int passResult = kPassDone;
        const MaskPatch neutral;
        const MaskPatches& patches = request_.patches;
        const int patchCount = static_cast<int>(patches.size());
        for (const int kind : kinds) {
            if (kind == kDefaultBlend) {
                markPassArea(status_, work_, nullptr);
                passResult |= firstPass(work_, kDefaultBlend, neutral, progress.subRange(0.9f));
                markPassDone(status_, work_);
                continue;
            }
            for (int i = 0; i < patchCount; ++i) {
                const MaskPatch& patch = patches[i];
                if (patchBlendKind(patch) != kind) continue;
                const Box area = patchArea(patch, request_.statusBox, statusDomain_);
                if (area.isEmpty()) continue;
                markPassArea(status_, area, &patch);
                marked_.unite(area);
                if (kind == kChoicesBlend) {
                    VARDEK_FAULT_POINT("generateMask.pass");
                    const float end =
                        0.5f * static_cast<float>(i + 1) / static_cast<float>(patchCount);
                    passResult |= solveMatting<Kind>(in, status_, out, area, request_.factors,
                                                     patch, progress.subRange(end));
                } else {
                    passResult |= firstPass(area, kMembraneBlend, patch, progress.subRange(0.75f));
                }
                markPassDone(status_, area);
            }
        }
        return passResult;
    }

    // A rectangle run takes its status preparation back; no temporary mark
    // stays behind.
    void finish(UndoQueue& queue) {
        if (privateRun_) undoPrivateQueue(queue, classification_);
        clearTemporaryMarks(status_, marked_);
    }

    MaskRunSession& session_;
    Classification& classification_;
    Image output_;
    const Image& source_;
    ByteArray status_;
    MaskRunRequest request_;
    const Box statusDomain_;
    const Box analysisDomain_;
    Box work_;      // becomes the previewed patch's box when a patch is previewed
    Box outputBox_; // the output pixels of the work box as it was at the start
    Box marked_;    // every status box that may carry temporary marks
    bool privateRun_ = false;
};

} // namespace

template <class Kind>
int runMaskGeneration(MaskRunSession& session, typename Kind::Image output,
                      const typename Kind::Image& source, ByteArray status, MaskRunRequest request,
                      ProgressRange progress) {
    return MaskRun<Kind>(session, output, source, status, std::move(request)).run(progress);
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
