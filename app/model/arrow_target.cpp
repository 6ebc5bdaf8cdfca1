#include "model/arrow_target.h"

#include "model/brush_region.h"
#include "model/forced_edge.h"
#include "model/gm_model.h"
#include "model/poly_region.h"
#include "model/rect_region.h"
#include "model/variant_values.h"
#include "model/zt_app_prefs.h"

#include <QVariantMap>

ArrowTarget::ArrowTarget() = default;

ArrowTarget::~ArrowTarget() {
    GmModel::instance()->forgetArrowTarget(this);
}

bool ArrowTarget::removedOnRevert() const {
    return false;
}

bool ArrowTarget::isForcedEdge() const {
    return false;
}

QColor ArrowTarget::outlineColour() const {
    return ZtAppPrefs::currentColor(isActive() ? ZtAppPrefs::ActivePatchOrForcedEdgeColor
                                               : ZtAppPrefs::PatchOrForcedEdgeColor);
}

ArrowTarget* ArrowTarget::createFromVariant(const QVariant& map) {
    const std::optional<int> type = intFromVariant(map.toMap().value(QStringLiteral("type")));
    if (!type) return nullptr;
    switch (*type) {
    case RectRegionType:
        return new RectRegion(map);
    case PolyRegionType:
        return new PolyRegion(map);
    case BrushRegionType:
        return new BrushRegion(map);
    case ForcedEdgeType:
        return new ForcedEdge(map);
    default:
        return nullptr;
    }
}
