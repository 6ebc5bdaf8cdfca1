// The colour groups of a classification: stage 6 of the analysis, and the
// rebuild a selection asks for when it wants another partition level.
#include "classification/colour_groups.h"
#include "classification/segmentation.h"

#include <vector>

namespace classification {

void Segmentation<6, 0>::buildGroups(ProgressRange& range) {
    const Box box = sourceBox();
    if (groupLabels.size() == 0 || boxOf(groupLabels) != box) {
        // -1 until the partition writes a group: no pixel is left undefined
        // when there is no texture to partition.
        groupLabelStorage.reference(arrayOver<int32_t>(box.grown(2), -1));
        groupLabels.reference(windowOf(groupLabelStorage, box));
    }

    ProgressRange partitioning = range.subRange(0.3f);
    groupCount = colourClassifier.partition(partitionLevel > 0 ? partitionLevel : 0, groupLabels,
                                            partitioning);

    if (!(params.regionScale > 1.0f) || regionLabels.size() == 0 || regionCount <= 0) return;
    ProgressRange majorities = range.subRange(0.7f);
    std::vector<int32_t> regionGroup;
    regionMajorityGroups(regionGroup, regionCount, regionLabels, groupLabels, majorities);

    // Every pixel of a region takes the region's group; pixels outside every
    // region (label -1) keep their own.
    const Box part = Box::intersection(boxOf(groupLabels), boxOf(regionLabels));
    ProgressRange assigning = range.subRange(1.0f);
    const float rows = static_cast<float>(part.rows());
    const std::ptrdiff_t gs = groupLabels.stride(1), rs = regionLabels.stride(1);
    const auto regions = static_cast<int32_t>(regionGroup.size());
    for (int r = part.lower.row; r <= part.upper.row; ++r) {
        if ((r & 511) == 0) assigning.report(static_cast<float>(r - part.lower.row) / rows);
        int32_t* group = &groupLabels(r, part.lower.column);
        const int32_t* region = &regionLabels(r, part.lower.column);
        for (int c = part.lower.column; c <= part.upper.column; ++c, group += gs, region += rs)
            if (*region >= 0 && *region < regions) *group = regionGroup[std::size_t(*region)];
    }
}

} // namespace classification
