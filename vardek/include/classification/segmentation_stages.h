// The segmentation stages of the analysis, from the texture image to
// 1. block histograms, 2. histogram segments, 3. the edge planes, 4. the edge
// width map and 5. the regions, each built from the ones before it. A stage
// recomputes only when a parameter it depends on changed since it last
// completed, or when an earlier stage of the same run changed its result; a
// failure anywhere unsets every stage copy so that the next run recomputes
// everything.
#ifndef VARDEK_CLASSIFICATION_SEGMENTATION_STAGES_H
#define VARDEK_CLASSIFICATION_SEGMENTATION_STAGES_H

#include "classification/analysis_images.h"
#include "classification/block_grid.h"
#include "classification/edge_planes.h"
#include "classification/histogram_segments.h"
#include "classification/stage_params.h"
#include "core/box.h"
#include "core/progress.h"
#include "core/worker_pool.h"

#include <array>
#include <functional>

namespace classification {

enum SegmentationStage {
    histogramsStage,
    segmentsStage,
    edgeFeaturesStage,
    edgeWidthStage,
    regionsStage,
    segmentationStageCount
};

// Which stages of one run recomputed their result.
struct StagesRecomputed {
    std::array<bool, segmentationStageCount> stage{};
    bool any() const {
        for (bool s : stage)
            if (s) return true;
        return false;
    }
};

// Stage 5, the region flood over the edge planes: (force, range) -> recomputed.
// When not forced it decides itself, with `regionsOutdated` on copy 6.
using RegionStage = std::function<bool(bool force, ProgressRange& range)>;

// What the stages read: the texture image over the analysed box, and the
// current parameters.
struct StageInputs {
    const TextureImage& texture;
    const Box& domain;
    const SegmentationParams& params;
};

// The segmentation state the classification keeps between analyses, by reference.
struct StageState {
    StageParams& stageParams;
    const ChannelFlags& channelEnabled;
    BlockGrid& blocks;
    SegmentLists& segments;
    EdgePlaneRefs edges;
};

// Runs the five stages in order within `range`, starting at its current
// position; `regions` is stage 5 (none counts as not recomputed). On success
// the stage copies take the current parameters; on any exception all seven
// are unset and the exception leaves unchanged. With no channel enabled
// nothing runs and the end of `range` is reported.
StagesRecomputed updateStages(const StageInputs& in, const StageState& state, ProgressRange& range,
                              const RegionStage& regions,
                              unsigned workers = logicalProcessorCount());

} // namespace classification

#endif
