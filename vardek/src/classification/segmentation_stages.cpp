#include "classification/segmentation_stages.h"

#include "classification/block_histograms.h"
#include "classification/edge_width_map.h"
#include "core/side_thread.h"

#include <optional>

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

        // The edge width map writes channel 2 of the edge planes; the region
        // flood reads channels 0 and 1 (copying them when it starts), so the
        // width map is built on a thread of its own while the flood runs
        // here. It reports nothing itself: its share of the range is reported
        // whole once it is under way.
        const bool widthForced = r[histogramsStage] || r[segmentsStage] || r[edgeFeaturesStage];
        r[edgeWidthStage] =
            widthForced || edgeWidthOutdated(state.stageParams[edgeStagesCopy], in.params);
        ProgressRange widthShare = range.subRange(0.44285715f);
        std::optional<SideThread> width;
        if (r[edgeWidthStage]) {
            width.emplace([&in, &state] {
                ProgressRange quiet(nullptr);
                updateEdgeWidth(true, in.domain, in.params, state.stageParams, state.blocks,
                                state.segments, state.edges, quiet);
            });
            widthShare.report(1.0f);
        }

        ProgressRange flood = range.subRange(1.0f);
        r[regionsStage] = regions ? regions(ran.any(), flood) : false;
        if (width) width->finish();
    } catch (...) {
        state.stageParams = unsetStageParams();
        throw;
    }
    saveStageParams(state.stageParams, in.params, state.channelEnabled);
    return ran;
}

} // namespace classification
