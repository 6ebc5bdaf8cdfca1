// Auto fill: seeds along the borders of the marks, blend disks sized by the
// local edge width, and the fill of every other free pixel.
#include "classification/auto_fill.h"

#include "classification/apply_selection.h"
#include "classification/status_selection.h"
#include "core/status_bits.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace classification {

namespace {

enum PixelKind : unsigned char { kOther = 0, kFree = 1, kMark = 2 };

// What each status byte is for the flags F; a byte that is both a mark and
// free (F naming the unassigned class) counts as a mark.
std::array<unsigned char, 256> pixelKinds(int flags) {
    std::array<unsigned char, 256> kinds{};
    for (int s = 0; s < 256; ++s) {
        const bool mark = (s & flags & kClassBits) != 0 &&
                          (!(s & kForcedEdge) || (flags & kForcedEdge)) &&
                          (!(s & kProtected) || (flags & kProtected));
        const bool free = (s & kUnassigned) && !(s & kPinned);
        kinds[s] = mark ? kMark : free ? kFree : kOther;
    }
    return kinds;
}

// The pixels on both sides of every border between marks and free pixels of
// `box`, in raster order.
std::vector<Point> borderSeeds(const ByteArray& status, const Box& box,
                               const std::array<unsigned char, 256>& kinds) {
    std::vector<Point> seeds;
    const std::ptrdiff_t step = status.stride(1), rowStep = status.stride(0);
    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        const unsigned char* row = &status(r, box.lower.column);
        const bool hasUp = r > box.lower.row, hasDown = r < box.upper.row;
        const int last = box.columns() - 1;
        for (int i = 0; i <= last; ++i) {
            const unsigned char* p = row + i * step;
            const unsigned char kind = kinds[*p];
            if (kind == kOther) continue;
            const unsigned char other = kind == kMark ? kFree : kMark;
            if ((i > 0 && kinds[p[-step]] == other) || (hasUp && kinds[p[-rowStep]] == other) ||
                (i < last && kinds[p[step]] == other) || (hasDown && kinds[p[rowStep]] == other))
                seeds.emplace_back(r, box.lower.column + i);
        }
    }
    return seeds;
}

// The new byte of a pixel: its class replaced, every other bit kept, so that
// the undo step's exclusive-or is exactly old xor new.
inline unsigned char withClass(unsigned char status, unsigned char cls) {
    return static_cast<unsigned char>((status & ~kClassBits) | cls);
}

} // namespace

bool scanByteArray2D(const ByteArray& view, unsigned char bits) {
    if (view.size() == 0) return false;
    const Box box = boxOf(view);
    const std::ptrdiff_t step = view.stride(1);
    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        const unsigned char* row = &view(r, box.lower.column);
        for (int i = 0; i < box.columns(); ++i)
            if (row[i * step] & bits) return true;
    }
    return false;
}

uint8_t autoFillClass(int flags) {
    return (flags & kKeep) && !(flags & kPinned) ? kDelete : kKeep;
}

void stageAutoFill(Segmentation<6, 0>& classification, const ByteArray& status, const Box& box,
                   int flags, float bandFactor) {
    const uint8_t fill = autoFillClass(flags);
    classification.dirtyBox = box;
    classification.selectParams = {fill, kClassBits, kUnassigned | kKeep | kDelete, kStatusBits,
                                   SelectScope::Exact};
    if (box.isEmpty()) return;
    ByteArray map = classification.selectionMap;
    map(box.domain()) = 0;

    const std::ptrdiff_t statusStep = status.stride(1), mapStep = map.stride(1);
    const std::array<unsigned char, 256> kinds = pixelKinds(flags);
    const std::vector<Point> seeds = borderSeeds(status, box, kinds);

    // Band: each seed s draws a disk of radius r = 0.5 scale(s) k + 0.49 over
    // the pixels of class 1, 2 or 4, unless the disk's box holds a pinned pixel.
    // Without a known edge width at s there is no band there.
    const ByteArray& scale = classification.pixelScaleMap;
    if (bandFactor > 0.0f && scale.size() != 0) {
        const Box scaleBox = boxOf(scale);
        // No pixel of the box is farther than this from a seed; the limit keeps
        // the radius an int whatever the factor.
        const float limit = static_cast<float>(box.rows()) + box.columns() + 2.0f;
        for (const Point& s : seeds) {
            if (!scaleBox.contains(s)) continue;
            const float r = std::min(0.5f * scale(s.row, s.column) * bandFactor + 0.49f, limit);
            const int reach = static_cast<int>(r) + 1;
            Box disk(s.minusScalar(reach), s.plusScalar(reach));
            if (!disk.intersect(box)) continue;
            if (scanByteArray2D(windowOf(status, disk), kPinned)) continue;
            const float r2 = r * r;
            for (int q = disk.lower.row; q <= disk.upper.row; ++q) {
                const unsigned char* in = &status(q, disk.lower.column);
                unsigned char* out = &map(q, disk.lower.column);
                const int64_t dr = q - s.row;
                for (int i = 0; i < disk.columns(); ++i) {
                    const unsigned char v = in[i * statusStep];
                    const int64_t dc = disk.lower.column + i - s.column;
                    if ((v & (kUnassigned | kKeep | kDelete)) && !(v & kPinned) &&
                        static_cast<float>(dr * dr + dc * dc) <= r2)
                        out[i * mapStep] = withClass(v, kBlend);
                }
            }
        }
    }

    // Fill: every free pixel the band left alone gets the fill class.
    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        const unsigned char* in = &status(r, box.lower.column);
        unsigned char* out = &map(r, box.lower.column);
        for (int i = 0; i < box.columns(); ++i) {
            const unsigned char v = in[i * statusStep];
            unsigned char& m = out[i * mapStep];
            if ((v & kUnassigned) && !(v & kPinned) && m == 0) m = withClass(v, fill);
        }
    }
}

void autoFillRegions(Segmentation<6, 0>& classification, ByteArray& status,
                     const std::optional<Box>& rect, int flags, float bandFactor, UndoQueue* queue,
                     orsine::utility::IiUI* progress, float start, float end) {
    if (!(flags & (kKeep | kDelete))) return;
    if (status.size() == 0) return;
    Box box = boxOf(status);
    if (rect) box.intersect(*rect);
    // The selection map covers the session's pixels; nothing outside them is touched.
    if (!box.intersect(boxOf(classification.selectionMap))) return;

    stageAutoFill(classification, status, box, flags, bandFactor);
    if (progress) progress->report(0.2f * start + 0.8f * end, std::string());
    applySelection(classification, status, queue);
    if (progress) progress->report(end, std::string());
}

} // namespace classification
