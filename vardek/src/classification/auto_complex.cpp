// Auto complex: seeds from the select and the opposite marks, the inner
// watershed over the edge planes, enclosed holes and the blend band.
#include "classification/auto_complex.h"

#include "classification/apply_selection.h"
#include "classification/status_selection.h"
#include "core/progress.h"
#include "core/status_bits.h"
#include "watershed/watershed.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace classification {

namespace {

using watershed::PixelOffset;

void reportAt(orsine::utility::IiUI* progress, float fraction) {
    if (progress) progress->report(fraction, std::string());
}

// The flood values V (channel 1 of the edge planes) over `box`.
ByteArray floodValues(const EdgePlanes& planes, const Box& box) {
    ByteArray values = arrayOver<unsigned char>(box);
    for (int r = box.lower.row; r <= box.upper.row; ++r)
        for (int c = box.lower.column; c <= box.upper.column; ++c)
            values(r, c) = planes(r, c)[1];
    return values;
}

} // namespace

void autoComplex(Segmentation<6, 0>& c, ByteArray& status, UndoQueue* queue,
                 orsine::utility::IiUI* progress, float start, float end, float bandFactor) {
    const SelectParams select = c.selectParams;
    const uint8_t cls = select.newStatus;
    const bool exact = select.scope == SelectScope::Exact;
    if (bandFactor == 0.0f && exact) return;
    if (c.dirtyBox.isEmpty()) return;
    if (!(cls & (kKeep | kDelete))) return;

    const uint8_t opposite = cls == kKeep ? kDelete : kKeep;
    // The work box: the select's box and its surroundings, inside the image,
    // and where the edge planes give a value to every pixel and its neighbours.
    Box work = c.dirtyBox.grown(kAutoComplexMargin);
    work.intersect(boxOf(status));
    work.intersect(boxOf(c.selectionMap));
    const Box planes = boxOf(c.edgePlaneStorage);
    if (c.edgePlaneStorage.size() == 0 ||
        !work.intersect(Box(planes.lower.plusScalar(1), planes.upper.minusScalar(1))))
        return;

    ByteArray& map = c.selectionMap;
    if (exact) {
        // A local or global select has written the whole map; an exact one
        // only its box.
        for (int r = work.lower.row; r <= work.upper.row; ++r)
            for (int col = work.lower.column; col <= work.upper.column; ++col)
                if (!c.dirtyBox.contains(Point(r, col))) map(r, col) = 0;
    }

    // Labels: -1 inside the work box, 0 on the ring around it (the first
    // label of the basin table); every basin beyond A and B shares label 3.
    LabelArray labels = arrayOver<int32_t>(work.grown(1), 0);
    windowOf(labels, work) = watershed::unlabelled;
    watershed::BasinTable basins(3);
    basins.newLabel();
    const int32_t tolerance =
        watershed::floodTolerance(c.planeScale * std::log(std::max(c.params.regionScale, 2.0f)));
    watershed::InnerWatershed flood(floodValues(c.edgePlaneStorage, work.grown(1)), labels, basins,
                                    tolerance);
    watershed::InnerWatershed::Queue edges;
    const watershed::PixelGrid& grid = flood.grid();

    // Seeds: the select's pixels (A) and the opposite marks (B) flood every
    // pixel the select could have changed; the rest stays out of the flood.
    const auto holdsClass = [&](uint8_t byte) {
        return statusCompatible(byte, cls, select.writeMask);
    };
    int32_t labelA = watershed::unlabelled, labelB = watershed::unlabelled;
    for (int r = work.lower.row; r <= work.upper.row; ++r)
        for (int col = work.lower.column; col <= work.upper.column; ++col) {
            const uint8_t s = status(r, col);
            const PixelOffset p = grid.offsetOf({r, col});
            int32_t& label = flood.label(p);
            if (s & kPinned) {
                label = 0;
            } else if (holdsClass(map(r, col))) {
                if (labelA == watershed::unlabelled) labelA = basins.newLabel();
                label = labelA;
                flood.pushPixelEdges(p, flood.seed(p), 0, 0, edges);
            } else if (statusCompatible(s, opposite, select.testMask)) {
                if (labelB == watershed::unlabelled) labelB = basins.newLabel();
                label = labelB;
                flood.pushPixelEdges(p, flood.seed(p), 0, 0, edges);
            } else if (!statusCompatible(s, select.fromSet, select.testMask)) {
                label = 0;
            }
        }
    reportAt(progress, 0.9f * start + 0.1f * end);
    if (labelA == watershed::unlabelled) {
        reportAt(progress, end);
        return;
    }

    flood.run(edges, {progress, 0.9f * start + 0.1f * end, 0.3f * start + 0.7f * end, 0.0f});

    if (!exact) {
        // Flooded pixels of A that reach, through other flooded pixels of A, a
        // pixel where A met another label are given up; the rest are holes the
        // selection encloses and join it.
        const auto given = [&](PixelOffset p) {
            const Point at = grid.pointOf(p);
            return holdsClass(map(at.row, at.column));
        };
        std::vector<PixelOffset> stack;
        for (const auto& [p, q] : basins.boundary(labelA))
            if (!given(p)) stack.push_back(p);
        const std::ptrdiff_t steps[4] = {grid.step(-1, 0), grid.step(1, 0), grid.step(0, -1),
                                         grid.step(0, 1)};
        while (!stack.empty()) {
            const PixelOffset u = stack.back();
            stack.pop_back();
            flood.label(u) = watershed::unlabelled;
            for (std::ptrdiff_t step : steps) {
                const auto n = static_cast<PixelOffset>(static_cast<std::ptrdiff_t>(u) + step);
                if (flood.label(n) == labelA && !given(n)) stack.push_back(n);
            }
        }
        reportAt(progress, 0.15f * start + 0.85f * end);
        for (int r = work.lower.row; r <= work.upper.row; ++r)
            for (int col = work.lower.column; col <= work.upper.column; ++col)
                if (flood.label(grid.offsetOf({r, col})) == labelA) {
                    map(r, col) = changedStatus(status(r, col), cls, select.writeMask);
                    c.dirtyBox.include({r, col});
                }
    }

    if (bandFactor == 0.0f) {
        applySelection(c, status, queue);
        reportAt(progress, end);
        return;
    }

    // The band: a blend disk at the lower side of every place where the floods
    // of A and B met (on both sides where they are equally low).
    reportAt(progress, 0.1f * start + 0.9f * end);
    if (labelB != watershed::unlabelled && c.pixelScaleMap.size() != 0) {
        const uint8_t bandFrom = select.fromSet | opposite | cls;
        const Box scaleBox = boxOf(c.pixelScaleMap);
        // No pixel of the work box is farther than this from a centre; the
        // limit keeps the radius an int whatever the factor.
        const float limit = float(work.rows()) + float(work.columns()) + 2.0f;
        ByteArray drawn = arrayOver<unsigned char>(work, 0);
        const auto disk = [&](PixelOffset centre) {
            const Point x = grid.pointOf(centre);
            if (drawn(x.row, x.column) || !scaleBox.contains(x)) return;
            drawn(x.row, x.column) = 1; // the same disk again would change nothing
            const float radius = bandFactor * 0.5f * c.pixelScaleMap(x.row, x.column) + 0.49f;
            if (std::isnan(radius)) return;
            const float r = std::clamp(radius, -limit, limit);
            const int reach = static_cast<int>(r); // toward zero: a disk of radius below 1 is x
            Box box(x.minusScalar(reach), x.plusScalar(reach));
            if (!box.intersect(work)) return;
            for (int row = box.lower.row; row <= box.upper.row; ++row)
                for (int col = box.lower.column; col <= box.upper.column; ++col) {
                    const uint8_t s = status(row, col);
                    if (float(squaredDistance(x, {row, col})) <= r * r &&
                        statusCompatible(s, bandFrom, select.testMask)) {
                        map(row, col) = changedStatus(s, kBlend, select.writeMask);
                        c.dirtyBox.include({row, col});
                    }
                }
        };
        for (const auto& [p, q] : basins.boundary(labelA)) {
            if (flood.label(q) != labelB) continue;
            const int32_t vp = flood.seed(p), vq = flood.seed(q);
            if (vp <= vq) disk(p);
            if (vq <= vp) disk(q);
        }
    }

    reportAt(progress, 0.05f * start + 0.95f * end);
    applySelection(c, status, queue);
    reportAt(progress, end);
}

} // namespace classification
