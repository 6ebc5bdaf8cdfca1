#include "model/poly_region.h"

#include "model/gm_model.h"
#include "model/tool_hooks.h"

#include <QVariantMap>

PolyRegion::PolyRegion(const QPointF& first)
    : polygon_(QPolygonF(QVector<QPointF>{first}), zt::Polygon::Closed) {
    GmModel::instance()->appendRegion(this);
}

PolyRegion::PolyRegion(const QVariant& map)
    : GmRegion(map.toMap().value(QStringLiteral("GmRegion"))),
      polygon_(map.toMap().value(QStringLiteral("poly_"))) {}

QVariant PolyRegion::toVariant() const {
    QVariantMap m;
    m.insert(QStringLiteral("type"), int(PolyRegionType));
    m.insert(QStringLiteral("GmRegion"), regionVariant());
    m.insert(QStringLiteral("poly_"), polygon_.toVariant());
    return m;
}

void PolyRegion::testRender() {
    previewPatch(this);
}
