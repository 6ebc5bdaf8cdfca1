// The colour groups of a classification.
#include "classification/Segmentation.h"

#include <stdexcept>

namespace classification {

// The groups are the colour classifier's clusters at the partition level; the
// classifier does not cluster colours yet, so no partition can be built and a
// selection that needs another level fails rather than use stale groups.
void Segmentation<6, 0>::buildGroups(ProgressRange& /*range*/) {
    throw std::logic_error("colour groups need the colour classifier's clusters");
}

} // namespace classification
