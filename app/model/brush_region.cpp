#include "model/brush_region.h"

#include "model/gm_model.h"
#include "model/tool_hooks.h"

#include <QVariantMap>

BrushRegion::BrushRegion(const Brushing& stroke) : brushing_(stroke) {
    GmModel::instance()->appendRegion(this);
}

BrushRegion::BrushRegion(const QVariant& map)
    : GmRegion(map.toMap().value(QStringLiteral("GmRegion"))),
      brushing_(map.toMap().value(QStringLiteral("brushing_"))) {}

QVariant BrushRegion::toVariant() const {
    QVariantMap m;
    m.insert(QStringLiteral("type"), int(BrushRegionType));
    m.insert(QStringLiteral("GmRegion"), regionVariant());
    m.insert(QStringLiteral("brushing_"), brushing_.toVariant());
    return m;
}

void BrushRegion::testRender() {
    previewPatch(this);
}
