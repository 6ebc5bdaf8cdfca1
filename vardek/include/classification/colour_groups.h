// Colour groups of a classification: every pixel takes the colour cluster of
// its texture colour at the partition level, and where regions exist every
// region takes the group most of its pixels have, so that a group is a union
// of whole regions.
#ifndef VARDEK_CLASSIFICATION_COLOUR_GROUPS_H
#define VARDEK_CLASSIFICATION_COLOUR_GROUPS_H

#include "core/arrays.h"
#include "core/progress.h"

#include <cstdint>
#include <vector>

namespace classification {

// For every region r of `regionLabels` (labels 0 to `regionCount` - 1; other
// labels are ignored), `groups[r]` becomes the group of `groupLabels` that
// most of its pixels have; among equal counts the group that reached the
// count first in row-major order. `groups` is resized to `regionCount`
// entries, 0 for a region without pixels. Reports the row fraction into
// `progress` at every row whose index is a multiple of 256. Runs on
// `workers` threads; the result does not depend on their number.
void regionMajorityGroups(std::vector<int32_t>& groups, int32_t regionCount,
                          const LabelArray& regionLabels, const LabelArray& groupLabels,
                          ProgressRange& progress, unsigned workers);

// Every pixel of `groupLabels` whose label in `regionLabels` is a region r of
// `regionGroups` (0 to its size - 1) takes regionGroups[r]; the others keep
// their group. Reports the row fraction into `progress` at every row whose
// index is a multiple of 512. Runs on `workers` threads.
void assignRegionGroups(LabelArray& groupLabels, const LabelArray& regionLabels,
                        const std::vector<int32_t>& regionGroups, ProgressRange& progress,
                        unsigned workers);

} // namespace classification

#endif
