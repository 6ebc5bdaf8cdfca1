// The parameter record of the analysis: fifteen 4-byte fields, filled from the
// session's variables before every analysis. The segmentation stages keep
// copies of it to tell which of their results are still valid.
#ifndef VARDEK_CLASSIFICATION_SEGMENTATION_PARAMS_H
#define VARDEK_CLASSIFICATION_SEGMENTATION_PARAMS_H

#include <cstdint>

namespace classification {

struct SegmentationParams {
    int32_t colourBits = 5;        // "#colourBits"
    float reserved2 = 0.0f;        // set by no variable
    float reserved3 = 0.0f;        // set by no variable
    float featureTolerance = 1.1f; // "featureTol"
    float regionScale = 2.0f;      // "imageTol"; regions exist only above 1.0
    float focus = 0.0f;            // "focus"; carried, read by no stage
    float reserved7 = 0.0f;        // always 0
    int32_t interpolation = 0;     // "interpolation" meaning index
    int32_t resolution = 8;        // "#resolution", block spacing in pixels
    int32_t overlap = 1;           // "overlap"
    int32_t fourthInteger = -1;    // 4 once set from the variables
    int32_t inFocusEdgeWidth = 2;  // "inFocusEdgeWidth"
    int32_t blendMode = 0;         // "BlendMode"
    int32_t fgSampling = 1;        // "fg sampling"
    int32_t bgSampling = 1;        // "bg sampling"

    // The record that matches no real parameters, so every stage recomputes.
    static constexpr SegmentationParams unset() {
        SegmentationParams p;
        p.colourBits = -1;
        p.reserved2 = p.reserved3 = p.featureTolerance = p.regionScale = p.focus = p.reserved7 =
            -1.0f;
        p.interpolation = p.resolution = p.overlap = p.fourthInteger = p.inFocusEdgeWidth = -1;
        p.blendMode = 0;
        p.fgSampling = p.bgSampling = 1;
        return p;
    }
};

} // namespace classification

#endif
