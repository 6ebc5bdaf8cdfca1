// The session operations: their common frame and what each passes to its body.
#include "api/session_operations.h"

#include "api/engine.h"
#include "api/image.h"
#include "api/session.h"
#include "classification/auto_complex.h"
#include "classification/auto_fill.h"
#include "classification/despeckle.h"
#include "classification/set_status.h"
#include "classification/status_selection.h"
#include "core/status_bits.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <optional>
#include <vector>

namespace vardek::operations {

using classification::Box;
using classification::ByteArray;

bool hasSegmentation(const VkInSession& session) {
    if (session.analysisAllowed) return session.analysed != 0;
    return session.parent && session.parent->analysed != 0;
}

int selectLevel(float tolerance) {
    const int top = classification::kSelectLevels - 1;
    if (!(tolerance < static_cast<float>(top))) return top;
    if (!(tolerance > 0.0f)) return 0;
    return static_cast<int>(tolerance);
}

namespace {

// Whether the bytes of a placed image can be read as `width` bytes per row.
bool readableRect(const VkMaskRect& rect) {
    if (!rect.data || rect.width <= 0 || rect.height <= 0) return true;
    return rect.rowBytes >= rect.width;
}

// A placed image where it meets the status image: the part of its rectangle
// inside the image and, when it has bytes, a view of them over that part. The
// rectangle is taken in 64 bits, so one near the ends of the 32-bit range
// neither overflows nor reaches outside the caller's rows.
struct PlacedPart {
    Box box;
    ByteArray bytes; // empty when the record has no bytes
};

std::optional<PlacedPart> placedOn(const VkInImage& image, const VkMaskRect& rect) {
    const int64_t x0 = std::max<int64_t>(rect.x, 0);
    const int64_t y0 = std::max<int64_t>(rect.y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{rect.x} + rect.width, image.width) - 1;
    const int64_t y1 = std::min<int64_t>(int64_t{rect.y} + rect.height, image.height) - 1;
    if (x0 > x1 || y0 > y1) return std::nullopt;
    PlacedPart part{
        Box(static_cast<int>(y0), static_cast<int>(x0), static_cast<int>(y1), static_cast<int>(x1)),
        ByteArray()};
    if (rect.data) {
        const std::ptrdiff_t offset =
            static_cast<std::ptrdiff_t>(y0 - rect.y) * rect.rowBytes + (x0 - rect.x);
        part.bytes.reference(classification::viewOver(rect.data + offset, part.box.rows(),
                                                      part.box.columns(), rect.rowBytes,
                                                      part.box.lower));
    }
    return part;
}

// Whether any byte carries a temporary mark of mask generation: those bits are
// the engine's own bookkeeping, clear between calls, and a mask generation
// would clear them again without recording it.
bool holdsTemporaryMarks(const ByteArray& bytes) {
    for (auto it = bytes.begin(); it != bytes.end(); ++it)
        if (*it & classification::kTemporaryMarks) return true;
    return false;
}

} // namespace

VkResult runStatusOperation(VkInSession& session, VkInImage& image, const StatusFrame& frame,
                            const StatusBody& body) {
    if (frame.needsSegmentation && !hasSegmentation(session)) return VkNoSegmentation;

    Classification& c = *session.classification;
    ByteArray status = session.statusView(image);
    if (frame.needsWholeView && (status.size() == 0 || classification::boxOf(status) !=
                                                           classification::boxOf(c.selectionMap)))
        return VkNotSupported;

    VkInProgress reporter(frame.progress, frame.label, true);
    const classification::UndoQueue::Mark mark = c.undoQueue.beginOperation();
    const auto rollBack = [&] {
        c.undoQueue.rollBackTo(mark, c.changedBox);
        c.dirtyBox = Box::empty();
        if (frame.publishAfterRollBack) session.publishChangedBox();
    };
    try {
        // The range's first report may already be answered with a cancel.
        ProgressRange range(&reporter);
        StatusWork work{session, c, status, range};
        const VkResult result = body(work);
        session.publishChangedBox();
        return result;
    } catch (const VkExCancel&) {
        rollBack();
        return VkCancelled;
    } catch (const std::bad_alloc&) {
        rollBack();
        return VkOutOfMemory;
    }
}

VkResult select(VkInSession& session, VkInImage& image, const VkMaskRect& stroke, uint8_t newStatus,
                uint8_t fromSet, int32_t scope, float tolerance, VkProgressFunction progress) {
    if (!readableRect(stroke) || std::isnan(tolerance) || scope < VkScopeExact ||
        scope > VkScopeGlobal)
        return VkNotSupported;
    const std::optional<PlacedPart> placed = placedOn(image, stroke);
    if (!placed) return VkNotSupported;
    const auto selectScope = static_cast<classification::SelectScope>(scope);
    const classification::SelectMasks masks =
        classification::selectMasks(newStatus, fromSet, selectScope);
    const int level = selectLevel(tolerance);

    StatusFrame frame{"Select", progress};
    frame.needsSegmentation = selectScope != classification::SelectScope::Exact;
    return runStatusOperation(session, image, frame, [&](StatusWork& work) {
        const classification::Selection selection{placed->box, placed->bytes};
        const classification::SelectParams select{newStatus, masks.write, fromSet, masks.test,
                                                  selectScope};
        classification::selectStatus(work.classification, selection, work.status, select, level,
                                     &work.classification.undoQueue, &work.range,
                                     work.range.current(), work.range.valueAt(0.95f));
        // The closing report of the reporter brings it to 1.0.
        return VkOk;
    });
}

VkResult setStatus(VkInSession& session, VkInImage& image, const VkMaskRect& bytes,
                   VkProgressFunction progress) {
    if (!bytes.data || !readableRect(bytes)) return VkNotSupported;
    const std::optional<PlacedPart> placed = placedOn(image, bytes);
    if (!placed || holdsTemporaryMarks(placed->bytes)) return VkNotSupported;
    StatusFrame frame{"SetStatus", progress};
    frame.needsWholeView = false;
    frame.publishAfterRollBack = false;
    return runStatusOperation(session, image, frame, [&](StatusWork& work) {
        classification::setStatusRect(work.classification, work.status, placed->bytes);
        // The frame publishes once the operation can no longer be cancelled.
        work.range.report(1.0f);
        return VkOk;
    });
}

VkResult autoFill(VkInSession& session, VkInImage& image, const VkRect* rect, uint8_t seedClass,
                  float radiusFactor) {
    // Without a segmentation there is no edge width to draw a blend band with.
    if (!hasSegmentation(session)) radiusFactor = 0.0f;
    if (seedClass != 0 && seedClass != VkStatusKeep && seedClass != VkStatusDelete)
        return VkNotSupported;
    if (rect && session.isSubSession()) {
        // Checked before the frame: a sub-session works on its whole patch only.
        return VkNotSupported;
    }

    StatusFrame frame{"Auto fill", vardekProgressCallback};
    return runStatusOperation(session, image, frame, [&](StatusWork& work) {
        std::optional<Box> box;
        ByteArray area = work.status;
        if (rect) {
            // The status view covers exactly the session's area; a rectangle
            // that misses it leaves nothing to fill.
            box = Box::intersection(classification::boxOf(work.status),
                                    Box::fromRect(rect->x, rect->y, rect->width, rect->height));
            if (box->isEmpty()) return VkNotSupported;
            area.reference(classification::windowOf(work.status, *box));
        }
        int seed = seedClass;
        if (seed == 0) {
            // The class of the first keep or delete pixel, in storage order.
            if (area.size() != 0)
                for (auto it = area.begin(); it != area.end() && seed == 0; ++it)
                    seed = *it & (VkStatusKeep | VkStatusDelete);
            if (seed == 0) return VkNotSupported;
        }
        work.range.report(0.1f);
        classification::autoFillRegions(work.classification, work.status, box, seed, radiusFactor,
                                        &work.classification.undoQueue, &work.range, 0.1f, 1.0f);
        return VkOk;
    });
}

VkResult despeckle(VkInSession& session, VkInImage& image, uint8_t size) {
    StatusFrame frame{"Despeckle selection", vardekProgressCallback};
    frame.needsSegmentation = true;
    return runStatusOperation(session, image, frame, [&](StatusWork& work) {
        classification::despeckleSelection(work.classification, work.status, size,
                                           &work.classification.undoQueue, &work.range, 0.0f, 1.0f);
        return VkOk;
    });
}

VkResult autoComplex(VkInSession& session, VkInImage& image, float bandFactor,
                     VkProgressFunction progress) {
    StatusFrame frame{"Auto complex", progress};
    frame.needsSegmentation = true;
    return runStatusOperation(session, image, frame, [&](StatusWork& work) {
        classification::autoComplex(work.classification, work.status,
                                    &work.classification.undoQueue, &work.range, 0.0f, 1.0f,
                                    bandFactor);
        return VkOk;
    });
}

VkResult analyse(VkInSession& session, VkProgressFunction progress, const AnalysisBody& body) {
    if (!session.analysisAllowed) return VkNoSegmentation;
    vardek::Variables& v = *session.variableTable;
    Classification& c = *session.classification;

    session.publishPolylines(std::vector<classification::FloatPolyline>());
    const bool wasAnalysed = session.analysed != 0;
    session.analysed = 0;

    VkInProgress reporter(progress, "Analyse Image", true);
    VkResult result = VkOk;
    try {
        // The range's first report may already be answered with a cancel.
        ProgressRange range(&reporter);
        ProgressRange preparation = range.subRange(0.9f);
        const bool full =
            !wasAnalysed || v.maxBits.changed() || v.tPercent.changed() || v.texture.changed();
        const bool partial = v.imageTol.changed() || v.featureTol.changed() || v.focus.changed() ||
                             v.colourBits.changed() || v.interpolation.changed() ||
                             v.resolution.changed() || v.overlap.changed();
        // The analysis traces the object edges beside its last stage.
        session.handObjectEdgeVariablesToClassification();
        if (full || partial) {
            session.handVariablesToClassification();
            const ByteArray* mask = session.selection && session.selection->mask.size()
                                        ? &session.selection->mask
                                        : nullptr;
            ProgressRange stages = preparation.subRange(0.8f);
            body(c, full, mask, stages);
        }
        preparation.report(1.0f);
        session.analysed = 1;

        std::vector<classification::FloatPolyline> lines;
        ProgressRange edges = range.subRange(1.0f);
        c.buildObjectEdges(lines, edges);
        session.publishPolylines(lines);
    } catch (const VkExCancel&) {
        result = VkCancelled;
    } catch (const std::bad_alloc&) {
        result = VkOutOfMemory;
    }
    if (result != VkOk) {
        try {
            v.rollBack();
            session.publishAnalysisOptions();
        } catch (const std::bad_alloc&) {
            session.engine->failed = true;
            return VkUndoOutOfMemory;
        } catch (...) {
            session.engine->failed = true;
            return VkFailed;
        }
    }

    v.rememberAll();
    v.refreshTexts();
    for (VkInSession* child : session.subSessions)
        if (!child->analysisAllowed) child->classification->shareParentAnalysis();
    session.publishChangedBox();
    return result;
}

VkResult analyse(VkInSession& session, VkProgressFunction progress) {
    return analyse(
        session, progress,
        [](Classification& c, bool fullRedo, const ByteArray* mask, ProgressRange& range) {
            if (fullRedo) c.dropCachedAnalysis();
            c.analyse(mask, range);
        });
}

} // namespace vardek::operations
