// The edge analysis of a classification: its six stages in order, and the
// texture stage that feeds the others.
#include "classification/segmentation.h"
#include "classification/texture_image.h"

namespace classification {

void Segmentation<6, 0>::analyse(const ByteArray* mask, ProgressRange& range) {
    colourClassifier.fanOut.setThreads(workerCount);

    // 1. The texture image, unless it is still valid.
    ProgressRange texture = range.subRange(0.1f);
    buildTextureImage(texture);

    // 2. Colour histograms and their clusters, unless every level is known.
    ProgressRange clusters = range.subRange(0.3f);
    colourClassifier.buildColourClusters(clusters);

    // 3. The segmentation stages, ending with the region flood.
    ProgressRange segmentation = range.subRange(0.9f);
    const StagesRecomputed ran = updateStages(segmentation);

    // 4. Refinement renumbers the labels in place, so it runs only on labels
    //    the flood has just made: refining refined labels would take region 0
    //    for lone pixels.
    if (params.regionScale > 1.0f && ran.stage[regionsStage]) refineRegions();

    // 5. A sub-session analysed on its own has no regions outside its patch.
    if (mask && regionLabels.size()) clipToSelection(*mask);

    // 6. The colour groups, per region where regions exist.
    ProgressRange groups = range.subRange(1.0f);
    buildGroups(groups);
}

void Segmentation<6, 0>::dropCachedAnalysis() {
    textureImage.free();
    textureState = 0;
}

void Segmentation<6, 0>::buildTextureImage(ProgressRange& /*range*/) {
    if (textureState == 2) return;
    if (!workingInputSet) {
        workingInput.reference(source);
        workingInputSet = true;
    }
    // The working input is released however the jobs end.
    struct Release {
        Segmentation& c;
        ~Release() {
            c.workingInput.free();
            c.workingInputSet = false;
        }
    } release{*this};

    const TextureParameters parameters{textureRadius, maxBits, percentile};
    fanOut.setThreads(workerCount);
    TextureImage output = classification::buildTextureImage(workingInput, parameters, fanOut);

    textureImage.reference(output);
    domain = textureImage.size() ? boxOf(textureImage) : Box::empty();
    stageParams.fill(SegmentationParams::unset());
    colourClassifier.reset(textureImage);
    textureState = 2;
}

StagesRecomputed Segmentation<6, 0>::updateStages(ProgressRange& range) {
    const StageInputs inputs{textureImage, domain, params};
    const StageState state{stageParams,
                           channelEnabled,
                           blocks,
                           segments,
                           {edgePlaneStorage, edgePlanes, planeScale, pixelScaleMap}};
    const RegionStage regions = [this](bool force, ProgressRange& flood) {
        return updateRegions(force, flood);
    };
    return classification::updateStages(inputs, state, range, regions, workerCount);
}

} // namespace classification
