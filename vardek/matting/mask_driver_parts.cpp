#include "matting/mask_driver_parts.h"

#include "core/status_bits.h"

#include <limits>

namespace orsine::matting {

using classification::Box;
using classification::ByteArray;
using classification::kDoneMark;
using classification::kPassMark;
using classification::kTemporaryMarks;

namespace {

// A scaled coordinate truncated toward zero, kept inside the int range (a value
// that is not a number gives 0).
int truncatedIndex(float value) {
    if (!(value == value)) return 0;
    return static_cast<int>(std::clamp(value, -2.0e9f, 2.0e9f));
}

// Applies `change` to every byte of `box` (clipped to the status).
template <class Change> void forEachStatusByte(ByteArray& status, Box box, Change change) {
    if (status.size() == 0 || !box.intersect(classification::boxOf(status))) return;
    const std::ptrdiff_t step = status.stride(1);
    for (int r = box.lower.row; r <= box.upper.row; ++r) {
        unsigned char* row = &status(r, box.lower.column);
        for (int c = 0; c < box.columns(); ++c)
            change(row[c * step], r, box.lower.column + c);
    }
}

} // namespace

int patchBlendKind(const MaskPatch& patch) {
    if (patch.membrane) return kMembraneBlend;
    if (patch.choices) return kChoicesBlend;
    return kDefaultBlend;
}

Box extendedBox(const Box& workBox, const Box& statusDomain) {
    const int rows = (statusDomain.rows() - 1) / 16;
    const int columns = (statusDomain.columns() - 1) / 16;
    Box grown(workBox.lower.row - rows, workBox.lower.column - columns, workBox.upper.row + rows,
              workBox.upper.column + columns);
    grown.intersect(statusDomain);
    return grown;
}

Box outputBoxOf(const Box& statusBox, ReductionFactors factors, const Box& outputDomain) {
    Box out(truncatedIndex(static_cast<float>(statusBox.lower.row) * factors[0]),
            truncatedIndex(static_cast<float>(statusBox.lower.column) * factors[1]),
            truncatedIndex(static_cast<float>(statusBox.upper.row + 1) * factors[0] - 1.0f),
            truncatedIndex(static_cast<float>(statusBox.upper.column + 1) * factors[1] - 1.0f));
    if (out.lower.row > out.upper.row) std::swap(out.lower.row, out.upper.row);
    if (out.lower.column > out.upper.column) std::swap(out.lower.column, out.upper.column);
    out.intersect(outputDomain);
    return out;
}

BlendKindSet blendKindsOf(MaskPatches& patches, Box& workBox, ByteArray& status, const Box& clip) {
    BlendKindSet kinds{kDefaultBlend};
    for (MaskPatch& patch : patches) {
        if (!patch.isPreview) {
            const int kind = patchBlendKind(patch);
            if (kind != kDefaultBlend) kinds.insert(kind);
            continue;
        }
        kinds = {patchBlendKind(patch)};
        workBox = Box::intersection(patch.box, clip);
        if (patch.mask.size() != 0) {
            // Everything outside the previewed patch is excluded.
            forEachStatusByte(status, workBox, [&](unsigned char& s, int r, int c) {
                s = patch.covers(r, c) ? static_cast<unsigned char>(s & ~kDoneMark)
                                       : static_cast<unsigned char>(s | kDoneMark);
            });
        }
        // Copy-constructed: assigning a patch would copy mask bytes between
        // arrays of different shapes.
        MaskPatches only;
        only.push_back(patch);
        patches.swap(only);
        break;
    }
    return kinds;
}

unsigned char blendRatioByte(float ratio) {
    const float scaled = 255.0f * ratio;
    // Outside this range the truncation to an integer is not defined.
    if (!(scaled > -2147483648.0f && scaled < 2147483648.0f)) return 0;
    return static_cast<unsigned char>(static_cast<uint32_t>(static_cast<int32_t>(scaled)) & 0xFF);
}

ByteArray blendRatioPlane(const Box& workBox, float blendRatio, const MaskPatches& patches) {
    ByteArray plane = classification::arrayOver<unsigned char>(workBox, blendRatioByte(blendRatio));
    for (const MaskPatch& patch : patches) {
        const Box part = Box::intersection(patch.box, workBox);
        if (part.isEmpty()) continue;
        const unsigned char value = blendRatioByte(patch.blendRatio);
        forEachStatusByte(plane, part, [&](unsigned char& byte, int r, int c) {
            if (patch.covers(r, c)) byte = value;
        });
    }
    return plane;
}

void markPassArea(ByteArray& status, const Box& box, const MaskPatch* patch) {
    if (patch && patch->mask.size() != 0) {
        forEachStatusByte(status, box, [&](unsigned char& s, int r, int c) {
            s = patch->covers(r, c) ? static_cast<unsigned char>(s | kPassMark)
                                    : static_cast<unsigned char>(s & ~kPassMark);
        });
        return;
    }
    forEachStatusByte(status, box, [](unsigned char& s, int, int) {
        s = static_cast<unsigned char>(s | kPassMark);
    });
}

void markPassDone(ByteArray& status, const Box& box) {
    forEachStatusByte(status, box, [](unsigned char& s, int, int) {
        if (s & kPassMark) s = static_cast<unsigned char>((s | kDoneMark) & ~kPassMark);
    });
}

void clearTemporaryMarks(ByteArray& status, const Box& box) {
    forEachStatusByte(status, box, [](unsigned char& s, int, int) {
        s = static_cast<unsigned char>(s & ~kTemporaryMarks);
    });
}

bool hasTemporaryMarks(const ByteArray& status, const Box& box) {
    bool found = false;
    ByteArray view(status);
    forEachStatusByte(view, box,
                      [&](unsigned char& s, int, int) { found |= (s & kTemporaryMarks) != 0; });
    return found;
}

MaskForcedEdges scaledForcedEdges(const MaskForcedEdges& edges, ReductionFactors factors) {
    MaskForcedEdges scaled(edges.extent(0));
    for (int i = 0; i < edges.extent(0); ++i) {
        const MaskForcedEdge& edge = edges(i);
        scaled(i).featherWidth = edge.featherWidth * factors[0];
        if (edge.points.size() == 0) continue;
        blitz::Array<blitz::TinyVector<float, 2>, 1> points(edge.points.extent(0));
        for (int k = 0; k < edge.points.extent(0); ++k) {
            const blitz::TinyVector<float, 2>& p = edge.points(edge.points.lbound(0) + k);
            points(k) =
                blitz::TinyVector<float, 2>((p[0] + 0.5f) * factors[0], (p[1] + 0.5f) * factors[1]);
        }
        scaled(i).points.reference(points);
    }
    return scaled;
}

} // namespace orsine::matting
