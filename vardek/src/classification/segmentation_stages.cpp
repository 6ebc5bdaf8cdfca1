#include "classification/segmentation_stages.h"

#include "classification/block_histograms.h"
#include "classification/edge_width_map.h"

namespace classification {

StagesRecomputed updateStages(const StageInputs& in, const StageState& state, ProgressRange& range,
                              const RegionStage& regions, unsigned workers) {
    StagesRecomputed ran;
    bool anyEnabled = false;
    for (unsigned char enabled : state.channelEnabled)
        anyEnabled = anyEnabled || enabled != 0;
    if (!anyEnabled) {
        range.report(1.0f);
        return ran;
    }

    // Each stage ends at a fixed share of the range and is forced by any
    // earlier stage that recomputed.
    auto& r = ran.stage;
    try {
        ProgressRange histograms = range.subRange(1.0f / 7.0f);
        r[histogramsStage] = updateHistograms(in.texture, in.domain, in.params, state.stageParams,
                                              state.blocks, histograms, workers);

        ProgressRange segmenting = range.subRange(2.0f / 7.0f);
        r[segmentsStage] = segmentHistograms(r[histogramsStage], in.params, state.stageParams,
                                             state.blocks, state.segments, segmenting);

        ProgressRange features = range.subRange(3.0f / 7.0f);
        r[edgeFeaturesStage] = updateEdgeFeatures(
            r[histogramsStage] || r[segmentsStage], in.texture, in.domain, in.params.resolution,
            state.blocks, state.segments, state.edges, features, workers);

        ProgressRange width = range.subRange(0.44285715f);
        r[edgeWidthStage] = updateEdgeWidth(
            r[histogramsStage] || r[segmentsStage] || r[edgeFeaturesStage], in.domain, in.params,
            state.stageParams, state.blocks, state.segments, state.edges, width);

        ProgressRange flood = range.subRange(1.0f);
        r[regionsStage] = regions ? regions(ran.any(), flood) : false;
    } catch (...) {
        state.stageParams = unsetStageParams();
        throw;
    }
    saveStageParams(state.stageParams, in.params, state.channelEnabled);
    return ran;
}

} // namespace classification
