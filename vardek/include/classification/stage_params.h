// The copies of the segmentation parameters with which each stage last
// completed. A stage recomputes only when a parameter it depends on differs
// from its copy, so a re-analysis after one slider moved redoes as little as
// possible: region scale alone costs the flood, the in-focus edge width the
// last two stages, the feature tolerance the last four, and only the block
// histogram parameters the whole pipeline.
#ifndef VARDEK_CLASSIFICATION_STAGE_PARAMS_H
#define VARDEK_CLASSIFICATION_STAGE_PARAMS_H

#include "classification/segmentation_params.h"

#include <array>

namespace classification {

constexpr int textureChannels = 6;

// Copies 0 to 5 belong to the texture channels (stages 1 and 2), copy 6 to
// the edge width and the regions (stages 4 and 5).
using StageParams = std::array<SegmentationParams, 7>;
constexpr int edgeStagesCopy = 6;
using ChannelFlags = std::array<unsigned char, textureChannels>;

inline StageParams unsetStageParams() {
    StageParams copies;
    copies.fill(SegmentationParams::unset());
    return copies;
}

// Copies 0 to 5 take the current parameters, copy 6 too when any channel is enabled.
void saveStageParams(StageParams& copies, const SegmentationParams& current,
                     const ChannelFlags& channelEnabled);

// The change tests of the stages. Floats compare unequal when either side is
// not a number.
//
// Stage 1, per channel: colour bits, interpolation, resolution or overlap
// differ, or the copy's fourth integer differs and is below 3 (an unset copy).
bool histogramsOutdated(const SegmentationParams& copy, const SegmentationParams& current);
// Stage 2, per channel: the feature tolerance differs.
bool segmentsOutdated(const SegmentationParams& copy, const SegmentationParams& current);
// Stage 4, copy 6: the in-focus edge width differs.
bool edgeWidthOutdated(const SegmentationParams& copy, const SegmentationParams& current);
// Stage 5, copy 6: the region scale or the in-focus edge width differs.
bool regionsOutdated(const SegmentationParams& copy, const SegmentationParams& current);

} // namespace classification

#endif
