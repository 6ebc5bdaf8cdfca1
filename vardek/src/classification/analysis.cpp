// The edge analysis of a classification: its six stages in order, and the
// texture stage that feeds the others.
#include "classification/Segmentation.h"
#include "classification/TextureImage.h"

#include <algorithm>

namespace classification {

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

} // namespace classification
