// Despeckle: the selection's marks dilated by a square, flooded from the
// uncovered pixels; what the flood cannot reach is a hole to fill.
#include "classification/despeckle.h"

#include "classification/apply_selection.h"
#include "classification/status_selection.h"
#include "morphology/convolve.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace classification {

namespace {

// Whether each byte passes statusCompatible with the given from-set and mask.
std::array<bool, 256> compatibleBytes(uint8_t fromSet, uint8_t testMask) {
    std::array<bool, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = statusCompatible(static_cast<uint8_t>(b), fromSet, testMask);
    return table;
}

void report(orsine::utility::IiUI* progress, float fraction) {
    if (progress) progress->report(fraction, std::string());
}

} // namespace

bool stageDespeckle(Segmentation<6, 0>& classification, const ByteArray& status, int size,
                    orsine::utility::IiUI* progress, float start, float end) {
    const Box d = classification.dirtyBox;
    if (d.isEmpty()) {
        report(progress, end);
        return false;
    }
    if (size <= 0) return false;

    const SelectParams params = classification.selectParams;
    const uint8_t c = params.newStatus;
    const std::array<bool, 256> holds = compatibleBytes(c, params.writeMask);
    ByteArray map = classification.selectionMap;

    // Marks, shifted by h = n / 2 so that the dilation below, whose window
    // starts at the pixel, is centred on it: A[p + h] = 1 where p holds c.
    const int n = size, h = n / 2;
    LabelArray a = arrayOver<int32_t>(Box(d.lower.minusScalar(1), d.upper.plusScalar(n + 1)), 0);
    const std::ptrdiff_t mapStep = map.stride(1), statusStep = status.stride(1);
    const std::ptrdiff_t aRowStep = a.stride(0); // a's rows are contiguous
    const int width = d.columns();
    for (int r = d.lower.row; r <= d.upper.row; ++r) {
        const unsigned char* m = &map(r, d.lower.column);
        int32_t* marks = &a(r + h, d.lower.column + h);
        for (int i = 0; i < width; ++i)
            marks[i] = holds[m[i * mapStep]];
    }
    report(progress, 0.9f * start + 0.1f * end);

    // R[p] = 1 when some pixel holding c lies within p - h .. p - h + n on both axes.
    morphology::convolveLineFastMirroredTransposed(a, a, n + 1, nullptr, 0.0f, 0.0f,
                                                   morphology::LogicalOr());
    morphology::convolveLineFastMirrored(a, a, n + 1, nullptr, 0.0f, 0.0f, morphology::LogicalOr());
    LabelArray& covered = a;
    const Box ring = d.grown(1);
    for (int col = ring.lower.column; col <= ring.upper.column; ++col)
        covered(ring.lower.row, col) = covered(ring.upper.row, col) = 0;
    for (int r = ring.lower.row; r <= ring.upper.row; ++r)
        covered(r, ring.lower.column) = covered(r, ring.upper.column) = 0;

    // Seeds: covered pixels that do not hold c and touch an uncovered pixel.
    const float seedsStart = 0.9f * start + 0.1f * end, seedsEnd = 0.7f * start + 0.3f * end;
    std::vector<Point> stack;
    for (int r = d.lower.row; r <= d.upper.row; ++r) {
        const unsigned char* m = &map(r, d.lower.column);
        const int32_t* here = &covered(r, d.lower.column);
        for (int i = 0; i < width; ++i)
            if (here[i] && !holds[m[i * mapStep]] &&
                (!here[i - aRowStep] || !here[i + aRowStep] || !here[i - 1] || !here[i + 1]))
                stack.emplace_back(r, d.lower.column + i);
        const float f = static_cast<float>(r - d.lower.row + 1) / d.rows();
        report(progress, (1.0f - f) * seedsStart + f * seedsEnd);
    }

    // Flood away every covered pixel that an uncovered one reaches without
    // crossing the selection; the ring round d is uncovered, so it stays in d.
    const float floodEnd = 0.5f * start + 0.5f * end;
    std::size_t largest = stack.size();
    float g = 0.0f;
    while (!stack.empty()) {
        const Point p = stack.back();
        stack.pop_back();
        if (covered(p.row, p.column)) {
            covered(p.row, p.column) = 0;
            for (const Point& next : {Point(p.row - 1, p.column), Point(p.row + 1, p.column),
                                      Point(p.row, p.column - 1), Point(p.row, p.column + 1)})
                if (covered(next.row, next.column) && !holds[map(next.row, next.column)])
                    stack.push_back(next);
        }
        largest = std::max(largest, stack.size());
        if (stack.size() % 256 == 0) {
            g = std::max(g, 1.0f - static_cast<float>(stack.size()) / largest);
            report(progress, (1.0f - g) * seedsEnd + g * floodEnd);
        }
    }
    report(progress, 0.4f * start + 0.6f * end);

    // Fill: the covered pixels left are the selection and its holes; those
    // unassigned or of class c get c, every other bit of their status kept.
    const std::array<bool, 256> fillable =
        compatibleBytes(static_cast<uint8_t>(c | 1), params.testMask);
    for (int r = d.lower.row; r <= d.upper.row; ++r) {
        const unsigned char* in = &status(r, d.lower.column);
        unsigned char* m = &map(r, d.lower.column);
        const int32_t* here = &covered(r, d.lower.column);
        for (int i = 0; i < width; ++i) {
            const unsigned char s = in[i * statusStep];
            if (here[i] && fillable[s]) m[i * mapStep] = changedStatus(s, c, params.writeMask);
        }
    }
    return true;
}

void despeckleSelection(Segmentation<6, 0>& classification, ByteArray& status, int size,
                        UndoQueue* queue, orsine::utility::IiUI* progress, float start, float end) {
    if (!stageDespeckle(classification, status, size, progress, start, end)) return;
    applySelection(classification, status, queue);
    report(progress, end);
}

} // namespace classification
