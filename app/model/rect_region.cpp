#include "model/rect_region.h"

#include "model/gm_model.h"
#include "model/tool_hooks.h"

#include <QVariantMap>

namespace {

constexpr int kSnapToGrid = 1;

} // namespace

RectRegion::RectRegion(const QPointF& anchor) : rectangle_(anchor, kSnapToGrid) {
    GmModel::instance()->appendRegion(this);
}

RectRegion::RectRegion(const QVariant& map)
    : GmRegion(map.toMap().value(QStringLiteral("GmRegion"))),
      rectangle_(map.toMap().value(QStringLiteral("rectangle_")), kSnapToGrid) {}

QVariant RectRegion::toVariant() const {
    QVariantMap m;
    m.insert(QStringLiteral("type"), int(RectRegionType));
    m.insert(QStringLiteral("GmRegion"), regionVariant());
    m.insert(QStringLiteral("rectangle_"), rectangle_.toVariant());
    return m;
}

void RectRegion::testRender() {
    previewPatch(this);
}
