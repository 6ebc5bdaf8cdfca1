// The object edges of an analysed classification: the boundaries between its
// regions as drawable polylines.
#include "classification/contours.h"
#include "classification/segmentation.h"

namespace classification {

void Segmentation<6, 0>::buildObjectEdges(std::vector<FloatPolyline>& lines, ProgressRange&) {
    lines.clear();
    if (!(params.regionScale > 1.0f) || regionLabels.size() == 0 || regionLabelStorage.size() == 0)
        return;
    // The tracer reads one pixel around the box; the storage's margin is that ring.
    const Box box = Box::intersection(boxOf(regionLabels), boxOf(regionLabelStorage).grown(-1));
    if (box.isEmpty()) return;
    fillOutsideBox(regionLabelStorage, box, -1);

    // Boundaries with the image border, or with pixels outside a sub-session's
    // patch (label -1), are not object edges.
    for (const ContourRecord& record : traceContours(regionLabelStorage, box))
        if (record.rightLabel >= 0 && record.leftLabel >= 0)
            lines.push_back(contourToPolyline(record.points, pointVariant));
    if (simplifyTolerance != 0.0f) simplifyPolylines(lines, simplifyTolerance);
    if (bevelRadius != 0.0f) {
        bevelCorners(lines, bevelRadius);
        bevelCorners(lines, bevelRadius);
    }
}

} // namespace classification
