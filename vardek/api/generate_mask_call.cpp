// Argument handling of the generate-mask call.
#include "api/generate_mask_call.h"

#include "core/arrays.h"

#include <algorithm>
#include <cstddef>
#include <cmath>
#include <utility>
#include <vector>

namespace orsine::matting {

using classification::Box;

namespace {

int clampToInt(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// [lower, upper] put in order and clipped to [0, size - 1].
std::pair<int64_t, int64_t> orderedWithin(int64_t lower, int64_t upper, int64_t size) {
    if (lower > upper) std::swap(lower, upper);
    return {std::max<int64_t>(lower, 0), std::min<int64_t>(upper, size - 1)};
}

} // namespace

float clampBlendRatio(float ratio) {
    if (ratio < 0.0f) return 0.0f;
    return ratio <= 1.0f ? ratio : 1.0f;
}

int reductionFactor(int64_t outputHeight, int64_t statusHeight) {
    // A one-row status image has no ratio: the quotient would be infinite or not a number.
    if (statusHeight == 1) return 8;
    const double ratio =
        static_cast<float>(outputHeight - 1) / static_cast<float>(statusHeight - 1);
    if (ratio > 0.9 && ratio < 1.1) return 1;
    if (ratio > 1.8 && ratio < 2.2) return 2;
    if (ratio > 3.6 && ratio < 4.4) return 4;
    return 8;
}

Box clippedStatusBox(int64_t statusWidth, int64_t statusHeight, const VkRect& rect) {
    const int64_t firstRow = std::max<int64_t>(rect.y, 0);
    const int64_t firstColumn = std::max<int64_t>(rect.x, 0);
    const int64_t lastRow = std::min<int64_t>(int64_t{rect.y} + rect.height - 1, statusHeight - 1);
    const int64_t lastColumn = std::min<int64_t>(int64_t{rect.x} + rect.width - 1, statusWidth - 1);
    return Box(clampToInt(firstRow), clampToInt(firstColumn), clampToInt(lastRow),
               clampToInt(lastColumn));
}

Box outputWorkBox(const std::optional<Box>& statusBox, int factor, int64_t outputWidth,
                  int64_t outputHeight) {
    if (!statusBox) return Box(0, 0, clampToInt(outputHeight - 1), clampToInt(outputWidth - 1));
    const Box& s = *statusBox;
    const auto rows = orderedWithin(int64_t{s.lower.row} * factor,
                                    (int64_t{s.upper.row} + 1) * factor - 1, outputHeight);
    const auto columns = orderedWithin(int64_t{s.lower.column} * factor,
                                       (int64_t{s.upper.column} + 1) * factor - 1, outputWidth);
    return Box(clampToInt(rows.first), clampToInt(columns.first), clampToInt(rows.second),
               clampToInt(columns.second));
}

bool readableView(const VkImage& view, int64_t pixelBytes) {
    return view.data && view.width > 0 && view.height > 0 &&
           int64_t{view.rowBytes} >= pixelBytes * view.width && view.rowBytes % pixelBytes == 0;
}

MaskPatches toMaskPatches(const VkPatchRecord* records, uint32_t count, const Box& domain) {
    MaskPatches patches;
    if (!records) return patches;
    patches.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const VkPatchRecord& record = records[i];
        MaskPatch patch;
        const Box whole =
            Box::fromRect(record.maskX, record.maskY, record.maskWidth, record.maskHeight);
        patch.box = Box::intersection(whole, domain);
        if (record.maskData && int64_t{record.maskRowBytes} < record.maskWidth)
            patch.box = Box::empty();
        if (patch.box.isEmpty()) {
            patch.box = Box::empty();
        } else if (record.maskData) {
            // The caller's bytes over the part of the mask rectangle inside the domain.
            const std::ptrdiff_t offset =
                std::ptrdiff_t{int64_t{patch.box.lower.row} - whole.lower.row} *
                    record.maskRowBytes +
                (int64_t{patch.box.lower.column} - whole.lower.column);
            patch.mask.reference(classification::viewOver(
                const_cast<unsigned char*>(record.maskData) + offset, patch.box.rows(),
                patch.box.columns(), record.maskRowBytes, patch.box.lower));
        }
        patch.fgOverride = record.fgOverride;
        patch.bgOverride = record.bgOverride;
        std::copy(record.fgColour, record.fgColour + 3, patch.fgColour);
        patch.isPreview = record.isPreview != 0;
        std::copy(record.bgColour, record.bgColour + 3, patch.bgColour);
        patch.blendRatio = record.blendRatio;
        patch.param2AboveHalf = record.param2 > 0.5f;
        patch.membrane = record.blendMode == VkBlendMembrane;
        patch.membraneValue = record.param1;
        patch.choices = record.blendMode == VkBlendChoices;
        patch.choice1 = record.param1;
        patch.choice2 = record.param2;
        patches.push_back(std::move(patch));
    }
    return patches;
}

MaskForcedEdges toMaskForcedEdges(const VkForcedEdgeRecord* records, uint32_t count) {
    std::vector<MaskForcedEdge> kept;
    if (records) {
        for (uint32_t i = 0; i < count; ++i) {
            const VkForcedEdgeRecord& record = records[i];
            if (!record.points) continue;
            std::vector<blitz::TinyVector<float, 2>> points;
            for (uint32_t p = 0; p < record.pointCount; ++p) {
                const float x = record.points[2 * std::size_t{p}];
                const float y = record.points[2 * std::size_t{p} + 1];
                if (!std::isfinite(x) || !std::isfinite(y)) continue;
                if (!points.empty() && points.back()[0] == y && points.back()[1] == x) continue;
                points.emplace_back(y, x);
            }
            if (points.size() < 2) continue;
            MaskForcedEdge edge;
            edge.featherWidth = record.featherWidth;
            edge.points.resize(static_cast<int>(points.size()));
            std::copy(points.begin(), points.end(), edge.points.begin());
            kept.push_back(std::move(edge));
        }
    }
    MaskForcedEdges edges(static_cast<int>(kept.size()));
    for (std::size_t i = 0; i < kept.size(); ++i) {
        edges(static_cast<int>(i)).featherWidth = kept[i].featherWidth;
        edges(static_cast<int>(i)).points.reference(kept[i].points);
    }
    return edges;
}

} // namespace orsine::matting
