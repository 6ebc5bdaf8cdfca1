// Construction of a classification and sharing of a parent's analysis.
#include "classification/segmentation.h"

namespace classification {

Segmentation<6, 0>::Segmentation(Segmentation* parentLink, bool analysesItself,
                                 const SourceImage& pixels)
    : parent(parentLink), source(pixels), ownAnalysis(analysesItself) {
    stageParams.fill(SegmentationParams::unset());
    // Bit c of 0x7f enables texture channel c: all six.
    for (std::size_t c = 0; c < channelEnabled.size(); ++c)
        channelEnabled[c] = (0x7f >> c) & 1;

    const Box box = sourceBox();
    if (!box.isEmpty()) {
        selectionStorage.reference(arrayOver<unsigned char>(box.grown(1), 1));
        selectionMap.reference(windowOf(selectionStorage, box));
        selectionMap = 0;
    }
}

void Segmentation<6, 0>::shareParentAnalysis() {
    if (!parent) return;
    const Segmentation& from = *parent;
    const Box box = sourceBox();

    textureImage.reference(windowOf(from.textureImage, box));
    domain = textureImage.size() ? boxOf(textureImage) : Box::empty();
    stageParams.fill(SegmentationParams::unset());

    // Everything of the parameter record; maxBits, percentile and textureRadius
    // belong to the texture stage, which a borrowing classification never runs.
    params = from.params;
    partitionLevel = from.partitionLevel;
    groupCount = from.groupCount;

    // The label storages stay the parent's own: only the windows are shared.
    regionLabelStorage.free();
    if (params.regionScale > 1.0f) {
        regionLabels.reference(windowOf(from.regionLabels, box));
        regionCount = from.regionCount;
    } else {
        regionLabels.free();
        regionCount = -1;
    }
    groupLabelStorage.free();
    groupLabels.reference(windowOf(from.groupLabels, box));

    edgePlaneStorage.reference(from.edgePlaneStorage);
    edgePlanes.reference(windowOf(from.edgePlanes, box));
    pixelScaleMap.reference(windowOf(from.pixelScaleMap, box));
    planeScale = from.planeScale;
}

} // namespace classification
