// Status preparation of a mask-generation run.
#include "matting/mask_status.h"

#include "classification/auto_fill.h"
#include "core/status_bits.h"

#include <optional>

namespace orsine::matting {

using classification::Box;
using classification::ByteArray;
using classification::kDelete;
using classification::kKeep;
using classification::kUnassigned;

PreparedMaskStatus prepareMaskStatus(classification::Segmentation<6, 0>& classification,
                                     ByteArray& status, const Box& statusDomain, const Box& workBox,
                                     const Box& extendedBox, float bandFactor,
                                     classification::UndoQueue& queue, ProgressRange progress) {
    using classification::scanByteArray2D;
    PreparedMaskStatus result{statusDomain, false, false};
    ByteArray inBox = classification::windowOf(status, workBox);
    const bool part = workBox != statusDomain;

    // With keep marks only, flags 2 fill with delete; with delete marks only,
    // 4 fill with keep.
    const auto fill = [&](ByteArray view, bool keepMarks) {
        queue.openGroup();
        ProgressRange child = progress.subRange(0.2f);
        classification::autoFillRegions(classification, view, std::nullopt,
                                        keepMarks ? kKeep : kDelete, bandFactor, &queue, &child,
                                        0.0f, 1.0f);
    };
    const auto scanBox = [&] {
        result.hasKeep = scanByteArray2D(inBox, kKeep);
        result.hasDelete = scanByteArray2D(inBox, kDelete);
    };
    // Only a class the box lacks is looked for in the rest of the image.
    const auto scanImage = [&] {
        if (!result.hasKeep) result.hasKeep = scanByteArray2D(status, kKeep);
        if (!result.hasDelete) result.hasDelete = scanByteArray2D(status, kDelete);
    };
    const auto oneClass = [&] { return result.hasKeep != result.hasDelete; };
    const auto both = [&] { return result.hasKeep && result.hasDelete; };

    if (part) {
        scanBox();
        if (!both() && oneClass() && scanByteArray2D(inBox, kUnassigned)) {
            fill(inBox, result.hasKeep);
            scanBox();
        }
        if (both()) result.estimationBox = extendedBox;
    }
    if (both()) return result;

    scanImage();
    if (oneClass() && scanByteArray2D(status, kUnassigned)) {
        fill(status, result.hasKeep);
        scanBox();
        if (both()) {
            result.estimationBox = extendedBox;
            return result;
        }
        if (part) scanImage();
    }
    return result;
}

} // namespace orsine::matting
