#include "classification/stage_params.h"

namespace classification {

void saveStageParams(StageParams& copies, const SegmentationParams& current,
                     const ChannelFlags& channelEnabled) {
    bool anyEnabled = false;
    for (int c = 0; c < textureChannels; ++c) {
        copies[c] = current;
        anyEnabled = anyEnabled || channelEnabled[c] == 1;
    }
    if (anyEnabled) copies[edgeStagesCopy] = current;
}

namespace {
// != is true when either side is NaN, as wanted.
bool differs(float a, float b) {
    return a != b;
}
} // namespace

bool histogramsOutdated(const SegmentationParams& copy, const SegmentationParams& current) {
    return copy.colourBits != current.colourBits || copy.interpolation != current.interpolation ||
           copy.resolution != current.resolution || copy.overlap != current.overlap ||
           (copy.fourthInteger != current.fourthInteger && copy.fourthInteger < 3);
}

bool segmentsOutdated(const SegmentationParams& copy, const SegmentationParams& current) {
    return differs(copy.featureTolerance, current.featureTolerance);
}

bool edgeWidthOutdated(const SegmentationParams& copy, const SegmentationParams& current) {
    return copy.inFocusEdgeWidth != current.inFocusEdgeWidth;
}

bool regionsOutdated(const SegmentationParams& copy, const SegmentationParams& current) {
    return differs(copy.regionScale, current.regionScale) ||
           copy.inFocusEdgeWidth != current.inFocusEdgeWidth;
}

} // namespace classification
